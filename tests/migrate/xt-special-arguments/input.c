/* XtVaTypedArg takes four arguments after it and XtVaNestedList one: they
   stay between the pairs, unwrapped. */
#include <string.h>

void build(void *parent, void *list)
{
    void *label = XtVaCreateManagedWidget("label", xmLabelWidgetClass, parent,
        XtVaTypedArg, XmNlabelString, XmRString, "Hello, world", strlen("Hello, world") + 1,
        XmNalignment, XmALIGNMENT_BEGINNING,
        NULL);

    XtVaSetValues(label,
                  XmNmarginWidth, 8,
                  XtVaTypedArg, XmNbackground, XmRString, "red", 4,
                  XtVaNestedList, list,
                  XmNmarginHeight, 2,
                  NULL, NULL);

    /* Only the group: nothing but the cast to add. */
    XtVaSetValues(label, XtVaTypedArg, XmNforeground, XmRString, "blue", 5, NULL);

    /* A group that ends the list exactly, with no terminator: nothing to add. */
    XtVaSetValues(label, XmNwidth, 10, XtVaTypedArg, XmNforeground, XmRString, "blue", 5);

    /* Too few arguments for the group: left as it stands. */
    XtVaSetValues(label, XtVaTypedArg, XmNforeground, XmRString, NULL);
    XtVaSetValues(label, XmNwidth, 10, XtVaNestedList);
}
