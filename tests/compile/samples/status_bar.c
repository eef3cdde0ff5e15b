/*
 * status_bar.c - the status bar of a terminal emulator's Motif front end.
 * This file came from a Windows checkout and keeps its CRLF line ends.
 */
#include <stdio.h>
#include <string.h>
#include <time.h>
#include <X11/Intrinsic.h>
#include <X11/StringDefs.h>
#include <Xm/Xm.h>
#include <Xm/Form.h>
#include <Xm/Label.h>
#include <Xm/Frame.h>
#include <Xm/ArrowB.h>

#define STATUS_FIELDS 3

enum { FIELD_MESSAGE, FIELD_SIZE, FIELD_CLOCK };

static Widget status_form;
static Widget fields[STATUS_FIELDS];
static XtIntervalId clock_timer;

static void set_field(int which, const char *text)
{
    XtVaSetValues(fields[which],
                  XtVaTypedArg, XmNlabelString, XmRString,
                                text, strlen(text) + 1,
                  (char *) NULL);
}

static void tick(XtPointer client, XtIntervalId *id)
{
    char buf[16];
    time_t now = time(NULL);

    (void) id;
    strftime(buf, sizeof buf, "%H:%M", localtime(&now));
    set_field(FIELD_CLOCK, buf);
    clock_timer = XtAppAddTimeOut((XtAppContext) client, 30000, tick, client);
}

void status_show_size(int columns, int rows)
{
    char buf[32];

    snprintf(buf, sizeof buf, "%dx%d", columns, rows);
    set_field(FIELD_SIZE, buf);
}

static Widget make_field(const char *name, Widget right_of, int width)
{
    Widget frame = XtVaCreateManagedWidget(name, xmFrameWidgetClass, status_form,
                                           XmNshadowType, XmSHADOW_IN,
                                           XmNtopAttachment, XmATTACH_FORM,
                                           XmNbottomAttachment, XmATTACH_FORM,
#if XmVERSION >= 2
                                           XmNshadowThickness, 1,
#else
                                           XmNshadowThickness, 2,
#endif
                                           XmNleftAttachment, right_of ? XmATTACH_WIDGET : XmATTACH_FORM,
                                           XmNleftWidget, right_of,
                                           (char *) NULL);

    return XtVaCreateManagedWidget("text", xmLabelWidgetClass, frame,
                                   XmNalignment, XmALIGNMENT_BEGINNING,
                                   XmNwidth, width,
                                   XmNrecomputeSize, False,
                                   XtVaTypedArg, XmNfontList, XmRString,
                                                 "fixed", sizeof "fixed",
                                   (char *) NULL);
}

Widget status_create(Widget parent, XtAppContext context)
{
    Widget more;

    status_form = XtVaCreateWidget("status", xmFormWidgetClass, parent,
                                   XmNfractionBase, 100,
#ifdef STATUS_TALL
                                   XmNheight, 32,
#endif
                                   (char *) NULL);
    fields[FIELD_MESSAGE] = make_field("message", NULL, 300);
    fields[FIELD_SIZE] = make_field("size", XtParent(fields[FIELD_MESSAGE]), 70);
    fields[FIELD_CLOCK] = make_field("clock", XtParent(fields[FIELD_SIZE]), 50);
    more = XtVaCreateManagedWidget("more", xmArrowButtonWidgetClass, status_form,
                                   XmNarrowDirection, XmARROW_UP,
                                   XmNleftAttachment, XmATTACH_WIDGET,
                                   XmNleftWidget, XtParent(fields[FIELD_CLOCK]),
                                   XmNrightAttachment, XmATTACH_FORM,
                                   (char *) NULL);
    (void) more;
    XtManageChild(status_form);
    set_field(FIELD_MESSAGE, "Ready");
    tick((XtPointer) context, NULL);
    return status_form;
}

void status_message(const char *text, Boolean urgent)
{
    set_field(FIELD_MESSAGE, text);
    XtVaSetValues(fields[FIELD_MESSAGE],
#if defined(STATUS_COLOURS)
                  XtVaTypedArg, XmNforeground, XmRString,
                  urgent ? "red" : "black", urgent ? 4 : 6,
#else
                  XmNshadowThickness, urgent ? 2 : 0,
#endif
                  (char *) NULL);
}

void status_destroy(void)
{
    XtRemoveTimeOut(clock_timer);
    XtDestroyWidget(status_form);
}

int main(int argc, char **argv)
{
    XtAppContext context;
    Widget toplevel, form;

    toplevel = XtVaAppInitialize(&context, "XTermFront", NULL, 0, &argc, argv, NULL,
                                 XmNtitle, "status bar test",
                                 XmNallowShellResize, True,
                                 (char *) NULL);
    form = XtVaCreateManagedWidget("form", xmFormWidgetClass, toplevel, (char *) NULL);
    status_create(form, context);
    status_show_size(80, 24);
    status_message("Connected", False);
    XtRealizeWidget(toplevel);
    XtAppMainLoop(context);
    return 0;
}
