void f(Widget w, Q5Object *obj)
{
    Q5SetAttrs(obj,
        Q5A_Frame, 100,
/* c */ #ifdef HX_ON_905_1
        Q5A_Left, Q5FRAME_BUTTON,
  #  else
        Q5A_Title, v + 2, Q5A_Max, a[2] * 3,
 #endif
        Q5TAG_END);
}
