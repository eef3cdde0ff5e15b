void f(Widget w, Q5Object *obj)
{
    // note ??/
    XtVaSetValues(w, XmNwidth, 10, XmNlabelString, "a??/", XmNuserData, "??)", NULL);
}
