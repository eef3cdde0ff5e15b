/* The conversion examples: each call in the old varargs form, one per
 * paragraph, as they appear in a typical window setup routine. */
#include "q5toolkit.h"

static void setup(Q5Object *obj, Q5Object *a, Q5Object *b, Q5Object *c, Q5Object *d,
                  void *w, Q5Tag *tags, Q5Object *win)
{
    long x, y, n;
    char *title;
    int left;

    Q5SetAttrs(obj, Q5T(Q5A_Width, 100), Q5T(Q5A_Height, 50), Q5TAG_END);

    Q5Do(obj, Q5M_Show, Q5TAG_END);

    Q5SendMsg(o, M, Q5T(Q5A_B, (long)(2)), Q5RA_Done);

    n = Q5ClassCreate(a, b, c, d, Q5DEFAULTCLASSTAGS, Q5T(Q5A_Name, "x,y"), Q5TAG_END);

    XtVaSetValues(w, Q5LT(WIDTH_RES, 100), Q5LT(HEIGHT_RES, h(2, 3)),(char *) NULL);

    XtVaGetValues(w,(char *) NULL);

    Q5TagGetS(tags, Q5ST(Q5A_X, &x),  Q5ST(Q5A_Y, &y), Q5TAG_END);

    Q5GetAttrs (win,
#ifdef HAS_TITLE

        Q5T(Q5A_Title, &title),
#endif

        Q5T(Q5A_Left, &left),
        Q5TAG_END);

Q5SetAttrs(o,
    Q5T(A,
#ifdef X
),
    Q5T(1,
#else
),
    Q5T(2,
#endif
),
    Q5TAG_END);

Q5Do(obj,
#ifdef X
,
  Q5T(M1,
#else
),
  Q5T(M2,
#endif
),
  Q5TAG_END);
}
