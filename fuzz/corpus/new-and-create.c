app = Q5AppCreate(argc, argv, Q5A_Title, "demo", Q5TAG_END);
obj = Q5New(cls, Q5A_Parent, app, Q5TAG_END);
c = Q5ClassCreate("name", super, sz, flags, Q5DEFAULTCLASSTAGS, Q5A_Size, 4, Q5TAG_END);
