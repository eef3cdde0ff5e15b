/* Preprocessor lines in argument lists: between pairs they stay where they
   are, and so they do among the leading arguments when each branch holds as
   many; anywhere else the call is left as it stands and the line named. */

void settings(void *w, void *obj)
{
    XtVaSetValues(w,
                  Q5LT(XmNwidth, 100),
#ifdef TALL
                  Q5LT(XmNheight, 400),
#elif defined(SHORT)
                  Q5LT(XmNheight, 100),
#else
                  Q5LT(XmNheight, 200),
#endif
                  (char *)NULL);
    Q5SetAttrs(obj,
#if HAVE_TITLE
               Q5T(Q5A_Title, "t"),
#endif
               Q5TAG_END);

    /* Between a resource and its value. */
    XtVaSetValues(w, XmNwidth,
#ifdef TALL
                  400,
#else
                  200,
#endif
                  NULL);
    /* Among the leading arguments, as many on each branch: converted. */
    XtVaCreateManagedWidget("w",
#ifdef MOTIF
                            xmLabelWidgetClass,
#else
                            labelWidgetClass,
#endif
                            w, Q5LT(XmNwidth, 1), (char *)NULL);
    /* Terminators repeated inside branches: left. */
    XtVaSetValues(w, XmNwidth, 1, NULL,
#ifdef TALL
                  NULL,
#endif
                  NULL);
    /* A branch that holds half a pair. */
    XtVaSetValues(w,
#ifdef TALL
                  XmNheight,
#else
                  XmNwidth,
#endif
                  10, NULL);
}
