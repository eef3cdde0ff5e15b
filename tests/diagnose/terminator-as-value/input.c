void f(void *w, void *o)
{
    XtVaSetValues(w, XmNwidth, 10, XmNheight, NULL);
    Q5SetAttrs(o, Q5A_Width, Q5TAG_END);
    XtVaSetValues(w, XmNuserData, NULL, XmNwidth, 4, NULL);
}
