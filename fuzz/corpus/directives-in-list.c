Q5SetAttrs(o,
#ifdef HAS_TITLE
    Q5A_Title, t,
#else
    Q5A_Title, "none",
#endif
#if 0
    Q5A_X, 1,
#endif
#ifndef Y
    Q5A_Y, 2,
#endif
    Q5TAG_END);
