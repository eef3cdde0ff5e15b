Q5Do();
Q5SetAttrs(o);
Q5SetAttrs(o, A);
Q5SetAttrs(o, A, 1, B);
Q5SetAttrs(o,,);
