Q5SetAttrs(o, A, "never ends, Q5TAG_END);
