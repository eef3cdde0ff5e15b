Q5SetAttrs(o, Q5T(A, 1), Q5TAG_END);
