/* Output of an earlier run that holds no toolkit pair macro is not refused.
 * Its Xt calls are converted again, which the earlier cast and pair macros
 * do not survive intact, and its Q5TagGetS calls are no table calls. */
#include <X11/Intrinsic.h>

void again(void *w, Q5Tag *tags, unsigned short wd)
{
    long x;

    XtVaSetValues(w, Q5LT(XmNwidth, wd),(char *) NULL);
    XtVaSetValues(w, Q5LT(XmNwidth, 100),(char *) NULL);
    XtVaGetValues(w,(char *) NULL);
    Q5TagGetS(tags, Q5ST(Q5A_X, &x), Q5TAG_END);
}
