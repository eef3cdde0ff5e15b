/*
 * q5pairs.h - the V8 pair macros, strict enough that a malformed pair
 * does not compile.  The compile check includes it (-include) into every
 * converted file.
 *
 * Each macro takes exactly two macro arguments, so a pair holding one or
 * three list arguments is a preprocessing error, and expands to the two
 * list arguments it stands for.  The first goes through an inline
 * function of the right type: a number, a size or a second pair's value
 * in resource position is then an int-conversion error, XtVaTypedArg or
 * XtVaNestedList there an incompatible-pointer error, and a macro that
 * expands to several arguments there calls the function with too many.
 * Compile with -Werror=int-conversion -Werror=incompatible-pointer-types
 * -Werror=implicit-function-declaration (gcc 12 only warns by default).
 */
#ifndef Q5PAIRS_H
#define Q5PAIRS_H

#include <X11/Intrinsic.h>
#include "q5toolkit.h"

/* Xt's special list arguments get a type of their own: unwrapped between
   the pairs they still pass through the varargs list, wrapped as a
   resource (Q5LT(XtVaNestedList, list)) they are an incompatible-pointer
   error. Intrinsic.h is guarded, so the program's own include of it later
   does not bring the string forms back. */
typedef struct q5pairs_special_argument q5pairs_special_argument;
#undef XtVaTypedArg
#undef XtVaNestedList
#define XtVaTypedArg ((const q5pairs_special_argument *) "XtVaTypedArg")
#define XtVaNestedList ((const q5pairs_special_argument *) "XtVaNestedList")

static inline const char *q5pairs_resource(const char *resource)
{
    return resource;
}

static inline Q5Tag q5pairs_tag(Q5Tag tag)
{
    return tag;
}

#define Q5LT(res, val) q5pairs_resource(res), (val)
#define Q5T(tag, val) q5pairs_tag(tag), (val)
#define Q5ST(tag, addr) q5pairs_tag(tag), (addr)

/* Q5TagGet's V8 name: the same call, taking Q5ST pairs. */
unsigned long Q5TagGetS(const Q5Tag *tags, ...);

#endif
