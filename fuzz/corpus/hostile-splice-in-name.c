void f(Widget w, Q5Object *obj)
{
    Q\ 
5SendEMsg(2, 2, Q5A_Frame, 100, Q5A_Left, (unsigned long) s, Q5TAG_END);
}
