/* Suppression comments: honoured on the line of the call's name and on the
   line a finding is reported on; reported when misspelt, when naming no
   rule, and when they silenced nothing. */
#define FG_ARG(c) XmNforeground, (c)

void suppressions(void *w, void *obj)
{
    /* On the call's line, and on the finding's line of a longer call. */
    XtVaSetValues(w, FG_ARG(1), NULL); /* q5upgrade: ignore[q5-macro-pairs] */
    XtVaSetValues(w,
                  FG_ARG(2), // q5upgrade: ignore[q5-macro-pairs]
                  NULL);
    /* Neither: the line before the call, or a line of the call that holds no
       finding. */
    /* q5upgrade: ignore[q5-macro-pairs] */
    XtVaSetValues(w, FG_ARG(3),
                  NULL); /* q5upgrade: ignore[q5-macro-pairs] */

    /* Misspelt: silences nothing and says so. */
    XtVaSetValues(w, FG_ARG(4), NULL); /* q5upgrade:ignore[q5-macro-pairs] */
    XtVaSetValues(w, FG_ARG(5), NULL); /* q5upgrade: ignore [q5-macro-pairs] */
    XtVaSetValues(w, FG_ARG(6), NULL); /* q5upgrade: ignore[q5-macro-pairs */
    XtVaSetValues(w, FG_ARG(7), NULL); // q5upgrade : ignore[q5-macro-pairs]
    XtVaSetValues(w, FG_ARG(8), NULL); /* q5upgrade: ignore[q5-macro-pair, q5-macro-pairs] */
    XtVaSetValues(w, FG_ARG(9), NULL); /* q5upgrade: ignore[] */

    /* Stale: the call converts, or another rule is named. */
    XtVaSetValues(w, XmNwidth, 10, NULL); /* q5upgrade: ignore[q5-macro-pairs] */
    XtVaSetValues(w, FG_ARG(10), NULL); /* q5upgrade: ignore[q5-shifted-pairing, q5-macro-pairs] */
    /* Kept on purpose, or itself silenced. */
    XtVaSetValues(w, XmNheight, 2, NULL); /* q5upgrade: ignore[q5-macro-pairs, q5-unused-suppression] */

    /* Not comments, or not meant as suppressions. */
    puts("q5upgrade: ignore[q5-macro-pairs]");
    XtVaSetValues(w, FG_ARG(11), NULL); /* run q5upgrade: it converts */
    /* A call to convert may be silenced too: it still converts. */
    Q5SetAttrs(obj, Q5A_Width, 1, Q5TAG_END); /* q5upgrade: ignore[q5-convertible] */
}
