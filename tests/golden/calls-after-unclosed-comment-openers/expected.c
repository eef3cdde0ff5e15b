/* Calls after a comment opener that is never closed, and after a line
 * comment on a last line with no line break, are converted: neither
 * counts as a comment. */
void open_comment(Q5Object *o)
{
    Q5SetAttrs(o, Q5T(Q5A_Width, 1), Q5TAG_END);
    x = 1; /* this comment is never closed: Q5SetAttrs(o, Q5T(Q5A_Width, 2), Q5TAG_END);
    Q5SetAttrs(o, Q5T(Q5A_Width, 3), Q5TAG_END);
}
x = 2; // Q5SetAttrs(o, Q5T(Q5A_Width, 4), Q5TAG_END)