Q5SetAttrs(o, Q5A_W, max(a, (b + c) * 2), Q5A_S, f("x,y)", g(1, 2)), Q5TAG_END);
