/* In Xt and Q5TagGet lists a preprocessor line in tag position is kept as a
 * directive before the terminator test is made, so a line such as #if 0
 * does not end the list although it holds a zero. */
#include <X11/Intrinsic.h>
#include <Xm/Xm.h>
#include <Xm/Label.h>

void issue_example(void *w)
{
XtVaSetValues(w,
#if 0

 Q5LT(R, 1),(char *) NULL);
}

void *disabled_attachment(void *form)
{
    void *label;

    label = XtVaCreateManagedWidget("label", xmLabelWidgetClass, form,
                                    Q5LT(XmNtopAttachment, XmATTACH_FORM),
#if 0

                                    Q5LT(XmNbottomAttachment, XmATTACH_FORM),
#endif

                                    Q5LT(XmNleftAttachment, XmATTACH_FORM),
                                    Q5LT(XmNrightAttachment, XmATTACH_FORM),(char *)
                                    NULL);
    return label;
}

void other_directives(void *w)
{
    XtVaSetValues(w,
#if NULL_CHECKS

                  Q5LT(XmNwidth, 10),
#else

                  Q5LT(XmNwidth, 20),
#endif /* NULL_CHECKS */

                  Q5LT(XmNheight, 5),(char *)
                  NULL);
    /* #elif is no directive argument: its zero makes it the terminator */
    XtVaSetValues(w,
#if A

                  Q5LT(XmNwidth, 10),(char *)
#elif 0
);
}

void in_value_position(void *w)
{
    /* in value position the directive is a value: the pairing shifts */
    XtVaSetValues(w, Q5LT(XmNwidth,
#if 0
),
                  Q5LT(1,
#endif
),
                  Q5LT(XmNheight, 2),(char *)
                  NULL);
}

long tag_get(Q5Tag *tags)
{
    long x, alias;

    Q5TagGetS(tags,
#if HAVE_Q5TAG_END_ALIAS

             Q5ST(Q5A_Alias, &alias),
#endif

             Q5ST(Q5A_X, &x),
             Q5TAG_END);
    Q5TagGetS(tags,
#ifdef Q5RA_Done

             Q5ST(Q5A_Alias, &alias),
#endif

             Q5TAG_END);
    return x + alias;
}
