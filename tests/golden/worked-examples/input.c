/* The conversion examples: each call in the old varargs form, one per
 * paragraph, as they appear in a typical window setup routine. */
#include "q5toolkit.h"

static void setup(Q5Object *obj, Q5Object *a, Q5Object *b, Q5Object *c, Q5Object *d,
                  void *w, Q5Tag *tags, Q5Object *win)
{
    long x, y, n;
    char *title;
    int left;

    Q5SetAttrs(obj, Q5A_Width, 100, Q5A_Height, 50, Q5TAG_END);

    Q5Do(obj, Q5M_Show, Q5TAG_END);

    Q5SendMsg(o, M, Q5A_B, (long)(2), Q5RA_Done);

    n = Q5ClassCreate(a, b, c, d, Q5DEFAULTCLASSTAGS, Q5A_Name, "x,y", Q5TAG_END);

    XtVaSetValues(w, WIDTH_RES, 100, HEIGHT_RES, h(2, 3), NULL);

    XtVaGetValues(w, NULL);

    Q5TagGet(tags, Q5A_X, &x, /* note */ Q5A_Y, &y, Q5TAG_END);

    Q5GetAttrs (win,
#ifdef HAS_TITLE
        Q5A_Title, &title,
#endif
        Q5A_Left, &left,
        Q5TAG_END);

Q5SetAttrs(o,
    A,
#ifdef X
    1,
#else
    2,
#endif
    Q5TAG_END);

Q5Do(obj,
#ifdef X
  M1,
#else
  M2,
#endif
  Q5TAG_END);
}
