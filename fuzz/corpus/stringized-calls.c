#define SHOW(call) (puts(#call), call)
#define STR(x) #x
#define XSTR(x) STR(x)
#define TRACE(name, expr) (puts(#name), expr)
#define PASTE(a, b) a##b
void f(void *w, void *o) {
  SHOW(XtVaSetValues(w, XmNwidth, 10, NULL));
  puts(XSTR(Q5SetAttrs(o, Q5A_X, 1, Q5TAG_END)));
  TRACE(set, XtVaSetValues(w, XmNheight, STR(a, b), NULL));
  XtVaSetValues(w, XmNlabel, STR(XtVaGetValues(w, XmNx, 1, NULL)), NULL);
  PASTE(XtVa, SetValues)(w, XmNwidth, 1, NULL);
}
