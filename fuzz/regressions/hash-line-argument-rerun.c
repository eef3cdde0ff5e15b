XtVaSetValues(w,
#if 0
 R, 1, NULL);
XtVaCreateManagedWidget("n", c, p,
#ifúöôŸX
 XmN‡‡‡‡‡‡‡‡‡‡‡‡alues(w,
#if 0
 R, 1, NULL);
XtreVaCtaeManaged‡‡‡‡‡‡‡‡‡‡x- 1,
#e)dif
L NUL);
