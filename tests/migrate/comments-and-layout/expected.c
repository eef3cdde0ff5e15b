/* Comments are comments: no call in one is converted or opens a list.
   Q5SetAttrs(obj, Q5A_Width, 1, Q5TAG_END); */
// XtVaSetValues(w, XmNwidth, 1, NULL);
/* A second comment: Q5SetAttrs(obj, Q5A_Height, 2, Q5TAG_END); */

void layout(void *w, void *obj, void **tags)
{
    // old: XtVaSetValues(w, XmNwidth, 1,
    XtVaSetValues(w,
                  Q5LT(XmNwidth, 100),     /* pixels */
                  /* XmNheight, 50, */
                  Q5LT(XmNborderWidth, /* thin */ 1),
                  (char *)NULL);
    Q5SetAttrs(obj, Q5T(Q5A_Width, 10), Q5T(Q5A_Height, 20), Q5TAG_END); /* Q5SetAttrs(obj, Q5A_X, 1, Q5TAG_END); */
    Q5SetAttrs(obj, Q5DEFAULTCLASSTAGS,
               Q5T(Q5A_Width, 10),
               Q5TAG_END);
    Q5TagGetS(tags,
             Q5ST(Q5A_Width, &w),
             Q5TAG_END);
    XtVaSetValues(w, Q5LT(XmNwidth, 10),
                  (char *)NULL
                  );
    Q5SetAttrs(obj, Q5T(Q5A_Title, "a, b) /* not a comment */"), Q5TAG_END);
    Q5SetAttrs(obj, Q5T(Q5A_Sep, ','), Q5T(Q5A_Open, '('), Q5TAG_END);

    /* Nested table calls are converted too. */
    Q5SetAttrs(obj, Q5T(Q5A_Child, Q5New(cls, Q5T(Q5A_Width, 1), Q5TAG_END)), Q5TAG_END);

    /* Nothing to convert: only the leading arguments, or none at all. */
    XtVaSetValues(w);
    Q5Do(obj, method);
    XtVaGetValues(w, (char *)NULL);
}

/* Not calls: a prototype and a definition. */
void *Q5New(void *cls, ...);
int Q5Inherit(void *cls, void *obj, void *msg)
{
    return 0;
}
#define SET_WIDTH(o, v) \
    Q5SetAttrs((o), \
               Q5T(Q5A_Width, (v)), \
               Q5TAG_END)
