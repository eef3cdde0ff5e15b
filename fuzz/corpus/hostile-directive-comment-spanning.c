#define SPAN_SET_906_1(w) /* sets the width,
   NULL) */ XtVaSetValues(w, XmNwidth, 1, NULL)
void f(Widget w, Q5Object *obj)
{
    SPAN_SET_906_1(w);
}
