/*
 * xkeypad - a desk calculator with a Motif keypad.
 *
 * The display is a right-aligned label; the keys are push buttons in a
 * row-column laid out as a grid.  Labels come from C strings through
 * Xt's resource converter (the typed arguments below).
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <X11/Intrinsic.h>
#include <X11/StringDefs.h>
#include <Xm/Xm.h>
#include <Xm/Form.h>
#include <Xm/RowColumn.h>
#include <Xm/PushB.h>
#include <Xm/Label.h>
#include <Xm/Frame.h>
#include "ui_args.h"

#define KEY_COLUMNS 4
#define DISPLAY_DIGITS 14

static const char *const key_labels[] = {
    "7", "8", "9", "/",
    "4", "5", "6", "*",
    "1", "2", "3", "-",
    "0", ".", "=", "+",
};

static Widget display;
static double accumulator, operand;
static char pending_op = 0;
static char entry[DISPLAY_DIGITS + 2];

static void show_entry(void)
{
    XtVaSetValues(display,
                  XtVaTypedArg, XmNlabelString, XmRString, entry, strlen(entry) + 1,
                  NULL);
}

static void apply_pending(void)
{
    operand = atof(entry);
    switch (pending_op) {
    case '+': accumulator += operand; break;
    case '-': accumulator -= operand; break;
    case '*': accumulator *= operand; break;
    case '/': accumulator = operand != 0.0 ? accumulator / operand : 0.0; break;
    default:  accumulator = operand; break;
    }
    snprintf(entry, sizeof entry, "%.10g", accumulator);
}

static void key_pressed(Widget w, XtPointer client, XtPointer call)
{
    const char *key = (const char *) client;
    size_t len = strlen(entry);

    (void) w;
    (void) call;
    if ((key[0] >= '0' && key[0] <= '9') || key[0] == '.') {
        if (len < DISPLAY_DIGITS) {
            entry[len] = key[0];
            entry[len + 1] = '\0';
        }
    } else {
        apply_pending();
        pending_op = key[0] == '=' ? 0 : key[0];
        show_entry();
        entry[0] = '\0';
        return;
    }
    show_entry();
}

static Widget make_display(Widget form)
{
    Widget frame;

    frame = XtVaCreateManagedWidget("displayFrame", xmFrameWidgetClass, form,
                                    XmNtopAttachment, XmATTACH_FORM,
                                    XmNleftAttachment, XmATTACH_FORM,
                                    XmNrightAttachment, XmATTACH_FORM,
                                    XmNshadowType, XmSHADOW_IN,
                                    NULL);
    return XtVaCreateManagedWidget("display", xmLabelWidgetClass, frame,
                                   XmNalignment, XmALIGNMENT_END,
                                   LABEL_ARG("0"),
                                   XmNrecomputeSize, False,
                                   STRING_ARG(XmNbackground, "white"),
                                   NULL);
}

static Widget make_keypad(Widget form, Widget above)
{
    Widget pad, key;
    size_t i;

    pad = XtVaCreateWidget("keypad", xmRowColumnWidgetClass, form,
                           XmNpacking, XmPACK_COLUMN,
                           XmNnumColumns, KEY_COLUMNS,
                           XmNorientation, XmHORIZONTAL,
                           XmNtopAttachment, XmATTACH_WIDGET,
                           XmNtopWidget, above,
                           XmNleftAttachment, XmATTACH_FORM,
                           XmNrightAttachment, XmATTACH_FORM,
                           XmNbottomAttachment, XmATTACH_FORM,
                           MARGINS,
                           NULL);
    for (i = 0; i < sizeof key_labels / sizeof key_labels[0]; i++) {
        key = XtVaCreateManagedWidget(key_labels[i], xmPushButtonWidgetClass, pad,
                                      LABEL_ARG(key_labels[i]),
#ifdef KEYPAD_BIG_KEYS
                                      XmNmarginHeight, 8,
#endif
                                      XmNshowAsDefault, key_labels[i][0] == '=' ? 1 : 0,
                                      NULL, NULL);
        XtAddCallback(key, XmNactivateCallback, key_pressed, (XtPointer) key_labels[i]);
        if (strchr("+-*/=", key_labels[i][0]) != NULL)
            XtVaSetValues(key,
                          STRING_ARG(XmNforeground, "dark red"),
                          NULL);
    }
    XtManageChild(pad);
    return pad;
}

int main(int argc, char **argv)
{
    XtAppContext context;
    Widget toplevel, form;
    Dimension width = 0, height = 0;

    toplevel = XtVaAppInitialize(&context, "XKeypad", NULL, 0, &argc, argv, NULL,
                                 XmNtitle, "Keypad",
                                 NULL);
    form = XtVaCreateManagedWidget("form", xmFormWidgetClass, toplevel,
                                   XmNfractionBase, 10,
                                   NULL);
    display = make_display(form);
    make_keypad(form, XtParent(display));
    entry[0] = '\0';

    XtRealizeWidget(toplevel);
    XtVaGetValues(toplevel,
                  XmNwidth, &width,
                  XmNheight, &height,
                  NULL);
    /* never smaller than the keys need */
    XtVaSetValues(toplevel, XmNminWidth, width, XmNminHeight, height, NULL);
    XtAppMainLoop(context);
    return 0;
}
