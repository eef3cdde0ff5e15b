/* One q5-convertible finding per call the conversion changes, at its name;
   calls left as they stand and calls in pair form have none. */
#define PAIR(r, v) r, v

void calls(void *w, void *obj, void *tags, int *width)
{
    Q5SetAttrs(obj, Q5A_Width, 100, Q5A_Height, 50, Q5TAG_END);
    XtVaSetValues(w,
                  XmNwidth, 10,
                  XmNheight, 20,
                  NULL);
    Q5TagGet(tags, Q5A_Width, width, Q5TAG_END);
    Q5Do(obj, Q5M_Show, Q5TAG_END);
    /* Nested: each call its own finding. */
    XtVaSetValues(w, XmNuserData, Q5New(Q5C_Thing, Q5A_Width, 3, Q5TAG_END), NULL);
    /* A name split by a line splice is named as the compiler reads it. */
    XtVaSet\
Values(w, XmNwidth, 10, NULL);
    /* Left, or already converted. */
    XtVaSetValues(w, PAIR(XmNx, 1), NULL);
    XtVaSetValues(w, Q5LT(XmNwidth, 10), (char *)NULL);
}
