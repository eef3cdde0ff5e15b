#!/usr/bin/env python3
"""Writes N Motif/Xt programs that compile before conversion, for the
compile check:  generate_programs.py [--seed S] OUTDIR N

OUTDIR/src/prog_NNN.c are the programs and OUTDIR/include/gen_look.h the
shared header of shorthand macros they include; the header stands outside
the converted tree, so the tool learns its macros only through -I. The
programs use the converted calls the way applications do, mixed at random:
multi-line lists, comments between pairs (notes, commented-out resources,
a commented-out call opener), XtVaTypedArg groups and XtVaNestedList lists
written in the list, macros that stand for several list arguments or for a
resource name, #ifdef/#else lines between pairs, NULL, NULL and cast
terminators, values holding commas inside parentheses or strings, calls in
multi-line #defines, calls in another call's arguments, calls with only
their leading arguments, toolkit calls against q5toolkit.h; some files have
CRLF line ends. The same seed writes the same files.

  generate_programs.py --count FILE...

prints how many calls of the converted functions the files hold in code
(comments and string literals do not count).
"""
import os
import random
import re
import sys

# The functions the tool converts (44 names).
TABLE = ("Q5SetAttrs Q5GetAttrs Q5SetClassAttrs Q5GetClassAttrs Q5Do Q5Do2 Q5Do3 Q5DoSuper "
         "Q5DoSuper2 Q5DoSuper3 Q5SendMsg Q5SendMsg2 Q5SendMsg3 Q5SendEMsg Q5SendEMsg2 "
         "Q5SendEMsg3 Q5DoE Q5DoE2 Q5DoE3 Q5SendClassMsg Q5SendClassMsg2 Q5SendClassMsg3 "
         "Q5DoClass Q5DoClass2 Q5DoClass3 Q5New Q5ObjectCreate Q5AltObjectCreate Q5ObjectLoad "
         "Q5ObjectSave Q5ClassCreate Q5TagGet Q5TagSet Q5TagCopy Q5TagConcat Q5AppCreate "
         "Q5ProcessEvents Q5Inherit Q5Inherit2 Q5Inherit3 XtVaCreateManagedWidget "
         "XtVaCreateWidget XtVaGetValues XtVaSetValues").split()

# How often each idiom appears: the share of Xt lists (or toolkit lists, or
# statements) that get it. Lists that a converter cannot wrap at the call
# site (a macro hiding a pair, a call with only its leading arguments) are
# kept rare, as in most code; the rest are common.
RATE = {
    "typed-arg": 0.10,        # XtVaTypedArg group written in the list
    "nested-list": 0.05,      # XtVaNestedList, list
    "group-macro": 0.08,      # macro standing for a whole XtVaTypedArg group
    "pair-macro": 0.006,      # macro standing for a resource and value, or several pairs
    "name-macro": 0.06,       # macro standing for a resource name
    "if-lines": 0.10,         # #ifdef/#else/#endif around pairs
    "note": 0.12,             # /* note */ after a pair
    "commented-pair": 0.08,   # a commented-out resource on its own line
    "old-opener": 0.03,       # '// old: XtVaSetValues(w, ...,' on its own line
    "nested-call": 0.04,      # a converted call in a value of another one
    "q5-pair-macro": 0.01,    # toolkit tag pair hidden in a macro
    "q5-if-lines": 0.06,
    "leading-only": 0.004,    # XtVaSetValues(w); (a statement)
    "no-pairs": 0.008,        # XtVaSetValues(w, NULL); (a statement)
}

# Calls written with each idiom, for the closing line.
stats = {}


def note(idiom):
    stats[idiom] = stats.get(idiom, 0) + 1


CALL_RE = re.compile(r"\b(" + "|".join(TABLE) + r")\s*\(")
CODE_RE = re.compile(r'/\*.*?\*/|//[^\n]*|"(?:\\.|[^"\\\n])*"|\'(?:\\.|[^\'\\\n])*\'', re.S)


def count_calls(text):
    """Calls of the table's functions in code, not in comments or literals."""
    text = text.replace("\\\r\n", "").replace("\\\n", "")
    return len(CALL_RE.findall(CODE_RE.sub(" ", text)))


HEADER = """\
/*
 * gen_look.h - shorthands shared by the generated programs: each stands
 * for several arguments of an Xt varargs list, or for a resource name.
 */
#ifndef GEN_LOOK_H
#define GEN_LOOK_H

#include <string.h>
#include <X11/Intrinsic.h>
#include <Xm/Xm.h>

#define LOOK_LABEL(s) XtVaTypedArg, XmNlabelString, XmRString, (s), strlen(s) + 1
#define LOOK_STRING(res, s) XtVaTypedArg, (res), XmRString, (s), strlen(s) + 1
#define LOOK_FG(c) XmNforeground, (c)
#define LOOK_BG(c) XmNbackground, (c)
#define LOOK_MARGINS XmNmarginWidth, 4, XmNmarginHeight, 4
#define LOOK_FLAT XmNshadowThickness, 0
#define LOOK_RES_GAP XmNspacing
#define LOOK_RES_CAPTION XmNtitle
#define LOOK_PAD 6
#define LOOK_MAX(a, b) ((a) > (b) ? (a) : (b))

#endif
"""

PROLOGUE = """\
/*
 * prog_{n:03d}.c - written by generate_programs.py (seed {seed}) for the
 * compile check: {title}.
 */
#include <stdio.h>
#include <string.h>
#include <X11/Intrinsic.h>
#include <X11/StringDefs.h>
#include <Xm/Xm.h>
#include <Xm/Form.h>
#include <Xm/RowColumn.h>
#include <Xm/PushB.h>
#include <Xm/Label.h>
#include <Xm/TextF.h>
#include <Xm/ToggleB.h>
#include <Xm/Scale.h>
#include <Xm/Frame.h>
#include "q5toolkit.h"
#include "gen_look.h"

static Widget top_w, form_w, bar_w, label_w, field_w, toggle_w, scale_w, frame_w;
static XtVarArgsList look_a, look_b;
static Dimension dim_a, dim_b;
static Pixel pix_a, pix_b;
static int int_a;
static unsigned char flag_a;
static char *str_a;
static XtPointer ptr_a;
static Q5Object *obj_a, *obj_b, *app_o;
static Q5Class *class_a;
static long long_a, long_b;
static char *text_o;
static Q5Tag tags_a[8];
"""

TITLES = ["a settings panel", "a mail folder view", "a print dialog", "a chart window",
          "a terminal front end", "a colour picker", "a search bar", "a log viewer",
          "a font chooser", "a calendar pane", "a network monitor", "a file transfer window"]
WIDGETS = ["top_w", "form_w", "bar_w", "label_w", "field_w", "toggle_w", "scale_w", "frame_w"]
CLASSES = ["xmPushButtonWidgetClass", "xmLabelWidgetClass", "xmFormWidgetClass",
           "xmRowColumnWidgetClass", "xmTextFieldWidgetClass", "xmToggleButtonWidgetClass",
           "xmScaleWidgetClass", "xmFrameWidgetClass"]
WORDS = ["apply", "close", "status", "level", "volume", "host", "user", "mode", "zoom",
         "search", "folder", "printer", "colour", "font", "page", "port"]
ATTACH = ["XmNtopAttachment", "XmNbottomAttachment", "XmNleftAttachment", "XmNrightAttachment"]
ATTACH_VALUES = ["XmATTACH_FORM", "XmATTACH_WIDGET", "XmATTACH_POSITION", "XmATTACH_NONE"]
GET_PAIRS = [("XmNwidth", "&dim_a"), ("XmNheight", "&dim_b"), ("XmNforeground", "&pix_a"),
             ("XmNbackground", "&pix_b"), ("XmNuserData", "&ptr_a"), ("XmNset", "&flag_a"),
             ("XmNmaximum", "&int_a"), ("XmNvalue", "&str_a")]
Q5_TAGS = ["Q5A_Width", "Q5A_Height", "Q5A_Left", "Q5A_Top", "Q5A_Disabled", "Q5A_Selected",
           "Q5A_Value", "Q5A_Min", "Q5A_Max", "Q5A_Group_Spacing"]
NOTES = ["keeps the old layout", "see the manual", "per the style guide", "was 8",
         "no effect on Motif 1.2", "set again on resize", "matches the toolbar"]


def xt_pair(rng, parent):
    """One resource and its value, as applications write them."""
    kind = rng.randrange(12)
    if kind == 0:
        return rng.choice(["XmNwidth", "XmNheight"]), rng.choice(
            ["120", "dim_a + LOOK_PAD", "LOOK_MAX(dim_a, 40)", "(Dimension) (dim_b * 2)", "64"])
    if kind == 1:
        return rng.choice(["XmNx", "XmNy", "XmNmarginWidth", "XmNshadowThickness"]), str(
            rng.choice([2, 4, 8, 12, 16]))
    if kind == 2:
        return rng.choice(["XmNsensitive", "XmNtraversalOn", "XmNrecomputeSize"]), rng.choice(
            ["True", "False", "int_a > 0 ? True : False"])
    if kind == 3:
        return rng.choice(["XmNforeground", "XmNbackground"]), rng.choice(
            ["pix_a", "pix_b", "BlackPixelOfScreen(XtScreen(%s))" % parent])
    if kind == 4:
        return "XmNlabelString", 'XmStringCreateLocalized("%s, %s (%d)")' % (
            rng.choice(WORDS).title(), rng.choice(WORDS), rng.randrange(1, 9))
    if kind in (5, 6):
        return rng.choice(ATTACH), rng.choice(ATTACH_VALUES)
    if kind == 7:
        return rng.choice(["XmNtopWidget", "XmNleftWidget"]), rng.choice(WIDGETS)
    if kind == 8:
        return "XmNuserData", '(XtPointer) "%s"' % rng.choice(WORDS)
    if kind == 9:
        return rng.choice([("XmNalignment", rng.choice(["XmALIGNMENT_CENTER", "XmALIGNMENT_END"])),
                           ("XmNorientation", rng.choice(["XmHORIZONTAL", "XmVERTICAL"]))])
    if kind == 10:
        return "XmNvalue", rng.choice(['"20c 10c"', '"%s (%s, %s)"' % tuple(rng.sample(WORDS, 3)),
                                       "str_a"])
    return rng.choice(["XmNmaximum", "XmNminimum", "XmNcolumns"]), rng.choice(
        ["100", "int_a", "LOOK_MAX(int_a, 10)", "(int) strlen(\"%s\")" % rng.choice(WORDS)])


class Call:
    """A call's text as lines; the first line holds the opener."""

    def __init__(self, opener, items, terminator, layout):
        self.opener = opener          # e.g. 'XtVaSetValues(w,'
        self.items = items            # list of (kind, text) entries
        self.terminator = terminator  # e.g. 'NULL', or None for none
        self.layout = layout          # 'line', 'column'


def xt_items(rng, parent, in_macro):
    """The list of a Xt call: pairs with the idioms mixed in."""
    items, seen = [], set()
    for _ in range(rng.randint(1, 6)):
        res, val = xt_pair(rng, parent)
        if res not in seen:
            seen.add(res)
            items.append(("pair", "%s, %s" % (res, val)))
    roll = rng.random
    if roll() < RATE["typed-arg"]:
        note("typed-arg")
        s = rng.choice(WORDS)
        group = 'XtVaTypedArg, %s, XmRString, "%s", %s' % (
            rng.choice(["XmNlabelString", "XmNforeground", "XmNbackground"]), s,
            rng.choice(['strlen("%s") + 1' % s, 'sizeof "%s"' % s]))
        items.insert(rng.randint(0, len(items)), ("group", group))
    if roll() < RATE["nested-list"]:
        note("nested-list")
        items.insert(rng.randint(0, len(items)),
                     ("group", "XtVaNestedList, %s" % rng.choice(["look_a", "look_b"])))
    if roll() < RATE["group-macro"]:
        note("group-macro")
        s = rng.choice(WORDS)
        macro = rng.choice(['LOOK_LABEL("%s")' % s, 'LOOK_STRING(XmNbackground, "%s")' % s,
                            'LOCAL_LABEL("%s")' % s])
        items.insert(rng.randint(0, len(items)), ("group", macro))
    if roll() < RATE["pair-macro"]:
        note("pair-macro")
        macro = rng.choice(["LOOK_FG(pix_a)", "LOOK_BG(pix_b)", "LOOK_MARGINS", "LOOK_FLAT",
                            "LOCAL_FRAME"])
        items.insert(rng.randint(0, len(items)), ("group", macro))
    if roll() < RATE["name-macro"]:
        note("name-macro")
        items.insert(rng.randint(0, len(items)),
                     ("pair", "%s, %d" % (rng.choice(["LOOK_RES_GAP", "LOCAL_RES"]),
                                          rng.choice([2, 3, 5]))))
    if not in_macro and roll() < RATE["if-lines"]:
        note("if-lines")
        res, val = xt_pair(rng, parent)
        block = [("pp", rng.choice(["#ifdef HAVE_WIDE_SCREEN", "#if XmVERSION >= 2",
                                    "#ifndef NO_COLOUR"])), ("pair", "%s, %s" % (res, val))]
        if roll() < 0.5:
            res2, val2 = xt_pair(rng, parent)
            block += [("pp", "#else"), ("pair", "%s, %s" % (res2, val2))]
        block.append(("pp", "#endif"))
        at = rng.randint(0, len(items))
        items[at:at] = block
    if roll() < RATE["note"]:
        # A note after one of the pairs.
        at = rng.randrange(len(items))
        if items[at][0] in ("pair", "group"):
            note("note")
            items[at] = (items[at][0] + "+note", items[at][1] + ",   /* %s */" % rng.choice(NOTES))
    if roll() < RATE["commented-pair"]:
        note("commented-pair")
        res, val = xt_pair(rng, parent)
        if in_macro:
            text = "/* %s, %s, */" % (res, val)
        else:
            text = rng.choice(["/* %s, %s, */", "// %s, %s,"]) % (res, val)
        items.insert(rng.randint(0, len(items)), ("comment", text))
    if not in_macro and roll() < RATE["old-opener"]:
        note("old-opener")
        res, val = xt_pair(rng, parent)
        items.insert(rng.randint(0, len(items)),
                     ("comment", "// old: XtVaSetValues(%s, %s, %s," % (parent, res, val)))
    return items


def xt_terminator(rng):
    r = rng.random()
    if r < 0.72:
        return "NULL"
    if r < 0.94:
        note("cast-terminator")
        return "(char *) NULL" if r < 0.84 else "(XtPointer) NULL"
    note("double-terminator")
    return "NULL, NULL"


def render(call, indent):
    """Lines of a call, the last without its ';'."""
    pad = " " * indent
    col = " " * (indent + call.opener.index("(") + 1)
    entries = list(call.items)
    if call.terminator is not None:
        entries.append(("end", call.terminator))
    if call.layout == "line" and all(k in ("pair", "group", "end") for k, _ in entries):
        line = pad + call.opener + " " + ", ".join(t for _, t in entries) + ")"
        if len(line) <= 100:
            return [line]
    lines = [pad + call.opener]
    for i, (kind, text) in enumerate(entries):
        last = i == len(entries) - 1
        if kind == "pp":
            lines.append(text)
        elif kind == "comment":
            lines.append(col + text)
        elif kind == "end":
            lines.append(col + text + ")")
        elif kind.endswith("+note"):
            lines.append(col + text)
        else:
            lines.append(col + text + ("" if last else ","))
    return lines


def xt_call(rng, parent, in_macro=False):
    """A statement (lines, without the final ';') with one Xt call, maybe a nested one."""
    layout = "line" if rng.random() < 0.3 else "column"
    which = rng.random()
    items = xt_items(rng, parent, in_macro)
    if in_macro:
        note("in-define")
    if rng.random() < RATE["nested-call"] and not in_macro:
        # A call nested in the arguments of this one.
        note("nested-call")
        inner = Call('XtVaCreateWidget("popup", xmRowColumnWidgetClass, %s,' % parent,
                     [("pair", "XmNrowColumnType, XmMENU_POPUP")], "NULL", "line")
        items.append(("pair", "XmNuserData, (XtPointer) " + render(inner, 0)[0]))
    if which < 0.45:
        call = Call("XtVaSetValues(%s," % parent, items, xt_terminator(rng), layout)
        return render(call, 0)
    if which < 0.62:
        pairs = rng.sample(GET_PAIRS, rng.randint(1, 3))
        gitems = [("pair", "%s, %s" % p) for p in pairs]
        if rng.random() < 0.1:
            gitems.append(("pair+note", "XmNheight, &dim_b,   /* %s */" % rng.choice(NOTES)))
        call = Call("XtVaGetValues(%s," % parent, gitems, xt_terminator(rng), layout)
        return render(call, 0)
    target = rng.choice(WIDGETS)
    fn = "XtVaCreateManagedWidget" if which < 0.88 else "XtVaCreateWidget"
    opener = '%s = %s("%s", %s, %s,' % (target, fn, rng.choice(WORDS), rng.choice(CLASSES),
                                        parent)
    call = Call(opener, items, xt_terminator(rng), layout)
    return render(call, 0)


def q5_call(rng):
    """A statement with one toolkit call."""
    kind = rng.randrange(7)
    obj = rng.choice(["obj_a", "obj_b"])
    tags = [("pair", "%s, %s" % (t, rng.choice(["1", "0", "long_a", "long_b + 4", "LOOK_PAD"])))
            for t in rng.sample(Q5_TAGS, rng.randint(1, 4))]
    if rng.random() < RATE["q5-pair-macro"]:
        note("q5-pair-macro")
        tags.insert(rng.randint(0, len(tags)), ("group", "LOCAL_Q5_FRAME"))
    if rng.random() < 0.1:
        at = rng.randrange(len(tags))
        if tags[at][0] == "pair":
            note("note")
            tags[at] = ("pair+note", tags[at][1] + ",   /* %s */" % rng.choice(NOTES))
    if rng.random() < RATE["q5-if-lines"]:
        note("if-lines")
        tags = [("pp", "#ifdef HAVE_WIDE_SCREEN"), ("pair", "Q5A_Width, 800"), ("pp", "#else"),
                ("pair", "Q5A_Width, 640"), ("pp", "#endif")] + tags
    layout = "line" if rng.random() < 0.4 else "column"
    if kind == 0:
        return render(Call("Q5SetAttrs(%s," % obj, tags, "Q5TAG_END", layout), 0)
    if kind == 1:
        gets = [("pair", "%s, &%s" % (t, v)) for t, v in
                zip(rng.sample(Q5_TAGS, 2), ["long_a", "long_b"])][:rng.randint(1, 2)]
        if rng.random() < 0.3:
            gets.append(("pair", "Q5A_Title, &text_o"))
        return render(Call("Q5GetAttrs(%s," % obj, gets, "Q5TAG_END", layout), 0)
    if kind == 2:
        return render(Call("Q5Do(%s, Q5M_Notify," % obj,
                           [("pair", "Q5A_Selected, 1"), ("pair", "Q5A_Notify_Target, app_o")],
                           "Q5TAG_END", layout), 0)
    if kind == 3:
        gets = [("pair", "%s, &%s" % (t, v)) for t, v in
                zip(rng.sample(Q5_TAGS, 2), ["long_a", "long_b"])]
        return render(Call("Q5TagGet(tags_a,", gets, rng.choice(["Q5TAG_END", "Q5RA_Done"]),
                           layout), 0)
    if kind == 4:
        note("nested-call")
        child = Call("Q5New(Q5C_Button,", [("pair", 'Q5A_Label, "%s"' % rng.choice(WORDS))],
                     "Q5TAG_END", "line")
        items = [("pair", "Q5A_Group_Spacing, 4"),
                 ("pair", "Q5A_Group_Child, " + render(child, 0)[0])]
        return render(Call("%s = Q5New(Q5C_Group," % obj, items, "Q5TAG_END", "column"), 0)
    if kind == 5:
        return render(Call("Q5SetAttrs(%s," % obj, tags, "Q5TAG_END", layout), 0)
    return render(Call("Q5Do(%s, Q5M_Set," % obj, [("pair", "Q5TAG_MORE, tags_a")], None,
                       "line"), 0)


def statement(lines, indent):
    pad = " " * indent
    out = [pad + lines[0]] + [(pad + l) if l and not l.startswith("#") else l for l in lines[1:]]
    out[-1] += ";"
    return out


def program(rng, n, seed):
    out = PROLOGUE.format(n=n, seed=seed, title=rng.choice(TITLES)).split("\n")
    # Local macros: a pair, a typed argument, a resource name, a toolkit tag pair.
    out += ["/* The look of this window. */",
            "#define LOCAL_FRAME XmNshadowType, XmSHADOW_%s" % rng.choice(["IN", "OUT", "ETCHED_IN"]),
            "#define LOCAL_LABEL(s) XtVaTypedArg, XmNlabelString, XmRString, (s), strlen(s) + 1",
            "#define LOCAL_RES %s" % rng.choice(["XmNspacing", "XmNmarginHeight", "XmNborderWidth"]),
            "#define LOCAL_Q5_FRAME Q5A_Frame, Q5FRAME_%s" % rng.choice(["BUTTON", "GROUP"]),
            ""]
    macros = []
    for m in range(rng.randint(1, 3)):
        name = "SET_%s_%d" % (rng.choice(WORDS).upper(), m)
        body = xt_call(rng, "(w)", in_macro=True)
        lines = ["#define %s(w) \\" % name, "    do {"]
        lines += ["        " + l + (";" if i == len(body) - 1 else "") for i, l in enumerate(body)]
        lines.append("    } while (0)")
        width = max(len(l) for l in lines[1:-1]) + 1
        out.append(lines[0])
        out += [l.ljust(width) + "\\" for l in lines[1:-1]]
        out += [lines[-1], ""]
        macros.append(name)
    out += ["static void make_looks(void)", "{",
            "    look_a = XtVaCreateArgsList(NULL, XmNforeground, pix_a, XmNborderWidth, 1, NULL);",
            "    look_b = XtVaCreateArgsList(NULL, LOOK_MARGINS, NULL);", "}", ""]
    out += ["static unsigned long local_dispatch(Q5Class *cl, Q5Object *obj, Q5Msg *msg)", "{",
            "    if (msg->method == Q5M_Set)",
            "        Q5DoSuper(cl, obj, Q5M_Redraw, Q5A_Redraw_Mode, Q5RM_UPDATE, Q5TAG_END);",
            "    return Q5DoSuper(cl, obj, msg->method, Q5TAG_MORE, msg->tags);", "}", ""]
    parts = rng.randint(4, 6)
    for p in range(parts):
        out += ["static void part_%d(Widget parent)" % p, "{"]
        for _ in range(rng.randint(7, 11)):
            r = rng.random()
            if r < RATE["leading-only"]:
                note("leading-only")
                body = ["/* settle the geometry */", "XtVaSetValues(parent)"]
            elif r < RATE["leading-only"] + RATE["no-pairs"]:
                note("no-pairs")
                body = ["XtVaSetValues(parent, NULL)"]
            elif r < 0.70:
                body = xt_call(rng, rng.choice(["parent"] + WIDGETS))
            elif r < 0.94:
                body = q5_call(rng)
            else:
                body = ["%s(%s)" % (rng.choice(macros), rng.choice(WIDGETS))]
            if rng.random() < 0.05:
                out.append("    /* XtVaSetValues(parent, XmNwidth, 10, NULL); */ /* %s */"
                           % rng.choice(NOTES))
            out += statement(body, 4)
        out += ["}", ""]
    out += ["int main(int argc, char **argv)", "{", "    XtAppContext context;", "",
            "    top_w = XtVaAppInitialize(&context, \"Gen\", NULL, 0, &argc, argv, NULL, NULL);",
            "    form_w = XtVaCreateManagedWidget(\"form\", xmFormWidgetClass, top_w, NULL);",
            "    make_looks();",
            "    class_a = Q5ClassCreate(Q5C_Area, \"Local\", 16, 0,",
            "                            Q5DEFAULTCLASSTAGS,",
            "                            Q5A_Class_Dispatcher, local_dispatch,",
            "                            Q5TAG_END);"]
    out += ["    part_%d(form_w);" % p for p in range(parts)]
    out += ["    XtRealizeWidget(top_w);", "    XtAppMainLoop(context);", "    return 0;", "}", ""]
    return out


def main(argv):
    if len(argv) >= 2 and argv[1] == "--count":
        total = 0
        for name in argv[2:]:
            with open(name, "rb") as f:
                total += count_calls(f.read().decode("latin-1"))
        print(total)
        return 0
    seed = 1
    args = argv[1:]
    if len(args) >= 2 and args[0] == "--seed":
        seed = int(args[1])
        args = args[2:]
    if len(args) != 2:
        sys.stderr.write("usage: generate_programs.py [--seed S] OUTDIR N\n"
                         "       generate_programs.py --count FILE...\n")
        return 2
    outdir, count = args[0], int(args[1])
    os.makedirs(os.path.join(outdir, "src"), exist_ok=True)
    os.makedirs(os.path.join(outdir, "include"), exist_ok=True)
    with open(os.path.join(outdir, "include", "gen_look.h"), "w", newline="\n") as f:
        f.write(HEADER)
    rng = random.Random(seed)
    calls = 0
    for n in range(count):
        text = "\n".join(program(rng, n, seed))
        calls += count_calls(text)
        if rng.random() < 0.1:
            text = text.replace("\n", "\r\n")
        with open(os.path.join(outdir, "src", "prog_%03d.c" % n), "w", newline="") as f:
            f.write(text)
    print("generated %d programs, %d calls; calls with each idiom: %s" % (
        count, calls, ", ".join("%d %s" % (stats[k], k) for k in sorted(stats))))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
