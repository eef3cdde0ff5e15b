void f(void *w, void *list)
{
    XtVaSetValues(w,
                  XtVaTypedArg, XmNbackground, XmRString, "red", 4,
                  NULL);
    XtVaSetValues(w, XtVaNestedList, list, NULL);
}
