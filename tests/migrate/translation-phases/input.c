#define FIRST_LINE(w, v) XtVaSetValues(w, XmNwidth, v, NULL)
/* Read as the preprocessor reads it: line splices join lines before
   anything else, a directive is a line whose first token is '#' or '%:',
   digraphs are the punctuators they spell, macros are counted as cpp
   expands them. The macro on the first line pairs its parameter: left. */
#define ID(x) x
#define TWO_ARGS XmNwidth, 10
#define NEST XtVaNestedList
#define HEIGHT_RES XmNheight
#define OPEN_PAIR ID(
%:define SET_FG(w) XtVaSetValues(w, XmNforeground, 1, NULL)
# /* a comment before the name */ define SET_BG(w) XtVaSetValues(w, XmNbackground, 2, NULL)
	#define TABBED(w) XtVaSetValues(w, XmNwidth, 7, NULL)
#define LABELLED(w, s) XtVaSetValues(w, XmNlabel, \
    #s, NULL)

void phases(void *w, void *tags, void *list, char *s)
{
    /* A splice inside a name joins it: not a table call, then one. */
    fooXtVaSetValues(w, XmNwidth, 1, NULL);
    foo\
XtVaSetValues(w, XmNwidth, 1, NULL);
    XtVa\
SetValues(w, XmNwidth, 1, NULL);
    Q5Tag\
Get(tags, Q5A_Width, &w, Q5TAG_END);
    /* Splices inside a number, a string and a punctuator. */
    XtVaSetValues(w, XmNwidth, 1\
0, XmNlabel, "a, \
b", XmNuserData, s-\
>x, NULL);
    // A line comment goes on after a splice \
    XtVaSetValues(w, XmNwidth, 1, NULL);
    /* A comment closed by a spliced closer *\
/ XtVaSetValues(w, XmNheight, 2, NULL);
    /\
* opened by a spliced opener: XtVaSetValues(w, XmNx, 1, NULL); */
    /* Digraphs, and commas that only braces enclose: that half is wrapped. */
    XtVaSetValues(w, XmNvalue, s<:0:>, XmNuserData, (int[])<%1, 2%>, NULL);
    XtVaSetValues(w, XmNuserData, ({ int a = 1, b = 2; a + b; }), NULL);
    /* Macros as cpp expands them. */
    XtVaSetValues(w, ID(HEIGHT_RES), ID(ID(20)), NULL);
    XtVaSetValues(w, ID(TWO_ARGS), NULL);
    XtVaSetValues(w, NEST, list, XmNwidth, 3, NULL);
    XtVaSetValues(w, XmNwidth, ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(ID(1)))))))))))))))))))))))))))))))))))))))))))))))))))))))))))))))))))))), NULL);
    /* A value that starts with a cast; a resource named by a string. */
    XtVaSetValues(w, XmNvalue, (char *)s, "enableBtn1Transfer", 1, NULL);
    SET_FG(w);
    SET_BG(w);
    /* Two names side by side are a parameter's type and name, or a macro
       in a call: a literal in the list tells the call. */
    XtVaSetValues(w, OPEN_PAIR XmNwidth, 10), NULL);
    /* Read alike once converted: a pair macro's parentheses hide no literal. */
    Q5Do(tags, KIND Q5M_Show, Q5A_Height, 1, Q5A_Width, XtVaSetValues(w, XmNx, NULL), Q5TAG_END);
    /* ...nor do the parentheses wrapped around a half with a comma in braces. */
    Q5Do(tags, KIND Q5M_Show, Q5A_Width, 3 + (int[]){1, 2}[0] + XtVaSetValues(w, XmNx, NULL), Q5TAG_END);
    /* ...nor does a call converted inside an argument of one read as a prototype. */
    XtVaGetValues(XtVaSetValues(w, XmNwidth, v, NULL), KIND w);
}

/* Old-style definitions and prototypes are no calls. */
void *Q5New(cls, tags)
    void *cls;
    long tags;
{
    return Q5New(cls, Q5A_Width, 1, Q5TAG_END);
}
void *Q5GetAttrs(void *, long);
long Q5DoSuper(void *, void *, void *, ...);
void (XtVaSetValues)(void *, ...);

/* A name alone in parentheses is the same call (no function-like macro of
   that name expands). After a name, a ")" or a "]" it may be what a call
   returns that is called: left alone, even after "if (n)". */
void *(*pick(void (*)(void *, ...)))(void *, ...);
void grouped(void *w, void *obj, int n)
{
    (XtVaSetValues)(w, XmNwidth, 10, NULL);
    ( XtVaSetValues /* the name */ ) (w, XmNheight, 11, NULL);
    (Q5TagGet)(obj, Q5A_Width, &n, Q5TAG_END);
    if (n) (XtVaSetValues)(w, XmNx, 1, NULL); else (XtVaSetValues)(w, XmNx, 2, NULL);
    XtVaGetValues(w, XmNy, (Q5SetAttrs)(obj, Q5A_Width, 2, Q5TAG_END), NULL);
    pick(XtVaSetValues)(w, XmNwidth, 12, NULL);
    XtVaGetValues(XtVaSetValues)(w, XmNwidth, 13, NULL);
    table[0](XtVaSetValues)(w, XmNwidth, 14, NULL);
    table<:1:>(XtVaSetValues)(w, XmNwidth, 15, NULL);
    /* Braces around a name group nothing. */
    XtVaGetValues(w, XmNy, {XtVaSetValues}(w, XmNwidth, 16, NULL), NULL);
    /* What stood before a directive line is not known: left. */
#define LAST_TOKEN_IS_EQUALS x =
    (XtVaSetValues)(w, XmNwidth, 17, NULL);
}
unsigned long grouped_value(void *obj)
{
    return (Q5SetAttrs)(obj, Q5A_Width, 1, Q5TAG_END);
}
