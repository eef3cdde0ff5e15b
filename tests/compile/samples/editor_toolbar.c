/*
 * toolbar.c - the tool bar and the find bar of a small text editor.
 *
 * The look of the buttons is kept in a few macros at the top so that a
 * site can restyle the editor by editing this file only.
 */
#include <stdio.h>
#include <string.h>
#include <X11/Intrinsic.h>
#include <X11/StringDefs.h>
#include <Xm/Xm.h>
#include <Xm/RowColumn.h>
#include <Xm/PushB.h>
#include <Xm/ToggleB.h>
#include <Xm/TextF.h>
#include <Xm/Label.h>
#include <Xm/Form.h>
#include "ui_args.h"

/* Button look: a pair, two pairs and a typed argument. */
#define TOOL_SHADOW XmNshadowThickness, 1
#define TOOL_PADDING XmNmarginWidth, 6, XmNmarginHeight, 3
#define TOOL_FONT(name) XtVaTypedArg, XmNfontList, XmRString, name, strlen(name) + 1
#define TOOL_RES_TIP XmNuserData
#define TOOL_WIDTH 72

/* One tool button with its label and callback. */
#define TOOL_BUTTON(var, bar, name, text, cb) \
    do { \
        (var) = XtVaCreateManagedWidget((name), xmPushButtonWidgetClass, (bar), \
                                        LABEL_ARG(text), \
                                        TOOL_SHADOW, \
                                        TOOL_PADDING, \
                                        XmNwidth, TOOL_WIDTH, \
                                        NULL); \
        XtAddCallback((var), XmNactivateCallback, (cb), NULL); \
    } while (0)

struct toolbar {
    Widget bar, open, save, undo, redo, find_bar, find_field, case_toggle;
    Pixel highlight;
};

static struct toolbar tb;

static void do_open(Widget w, XtPointer c, XtPointer d) { (void) w; (void) c; (void) d; }
static void do_save(Widget w, XtPointer c, XtPointer d) { (void) w; (void) c; (void) d; }
static void do_undo(Widget w, XtPointer c, XtPointer d) { (void) w; (void) c; (void) d; }
static void do_redo(Widget w, XtPointer c, XtPointer d) { (void) w; (void) c; (void) d; }

static void find_next(Widget w, XtPointer client, XtPointer call)
{
    char *pattern = XmTextFieldGetString(w);
    unsigned char match_case = 0;

    (void) client; (void) call;
    XtVaGetValues(tb.case_toggle, XmNset, &match_case, NULL);
    if (pattern[0] == '\0')
        XtVaSetValues(w, FG_ARG(tb.highlight), NULL);
    else
        XtVaSetValues(w,
                      XmNforeground, BlackPixelOfScreen(XtScreen(w)),
                      TOOL_RES_TIP, (XtPointer) (match_case ? "case" : "nocase"),
                      NULL);
    XtFree(pattern);
}

static Widget make_toolbar(Widget form)
{
    tb.bar = XtVaCreateWidget("toolbar", xmRowColumnWidgetClass, form,
                              XmNorientation, XmHORIZONTAL,
                              XmNpacking, XmPACK_TIGHT,
                              RES_GAP, 2,
                              MARGINS,
                              XmNtopAttachment, XmATTACH_FORM,
                              XmNleftAttachment, XmATTACH_FORM,
                              XmNrightAttachment, XmATTACH_FORM,
                              NULL);
    TOOL_BUTTON(tb.open, tb.bar, "open", "Open", do_open);
    TOOL_BUTTON(tb.save, tb.bar, "save", "Save", do_save);
    TOOL_BUTTON(tb.undo, tb.bar, "undo", "Undo", do_undo);
    TOOL_BUTTON(tb.redo, tb.bar, "redo", "Redo", do_redo);
    UI_ENABLE(tb.undo, False);
    UI_ENABLE(tb.redo, False);
    XtVaSetValues(tb.save,
                  TOOL_FONT("-*-helvetica-bold-r-*-*-12-*"),
                  TOOL_RES_TIP, (XtPointer) "Save the file (Ctrl+S)",
                  NULL);
    XtManageChild(tb.bar);
    return tb.bar;
}

static Widget make_find_bar(Widget form, Widget above)
{
    Widget label;

    tb.find_bar = XtVaCreateManagedWidget("findBar", xmFormWidgetClass, form,
                                          XmNtopAttachment, XmATTACH_WIDGET,
                                          XmNtopWidget, above,
                                          XmNleftAttachment, XmATTACH_FORM,
                                          XmNrightAttachment, XmATTACH_FORM,
                                          NULL);
    label = XtVaCreateManagedWidget("findLabel", xmLabelWidgetClass, tb.find_bar,
                                    LABEL_ARG("Find:"),
                                    XmNleftAttachment, XmATTACH_FORM,
                                    XmNtopAttachment, XmATTACH_FORM,
                                    XmNbottomAttachment, XmATTACH_FORM,
                                    NULL);
    tb.case_toggle = XtVaCreateManagedWidget("matchCase", xmToggleButtonWidgetClass, tb.find_bar,
                                             LABEL_ARG("Match case"),
                                             XmNrightAttachment, XmATTACH_FORM,
                                             XmNtopAttachment, XmATTACH_FORM,
                                             NULL);
    tb.find_field = XtVaCreateManagedWidget("findField", xmTextFieldWidgetClass, tb.find_bar,
                                            XmNcolumns, 24,
                                            BG_ARG(WhitePixelOfScreen(XtScreen(form))),
                                            XmNleftAttachment, XmATTACH_WIDGET,
                                            XmNleftWidget, label,
                                            XmNrightAttachment, XmATTACH_WIDGET,
                                            XmNrightWidget, tb.case_toggle,
                                            NULL);
    XtAddCallback(tb.find_field, XmNactivateCallback, find_next, NULL);
    return tb.find_bar;
}

int main(int argc, char **argv)
{
    XtAppContext context;
    Widget toplevel, form;
    Colormap cmap;
    XColor exact, screen;

    toplevel = XtVaAppInitialize(&context, "XEdit", NULL, 0, &argc, argv, NULL, NULL);
    form = XtVaCreateManagedWidget("form", xmFormWidgetClass, toplevel, NULL);
    XtVaGetValues(form, XmNcolormap, &cmap, NULL);
    tb.highlight = XAllocNamedColor(XtDisplay(form), cmap, "orange", &screen, &exact)
                   ? screen.pixel : BlackPixelOfScreen(XtScreen(form));
    make_find_bar(form, make_toolbar(form));
    XtRealizeWidget(toplevel);
    XtVaSetValues(toplevel, XmNminWidth, ui_width_of(form), NULL);
    XtAppMainLoop(context);
    return 0;
}
