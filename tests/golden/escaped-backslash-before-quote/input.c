/* A double quote is escaped only by an odd run of backslashes before it:
 * "C:\\" ends at its last quote, in an argument list and on a scanned line. */
void paths(Q5Object *o)
{
    Q5SetAttrs(o, Q5A_Path, "C:\\", Q5A_Width, 2, Q5TAG_END);
    puts("next statement");
    Q5SetAttrs(o, Q5A_Path, "a\\\"b", Q5A_Width, 3, Q5TAG_END);
    Q5SetAttrs(o, Q5A_Path, "\\\\", Q5A_Flag, '\\', Q5TAG_END);
    puts("D:\\"); Q5SetAttrs(o, Q5A_Width, 4, Q5TAG_END);
    puts("E:\\\\"); Q5SetAttrs(o, Q5A_Width, 5, Q5TAG_END);
    puts("say \"Q5SetAttrs(o, Q5A_Width, 6, Q5TAG_END);\" \\"); Q5Do(o, Q5M_Show, Q5A_Delay, 7, Q5TAG_END);
}
