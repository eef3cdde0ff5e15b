/* Backslashes inside argument lists are kept: character escapes stay as
 * written and multi-line macros keep their line continuations.  A
 * backslash-newline at the start of an argument counts as a leading blank,
 * so the pair macro goes after it. */
#include "q5toolkit.h"

#define SETUP(o) Q5SetAttrs(o, \
    Q5T(A, 1), \
    Q5TAG_END)

#define SET_SIZE(w, wd, ht) \
    XtVaSetValues((w), \
                  Q5LT(XmNwidth, (wd)), \
                  Q5LT(XmNheight, (ht)),(char *) \
                  NULL)

#define MAKE_CLASS(s, n) Q5ClassCreate(s, n, 0, 0, \
    Q5DEFAULTCLASSTAGS, \
    Q5T(Q5A_Name, n), \
    Q5TAG_END)

#define GET_POS(t, x, y) Q5TagGetS(t, \
        Q5ST(Q5A_X, x), \
        Q5ST(Q5A_Y, y), \
        Q5TAG_END)

#define SET_TWO(o) Q5SetAttrs(o, Q5T(A, 1 \
    ), Q5T(B, 2 \
    ), Q5TAG_END)

/* only a backslash directly followed by a line break is a blank: with a
 * space between them the prefix goes in front of the backslash, and the
 * terminator is no longer recognised */
#define SLOPPY(o) Q5SetAttrs(o, Q5T(\ 
    A, 1), Q5T(\ 
    Q5TAG_END)

#define TWO_BREAKS(o) Q5SetAttrs(o, \
\
    Q5T(A, 1), Q5TAG_END)

void escapes(Q5Object *o)
{
    Q5SetAttrs(o, Q5T(Q5A_Separator, '\t'), Q5T(Q5A_Quote, '\''), Q5TAG_END);
    Q5SetAttrs(o, Q5T(Q5A_Newline, '\n'), Q5T(Q5A_Nul, '\0'), Q5TAG_END);
    Q5SetAttrs(o, Q5T(Q5A_Text, "tab\there, \"quoted\" (too)"), Q5TAG_END);
}
