/* Character literals get no special treatment inside argument lists: the
 * comma, parentheses or double quote between the single quotes act as they
 * do anywhere else in the list. */
#include "q5toolkit.h"

void separators(Q5Object *o)
{
    /* the quoted comma splits the argument in two */
    Q5SetAttrs(o, A, ',', Q5TAG_END);
    /* the quoted ")" closes the list; the rest of the line is copied */
    Q5SetAttrs(o, A, ')', Q5TAG_END);
    /* the quoted "(" opens a group that runs to the next ")" */
    Q5SetAttrs(o, A, '(', B, ')', Q5TAG_END);
    /* a quoted double quote opens a string literal up to the next one */
    Q5SetAttrs(o, A, '"', B, '"', Q5TAG_END);
    /* plain character literals are just copied */
    Q5SetAttrs(o, Q5A_Char, 'x', Q5A_Fill, ' ', Q5TAG_END);
}
