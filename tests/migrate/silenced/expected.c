/* A comment on a call's first line silences the rules it names there: the
   call is still left as it stands, only not reported. */
#define FG_ARG(c) XmNforeground, (c)

void silenced(void *w)
{
    XtVaSetValues(w, FG_ARG(1), NULL); /* q5upgrade: ignore[q5-macro-pairs] */
    XtVaSetValues(w, /* q5upgrade: ignore[q5-shifted-pairing, q5-macro-pairs] */ 8, 10, NULL);
    XtVaSetValues(w, Q5LT(8, "20c"), (char *)NULL); // q5upgrade: ignore[q5-malformed-pair]

    /* Another rule than the one named, or the next line: still reported. */
    XtVaSetValues(w, FG_ARG(2), NULL); /* q5upgrade: ignore[q5-shifted-pairing] */
    /* q5upgrade: ignore[q5-macro-pairs] */
    XtVaSetValues(w, FG_ARG(3), NULL);
    XtVaSetValues(w, Q5LT(XmNwidth, 10), (char *)NULL); /* q5upgrade: ignore[q5-macro-pairs] */
}
