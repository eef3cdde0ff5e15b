#define SET XtVaSetValues
#define SET2 SET
#define GET Q5TagGet
#define Lset XtVaGetValues
#define R_ Q5SetAttrs
void f(void *w, void *o, int v) {
  SET(w, XmNwidth, 10, NULL);
  SET2(w, XmNwidth, SET(w, XmNheight, 1, NULL), NULL);
  GET(o, Q5A_X, &v, Q5TAG_END);
  Lset(w, L"x", &v, u8"y", &v, NULL);
  R_(o, Q5A_X, R"(a)", Q5TAG_END);
}
