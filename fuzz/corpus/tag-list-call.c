void f(Q5Object *o)
{
    Q5SetAttrs(o, Q5A_Width, 100, Q5A_Height, 20, Q5TAG_END);
}
