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

/* A call nested in one that is left stays as it is too; one argument after
   the terminator is dropped, so the call is left. */
void nested(void *w, void *obj, void *cls)
{
    XtVaSetValues(w, XmNwidth, XmNheight, Q5New(cls, Q5A_Width, 1, Q5TAG_END), NULL);
    Q5SetAttrs(obj, Q5A_Width, 1, Q5TAG_END, 5);
}

/* A repeated terminator loses nothing, and NULL is a value in the middle of
   an Xt list: converted. */
void fine(void *w)
{
    XtVaSetValues(w, XmNwidth, 10, NULL, NULL);
    XtVaSetValues(w, XmNuserData, NULL, XmNwidth, 10, NULL);
}
