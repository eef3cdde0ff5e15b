void f(void *w)
{
    XtVaSetValues(w,
                  XmNwidth, 8,    /* pixels */
                  XmNheight, 4,   // also pixels
                  XmNx, g(1 /* kept: inside parentheses */),
                  NULL);
}
