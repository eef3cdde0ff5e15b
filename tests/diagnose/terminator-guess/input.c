void f(void *w, void *tags, int x)
{
    XtVaSetValues(w, RES0, 1, RES1, 2, NULL);
    XtVaSetValues(w, XmNwidth, 5, MY_NULL_RES, 1, NULL);
    Q5TagGet(tags, Q5A_X, &x, MY_Q5TAG_END_MARK, 0);
}
void g(void *o)
{
    Q5SetAttrs(o, Q5A_Width, 1, Q5TAG_END_MARK, Q5A_Height, 2);
}
