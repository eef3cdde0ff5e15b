unsigned long
Q5S\
endClassMsg3(p0, p1, p2, p3, tag, value) /* old style, Q5TAG_END) */
    unsigned long p0, p1, p2, p3;
    unsigned long tag, value;
{
    return tag + value;
}
void f(Widget w, Q5Object *obj)
{
}
