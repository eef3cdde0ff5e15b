c = '"'; Q5SetAttrs(o, A, 1, Q5TAG_END);
Q5SetAttrs(o, A, ',', Q5TAG_END);
d = "x"; Q5Do(o, m, A, '(', Q5TAG_END);
