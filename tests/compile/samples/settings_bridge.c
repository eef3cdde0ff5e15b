/*
 * settings_bridge.c - shows a Q5 settings object in a Motif form and
 * writes changes back: each field of the form mirrors one attribute.
 */
#include <stdio.h>
#include <string.h>
#include <X11/Intrinsic.h>
#include <X11/StringDefs.h>
#include <Xm/Xm.h>
#include <Xm/Form.h>
#include <Xm/Scale.h>
#include <Xm/TextF.h>
#include <Xm/ToggleB.h>
#include "q5toolkit.h"
#include "ui_args.h"

#define FIELD_COLUMNS 20

static Q5Object *settings;
static Widget width_scale, title_field, disabled_toggle;
static XtVarArgsList row_look;

/* Read one long attribute of the settings object. */
static long get_long(Q5Tag tag)
{
    long value = 0;

    Q5GetAttrs(settings, tag, &value, Q5TAG_END);
    return value;
}

static void width_changed(Widget w, XtPointer client, XtPointer call)
{
    XmScaleCallbackStruct *cbs = (XmScaleCallbackStruct *) call;

    (void) w; (void) client;
    Q5SetAttrs(settings,
               Q5A_Width, (long) cbs->value,
               Q5A_Height, (long) cbs->value * 3 / 4,   /* keep 4:3 */
               Q5TAG_END);
}

static void title_changed(Widget w, XtPointer client, XtPointer call)
{
    char *text = XmTextFieldGetString(w);

    (void) client; (void) call;
    Q5SetAttrs(settings, Q5A_Title, text, Q5TAG_END);
    XtFree(text);
}

static void copy_defaults(Q5Tag *into, const Q5Tag *from)
{
    long width = 0, height = 0;

    Q5TagGet(from, Q5A_Width, &width, Q5A_Height, &height, Q5RA_Done);
    Q5TagSet(into,
             Q5A_Width, width ? width : 320,
             Q5A_Height, height ? height : 240,
             Q5TAG_END);
}

Widget bridge_create(Widget form, Q5Tag *defaults)
{
    Q5Tag tags[8];

    memset(tags, 0, sizeof tags);
    copy_defaults(tags, defaults);
    settings = Q5ObjectCreate("settings",
                              Q5A_Title, "untitled",
                              Q5TAG_MORE, tags);
    row_look = XtVaCreateArgsList(NULL,
                                  XmNleftAttachment, XmATTACH_FORM,
                                  XmNrightAttachment, XmATTACH_FORM,
                                  XmNtopAttachment, XmATTACH_WIDGET,
                                  NULL);

    width_scale = XtVaCreateManagedWidget("width", xmScaleWidgetClass, form,
                                          XmNorientation, XmHORIZONTAL,
                                          XmNmaximum, 1600,
                                          XmNvalue, (int) get_long(Q5A_Width),
                                          XmNtopAttachment, XmATTACH_FORM,
                                          XmNleftAttachment, XmATTACH_FORM,
                                          XmNrightAttachment, XmATTACH_FORM,
                                          (XtPointer) NULL);
    title_field = XtVaCreateManagedWidget("title", xmTextFieldWidgetClass, form,
                                          XtVaNestedList, row_look,
                                          XmNtopWidget, width_scale,
                                          XmNcolumns, FIELD_COLUMNS,
#if 0
                                          XmNmaxLength, 64,
                                          XmNeditable, False,
#endif
                                          (XtPointer) NULL);
    disabled_toggle = XtVaCreateManagedWidget("disabled", xmToggleButtonWidgetClass, form,
                                              XtVaNestedList, row_look,
                                              XmNtopWidget, title_field,
                                              XmNset, get_long(Q5A_Disabled) ? True : False,
                                              LABEL_ARG("Disabled"),
                                              (XtPointer) NULL);
    XtAddCallback(width_scale, XmNvalueChangedCallback, width_changed, NULL);
    XtAddCallback(title_field, XmNactivateCallback, title_changed, NULL);
    return form;
}

int main(int argc, char **argv)
{
    XtAppContext context;
    Widget toplevel, form;
    Q5Tag defaults[] = { Q5A_Width, 640, Q5A_Height, 480, Q5TAG_END };

    toplevel = XtVaAppInitialize(&context, "XSettings", NULL, 0, &argc, argv, NULL,
                                 XmNtitle, "Settings",
                                 NULL);
    form = XtVaCreateManagedWidget("form", xmFormWidgetClass, toplevel,
                                   XmNverticalSpacing, 4,
                                   NULL);
    bridge_create(form, defaults);
    XtRealizeWidget(toplevel);
    XtAppMainLoop(context);
    return 0;
}
