void f(void *w, void *o)
{
    Q5SetAttrs(o, Q5A_Child, Q5New(Q5C_Text, Q5A_Width, 2, Q5TAG_END), Q5TAG_END);
    puts("see http://example.org"); XtVaSetValues(w, XmNwidth, 1, NULL);
    /* Not calls: in a comment Q5SetAttrs(o), in a string "XtVaSetValues(w)". */
    if (c == '"') Q5SetAttrs(o, Q5A_Width, 1, Q5TAG_END);
}
