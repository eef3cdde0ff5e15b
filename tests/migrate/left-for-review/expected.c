/* Calls whose pairing is not certain are left byte for byte, each with the
   reason. */

void review(void *w, void *obj)
{
    XtVaSetValues(w, XmNwidth, XmNheight, 10, NULL);
    Q5SetAttrs(obj, "width", 10, Q5TAG_END);
    XtVaSetValues(w, 100, XmNwidth, NULL);
    XtVaSetValues(w, XmNwidth, 10, XmNheight);
    XtVaSetValues(w, XmNwidth, NULL);
    XtVaSetValues(w, XmNwidth, 10, NULL, XmNheight, 20, NULL);
    XtVaSetValues(w, XmNwidth, 10, , NULL);
    Q5SetAttrs(obj, Q5A_Width, Q5TAG_END);
    Q5SetAttrs(obj, Q5A_Width, 1, Q5TAG_END, Q5A_Height, 2);
    XtVaSetValues(w, XmNwidth, 10;
    Q5SetAttrs(obj, Q5A_Sep, ', Q5TAG_END);
    XtVaSetValues(w, XmNwidth, size[1), NULL);
    return;
}

/* A repeated terminator loses nothing: converted. */
void fine(void *w)
{
    XtVaSetValues(w, Q5LT(XmNwidth, 10), (char *)NULL, NULL);
}
