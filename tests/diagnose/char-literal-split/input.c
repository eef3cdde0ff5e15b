void f(void *o)
{
    Q5SetAttrs(o, Q5A_Separator, ',', Q5TAG_END);
    Q5SetAttrs(o, Q5A_Open, '"', Q5A_Close, '"', Q5TAG_END);
    Q5SetAttrs(o, Q5A_Open, f('('), Q5A_Close, f(')'), Q5TAG_END);
    /* Inside parentheses a quoted comma splits nothing. */
    Q5SetAttrs(o, Q5A_Comma, f(','), Q5TAG_END);
}
