// Q5 mention
Q5SetAttrs(o, A, 1, Q5TAG_END);
s = "//"; Q5SetAttrs(o, A, 1, Q5TAG_END);
x // Q5SetAttrs(o, A, 1, Q5TAG_END)