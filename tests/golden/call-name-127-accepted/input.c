/* The name and the blanks before its parenthesis may take up to 127
 * characters, and are written as they stood. */
void spaced(Q5Object *o)
{
    Q5SetAttrs \
				
                                                                                                             (o, Q5A_Width, 1, Q5TAG_END);
}
