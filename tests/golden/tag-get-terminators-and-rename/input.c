/* Q5TagGet is renamed Q5TagGetS; its pairs become Q5ST( tag, address ) and
 * its terminator is found anywhere in a tag-position argument. */

long read_tags(Q5Tag *tags)
{
    long x, y, left, top;
    int n;

    Q5TagGet(tags, Q5A_X, &x, Q5TAG_END);
    Q5TagGet(tags, Q5A_X, &x, Q5A_Y, &y, Q5RA_Done);
    /* the name is replaced whole: blanks before its parenthesis go */
    Q5TagGet (tags, Q5A_X, &x, Q5TAG_END);
    Q5TagGet
        (tags, Q5A_X, &x, Q5TAG_END);
    /* terminators found inside an argument */
    Q5TagGet(tags, Q5A_X, &x, (Q5Tag) Q5TAG_END);
    Q5TagGet(tags, Q5A_X, &x, MY_Q5RA_Done_TAG, junk);
    /* what follows the terminator is dropped */
    Q5TagGet(tags, Q5A_X, &x, Q5TAG_END, Q5A_Y, &y);
    /* no terminator */
    Q5TagGet(tags, Q5A_X, &x);
    Q5TagGet(tags, Q5A_X);
    /* a terminator in value position is a value */
    Q5TagGet(tags, Q5A_X, Q5TAG_END);
    /* no class-tag marker and no Xt terminators here */
    Q5TagGet(tags, Q5DEFAULTCLASSTAGS, &x, Q5TAG_END);
    Q5TagGet(tags, NULL, &x, 0);
    /* already renamed calls are no table calls and stay as they are */
    Q5TagGetS(tags, Q5ST(Q5A_X, &x), Q5TAG_END);
    /* preprocessor lines in tag position */
    n = Q5TagGet(tags,
                 Q5A_Left, &left,
#ifdef HAS_TOP
                 Q5A_Top, &top,
#endif
                 Q5TAG_END);
    return x + y + left + top + n;
}
