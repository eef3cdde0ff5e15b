void f(void *o, void *obj)
{
    Q5SetAttrs(o,
        Q5A_Width,
#ifdef WIDE
        800,
#else
        640,
#endif
        Q5TAG_END);
    Q5SetAttrs(o,
#if A
        Q5A_Width, 1,
#elif B
        Q5A_Width, 2,
#endif
        Q5TAG_END);
    Q5Do(obj,
#ifdef X
         Q5M_Show,
#else
         Q5M_Hide,
#endif
         Q5TAG_END);
    Q5SetAttrs(o, "see #endif", 2, Q5TAG_END);
}
