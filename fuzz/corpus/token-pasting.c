#define SET(o, a) Q5SetAttrs(o, Q5A_ ## a, 1, Q5TAG_END)
Q5Do(o, m, x ## y, (a, b), Q5TAG_END);
