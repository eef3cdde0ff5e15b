void f(Widget w, Q5Object *obj)
{
    /\
/ was: \ 	
    XtVaCreateWidget("child", xmLabelWidgetClass, w, XmNwidth, 1, NULL);
}
