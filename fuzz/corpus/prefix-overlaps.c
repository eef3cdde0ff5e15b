Q5Q5Do(x, y)
Q5xQ5Do(o, m, A, 1, Q5TAG_END);
MyQ5Do(o, m, A, 1, Q5TAG_END);
XtVXtVaSetValues(w, R, 1, NULL);
Q5Do2(o, m, a, A, 1, Q5TAG_END);
