/* Calls inside comments and string literals are copied as they are.  The
 * tests for that are approximate: literals are judged by counting the
 * double quotes on the line before the name, and only the first comment
 * opener after the point the scan has reached is looked at. */
#include <stdio.h>

void in_comments(Q5Object *o, void *w)
{
    /* Q5SetAttrs(o, A, 1, Q5TAG_END); */
    /*
     * XtVaSetValues(w, XmNwidth, 1, NULL);
     * Q5SetAttrs(o, A, 1, Q5TAG_END);
     */
    // Q5SetAttrs(o, A, 1, Q5TAG_END);
    x = 1; // XtVaSetValues(w, XmNwidth, 1, NULL);
    // a line comment naming Q5SetAttrs, then a real call on the next line
    Q5SetAttrs(o, Q5T(A, 1), Q5TAG_END);
}

void in_literals(Q5Object *o)
{
    puts("Q5SetAttrs(o, A, 1, Q5TAG_END)");
    printf("say \"Q5SetAttrs(\" now");
    printf("call XtVaSetValues(w, R, 1, NULL) here\n");
    printf("%s", "a"); Q5SetAttrs(o, Q5T(A, 2), Q5TAG_END);
    puts("two \"quoted\" words"), Q5Do(o, M, Q5T(A, 3), Q5TAG_END);
    /* only the quotes on the candidate's own line are counted: a literal
     * continued onto the next line does not hide a call there */
    puts("continued \
Q5SetAttrs(o, Q5T(A, 4), Q5TAG_END)");
}

void odd_quotes(Q5Object *o, int c)
{
    /* a quote written as a character literal looks like an open string:
     * the scan goes on after the next double quote, wherever it is */
    if (c == '"') Q5SetAttrs(o, A, 1, Q5TAG_END);
    Q5SetAttrs(o, B, 2, Q5TAG_END);
    puts("the scan resumes inside this literal");
    Q5SetAttrs(o, Q5T(C, 3), Q5TAG_END);
    /* a literal ending in an escaped backslash ends at its last quote */
    puts("C:\\"); Q5SetAttrs(o, Q5T(D, 4), Q5TAG_END);
    puts("resumes here");
    Q5SetAttrs(o, Q5T(E, 5), Q5TAG_END);
}

void slashes_in_literal(Q5Object *o)
{
    puts("http://example.org"); Q5SetAttrs(o, A, 1, Q5TAG_END);
    Q5SetAttrs(o, Q5T(A, 2), Q5TAG_END);
}

void slashes_in_block_comment(Q5Object *o)
{
    /* a//b */ Q5SetAttrs(o, A, 1, Q5TAG_END);
    Q5SetAttrs(o, Q5T(A, 2), Q5TAG_END);
}

void second_comment(Q5Object *o)
{
    /* one */ /* Q5SetAttrs(o, Q5T(A, 1), Q5TAG_END)*/
    /* first comment */
    x = 2;
    /* Q5SetAttrs(o, Q5T(A, 2), Q5TAG_END); */
    // first line comment
    // Q5SetAttrs(o, Q5T(A, 3), Q5TAG_END);
    x = 3;
}
