void f(Widget w, Q5Object *obj)
{
    XtVaCreateWidget("child", xmLabelWidgetClass, w \ 	
, Xm\ 
NborderWidth, v, XmN\	
width, 1\
0 \
, XmNy, v &\
& 1, XmNx, gp-\	
>width, XmNheight, "ab\
cd", NU\
LL);
}
