x = 1;
Q5SetAttrs(o, A, 1, Q5TAG_END)