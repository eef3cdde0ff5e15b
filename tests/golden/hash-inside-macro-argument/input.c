/* A "#" in an argument list starts a preprocessor line wherever it stands,
 * also in token pasting or stringizing inside a macro body: the rest of the
 * source line, commas and parentheses included, ends that argument, and the
 * next argument starts with the line break. */
#include "q5toolkit.h"

#define SET_NAMED(o, n) Q5SetAttrs(o, Q5A_##n, 1, \
    Q5TAG_END)

#define SET_TITLE(o, t) Q5SetAttrs(o, Q5A_Title, #t, \
    Q5TAG_END)

/* a hash inside a string literal or a group is only copied */
void literal_hash(Q5Object *o)
{
    Q5SetAttrs(o, Q5A_Title, "#1, (first)", Q5A_Color, rgb("#ff0000"), Q5TAG_END);
}
