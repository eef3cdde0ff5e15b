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
 R, 1, NULL);
}

void *disabled_attachment(void *form)
{
    void *label;

    label = XtVaCreateManagedWidget("label", xmLabelWidgetClass, form,
                                    XmNtopAttachment, XmATTACH_FORM,
#if 0
                                    XmNbottomAttachment, XmATTACH_FORM,
#endif
                                    XmNleftAttachment, XmATTACH_FORM,
                                    XmNrightAttachment, XmATTACH_FORM,
                                    NULL);
    return label;
}

void other_directives(void *w)
{
    XtVaSetValues(w,
#if NULL_CHECKS
                  XmNwidth, 10,
#else
                  XmNwidth, 20,
#endif /* NULL_CHECKS */
                  XmNheight, 5,
                  NULL);
    /* #elif is no directive argument: its zero makes it the terminator */
    XtVaSetValues(w,
#if A
                  XmNwidth, 10,
#elif 0
                  XmNwidth, 20,
#endif
                  NULL);
}

void in_value_position(void *w)
{
    /* in value position the directive is a value: the pairing shifts */
    XtVaSetValues(w, XmNwidth,
#if 0
                  1,
#endif
                  XmNheight, 2,
                  NULL);
}

long tag_get(Q5Tag *tags)
{
    long x, alias;

    Q5TagGet(tags,
#if HAVE_Q5TAG_END_ALIAS
             Q5A_Alias, &alias,
#endif
             Q5A_X, &x,
             Q5TAG_END);
    Q5TagGet(tags,
#ifdef Q5RA_Done
             Q5A_Alias, &alias,
#endif
             Q5TAG_END);
    return x + alias;
}
