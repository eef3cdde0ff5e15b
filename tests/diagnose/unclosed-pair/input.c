void f(void *o, void *w)
{
    Q5SetAttrs(o, Q5A_Width, 1, Q5A_Height);
    XtVaSetValues(w, XmNwidth);
}
