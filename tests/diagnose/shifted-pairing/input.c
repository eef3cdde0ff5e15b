#define LABEL_ARG(s) XmNlabelString, XmStringCreateLocalized(s)

void f(void *w, void *o)
{
    XtVaSetValues(w, XmNwidth, XmNheight, 5, NULL);
    XtVaSetValues(w, LABEL_ARG("Open"), XmNwidth, 4, NULL);
    Q5SetAttrs(o, Q5A_Width, 1, 42, Q5A_Height, Q5TAG_END);
    /* Valid: none of these is a hint. */
    XtVaSetValues(w, XmNorientation, XmNO_ORIENTATION, XmNuserData, NULL,
                  XmNlabelString, XmStringCreateLocalized("a, (b)"), NULL);
}
