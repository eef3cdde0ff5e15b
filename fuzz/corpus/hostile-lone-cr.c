void hostile_tail_914(Widget w, Q5Object *obj)
{
    // a note    XtVaSetValues(w, XmNwidth, 1, NULL);    XtVa\SetValues(w, XmNheight, 2, NULL);
    // no call here \    Q5SetAttrs(obj, Q5A_Width, 1, Q5TAG_END);
}
