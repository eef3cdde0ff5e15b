/* XtVaTypedArg takes four arguments after it and XtVaNestedList one: they
   stay between the pairs, unwrapped. */
#include <string.h>

void build(void *parent, void *list)
{
    void *label = XtVaCreateManagedWidget("label", xmLabelWidgetClass, parent,
        XtVaTypedArg, XmNlabelString, XmRString, "Hello, world", strlen("Hello, world") + 1,
        Q5LT(XmNalignment, XmALIGNMENT_BEGINNING),
        (char *)NULL);

    XtVaSetValues(label,
                  Q5LT(XmNmarginWidth, 8),
                  XtVaTypedArg, XmNbackground, XmRString, "red", 4,
                  XtVaNestedList, list,
                  Q5LT(XmNmarginHeight, 2),
                  (char *)NULL, NULL);

    /* Only the group: nothing but the cast to add. */
    XtVaSetValues(label, XtVaTypedArg, XmNforeground, XmRString, "blue", 5, (char *)NULL);

    /* A group that ends the list exactly, with no terminator: nothing to add. */
    XtVaSetValues(label, Q5LT(XmNwidth, 10), XtVaTypedArg, XmNforeground, XmRString, "blue", 5);

    /* Too few arguments for the group: left as it stands. */
    XtVaSetValues(label, XtVaTypedArg, XmNforeground, XmRString, NULL);
    XtVaSetValues(label, XmNwidth, 10, XtVaNestedList);
}
