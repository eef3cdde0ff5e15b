#define NAMED_SET_907_1(w) XtVaSetValues(w, XmNwidth, 1, NULL), /* a
   b */ #w
void f(Widget w, Q5Object *obj)
{
    (void)(NAMED_SET_907_1(w));
}
