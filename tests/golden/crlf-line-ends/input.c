/* CRLF line ends: a carriage return is a blank wherever a newline is: in
 * front of an argument, after a name and after a closing parenthesis. */
void crlf(Q5Object *obj, void *w)
{
    Q5SetAttrs(obj, Q5A_Width, 1, Q5TAG_END);
    Q5SetAttrs(obj,
        Q5A_Width, 10,
        Q5TAG_END);
    XtVaSetValues(w,
        XmNwidth, 5,
        NULL);
    Q5SetAttrs
        (obj, Q5A_Width, 2, Q5TAG_END);
}
#define SHOW(o) Q5Do(o, Q5M_Show, Q5A_Delay, 1, Q5TAG_END)
int after_macro;
#define SETUP(o) Q5SetAttrs(o, \
    Q5A_Width, 1, \
    Q5TAG_END)
int after_setup;
