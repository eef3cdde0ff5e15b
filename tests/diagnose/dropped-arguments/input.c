/* LABEL_ARG expands to two arguments: the value 0 then stands in resource
 * position, ends the list, and what follows it is dropped. */
#define LABEL_ARG(s) XmNlabelString, XmStringCreateLocalized(s)

void build(void *menu)
{
    XtVaCreateManagedWidget("dialog", xmPushButtonWidgetClass, menu,
          LABEL_ARG("Set"), XmNmarginHeight, 0, XmNtraversalOn, True, NULL);
    Q5SetAttrs(obj, Q5A_Width, 1, Q5TAG_END, Q5A_Height, 2);
}
