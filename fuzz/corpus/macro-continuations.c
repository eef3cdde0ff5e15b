#define SETUP(o) Q5SetAttrs(o, \
    A, 1, \
    Q5TAG_END)
next();
Q5Do(o, m, A, 1, Q5TAG_END)  ;
