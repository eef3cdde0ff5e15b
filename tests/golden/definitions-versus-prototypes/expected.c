/* A table name whose parameter list is followed, after blanks, by "{" is a
 * function definition: its head is copied unchanged.  Everything else,
 * prototypes included, is rewritten like a call. */
#include <X11/Intrinsic.h>
#include "q5toolkit.h"

/* prototypes */
extern unsigned long Q5SetAttrs(void *o, Q5T(...);
extern unsigned long Q5Do(Q5Object *obj, unsigned long method, Q5T(...);
extern unsigned long Q5SetAttrs(,);
void *XtVaCreateManagedWidget(char *name, void *widget_class,
                               void *parent, Q5LT(...);
void XtVaGetValues(void *w, Q5LT(...);

/* definitions */
int Q5Inherit(int a) { return Q5Do(a, M, Q5T(A, 1), Q5TAG_END); }

int Q5Inherit2(int a, int b)   {
    return a + b;
}

unsigned long
Q5SetAttrs(void *o, ...)
{
    return 0;
}

unsigned long Q5Do (Q5Object *obj /* the receiver */, unsigned long method,
            ...)
	{
    return Q5DoSuper(cl, obj, method, Q5T(Q5A_Width, 1), Q5TAG_END);
}

unsigned long Q5SendMsg(Q5Object *obj, unsigned long method, ...) \
{
    return 0;
}

/* not definitions: something other than blanks stands before the "{" */
unsigned long Q5SetAttrs(void *o,)/* set */ {
    return 0;
}

unsigned long Q5SetAttrs(obj,)void *obj; {
    return 0;
}
