"Q5SetAttrs(a, b)"
