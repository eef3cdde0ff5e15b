/* Realistic calls that convert cleanly: no diagnostics at all. */
#define MAKE_BUTTON(parent, name) \
    XtVaCreateManagedWidget(name, xmPushButtonWidgetClass, parent, \
        XmNmarginWidth, 4, \
        NULL)

void build(void *parent, void *obj, void *tags)
{
    int width, height;
    void *form = XtVaCreateManagedWidget("form", xmFormWidgetClass, parent,
                                         XmNfractionBase, 100,
                                         XmNtopAttachment, XmATTACH_FORM,
#ifdef HAVE_TIPS
                                         XmNtoolTipString, tip,
#endif
#if 0
                                         XmNbackground, bg,
#endif
                                         XmNuserData, (void *) 0,
                                         XmNlabelString, XmStringCreateLocalized("Open, (Ctrl+O)"),
                                         NULL);
    XtVaGetValues(form, XmNwidth, &width, XmNheight, &height, NULL);
    Q5SetAttrs(obj, Q5A_Width, width, Q5A_Height, height, Q5TAG_END);
    Q5Do(obj, Q5M_Notify, Q5A_Selected, TRUE, Q5TAG_END);
    Q5TagGet(tags, Q5A_Width, &width, Q5TAG_END);
    MAKE_BUTTON(form, "ok");
}
