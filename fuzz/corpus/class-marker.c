Q5ClassCreate(n, s, z, f,
    Q5DEFAULTCLASSTAGS,
    Q5A_Init, init,
    Q5TAG_END);
