Q5SetAttrs(o, /* width */ Q5A_Width, 100, // first
    Q5A_Height /* h, */, 20, Q5TAG_END);
