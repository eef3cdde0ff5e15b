/* Calls in pair form already (by an earlier run, the classic forms or by
   hand): right ones are silent, plainly wrong ones are reported. */
#define LABEL_PAIR(s) XmNlabelString, (s)

void converted(void *w, void *obj, void **tags)
{
    XtVaSetValues(w, Q5LT(XmNwidth, 100), Q5LT(XmNheight, 20), (char *) NULL);
    XtVaSetValues(w, XtVaTypedArg, XmNlabelString, XmRString, "x", 2, Q5LT(XmNwidth, 1), (char *)NULL);
    Q5SetAttrs(obj, Q5T(Q5A_Width, 10), Q5TAG_END);
    Q5TagGetS(tags, Q5ST(Q5A_Width, &w), Q5TAG_END);

    /* What a shifted pairing left behind. */
    XtVaSetValues(w, Q5LT(XtVaTypedArg, XmNlabelString), Q5LT(XmRString, "x"), Q5LT(2, XmNwidth),
                  (char *)1);
    XtVaSetValues(w, Q5LT(XmNwidth, 10), Q5LT(8, "20c 10c"), (char *)NULL);
    XtVaSetValues(w, Q5LT(XmNwidth, 10), (char *)NULL, XmNheight, 5);
    XtVaSetValues(w, Q5LT(LABEL_PAIR("x"), 1), (char *)NULL);
    XtVaSetValues(w, Q5LT(XmNwidth), (char *)NULL);
    Q5SetAttrs(obj, Q5T(Q5A_Width, Q5TAG_END));
    Q5SetAttrs(obj, Q5T("title", 1), Q5TAG_END);
    /* Only parentheses keep a comma in a macro's argument; digraphs are
       the brackets they spell. */
    Q5SetAttrs(obj, Q5T(Q5A_Width, (int[]){1, 2}), Q5T(Q5A_Left, a[1, 2]), Q5TAG_END);
    Q5SetAttrs(obj, Q5T(Q5A_Width, (int[])<%1, 2%>), Q5T(<%0%>, 1), Q5TAG_END);
}
