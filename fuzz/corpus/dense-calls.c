    Q5GetAttrs (o,
  Q5A_Top, &t, /* c */ Q5TAG_END);
    n = Q5SetAttrs(o, Q5A_Label, "Q5SetAttrs(", Q5TAG_END); // Q5Do(x)
    XtVaSetValues(w, XmNwidth, 10, NULL);
    XtVaSetValues(w, XmNwidth, 10, NULL);
    Q5SetAttrs(o, Q5A_Width, 10, Q5A_Height, h, Q5TAG_END);
    XtVaGetValues(w, XmNheight, &h, NULL);
    s = "\\"; t = '"';
    n = Q5SetAttrs(o, Q5A_Label, "Q5SetAttrs(", Q5TAG_END); // Q5Do(x)
    XtVaGetValues(w, XmNheight, &h, NULL);
    s = "\\"; t = '"';
    n = Q5SetAttrs(o, Q5A_Label, "Q5SetAttrs(", Q5TAG_END); // Q5Do(x)
    s = "\\"; t = '"';
    XtVaSetValues(w, XmNwidth, 10, NULL);
    Q5SetAttrs(o, Q5A_Width, 10, Q5A_Height, h, Q5TAG_END);
    n = Q5SetAttrs(o, Q5A_Label, "Q5SetAttrs(", Q5TAG_END); // Q5Do(x)
    s = "\\"; t = '"';
    XtVaGetValues(w, XmNheight, &h, NULL);
    s = "\\"; t = '"';
    Q5Do(o, Q5M_Layout, Q5A_Left, "a\"b", Q5TAG_END);
    Q5Do(o, Q5M_Layout, Q5A_Left, "a\"b", Q5TAG_END);
    Q5TagGet(t, Q5A_Value, &v, Q5TAG_END);
    Q5Do(o, Q5M_Layout, Q5A_Left, "a\"b", Q5TAG_END);
    s = "\\"; t = '"';
    XtVaGetValues(w, XmNheight, &h, NULL);
    XtVaSetValues(w, XmNwidth, 10, NULL);
    XtVaGetValues(w, XmNheight, &h, NULL);
    n = Q5SetAttrs(o, Q5A_Label, "Q5SetAttrs(", Q5TAG_END); // Q5Do(x)
    Q5SetAttrs\
(o, A, 1, Q5TAG_END);
    Q5SetAttrs\
(o, A, 1, Q5TAG_END);
    XtVaGetValues(w, XmNheight, &h, NULL);
    XtVaGetValues(w, XmNheight, &h, NULL);
    s = "\\"; t = '"';
    Q5TagGet(t, Q5A_Value, &v, Q5TAG_END);
    Q5GetAttrs (o,
  Q5A_Top, &t, /* c */ Q5TAG_END);
    Q5TagGet(t, Q5A_Value, &v, Q5TAG_END);
    XtVaSetValues(w, XmNwidth, 10, NULL);
    s = "\\"; t = '"';
    n = Q5SetAttrs(o, Q5A_Label, "Q5SetAttrs(", Q5TAG_END); // Q5Do(x)
    s = "\\"; t = '"';
    Q5GetAttrs (o,
  Q5A_Top, &t, /* c */ Q5TAG_END);
    s = "\\"; t = '"';
    Q5SetAttrs\
(o, A, 1, Q5TAG_END);
    XtVaSetValues(w, XmNwidth, 10, NULL);
    Q5GetAttrs (o,
  Q5A_Top, &t, /* c */ Q5TAG_END);
    Q5GetAttrs (o,
  Q5A_Top, &t, /* c */ Q5TAG_END);
    Q5SetAttrs\
(o, A, 1, Q5TAG_END);
    s = "\\"; t = '"';
    XtVaSetValues(w, XmNwidth, 10, NULL);
    Q5SetAttrs\
(o, A, 1, Q5TAG_END);
    XtVaSetValues(w, XmNwidth, 10, NULL);
    s = "\\"; t = '"';
    Q5TagGet(t, Q5A_Value, &v, Q5TAG_END);
    Q5SetAttrs\
(o, A, 1, Q5TAG_END);
    n = Q5SetAttrs(o, Q5A_Label, "Q5SetAttrs(", Q5TAG_END); // Q5Do(x)
    Q5GetAttrs (o,
  Q5A_Top, &t, /* c */ Q5TAG_END);
    s = "\\"; t = '"';
    Q5SetAttrs\
(o, A, 1, Q5TAG_END);
    XtVaSetValues(w, XmNwidth, 10, NULL);
    XtVaGetValues(w, XmNheight, &h, NULL);
    Q5Do(o, Q5M_Layout, Q5A_Left, "a\"b", Q5TAG_END);
    n = Q5SetAttrs(o, Q5A_Label, "Q5SetAttrs(", Q5TAG_END); // Q5Do(x)
    Q5SetAttrs\
(o, A, 1, Q5TAG_END);
    s = "\\"; t = '"';
    Q5SetAttrs\
(o, A, 1, Q5TAG_END);
    Q5TagGet(t, Q5A_Value, &v, Q5TAG_END);
    n = Q5SetAttrs(o, Q5A_Label, "Q5SetAttrs(", Q5TAG_END); // Q5Do(x)
    Q5TagGet(t, Q5A_Value, &v, Q5TAG_END);
    Q5GetAttrs (o,
  Q5A_Top, &t, /* c */ Q5TAG_END);
    n = Q5SetAttrs(o, Q5A_Label, "Q5SetAttrs(", Q5TAG_END); // Q5Do(x)
    Q5Do(o, Q5M_Layout, Q5A_Left, "a\"b", Q5TAG_END);
    s = "\\"; t = '"';
    Q5Do(o, Q5M_Layout, Q5A_Left, "a\"b", Q5TAG_END);
    XtVaGetValues(w, XmNheight, &h, NULL);
    s = "\\"; t = '"';
    Q5Do(o, Q5M_Layout, Q5A_Left, "a\"b", Q5TAG_END);
    Q5SetAttrs(o, Q5A_Width, 10, Q5A_Height, h, Q5TAG_END);
    s = "\\"; t = '"';
