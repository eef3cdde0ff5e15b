/* After a call's closing parenthesis, the blanks up to the next character
 * are dropped when they stay on the line, and kept when they hold a line
 * break, so a call that ends a macro line does not pull the next line in. */
#include "q5toolkit.h"

void same_line(Q5Object *o, void *w)
{
    Q5Do(o, M, Q5TAG_END);
    Q5SetAttrs(o, Q5T(A, 1), Q5TAG_END);
    XtVaSetValues(w, Q5LT(XmNwidth, 1),(char *) NULL)/* done */;
    if (Q5Do(o, M, Q5TAG_END)== 1)
        return;
    if (Q5Do(o, M, Q5TAG_END)== 1)
        return;
}

void next_line(Q5Object *o)
{
    long x;

    x = Q5Do(o, M, Q5T(A, 1), Q5TAG_END)
        + 1;
    Q5SetAttrs(o, Q5T(A, 1), Q5TAG_END) \
    ;
    Q5SetAttrs(o, Q5T(A, 2), Q5TAG_END)   

    ;
}

#define SHOW(o) Q5Do(o, Q5M_Show, Q5TAG_END)
#define HIDE(o) Q5Do(o, Q5M_Hide, Q5T(A, 1), Q5TAG_END)
#define RESIZE(w, x) XtVaSetValues(w, Q5LT(XmNwidth, x),(char *) NULL)  
int after_macros;
