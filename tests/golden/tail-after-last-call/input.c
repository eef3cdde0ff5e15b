/* Whatever follows the last call is written out: here comments and
 * mentions of toolkit names that are no calls. */
void last(Q5Object *o)
{
    Q5SetAttrs(o, Q5A_Width, 1, Q5TAG_END);
}
/* Q5SetAttrs, Q5Do and XtVaSetValues are converted by q5upgrade */
static const char *names[] = { "Q5SetAttrs", "XtVaSetValues" };
/* end of file: Q5 */
