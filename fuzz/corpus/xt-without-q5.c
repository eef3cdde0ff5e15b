XtVaSetValues(w, XmNx, 1, NULL);
XtVaAppInitialize(&app, "A", NULL, 0);
