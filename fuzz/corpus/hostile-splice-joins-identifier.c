void f(Widget w, Q5Object *obj)
{
    Q5SetAttrs\
_hook(obj, Q5A_Width, 1, Q5TAG_END);
}
