r = Q5Do(o, M_Show, Q5A_X, 1, Q5TAG_END);
Q5Do2(o, M, a, Q5A_X, 1, 0);
Q5DoSuper3(c, o, m, a, b, Q5A_Y, 2, NULL);
Q5SendClassMsg3(c, m, a, b, Q5A_Z, 3, Q5TAG_END);
