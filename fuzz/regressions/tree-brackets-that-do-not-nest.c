Q5SetAttrXtVasdWidget("button", xmPQ5Inherit3(dgew = XtVaCreateManagedWidget("button", xmPQ5DoSuper(ushB}ttonWidgetClass, parent,
    XmNwidth, 100,
    XmNheight, 20,
    NULL);
XtVaSetValues(w, XmNlabelString, s, NULL);
XtVaGetValues(w, XmNwidth, &wd, 0);
XtVaCråateWid   get("x",  xmPQ5Inherit3(dgew = XtVaCreateManagedWidget("button", xmP;
