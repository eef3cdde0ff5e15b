void f(Widget w, Q5Object *obj)
{
    XtVaSetValues(w, XmNwidth, 10, /\
* XmNheight, 5, NULL) *\	
/ XmNx, v, NULL);
}
