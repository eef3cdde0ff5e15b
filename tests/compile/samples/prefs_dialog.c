/*
 * prefs_dialog.c - the preferences dialog of a mail reader.
 *
 * Common resources for the dialog's children are gathered once into
 * nested argument lists; the widgets then take them with XtVaNestedList.
 */
#include <stdio.h>
#include <string.h>
#include <X11/Intrinsic.h>
#include <X11/StringDefs.h>
#include <Xm/Xm.h>
#include <Xm/Form.h>
#include <Xm/RowColumn.h>
#include <Xm/ToggleB.h>
#include <Xm/TextF.h>
#include <Xm/Label.h>
#include <Xm/PushB.h>
#include <Xm/Scale.h>
#include <Xm/DialogS.h>
#include <Xm/Separator.h>

struct prefs {
    Boolean show_headers;
    Boolean wrap_lines;
    int check_minutes;
    char signature[128];
};

static struct prefs current = { True, False, 10, "-- \nSent from xmailer" };

static Widget dialog, form, headers_toggle, wrap_toggle, interval_scale, signature_field;
static XtVarArgsList label_look, field_look;

static void make_looks(Widget parent)
{
    Pixel fg = 0, bg = 0;

    XtVaGetValues(parent, XmNforeground, &fg, XmNbackground, &bg, NULL);
    /* the look of every caption in the dialog */
    label_look = XtVaCreateArgsList(NULL,
                                    XmNalignment, XmALIGNMENT_BEGINNING,
                                    XmNforeground, fg,
                                    XmNrecomputeSize, False,
                                    NULL);
    field_look = XtVaCreateArgsList(NULL,
                                    XmNcolumns, 32,
                                    XmNbackground, bg,
                                    XmNmarginHeight, 2,
                                    NULL);
}

static Widget caption(Widget parent, const char *name, Widget above)
{
    return XtVaCreateManagedWidget(name, xmLabelWidgetClass, parent,
                                   XtVaNestedList, label_look,
                                   XmNtopAttachment, above ? XmATTACH_WIDGET : XmATTACH_FORM,
                                   XmNtopWidget, above,   /* ignored when attached to the form */
                                   XmNleftAttachment, XmATTACH_FORM,
                                   NULL);
}

static void apply(Widget w, XtPointer client, XtPointer call)
{
    char *text = NULL;
    int minutes = 0;
    unsigned char hset = 0, wset = 0;

    (void) w; (void) client; (void) call;
    XtVaGetValues(headers_toggle, XmNset, &hset, NULL);
    XtVaGetValues(wrap_toggle, XmNset, &wset, NULL);
    XtVaGetValues(interval_scale,
                  XmNvalue, &minutes,   /* in minutes, see make_dialog */
                  NULL);
    XtVaGetValues(signature_field, XmNvalue, &text, NULL);
    current.show_headers = hset;
    current.wrap_lines = wset;
    current.check_minutes = minutes;
    snprintf(current.signature, sizeof current.signature, "%s", text ? text : "");
    XtFree(text);
    XtUnmanageChild(form);
}

static void make_dialog(Widget toplevel)
{
    Widget label, sep, ok;

    dialog = XtVaCreatePopupShell("prefsShell", xmDialogShellWidgetClass, toplevel,
                                  XmNtitle, "Preferences",
                                  XmNdeleteResponse, XmUNMAP,
                                  NULL);
    form = XtVaCreateWidget("prefs", xmFormWidgetClass, dialog,
                            XmNautoUnmanage, False,
                            /* XmNdefaultPosition, False, */
                            XmNhorizontalSpacing, 6,
                            XmNverticalSpacing, 6,
                            (XtPointer) NULL);
    make_looks(form);

    headers_toggle = XtVaCreateManagedWidget("Show all headers", xmToggleButtonWidgetClass, form,
                                             XmNset, current.show_headers,
                                             XmNtopAttachment, XmATTACH_FORM,
                                             XmNleftAttachment, XmATTACH_FORM,
                                             NULL);
    wrap_toggle = XtVaCreateManagedWidget("Wrap long lines", xmToggleButtonWidgetClass, form,
                                          XmNset, current.wrap_lines,
                                          // XmNindicatorType, XmONE_OF_MANY,
                                          XmNtopAttachment, XmATTACH_WIDGET,
                                          XmNtopWidget, headers_toggle,
                                          XmNleftAttachment, XmATTACH_FORM,
                                          NULL);

    label = caption(form, "Check for mail every (minutes)", wrap_toggle);
    interval_scale = XtVaCreateManagedWidget("interval", xmScaleWidgetClass, form,
                                             XmNorientation, XmHORIZONTAL,
                                             XmNminimum, 1,
                                             XmNmaximum, 120,
                                             XmNvalue, current.check_minutes,
                                             XmNshowValue, True,
                                             // old: XtVaSetValues(interval_scale, XmNscaleMultiple, 5,
                                             XmNscaleMultiple, 10,
                                             XmNtopAttachment, XmATTACH_WIDGET,
                                             XmNtopWidget, label,
                                             XmNleftAttachment, XmATTACH_FORM,
                                             XmNrightAttachment, XmATTACH_FORM,
                                             NULL);

    label = caption(form, "Signature", interval_scale);
    signature_field = XtVaCreateManagedWidget("signature", xmTextFieldWidgetClass, form,
                                              XtVaNestedList, field_look,
                                              XmNvalue, current.signature,
                                              XmNtopAttachment, XmATTACH_WIDGET,
                                              XmNtopWidget, label,
                                              XmNleftAttachment, XmATTACH_FORM,
                                              XmNrightAttachment, XmATTACH_FORM,
                                              NULL);

    sep = XtVaCreateManagedWidget("sep", xmSeparatorWidgetClass, form,
                                  XmNtopAttachment, XmATTACH_WIDGET,
                                  XmNtopWidget, signature_field,
                                  XmNleftAttachment, XmATTACH_FORM,
                                  XmNrightAttachment, XmATTACH_FORM,
                                  NULL);
    ok = XtVaCreateManagedWidget("OK", xmPushButtonWidgetClass, form,
                                 XmNtopAttachment, XmATTACH_WIDGET,
                                 XmNtopWidget, sep,
                                 XmNbottomAttachment, XmATTACH_FORM,
                                 XmNrightAttachment, XmATTACH_FORM,
                                 /*
                                  * XmNwidth, 80,
                                  * XmNheight, 28,
                                  */
                                 XmNshowAsDefault, True,
                                 NULL);
    XtAddCallback(ok, XmNactivateCallback, apply, NULL);
    XtVaSetValues(form, XmNdefaultButton, ok, NULL);

    /* XtVaSetValues(form, XmNcancelButton, ok, NULL); no cancel yet */
    XtFree((char *) label_look);
    XtFree((char *) field_look);
}

void prefs_show(Widget toplevel)
{
    if (dialog == NULL)
        make_dialog(toplevel);
    XtManageChild(form);
}

int main(int argc, char **argv)
{
    XtAppContext context;
    Widget toplevel, button;

    toplevel = XtVaAppInitialize(&context, "XMailer", NULL, 0, &argc, argv, NULL, NULL);
    button = XtVaCreateManagedWidget("Preferences...", xmPushButtonWidgetClass, toplevel,
                                     NULL);
    XtAddCallback(button, XmNactivateCallback, (XtCallbackProc) prefs_show, NULL);
    XtRealizeWidget(toplevel);
    prefs_show(toplevel);
    XtAppMainLoop(context);
    return 0;
}
