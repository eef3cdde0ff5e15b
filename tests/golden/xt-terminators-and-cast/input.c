/* Xt varargs lists: any tag-position argument holding a zero digit or
 * "NULL" ends the list and gets the (char *) cast in front of it. */
#include <X11/Intrinsic.h>
#include <Xm/Xm.h>
#include <Xm/PushB.h>
#include <Xm/Label.h>

void terminators(void *w)
{
    XtVaSetValues(w, XmNwidth, 100, NULL);
    XtVaSetValues(w, XmNwidth, 100, 0);
    XtVaSetValues(w, XmNwidth, 100, (char *) NULL);
    XtVaSetValues(w, XmNwidth, 100, (void *)0);
    XtVaGetValues(w, NULL);
    XtVaGetValues(w,NULL);
    XtVaGetValues(w,	NULL);
}

void blank_moves_behind_cast(void *w, unsigned short *width)
{
    XtVaGetValues(w,
                  XmNwidth, width,
                  NULL);
}

void zero_or_null_in_any_tag(void *w)
{
    /* the values 100 and 0 are values: only tags are tested */
    XtVaSetValues(w, XmNwidth, 100, XmNx, 0, NULL);
    /* a tag with a zero digit ends the list, the rest is dropped */
    XtVaSetValues(w, RES0, 1, RES1, 2, NULL);
    XtVaSetValues(w, XmNwidth, 5, "width0", 5, XmNheight, 6, NULL);
    XtVaSetValues(w, XmNwidth, 5, MY_NULL_RES, 1, NULL);
    /* a zero in the fixed arguments is not looked at */
    XtVaCreateWidget("label0", xmLabelWidgetClass, w, XmNx, 1, NULL);
}

void no_terminator(void *w)
{
    XtVaSetValues(w, XmNwidth, 1);
    XtVaSetValues(w, XmNwidth);
    XtVaSetValues(w);
    /* the toolkit's own terminator means nothing to an Xt list */
    XtVaSetValues(w, XmNwidth, 1, Q5TAG_END);
    /* nor does the class-tag marker */
    XtVaSetValues(w, Q5DEFAULTCLASSTAGS, XmNwidth, 1, NULL);
}

void *create_all(void *parent)
{
    void *form, *ok;

    form = XtVaCreateManagedWidget("form", xmFormWidgetClass, parent, NULL);
    ok = XtVaCreateManagedWidget("ok", xmPushButtonWidgetClass, form,
                                 XmNleftAttachment, XmATTACH_FORM,
                                 XmNtopAttachment, XmATTACH_FORM,
                                 NULL);
    XtVaCreateWidget("cancel", xmPushButtonWidgetClass, form, NULL);
    return ok;
}

void typed_arg(void *w)
{
    /* XtVaTypedArg takes four values: the list pairs them up regardless */
    XtVaSetValues(w, XtVaTypedArg, XmNbackground, XmRString, "red", 4, NULL);
}

void directive_in_value_position(void *w)
{
    /* the directive lands in value position, so the pairing shifts and
     * the value 500 comes into tag position, where its zero ends the list */
    XtVaSetValues(w, XmNwidth,
#ifdef BIG
        500,
#else
        50,
#endif
        NULL);
}

void directives_in_tag_position(void *w)
{
    XtVaSetValues(w,
#ifdef BIG
        XmNwidth, 500,
#else
        XmNwidth, 50,
#endif
        NULL);
}
