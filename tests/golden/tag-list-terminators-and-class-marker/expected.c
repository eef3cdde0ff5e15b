/* Toolkit tag lists: the terminator and the class-tag marker are known by
 * their first characters after the argument's leading blanks. */

void terminators(Q5Object *o)
{
    Q5SetAttrs(o, Q5T(A, 1), Q5TAG_END);
    Q5SetAttrs(o, Q5T(A, 1), Q5RA_Done);
    Q5SetAttrs(o, Q5T(A, 1), Q5TAG_ENDX);
    Q5SetAttrs(o, Q5T(A, 1), Q5RA_Done_WITH_SUFFIX);
    Q5SetAttrs(o, Q5T(A, 1),
               Q5TAG_END);
    Q5SetAttrs(o, Q5T(A, 1),	Q5TAG_END);
    Q5SetAttrs(o, Q5T(A, 1),
	 	Q5RA_Done);
}

void not_terminators(Q5Object *o)
{
    /* only the start of the argument counts */
    Q5SetAttrs(o, Q5T(A, 1), Q5T((Q5Tag) Q5TAG_END);
    Q5SetAttrs(o, Q5T(A, 1), Q5T(MY_Q5TAG_END);
    /* case matters */
    Q5SetAttrs(o, Q5T(A, 1), Q5T(q5tag_end);
    /* a different tag that merely starts alike */
    Q5SetAttrs(o, Q5T(A, 1), Q5T(Q5TAG_MORE, more));
    /* in value position the terminator is an ordinary value */
    Q5SetAttrs(o, Q5T(A, Q5TAG_END), Q5T(B, 1), Q5TAG_END);
    /* among the fixed arguments it is copied like any of them */
    Q5Do(Q5TAG_END, M, Q5T(A, 1), Q5TAG_END);
}

void dropped_after_terminator(Q5Object *o)
{
    Q5SetAttrs(o, Q5T(A, 1), Q5TAG_END);
    Q5SetAttrs(o, Q5TAG_END);
    Q5SetAttrs(o, Q5T(A, 1), Q5RA_Done);
}

void *make_class(void *super, char *name, long size, unsigned long flags)
{
    void *n;

    n = Q5ClassCreate(super, name, size, flags, Q5DEFAULTCLASSTAGS, Q5T(Q5A_Name, "x"), Q5TAG_END);
    n = Q5ClassCreate(super, name, size, flags,
                      Q5DEFAULTCLASSTAGS,
                      Q5T(Q5A_Name, "x"),
                      Q5TAG_END);
    /* two markers in a row, each followed by its own comma */
    n = Q5ClassCreate(super, name, size, flags, Q5DEFAULTCLASSTAGS, Q5DEFAULTCLASSTAGS, Q5T(A, 1), Q5TAG_END);
    /* the marker test is a prefix test too */
    n = Q5ClassCreate(super, name, size, flags, Q5DEFAULTCLASSTAGSX, Q5T(A, 1), Q5TAG_END);
    /* marker last: its comma is still written */
    n = Q5ClassCreate(super, name, size, flags, Q5DEFAULTCLASSTAGS,);
    /* marker then terminator: nothing to wrap */
    n = Q5ClassCreate(super, name, size, flags, Q5DEFAULTCLASSTAGS, Q5TAG_END);
    /* marker among the fixed arguments */
    n = Q5ClassCreate(super, name, size, Q5DEFAULTCLASSTAGS, Q5T(A, 1), Q5TAG_END);
    /* marker in value position is a value */
    Q5SetAttrs(n, Q5T(A, Q5DEFAULTCLASSTAGS), Q5T(B, 1), Q5TAG_END);
    /* marker not at the start after blanks */
    Q5SetAttrs(n, Q5T((Q5DEFAULTCLASSTAGS), 1), Q5TAG_END);
    return n;
}

void directive_words_anywhere(Q5Object *o)
{
    /* a directive word anywhere in a tag-position argument, even inside a
     * string literal, makes it a directive argument: no wrapping, no comma */
    Q5SetAttrs(o, "#if" Q5T(1, Q5TAG_END));
    Q5SetAttrs(o, Q5T(A, 1), "see #endif" Q5T(2, 3), Q5TAG_END);
}
