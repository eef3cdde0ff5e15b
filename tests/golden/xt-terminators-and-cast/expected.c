/* Xt varargs lists: any tag-position argument holding a zero digit or
 * "NULL" ends the list and gets the (char *) cast in front of it. */
#include <X11/Intrinsic.h>
#include <Xm/Xm.h>
#include <Xm/PushB.h>
#include <Xm/Label.h>

void terminators(void *w)
{
    XtVaSetValues(w, Q5LT(XmNwidth, 100),(char *) NULL);
    XtVaSetValues(w, Q5LT(XmNwidth, 100),(char *) 0);
    XtVaSetValues(w, Q5LT(XmNwidth, 100),(char *) (char *) NULL);
    XtVaSetValues(w, Q5LT(XmNwidth, 100),(char *) (void *)0);
    XtVaGetValues(w,(char *) NULL);
    XtVaGetValues(w,(char *)NULL);
    XtVaGetValues(w,(char *)	NULL);
}

void blank_moves_behind_cast(void *w, unsigned short *width)
{
    XtVaGetValues(w,
                  Q5LT(XmNwidth, width),(char *)
                  NULL);
}

void zero_or_null_in_any_tag(void *w)
{
    /* the values 100 and 0 are values: only tags are tested */
    XtVaSetValues(w, Q5LT(XmNwidth, 100), Q5LT(XmNx, 0),(char *) NULL);
    /* a tag with a zero digit ends the list, the rest is dropped */
    XtVaSetValues(w,(char *) RES0);
    XtVaSetValues(w, Q5LT(XmNwidth, 5),(char *) "width0");
    XtVaSetValues(w, Q5LT(XmNwidth, 5),(char *) MY_NULL_RES);
    /* a zero in the fixed arguments is not looked at */
    XtVaCreateWidget("label0", xmLabelWidgetClass, w, Q5LT(XmNx, 1),(char *) NULL);
}

void no_terminator(void *w)
{
    XtVaSetValues(w, Q5LT(XmNwidth, 1));
    XtVaSetValues(w, Q5LT(XmNwidth);
    XtVaSetValues(w,);
    /* the toolkit's own terminator means nothing to an Xt list */
    XtVaSetValues(w, Q5LT(XmNwidth, 1), Q5LT(Q5TAG_END);
    /* nor does the class-tag marker */
    XtVaSetValues(w, Q5LT(Q5DEFAULTCLASSTAGS, XmNwidth), Q5LT(1, NULL));
}

void *create_all(void *parent)
{
    void *form, *ok;

    form = XtVaCreateManagedWidget("form", xmFormWidgetClass, parent,(char *) NULL);
    ok = XtVaCreateManagedWidget("ok", xmPushButtonWidgetClass, form,
                                 Q5LT(XmNleftAttachment, XmATTACH_FORM),
                                 Q5LT(XmNtopAttachment, XmATTACH_FORM),(char *)
                                 NULL);
    XtVaCreateWidget("cancel", xmPushButtonWidgetClass, form,(char *) NULL);
    return ok;
}

void typed_arg(void *w)
{
    /* XtVaTypedArg takes four values: the list pairs them up regardless */
    XtVaSetValues(w, Q5LT(XtVaTypedArg, XmNbackground), Q5LT(XmRString, "red"), Q5LT(4, NULL));
}

void directive_in_value_position(void *w)
{
    /* the directive lands in value position, so the pairing shifts and
     * the value 500 comes into tag position, where its zero ends the list */
    XtVaSetValues(w, Q5LT(XmNwidth,
#ifdef BIG
),(char *)
        500);
}

void directives_in_tag_position(void *w)
{
    XtVaSetValues(w,
#ifdef BIG

        Q5LT(XmNwidth, 500),
#else

        Q5LT(XmNwidth, 50),
#endif
(char *)
        NULL);
}
