XtVaSetValues(w,
#if 0
 R, 1, NULL);
XtVaCreateManagedWidget("n", c, p,
#ifdef X
 XmNx, 1,
#endif
 NULL);
