w = XtVaCreateManagedWidget("button", xmPushButtonWidgetClass, parent,
    XmNwidth, 100,
    XmNheight, 20,
    NULL);
XtVaSetValues(w, XmNlabelString, s, NULL);
XtVaGetValues(w, XmNwidth, &wd, 0);
XtVaCreateWidget("x", c, p, NULL);
