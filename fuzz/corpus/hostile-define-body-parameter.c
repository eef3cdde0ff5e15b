#define PARAM_SET_910_1(w, n) XtVaSetValues(w, XmN##n, 10, NULL)
void f(Widget w, Q5Object *obj)
{
    PARAM_SET_910_1(w, width);
}
