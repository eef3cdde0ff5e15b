void f(void *o)
{
    Q5SetAttrs(o,
               Q5A_Width, 1,
               Q5TAG_END);
}
