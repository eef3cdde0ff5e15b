/*
 * dialog.c - the "Page Setup" dialog of a small Motif drawing program.
 *
 * The dialog is a Motif form with a title label, a width field and an OK
 * button.  Its settings live in a toolkit object: Q5SetAttrs( stores them,
 * Q5GetAttrs reads them back and Q5Do sends the object a method.
 */
#include <stdio.h>
#include <Xm/Xm.h>
#include <Xm/Form.h>
#include <Xm/Label.h>
#include <Xm/PushB.h>
#include <Xm/TextF.h>

#include "q5toolkit.h"
#include "pagesetup.h"

/* Resets every field of a settings object to its factory value. */
#define RESET_SETTINGS(obj) \
    Q5SetAttrs((obj), \
        PS_Width, 210, \
        PS_Height, 297, \
        PS_Landscape, FALSE, \
        Q5TAG_END)

static void *form, *title_label, *width_field, *ok_button;

static void ok_pressed(void *w, void *client_data, void *call_data);

void *create_page_dialog(void *parent, Q5Object *settings)
{
    void *title = XmStringCreateLocalized("Page Setup");

    form = XtVaCreateManagedWidget("pageForm", xmFormWidgetClass, parent,
                                   XmNfractionBase, 4,
                                   XmNmarginWidth, 8,   /* pixels */
                                   XmNmarginHeight, 8,
                                   NULL);

    title_label = XtVaCreateManagedWidget("title", xmLabelWidgetClass, form,
                                          XmNlabelString, title,
                                          XmNtopAttachment, XmATTACH_FORM,
                                          XmNleftAttachment, XmATTACH_FORM,
                                          XmNrightAttachment, XmATTACH_FORM,
                                          NULL);
    XmStringFree(title);

    width_field = XtVaCreateManagedWidget("width", xmTextFieldWidgetClass, form,
                                          XmNcolumns, 6,
                                          XmNtopAttachment, XmATTACH_WIDGET,
                                          XmNtopWidget, title_label,
                                          NULL);

    ok_button = XtVaCreateManagedWidget("ok", xmPushButtonWidgetClass, form,
                                        XmNtopAttachment, XmATTACH_WIDGET,
                                        XmNtopWidget, width_field,
                                        XmNshowAsDefault, True,
                                        NULL);
    XtAddCallback(ok_button, XmNactivateCallback, ok_pressed, (void *) settings);
    XtVaSetValues(form, XmNdefaultButton, ok_button, NULL);

    return form;
}

void show_page_settings(Q5Object *settings)
{
    long width, height;
    int landscape = 0;
    char *paper = NULL;

    Q5GetAttrs(settings,
               PS_Width, &width,
               PS_Height, &height,
#ifdef HAVE_PAPER_NAMES
               PS_PaperName, &paper,
#endif
               PS_Landscape, &landscape,
               Q5TAG_END);

    printf("Page %ldx%ld mm%s\n", width, height, landscape ? " (landscape)" : "");
    if (paper != NULL)
        printf("Paper: %s\n", paper);
}

/* Reads the width field back into the settings object. */
static void ok_pressed(void *w, void *client_data, void *call_data)
{
    Q5Object *settings = (Q5Object *) client_data;
    char *text = NULL;
    long width;

    XtVaGetValues(width_field, XmNvalue, &text, NULL);
    if (text == NULL || sscanf(text, "%ld", &width) != 1) {
        fprintf(stderr, "pagesetup: bad width, Q5SetAttrs(settings, ...) skipped\n");
        XtFree(text);
        return;
    }
    XtFree(text);

    Q5SetAttrs(settings, PS_Width, width, Q5TAG_END);
    Q5Do(settings, PSM_Apply, PS_Notify, TRUE, Q5TAG_END);
    XtUnmanageChild(XtParent(w));
}

/* Applies the attributes of a tag list, such as one read from a file. */
void apply_page_tags(Q5Object *settings, Q5TagItem *tags)
{
    long width = 210, height = 297;

    Q5TagGet(tags,
             PS_Width, &width,
             PS_Height, &height,
             Q5TAG_END);

    if (width <= 0 || height <= 0) {
        RESET_SETTINGS(settings);
        return;
    }
    Q5SetAttrs(settings, PS_Width, width, PS_Height, height, Q5TAG_END);
}
