/* Unusual shapes of tag lists: what each one turns into shows how the
 * pairing walks the arguments after the fixed ones. */

/* no pairs: only fixed arguments and the terminator */
void no_pairs(Q5Object *obj)
{
    Q5Do(obj, Q5M_Show, Q5TAG_END);
    Q5SetAttrs(obj, Q5TAG_END);
}

/* exactly the fixed arguments: a comma before the closing parenthesis */
void only_fixed(Q5Object *obj)
{
    Q5Do(obj, M,);
    Q5SetAttrs(obj,);
    Q5DoSuper3(cl, obj, M, a, b,);
}

/* a tag without a value before the terminator */
void tag_before_end(Q5Object *o)
{
    Q5SetAttrs(o, Q5T(A, Q5TAG_END));
}

/* odd number of list arguments and no terminator */
void odd_list(Q5Object *o)
{
    Q5SetAttrs(o, Q5T(A, 1), Q5T(B);
    Q5SetAttrs(o, Q5T(A);
    Q5SetAttrs(o, Q5T(A, 1));
}

/* the class-tag marker as the last argument still gets its comma */
void marker_last(void)
{
    Q5ClassCreate(a, b, c, d, Q5DEFAULTCLASSTAGS,);
}

/* an empty argument in tag position counts as a tag but writes nothing;
 * one made only of blanks gets the prefix after its blanks */
void empty_tag(Q5Object *o)
{
    Q5SetAttrs(o,, 5), Q5TAG_END);
    Q5SetAttrs(o, Q5T(A, 1), Q5T(, 2), Q5TAG_END);
}

/* #elif holds none of the directive words and is wrapped like a tag */
void elif_line(Q5Object *o)
{
    Q5SetAttrs(o,
#if A

        Q5T(X, 1),
Q5T(#elif B
,
        Y), Q5T(2,
#endif
),
        Q5TAG_END);
}

/* "# if" with a blank after the hash is not a directive argument either */
void spaced_hash(Q5Object *o)
{
    Q5SetAttrs(o,
Q5T(# if A
,
        X), Q5T(1,
# endif
),
        Q5TAG_END);
}

/* a #ifndef line in tag position stays in place, pairing is unchanged */
void ifndef_line(Q5Object *o)
{
    Q5SetAttrs(o,
#ifndef NO_WIDTH

        Q5T(Q5A_Width, 10),
#endif /* NO_WIDTH */

        Q5T(Q5A_Height, 20),
        Q5TAG_END);
}

/* comments inside the list are removed, the blanks around them stay */
void comments_in_list(Q5Tag *tags, Q5Object *o)
{
    long x, y;
    Q5TagGetS(tags, Q5ST(Q5A_X, &x),  Q5ST(Q5A_Y, &y), Q5TAG_END);
    Q5SetAttrs(o, 
        Q5T(Q5A_Left,  4),
        Q5T(Q5A_Top, 5 ), Q5TAG_END);
    Q5SetAttrs(o,Q5T(Q5A_Left, 6), Q5TAG_END);
}

/* arguments after the terminator are dropped */
void after_end(Q5Object *o)
{
    Q5SetAttrs(o, Q5T(A, 1), Q5TAG_END);
}
