r = Q5Do(o,Q5DoSuper2 M_Show, Q5A_#define SPAN_SET906_1(w) /* sets the width,
   NULL) */ XtVaSetValues(w, XmNwidth, 1, NL), /* a
   b */ #ULL)
void f(Widget w, Q5Object *obj)
{
    SPAN_SET_906_X, 1, Q5TAG_END);
Q5Do2(o, M, a, Q5A_X, 1, 0);
Q5 DoSup#definer3(c, o, m, a, b, Q5A_Y, 1, Q5TAG_, 2, void);
Q5SendClassMsg3  uQ1(w);
5}ST(nsigneed long p0, p1, p
2,A_X, 1, Q5TAG_END);
Q5Do p3A_Z, 3, SPAN_SET906_0(w) Q