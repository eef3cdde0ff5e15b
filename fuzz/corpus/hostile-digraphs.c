%:define DIG_RES_908_1(n) XmN%:%:n
void f(Widget w, Q5Object *obj)
{
    XtVaSetValues(w, XmNx, a<:1:>, DIG_RES_908_1(height), v,
%:ifdef HX_DIG_908_1
        XmNy, a<:2:> + 1,
%:endif
        XmNuserData, (int[])<%1, 2%>, NULL);
}
