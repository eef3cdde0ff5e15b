/* Candidates are found by the prefixes "Q5" and "XtVa" alone; a candidate is
 * a call when a table name starts there and, after optional blanks, "("
 * follows it. */
void prefixes(Q5Object *o, void *w, void *ctx, int argc, char **argv)
{
    void *app;
    void *fp;

    /* the lookup at the first Q5 fails and the search goes on three bytes
     * later, past the start of the second */
    Q5Q5Do(x, y);
    Q5xQ5Do(x, y,);
    Q5Q5Q5Do(x, y,);
    /* "XtVa" has four characters, so after a failed lookup there the search
     * does find an "XtVa" that starts right behind it; one that starts
     * inside a failed "Q5" candidate's three bytes is passed over */
    XtVaXtVaSetValues(w, Q5LT(R, 1),(char *) NULL);
    Q5XtVaSetValues(w, R, 1, NULL);
    Q5xXtVaSetValues(w, Q5LT(R, 1),(char *) NULL);
    /* nothing is required before the name */
    MyQ5Do(o, M, Q5T(A, 1), Q5TAG_END);
    MyQ5SetAttrs(o, Q5T(A, 1), Q5TAG_END);
    my_XtVaSetValues(w, Q5LT(R, 1),(char *) NULL);
    /* longer names and other XtVa functions are not table calls */
    app = XtVaAppInitialize(&ctx, "Demo", NULL, 0, &argc, argv, NULL, NULL);
    Q5SetAttrsX(o, A, 1, Q5TAG_END);
    XtVaSetValuesList(w, R, 1, NULL);
    /* a name not followed by a parenthesis is no call */
    fp = Q5SetAttrs;
    fp = Q5SetAttrs ;
    fp = XtVaSetValues, Q5Do;
    /* names are compared case by case */
    q5setattrs(o, A, 1, Q5TAG_END);
    Q5SETATTRS(o, A, 1, Q5TAG_END);
    xtvasetvalues(w, R, 1, NULL);
    /* rows are tried in table order; each needs "(" right after its name */
    Q5Do2(o, a, M, Q5T(A, 1), Q5TAG_END);
    Q5DoSuper(cl, o, M, Q5T(A, 1), Q5TAG_END);
    Q5SendMsg3(o, a, b, M, Q5T(A, 1), Q5TAG_END);
    Q5Inherit2(a, b, c, d, Q5T(A, 1), Q5TAG_END);
    /* several calls on one line */
    Q5SetAttrs(a, Q5T(A, 1), Q5TAG_END); Q5SetAttrs(b, Q5T(B, 2), Q5TAG_END);
    x = Q5Do(a, M, Q5TAG_END)+ Q5Do(b, M, Q5T(A, 1), Q5TAG_END);
}
