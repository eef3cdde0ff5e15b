/* A text that holds the toolkit pair macro anywhere, here only in this
 * comment: Q5T(Q5A_Width, 1), is taken as converted already and refused
 * before any output file is made. */
void old(Q5Object *o)
{
    Q5SetAttrs(o, Q5A_Width, 1, Q5TAG_END);
}
