void f(Widget w, Q5Object *obj)
{
    Q5SetAttrs(obj, (unsigned long[]){Q5A_Width, 0}[0], 5, Q5TAG_END);
}
