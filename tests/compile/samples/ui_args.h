/*
 * ui_args.h - resource shorthands shared by the sample applications.
 *
 * Most of these stand for several arguments of an Xt varargs list: a
 * whole typed argument, a resource with its value, or a few pairs.
 */
#ifndef UI_ARGS_H
#define UI_ARGS_H

#include <string.h>
#include <X11/Intrinsic.h>
#include <Xm/Xm.h>

/* A label from a plain C string, converted by Xt's resource converter. */
#define LABEL_ARG(s) XtVaTypedArg, XmNlabelString, XmRString, (s), strlen(s) + 1

/* Any resource from its string form ("navy", "8x13bold", ...). */
#define STRING_ARG(res, text) XtVaTypedArg, (res), XmRString, (text), strlen(text) + 1

/* Colours as pixels: each hides a resource and its value. */
#define FG_ARG(c) XmNforeground, (c)
#define BG_ARG(c) XmNbackground, (c)

/* The margins every dialog uses. */
#define MARGINS XmNmarginWidth, 4, XmNmarginHeight, 4

/* Resource names the layout code swaps per platform. */
#define RES_GAP XmNspacing
#define RES_CAPTION XmNtitle

/* A form child glued to all four sides. */
#define ATTACH_ALL_SIDES \
    XmNtopAttachment, XmATTACH_FORM, \
    XmNbottomAttachment, XmATTACH_FORM, \
    XmNleftAttachment, XmATTACH_FORM, \
    XmNrightAttachment, XmATTACH_FORM

/* Relabel a button or label from a C string. */
#define UI_SET_TEXT(w, s) \
    XtVaSetValues((w), \
                  LABEL_ARG(s), \
                  NULL)

/* Grey a widget out, or bring it back. */
#define UI_ENABLE(w, on) \
    XtVaSetValues((w), XmNsensitive, (on) ? True : False, \
                  NULL)

static inline Dimension ui_width_of(Widget w)
{
    Dimension width = 0;

    XtVaGetValues(w, XmNwidth, &width, NULL);
    return width;
}

#endif
