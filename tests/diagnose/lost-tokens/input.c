/* A comment that stands between two tokens without blanks: removing it
 * joins them, and the code changes without a word. */
void f(void *o, int x)
{
    Q5SetAttrs(o, Q5A_Width, x/**/1, Q5A_Height, -/**/-x, Q5TAG_END);
}
