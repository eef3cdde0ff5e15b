/* Spaces, tabs, line breaks and backslashes may stand between a call's name
 * and its "("; the name is written back with them as it stood. */
#include "q5toolkit.h"

void spaced_names(Q5Object *obj, void *w, Q5Tag *tags)
{
    long x;

    Q5SetAttrs (obj, Q5T(Q5A_Width, 1), Q5TAG_END);
    Q5SetAttrs	(obj, Q5T(Q5A_Width, 2), Q5TAG_END);
    Q5SetAttrs
        (obj, Q5T(Q5A_Width, 3), Q5TAG_END);
    Q5SetAttrs\
(obj, Q5T(Q5A_Width, 4), Q5TAG_END);
    Q5SetAttrs \ \	(obj, Q5T(Q5A_Width, 5), Q5TAG_END);
    XtVaSetValues (w, Q5LT(XmNwidth, 6),(char *) NULL);
    XtVaSetValues \
        (w, Q5LT(XmNwidth, 7),(char *) NULL);
    /* the renamed call gets its new name without the blanks */
    Q5TagGetS(tags, Q5ST(Q5A_X, &x), Q5TAG_END);
    /* anything else between name and parenthesis: no call */
    Q5SetAttrs /* comment */ (obj, Q5A_Width, 8, Q5TAG_END);
    Q5SetAttrs
    ;
}

#define SHOW(o) Q5Do \
    (o, Q5M_Show, Q5T(Q5A_Delay, 1), Q5TAG_END)

int Q5Inherit (int a)
{
    return a;
}
