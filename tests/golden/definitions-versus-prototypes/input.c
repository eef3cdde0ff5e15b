/* A table name whose parameter list is followed, after blanks, by "{" is a
 * function definition: its head is copied unchanged.  Everything else,
 * prototypes included, is rewritten like a call. */
#include <X11/Intrinsic.h>
#include "q5toolkit.h"

/* prototypes */
extern ULONG Q5SetAttrs(void *o, ...);
extern ULONG Q5Do(Q5Object *obj, ULONG method, ...);
extern ULONG Q5SetAttrs();
Widget XtVaCreateManagedWidget(String name, WidgetClass widget_class,
                               Widget parent, ...);
void XtVaGetValues(Widget w, ...);

/* definitions */
int Q5Inherit(int a) { return Q5Do(a, M, A, 1, Q5TAG_END); }

int Q5Inherit2(int a, int b)   {
    return a + b;
}

ULONG
Q5SetAttrs(void *o, ...)
{
    return 0;
}

ULONG Q5Do (Q5Object *obj /* the receiver */, ULONG method,
            ...)
	{
    return Q5DoSuper(cl, obj, method, Q5A_Width, 1, Q5TAG_END);
}

ULONG Q5SendMsg(Q5Object *obj, ULONG method, ...) \
{
    return 0;
}

/* not definitions: something other than blanks stands before the "{" */
ULONG Q5SetAttrs(void *o) /* set */ {
    return 0;
}

ULONG Q5SetAttrs(obj) void *obj; {
    return 0;
}
