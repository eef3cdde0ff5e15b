Q5SetAttrs(o,
    A, 1,
    Q5TAG_END);
Q5SetAttrs
(o, A, 1, Q5TAG_END);
// c
Q5Do(o, m, A, 1, Q5TAG_END);
