/* Q5SetAttrs(a, b) */ Q5SetAttrs(o, A, 1, Q5TAG_END);
/* a */ /* Q5SetAttrs(o, A, 1, Q5TAG_END) */
/* a//b */ Q5Do(o, M, Q5TAG_END);
