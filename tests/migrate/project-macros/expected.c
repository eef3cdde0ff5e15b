/* Macros of the project, read from its #define lines: a list argument that
   uses one counts as its expansion. */
#include <string.h>

#define LABEL_ARG(s)   XtVaTypedArg, XmNlabelString, XmRString, (s), strlen(s) + 1
#define NESTED(l)      XtVaNestedList, (l)
#define TITLE_LABEL    LABEL_ARG("Title")
#define FG_ARG(c)      XmNforeground, (c)
#define MARGINS        XmNmarginWidth, 4, XmNmarginHeight, 4
#define ODD_ARGS       XmNwidth, 10, XmNheight
#define RES_WIDTH      XmNwidth
#define RESOURCE(n)    XmN##n
#define WIDTH_PAIR     Q5LT(XmNwidth, 100)
#define NOTHING
#ifdef WIDE
#define SIZE           XmNwidth, 200
#else
#define SIZE           XmNwidth, 100, XmNheight, 50
#endif
#define GONE           XmNheight, 1
#undef GONE

void build(void *w, void *list, unsigned long pixel)
{
    /* Whole special groups stay unwrapped. */
    XtVaSetValues(w, LABEL_ARG("OK"), Q5LT(XmNwidth, 80), (char *)NULL);
    XtVaSetValues(w, TITLE_LABEL, NESTED(list), Q5LT(XmNheight, 20), (char *)NULL);

    /* One argument each: converted like the names they stand for. */
    XtVaSetValues(w, Q5LT(RES_WIDTH, 10), Q5LT(RESOURCE(height), 20), (char *)NULL);

    /* A pair written already: kept as it is, the rest converted. */
    XtVaSetValues(w, WIDTH_PAIR, Q5LT(XmNheight, 30), (char *)NULL);

    /* Macros that hide pairs, or half of one: left, with the place to change. */
    XtVaSetValues(w, FG_ARG(pixel), NULL);
    XtVaSetValues(w, XmNborderWidth, 1, MARGINS, NULL);
    XtVaSetValues(w, ODD_ARGS, 20, NULL);
    XtVaSetValues(w, XmNwidth, NOTHING, NULL);

    /* Definitions that disagree, and #undef: unknown, so the text rules
       decide; a call of an unknown macro in resource position is left. */
    XtVaSetValues(w, SIZE, NULL);
    XtVaSetValues(w, GONE, NULL);
    XtVaSetValues(w, UNSEEN_ARG(3), 4, NULL);
}

/* Calls named by a macro that stands for the call's name: converted as the
   call, unless the name may mean another call or must be renamed. */
#define SET_VALUES     XtVaSetValues
#define SET_AGAIN      SET_VALUES
#define GET_TAGS       Q5TagGet
#define GET_TAGS_S     Q5TagGetS
#ifdef OLD_API
#define SET_OR_NOT     XtVaSetValues
#else
#define SET_OR_NOT     my_set_values
#endif
#define LOOP_A         LOOP_B
#define LOOP_B         LOOP_A
/* The conversion writes the pair macros' names: never a call's alias. */
#define Q5ST           SET_VALUES

void aliases(void *w, void *tags, int *width)
{
    SET_VALUES(w, Q5LT(XmNwidth, 10), (char *)NULL);
    SET_AGAIN (w, Q5LT(XmNuserData, SET_VALUES(w, Q5LT(XmNheight, 1), (char *)NULL)), (char *)NULL);
    GET_TAGS_S(tags, Q5ST(Q5A_Width, width), Q5TAG_END);
    GET_TAGS(tags, Q5A_Width, width, Q5TAG_END);
    SET_OR_NOT(w, XmNwidth, 10, NULL);
    LOOP_A(w, XmNwidth, 10, NULL);
    /* A macro that expands to nothing between a name and its "(". */
    XtVaSetValues NOTHING (w, Q5LT(XmNuserData, Q5New NOTHING(w, Q5T(Q5A_Width, 1), Q5TAG_END)), (char *)NULL);
}

/* A call in an argument that a macro turns into a string or pastes (in its
   body, or through a macro it passes the argument to) is text there: left.
   Arguments the macro only uses are converted. */
#define SHOW(call)          (puts(#call), call)
#define STRING(x)           #x
#define XSTRING(x)          STRING(x)
#define TRACE(name, expr)   (puts(#name), expr)
#define NAMES_ONLY(x)       STRING(label)
#define PASSES_ON(x)        NAMES_ONLY(x)

void strings(void *w)
{
    SHOW(XtVaSetValues(w, XmNwidth, 10, NULL));
    puts(XSTRING(XtVaSetValues(w, XmNwidth, 10, NULL)));
    TRACE(set, XtVaSetValues(w, Q5LT(XmNwidth, 10), (char *)NULL));
    XtVaSetValues(w, Q5LT(XmNlabel, STRING(XtVaGetValues(w, XmNx, 1, NULL))), (char *)NULL);
    /* Braces keep no comma inside a macro's argument: the call is TRACE's
       second argument, which it only uses. */
    TRACE({1, XtVaSetValues(w, Q5LT(XmNheight, 1), (char *)NULL)});
    /* A macro that names a stringizer but passes it none of its arguments
       turns none: so neither does one that passes on to it. */
    (void)PASSES_ON(XtVaSetValues(w, Q5LT(XmNwidth, 5), (char *)NULL));
}
