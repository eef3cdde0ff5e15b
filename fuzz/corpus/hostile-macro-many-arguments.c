#define MANY_ID_911_1(x) x
#define MANY_FG_911_1 XmNforeground, 1
#define MANY_PASTE_911_1(a, b) a##b
#define MANY_PICK_911_1(...) __VA_ARGS__
#define MANY_TWICE_911_1(x) x, x
void f(Widget w, Q5Object *obj)
{
    XtVaSetValues(w, MANY_ID_911_1(MANY_FG_911_1), NULL);
}
