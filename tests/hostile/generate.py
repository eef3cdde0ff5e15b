#!/usr/bin/env python3
"""Writes hostile but legal C for the differential check, with the right
result of every statement:

    generate.py [--seed S] [--only CONSTRUCT[,...]] OUTDIR N

OUTDIR/src/hNNN.c are the files, OUTDIR/src/hNNN.json what the tree
interface must make of them, OUTDIR/include/hostile.h a header of macros
the files include (given to the tool with -I). The same seed writes the
same bytes. `generate.py --list` names the constructs; `generate.py
--seeds DIR` writes one small file for each of a few of them (fuzzing
seeds).

Each file is cut into segments by sentinel comment lines (/*@@N@@*/);
the JSON lists, per segment, the construct it shows, its first line, the
text the default mode must make of it (insertions only; "expected" holds
one or, where two readings are both right, several texts), and every
table call in it: "converted", "left" (byte for byte, with a warning of
"rule" where the rule is fixed) or "not-a-call" (byte for byte, no
finding). "unsafe" names what --unsafe-fixes must keep: "unchanged" (the
segment stays byte for byte) or "terminator" (the list's last NULL gets a
cast, or the segment a warning).

Text is handled as latin-1, so every byte (NUL, CR) passes through. In the
construct texts "\\n" stands for the file's line end; LONE_CR, CRLF and LF
force one.
"""
import json
import os
import random
import sys

LONE_CR, CRLF, LF = "\x01", "\x02", "\x03"

XT_LEADING = {
    "XtVaSetValues": ["w"],
    "XtVaGetValues": ["w"],
    "XtVaCreateWidget": ['"child"', "xmLabelWidgetClass", "w"],
    "XtVaCreateManagedWidget": ['"button"', "xmPushButtonWidgetClass", "w"],
}
# Toolkit calls that q5toolkit.h declares, with leading arguments of the
# declared types.
Q5_DECLARED = {
    "Q5SetAttrs": ["obj"], "Q5GetAttrs": ["obj"], "Q5SetClassAttrs": ["cl"],
    "Q5GetClassAttrs": ["cl"], "Q5Do": ["obj", "Q5M_Set"], "Q5Do2": ["obj", "Q5M_Notify", "v"],
    "Q5DoSuper": ["cl", "obj", "Q5M_Set"], "Q5SendMsg": ["obj", "Q5M_Redraw"],
    "Q5DoClass": ["cl", "Q5M_New"], "Q5New": ["cl"], "Q5ObjectCreate": ['"button"'],
    "Q5ClassCreate": ["cl", '"MyClass"', "sizeof(long)", "0"], "Q5TagSet": ["tags"],
    "Q5TagCopy": ["tags"], "Q5AppCreate": ["0", "NULL"], "Q5ProcessEvents": ["obj", "1"],
}
# The other toolkit calls and their leading-argument counts: each file
# declares them itself (all leading parameters unsigned long), defines a
# few old-style, or names a macro after one.
Q5_OTHER = {
    "Q5Do3": 4, "Q5DoSuper2": 4, "Q5DoSuper3": 5, "Q5SendMsg2": 3, "Q5SendMsg3": 4,
    "Q5SendEMsg": 2, "Q5SendEMsg2": 3, "Q5SendEMsg3": 4, "Q5DoE": 2, "Q5DoE2": 3, "Q5DoE3": 4,
    "Q5SendClassMsg": 2, "Q5SendClassMsg2": 3, "Q5SendClassMsg3": 4, "Q5DoClass2": 3,
    "Q5DoClass3": 4, "Q5AltObjectCreate": 2, "Q5ObjectLoad": 1, "Q5ObjectSave": 1,
    "Q5TagConcat": 1, "Q5Inherit": 3, "Q5Inherit2": 4, "Q5Inherit3": 5,
}
OTHER_LEADING = ["v", "1", "Q5M_Set", "2", "sizeof(int)"]

RES = ["XmNwidth", "XmNheight", "XmNx", "XmNy", "XmNmarginWidth", "XmNmarginHeight",
       "XmNborderWidth", "XmNsensitive", "XmNuserData", "XmNtraversalOn"]
RES_VAL = ["10", "0", "v", "2 * v + 1", "a[1]", "gp->width", "(Dimension) v", "'x'",
           '"text, with) comma"', "sizeof(int)", "v ? 1 : 2", "(XtPointer) s"]
TAGS = ["Q5A_Width", "Q5A_Height", "Q5A_Left", "Q5A_Top", "Q5A_Title", "Q5A_Label",
        "Q5A_Disabled", "Q5A_Selected", "Q5A_Value", "Q5A_Min", "Q5A_Max", "Q5A_Frame"]
TAG_VAL = ["1", "100", "v", "v + 2", '"label, (x)"', "Q5FRAME_BUTTON", "(unsigned long) s",
           "sizeof(long)", "a[2] * 3", "','"]
GET_VAL = ["&v", "(unsigned long *) &v", "&geom.width"]
OPEN = {"xt": "Q5LT(", "q5": "Q5T(", "get": "Q5ST("}
CALL_NAMES = list(XT_LEADING) + list(Q5_DECLARED) + list(Q5_OTHER) + ["Q5TagGet"]


class Seg:
    """One segment: its input and the default mode's output, built side by
    side; `i` adds to the output only (an insertion)."""

    def __init__(self, construct):
        self.construct = construct
        self.inp, self.exp = [], []
        self.alts = []       # other right outputs, as whole texts
        self.calls = []
        self.unsafe = None

    def t(self, text):
        self.inp.append(text)
        self.exp.append(text)
        return self

    def i(self, text):
        self.exp.append(text)
        return self

    def call(self, name, outcome, rule=None):
        self.calls.append({"name": name, "outcome": outcome, "rule": rule})
        return self


class Pair:
    def __init__(self, tag, value, mid=", ", wrap_tag=False, wrap_value=False):
        self.tag, self.value, self.mid = tag, value, mid
        self.wrap_tag, self.wrap_value = wrap_tag, wrap_value


class Term:
    def __init__(self, text):
        self.text = text


def is_cast(text):
    return "".join(text.split()).startswith("(char*)")


def family(name):
    if name in XT_LEADING:
        return "xt"
    return "get" if name == "Q5TagGet" else "q5"


def emit(seg, name, parts, convert=True, name_text=None, end=";", after_name=""):
    """A call: `parts` are strings (kept), Pair and Term. Converted, it
    gets the pair macros, the cast and the S of Q5TagGetS by insertion (the
    S right after the name's last byte, before what stands between it and
    its parenthesis)."""
    fam = family(name)
    seg.t(name_text if name_text is not None else name)
    if convert and fam == "get":
        seg.i("S")
    seg.t(after_name)
    seg.t("(")
    for p in parts:
        if isinstance(p, str):
            seg.t(p)
        elif isinstance(p, Pair):
            if convert:
                seg.i(OPEN[fam] + ("(" if p.wrap_tag else ""))
            seg.t(p.tag)
            if convert and p.wrap_tag:
                seg.i(")")
            seg.t(p.mid)
            if convert and p.wrap_value:
                seg.i("(")
            seg.t(p.value)
            if convert:
                seg.i("))" if p.wrap_value else ")")
        else:
            if convert and fam == "xt" and not is_cast(p.text):
                seg.i("(char *)")
            seg.t(p.text)
    seg.t(")" + end)
    return seg


def joined(items, sep=", "):
    out = []
    for k, item in enumerate(items):
        if k:
            out.append(sep)
        out.append(item)
    return out


class File:
    """What one file's constructs share: its number (macro names end with
    it), its random source and its line end."""

    def __init__(self, n, rng):
        self.n, self.rng = n, rng
        self.others = list(Q5_OTHER)
        rng.shuffle(self.others)
        self.reserved = []   # other calls defined or named by a macro here
        self.used_others = set()
        self.agreed = False
        self.instance = 0

    def m(self, base):
        """A macro name of this file and construct."""
        return "%s_%d_%d" % (base, self.n, self.instance)

    def reserve(self):
        name = next(n for n in self.others if n not in self.used_others)
        self.others.remove(name)
        self.reserved.append(name)
        return name

    def splice(self, blanks=True):
        r = self.rng
        tail = r.choice(["", "", "", " ", "\t", " \t"]) if blanks else ""
        return "\\" + tail + r.choice(["\n", "\n", CRLF, LF])

    def res(self):
        return self.rng.choice(RES)

    def pairs(self, fam, k):
        r = self.rng
        if fam == "xt":
            return [Pair(t, r.choice(RES_VAL)) for t in r.sample(RES, k)]
        if fam == "get":
            return [Pair(t, r.choice(GET_VAL)) for t in r.sample(TAGS, k)]
        return [Pair(t, r.choice(TAG_VAL)) for t in r.sample(TAGS, k)]

    def q5_call(self):
        """A toolkit call this file may make: name and leading arguments."""
        r = self.rng
        if r.random() < 0.3 and self.others:
            name = r.choice(self.others)
            self.used_others.add(name)
            return name, [r.choice(OTHER_LEADING) for _ in range(Q5_OTHER[name])]
        name = r.choice(list(Q5_DECLARED))
        return name, Q5_DECLARED[name]

    def any_call(self):
        r = self.rng.random()
        if r < 0.45:
            name = self.rng.choice(list(XT_LEADING))
            return name, XT_LEADING[name]
        if r < 0.55:
            return "Q5TagGet", ["tags"]
        return self.q5_call()

    def ordinary(self, seg, indent="    ", k=None, convert=True, end=";"):
        """A plain call of any family, on one line."""
        name, lead = self.any_call()
        fam = family(name)
        k = k if k is not None else self.rng.randint(1, 3)
        term = "NULL" if fam == "xt" else "Q5TAG_END"
        seg.t(indent)
        emit(seg, name, joined(lead + self.pairs(fam, k) + [Term(term)]), convert, end=end)
        seg.call(name, "converted" if convert else "left")
        return seg


# ---------------------------------------------------------------------------
# Constructs. Each takes the File and returns (file-scope segments, body
# segments); a body segment is a statement (or several) inside a function.

def c_ordinary(f):
    seg = Seg("ordinary")
    for _ in range(f.rng.randint(1, 3)):
        f.ordinary(seg).t("\n")
    return [], [seg]


def c_multiline_comments(f):
    seg = Seg("comments-in-list")
    name, lead = f.any_call()
    fam = family(name)
    term = "NULL" if fam == "xt" else "Q5TAG_END"
    notes = ["/* a, b) */", "/* NULL) */", "// XtVaSetValues(w, XmNwidth, 1, NULL);",
             "/* Q5SetAttrs(obj, */", "/* \"quote, */"]
    parts = [", ".join(lead), ",\n"]
    for p in f.pairs(fam, f.rng.randint(1, 3)):
        parts += ["        ", p, ", " + f.rng.choice(notes) + "\n"]
    parts += ["        ", Term(term)]
    seg.t("    ")
    emit(seg, name, parts).t("\n")
    seg.call(name, "converted")
    return [], [seg]


def c_nested(f):
    seg = Seg("nested-calls")
    depth = f.rng.randint(2, 5)

    def inner(level):
        if level == depth:
            name, lead = "Q5New", ["cl"]
            if f.rng.random() < 0.5:
                name, lead = "XtVaCreateWidget", XT_LEADING["XtVaCreateWidget"]
            fam = family(name)
            emit(seg, name, joined(lead + f.pairs(fam, 1) + [Term(
                "NULL" if fam == "xt" else "Q5TAG_END")]), end="")
            seg.call(name, "converted")
            return
        name = f.rng.choice(["Q5New", "Q5SetAttrs"])
        lead = ["cl"] if name == "Q5New" else ["obj"]
        seg.t(name + "(" + lead[0] + ", ").i("Q5T(").t("Q5A_UserData, ")
        inner(level + 1)
        seg.i(")").t(", Q5TAG_END)")
        seg.call(name, "converted")

    seg.t("    (void)")
    inner(1)
    seg.t(";\n")
    return [], [seg]


def c_deep_parens(f):
    seg = Seg("deep-parentheses")
    d = f.rng.randint(20, 60)
    name = f.rng.choice(["XtVaSetValues", "Q5SetAttrs"])
    fam = family(name)
    tag = "XmNwidth" if fam == "xt" else "Q5A_Width"
    value = "(" * d + "v" + ")" * d
    seg.t("    ")
    emit(seg, name, joined([XT_LEADING.get(name, ["obj"])[0], Pair(tag, value),
                            Term("NULL" if fam == "xt" else "Q5TAG_END")])).t("\n")
    seg.call(name, "converted")
    return [], [seg]


def c_splice_in_name(f):
    seg = Seg("splice-in-name")
    name, lead = f.any_call()
    fam = family(name)
    cut = f.rng.randint(1, len(name) - 1)
    text = name[:cut] + f.splice() + name[cut:]
    # and between the name and its parenthesis
    after = f.splice() if f.rng.random() < 0.3 else ""
    term = "NULL" if fam == "xt" else "Q5TAG_END"
    seg.t("    ")
    emit(seg, name, joined(lead + f.pairs(fam, f.rng.randint(1, 2)) + [Term(term)]),
         name_text=text, after_name=after).t("\n")
    seg.call(name, "converted")
    return [], [seg]


def c_splice_joins_identifier(f):
    """A splice that makes a table name part of a longer identifier."""
    seg = Seg("splice-joins-identifier")
    r = f.rng
    if r.random() < 0.5:
        seg.t("    my" + f.splice() + "XtVaSetValues(w, XmNwidth, 10, NULL);\n")
        seg.call("XtVaSetValues", "not-a-call")
    else:
        seg.t("    Q5SetAttrs" + f.splice() + "_hook(obj, Q5A_Width, 1, Q5TAG_END);\n")
        seg.call("Q5SetAttrs", "not-a-call")
    return [], [seg]


def c_splice_in_arguments(f):
    """Splices inside tags, values, strings, numbers, punctuators and the
    separators of a list."""
    seg = Seg("splice-in-arguments")
    r, sp = f.rng, f.splice
    name = r.choice(["XtVaSetValues", "XtVaCreateWidget"])
    pairs = [
        Pair("XmN" + sp() + "width", "1" + sp() + "0"),
        Pair("XmNheight", '"ab' + sp() + 'cd"'),
        Pair("XmNx", "gp-" + sp() + ">width"),
        Pair("XmNy", "v " + "&" + sp() + "& 1"),
        Pair("Xm" + sp() + "NborderWidth", "v"),
    ]
    r.shuffle(pairs)
    pairs = pairs[:r.randint(2, 5)]
    parts = list(XT_LEADING[name][:1]) if name == "XtVaSetValues" else [
        ", ".join(XT_LEADING[name])]
    for p in pairs:
        parts += [r.choice([", ", "," + sp() + " ", " " + sp() + ", "]), p]
    parts += [", ", Term("NU" + sp() + "LL")]
    seg.t("    ")
    emit(seg, name, parts).t("\n")
    seg.call(name, "converted")
    return [], [seg]


def c_splice_comment_delims(f):
    """Comment openers and closers split by splices: in a list they are
    comments; around a call they make it commentary."""
    r, sp = f.rng, f.splice
    seg = Seg("splice-comment-delimiters")
    if r.random() < 0.5:
        note = "/" + sp() + "* XmNheight, 5, NULL) *" + sp() + "/"
        seg.t("    ")
        emit(seg, "XtVaSetValues", ["w, ", Pair("XmNwidth", "10"), ", " + note + " ",
                                    Pair("XmNx", "v"), ", ", Term("NULL")]).t("\n")
        seg.call("XtVaSetValues", "converted")
    else:
        seg.t("    /" + sp() + "* Q5SetAttrs(obj, Q5A_Width, 1, Q5TAG_END); *" + sp()
              + "/ ")
        seg.call("Q5SetAttrs", "not-a-call")
        emit(seg, "Q5SetAttrs", ["obj, ", Pair("Q5A_Height", "2"), ", ", Term("Q5TAG_END")])
        seg.t("\n")
        seg.call("Q5SetAttrs", "converted")
    return [], [seg]


def c_splice_line_comment(f):
    """A // comment continued by a splice: the next line is comment too."""
    seg = Seg("splice-line-comment")
    seg.unsafe = "unchanged"
    name, lead = f.any_call()
    fam = family(name)
    term = "NULL" if fam == "xt" else "Q5TAG_END"
    text = "%s(%s, %s, %s, %s);" % (name, ", ".join(lead), "XmNwidth" if fam == "xt" else
                                   "Q5A_Width", "1" if fam != "get" else "&v", term)
    opener = f.rng.choice(["// was:", "//", "/" + f.splice() + "/ was:"])
    seg.t("    " + opener + " " + f.splice() + "    " + text + "\n")
    seg.call(name, "not-a-call")
    return [], [seg]


def c_trigraphs(f):
    """Trigraphs are not replaced: ??/ at the end of a // comment is no
    splice, and in a string it is no backslash."""
    seg = Seg("trigraphs")
    seg.t("    // note ??/\n    ")
    emit(seg, "XtVaSetValues", ["w, ", Pair("XmNwidth", "10"), ", ",
                                Pair("XmNlabelString", '"a??/"'), ", ", Pair("XmNuserData",
                                                                              '"??)"'),
                                ", ", Term("NULL")]).t("\n")
    seg.call("XtVaSetValues", "converted")
    return [], [seg]


DIRECTIVE_FORMS = ["#{d}", "\t#{d}", "\f#{d}", "\v #{d}", "/* c */ #{d}", "# /* c */ {d}",
                   "%:{d}", "/* a\n   b */ #{d}", "  #  {d}"]


def directive(f, d):
    return f.rng.choice(DIRECTIVE_FORMS).format(d=d)


def c_directive_between_pairs(f):
    """Directive lines between whole pairs, in every form gcc reads as a
    directive: converted around them."""
    seg = Seg("directive-between-pairs")
    name = f.rng.choice(["XtVaSetValues", "Q5SetAttrs", "Q5GetAttrs"])
    fam = family(name)
    lead = XT_LEADING.get(name) or Q5_DECLARED[name]
    pp = f.pairs(fam, 4)
    parts = [", ".join(lead), ",\n        ", pp[0], ",\n",
             directive(f, "ifdef " + f.m("HX_ON")) + "\n        ", pp[1], ",\n",
             directive(f, "else") + "\n        ", pp[2], ", ", pp[3], ",\n",
             directive(f, "endif") + "\n        ",
             Term("NULL" if fam == "xt" else "Q5TAG_END")]
    seg.t("    ")
    emit(seg, name, parts).t("\n")
    seg.call(name, "converted")
    return [], [seg]


def c_directive_define_forms(f):
    """A macro defined by a directive of unusual form: known, it decides
    the pairing."""
    top, seg = Seg("directive-define-forms"), Seg("directive-define-forms")
    res, pair = f.m("DRES"), f.m("DPAIR")
    forms = ["# /* x */ define {n} {b}", "#define/**/{n} {b}", "%:define {n} {b}",
             "\t#define {n} {b}", "/* c */ #define {n} {b}", "#\tdefine {n} {b}"]
    top.t(f.rng.choice(forms).format(n=res, b="XmNheight") + "\n")
    top.t(f.rng.choice(forms).format(n=pair, b="XmNmarginWidth, 4") + "\n")
    seg.t("    ")
    emit(seg, "XtVaSetValues", ["w, ", Pair(res, "5"), ", ", Term("NULL")]).t("\n")
    seg.call("XtVaSetValues", "converted")
    seg.t("    ")
    emit(seg, "XtVaSetValues", ["w, " + pair + ", ", Pair("XmNwidth", "1"), ", ",
                                Term("NULL")], convert=False).t("\n")
    seg.call("XtVaSetValues", "left", "q5-macro-pairs")
    return [top], [seg]


def first_line(f):
    """The prologue's #define on line 1 (before the includes)."""
    seg = Seg("directive-first-line")
    pick = f.rng.random()
    if pick < 0.25:   # a macro of two list arguments, read from line 1
        mac = f.m("FIRST_PAIR")
        seg.t("#define %s XmNwidth, 1\n" % mac)
        use = Seg("directive-first-line").t("    XtVaSetValues(w, %s, NULL);\n" % mac)
        use.call("XtVaSetValues", "left", "q5-macro-pairs")
    elif pick < 0.7:
        mac = f.m("FIRST_SET")
        seg.t("#define %s(w) " % mac)
        emit(seg, "XtVaSetValues", ["w, ", Pair("XmNwidth", "1"), ", ", Term("NULL")], end="")
        seg.t("\n")
        seg.call("XtVaSetValues", "converted")
        use = Seg("directive-first-line").t("    %s(w);\n" % mac)
    else:
        seg.t("#define %s(w) XtVaSetValues(w, XmNwidth,\n" % f.m("FIRST_OPEN"))
        seg.call("XtVaSetValues", "left", "q5-unterminated-list")
        use = None
    return seg, use


def c_directive_comment_spanning(f):
    """A block comment spanning lines inside a #define: the directive goes
    on after it."""
    top = Seg("directive-comment-spanning")
    body = []
    if f.rng.random() < 0.6:
        mac = f.m("SPAN_SET")
        top.t("#define %s(w) /* sets the width,\n   NULL) */ " % mac)
        emit(top, "XtVaSetValues", ["w, ", Pair("XmNwidth", "1"), ", ", Term("NULL")], end="")
        top.t("\n")
        top.call("XtVaSetValues", "converted")
        body.append(Seg("directive-comment-spanning").t("    %s(w);\n" % mac))
    else:
        top.t("#define %s(w) /* opens a list,\n   closed by the user */ "
              "XtVaSetValues(w, XmNwidth,\n" % f.m("SPAN_OPEN"))
        top.call("XtVaSetValues", "left", "q5-unterminated-list")
    return [top], body


def c_hash_not_directive(f):
    """A # that starts a physical line but not a logical one: stringizing
    in a macro body."""
    top = Seg("hash-not-directive")
    mac = f.m("NAMED_SET")
    top.t("#define %s(w) " % mac)
    emit(top, "XtVaSetValues", ["w, ", Pair("XmNwidth", "1"), ", ", Term("NULL")], end="")
    top.t(f.rng.choice([", " + f.splice() + "    #w", ", /* a\n   b */ #w",
                        ", " + f.splice() + "/* c */ # w"]) + "\n")
    top.call("XtVaSetValues", "converted")
    use = Seg("hash-not-directive").t("    (void)(%s(w));\n" % mac)
    return [top], [use]


def c_directive_in_pair(f):
    """A directive between a tag and its value, or a branch holding half
    a pair: left."""
    seg = Seg("directive-inside-pair")
    on = f.m("HX_TALL")
    if f.rng.random() < 0.5:
        text = ("    XtVaSetValues(w, XmNwidth,\n%s\n        400,\n%s\n        200,\n%s\n"
                "        NULL);\n" % (directive(f, "ifdef " + on), directive(f, "else"),
                                      directive(f, "endif")))
        seg.t(text).call("XtVaSetValues", "left", "q5-directive-in-list")
    else:
        text = ("    Q5SetAttrs(obj,\n%s\n        Q5A_Height, 1, Q5A_Width,\n%s\n"
                "        Q5A_Width,\n%s\n        10, Q5TAG_END);\n"
                % (directive(f, "ifdef " + on), directive(f, "else"), directive(f, "endif")))
        seg.t(text).call("Q5SetAttrs", "left", "q5-directive-in-list")
    return [], [seg]


def c_directive_in_leading(f):
    """A conditional among the leading arguments: converted when every
    branch holds as many arguments, left otherwise."""
    seg = Seg("directive-in-leading")
    on = f.m("HX_PUSH")
    name = f.rng.choice(["XtVaCreateManagedWidget", "XtVaCreateWidget"])
    if f.rng.random() < 0.65:
        parts = ['"w",\n', directive(f, "ifdef " + on),
                 "\n        xmPushButtonWidgetClass,\n", directive(f, "else"),
                 "\n        xmLabelWidgetClass,\n", directive(f, "endif"), "\n        w, ",
                 Pair("XmNwidth", "1"), ", ", Term("NULL")]
        seg.t("    ")
        emit(seg, name, parts).t("\n")
        seg.call(name, "converted")
    else:
        text = ('    %s("w",\n%s\n        xmPushButtonWidgetClass, w,\n%s\n'
                '        xmLabelWidgetClass,\n%s\n        w, XmNwidth, 1, NULL);\n'
                % (name, directive(f, "ifdef " + on), directive(f, "else"),
                   directive(f, "endif")))
        seg.t(text).call(name, "left", "q5-directive-in-list")
    return [], [seg]


def c_digraphs(f):
    """Digraphs are the punctuators they spell."""
    top, seg = Seg("digraphs"), Seg("digraphs")
    res = f.m("DIG_RES")
    top.t("%%:define %s(n) XmN%%:%%:n\n" % res)
    parts = ["w, ", Pair("XmNx", "a<:1:>"), ", ", Pair(res + "(height)", "v"), ",\n",
             "%:ifdef " + f.m("HX_DIG") + "\n        ", Pair("XmNy", "a<:2:> + 1"), ",\n",
             "%:endif\n        ", Pair("XmNuserData", "(int[])<%1, 2%>", wrap_value=True),
             ", ", Term("NULL")]
    seg.t("    ")
    emit(seg, "XtVaSetValues", parts).t("\n")
    seg.call("XtVaSetValues", "converted")
    return [top], [seg]


def c_not_calls_text(f):
    """Table names in comments and literals."""
    seg = Seg("comment-or-literal")
    seg.t('    s = "Q5SetAttrs(obj, Q5A_Width, 1, Q5TAG_END)"; /* XtVaSetValues(w, XmNx, 1, '
          'NULL); */\n')
    seg.t("    v = 'Q5'; // Q5TagGet(tags, Q5A_Width, &v, Q5TAG_END);\n")
    seg.call("Q5SetAttrs", "not-a-call").call("XtVaSetValues", "not-a-call")
    seg.call("Q5TagGet", "not-a-call")
    return [], [seg]


def c_kr_definition(f):
    """An old-style definition of a table name: not a call."""
    name = f.reserve()
    n = Q5_OTHER[name]
    params = ["p%d" % k for k in range(n)] + ["tag", "value"]
    r = f.rng
    head = name if r.random() < 0.6 else name[:3] + f.splice() + name[3:]
    seg = Seg("kr-definition")
    seg.t("unsigned long\n%s(%s)%s\n" % (head, ", ".join(params),
                                         r.choice(["", " /* old style, Q5TAG_END) */"])))
    seg.t("    unsigned long %s;\n    unsigned long tag, value;\n" % ", ".join(params[:n]))
    seg.t(r.choice(["{\n    return tag + value;\n}\n", "<%\n    return tag + value;\n%>\n"]))
    seg.call(name, "not-a-call")
    return [seg], []


def c_definition_head(f):
    """A prototype-style definition whose parameters look like a list."""
    name = f.reserve()
    n = Q5_OTHER[name]
    params = ["unsigned long p%d" % k for k in range(n)] + ["unsigned long tag",
                                                            "unsigned long value"]
    seg = Seg("definition-head")
    seg.t("unsigned long %s(%s)\n%s\n    return tag + value;\n%s\n"
          % (name, ", ".join(params), *f.rng.choice([("{", "}"), ("<%", "%>")])))
    seg.call(name, "not-a-call")
    return [seg], []


def c_define_named_like_call(f):
    """#define NAME( of a table name: not a call."""
    name = f.reserve()
    seg = Seg("define-named-like-call")
    seg.t("#define %s(o, tag, value) ((void)(o), (tag) + (value))\n" % name)
    seg.call(name, "not-a-call")
    return [seg], []


def c_define_body_call(f):
    """A call in a macro body whose pairs hold no parameter: converted."""
    top = Seg("define-body-call")
    mac = f.m("BODY_SET")
    lead = f.rng.choice(["\t#define", "#define", "  #  define"])
    top.t("%s %s(w, o) do { " % (lead, mac) + f.splice())
    top.t("        ")
    emit(top, "XtVaSetValues", ["w, ", Pair("XmNwidth", "10"), ", " + f.splice() + "        ",
                                Pair("XmNheight", "20"), ", ", Term("NULL")]).t(" " + f.splice())
    top.t("        ")
    emit(top, "Q5SetAttrs", ["o, ", Pair("Q5A_Width", "1"), ", ", Term("Q5TAG_END")])
    top.t(" " + f.splice() + "    } while (0)\n")
    top.call("XtVaSetValues", "converted").call("Q5SetAttrs", "converted")
    use = Seg("define-body-call").t("    %s(w, obj);\n" % mac)
    return [top], [use]


def c_define_body_parameter(f):
    """A call in a macro body whose pairs hold a parameter, __VA_ARGS__,
    # or ##: its count depends on each use, so it is left."""
    r = f.rng
    kind = r.randint(0, 4)
    top, use = Seg("define-body-parameter"), Seg("define-body-parameter")
    mac = f.m("PARAM_SET")
    if kind == 0:
        top.t("#define %s(w, v) XtVaSetValues(w, XmNwidth, v, NULL)\n" % mac)
        use.t("    %s(w, 10);\n" % mac)
    elif kind == 1:
        top.t("#define %s(w, ...) XtVaSetValues(w, __VA_ARGS__, NULL)\n" % mac)
        use.t("    %s(w, XmNwidth, 10);\n" % mac)
    elif kind == 2:
        top.t("#define %s(w, args...) XtVaSetValues(w, args, NULL)\n" % mac)
        use.t("    %s(w, XmNwidth, 10);\n" % mac)
    elif kind == 3:
        top.t("#define %s(w, n) XtVaSetValues(w, XmN##n, 10, NULL)\n" % mac)
        use.t("    %s(w, width);\n" % mac)
    else:
        top.t("#define %s(o, n) Q5SetAttrs(o, Q5A_Width, " % mac + f.splice()
              + "    #n, Q5TAG_END)\n")
        use.t("    %s(obj, wide);\n" % mac)
    top.call("XtVaSetValues" if kind < 4 else "Q5SetAttrs", "left", "q5-macro-pairs")
    return [top], [use]


def c_macro_one_argument(f):
    """Uses of macros that expand to exactly one argument, as cpp expands
    them: converted."""
    top, seg = Seg("macro-one-argument"), Seg("macro-one-argument")
    m = f.m
    top.t("#define %s XmNwidth\n#define %s(n) XmN##n\n#define %s(a, b) a\n#define %s(x) x\n"
          "#define %s %s\n#define %s(...) __VA_ARGS__\n#define %s(x) #x\n"
          "#define %s XmNforeground, 1\n"
          % (m("ONE_RES"), m("ONE_PASTE"), m("ONE_FIRST"), m("ONE_ID"), m("ONE_MK"),
             m("ONE_PASTE"), m("ONE_PICK"), m("ONE_STR"), m("ONE_FG")))
    uses = [m("ONE_RES"), m("ONE_PASTE") + "(height)", m("ONE_FIRST") + "(XmNx, junk)",
            m("ONE_ID") + "(XmNy)", m("ONE_MK") + "(marginWidth)",
            m("ONE_PICK") + "(XmNborderWidth)", m("ONE_STR") + "(" + m("ONE_FG") + ")"]
    f.rng.shuffle(uses)
    pairs = [Pair(u, f.rng.choice(["1", "v", "2 * v"])) for u in uses[:f.rng.randint(2, 4)]]
    seg.t("    ")
    emit(seg, "XtVaSetValues", joined(["w"] + pairs + [Term("NULL")])).t("\n")
    seg.call("XtVaSetValues", "converted")
    return [top], [seg]


def c_macro_many_arguments(f):
    """Uses that expand to other than one argument, as cpp expands them
    (arguments expanded first, pasted names rescanned): left."""
    top, seg = Seg("macro-many-arguments"), Seg("macro-many-arguments")
    m = f.m
    top.t("#define %s(x) x\n#define %s XmNforeground, 1\n#define %s(a, b) a##b\n"
          "#define %s(...) __VA_ARGS__\n#define %s(x) x, x\n"
          % (m("MANY_ID"), m("MANY_FG"), m("MANY_PASTE"), m("MANY_PICK"), m("MANY_TWICE")))
    fg = m("MANY_FG")
    head, tail = fg.rsplit("_", 1)
    use = f.rng.choice([m("MANY_ID") + "(" + fg + ")",
                        m("MANY_PASTE") + "(%s, _%s)" % (head, tail),
                        m("MANY_PICK") + "(XmNwidth, 10)", m("MANY_TWICE") + "(XmNwidth)"])
    seg.t("    XtVaSetValues(w, %s, NULL);\n" % use)
    seg.call("XtVaSetValues", "left", "q5-macro-pairs")
    return [top], [seg]


def c_macro_recursive(f):
    """A name whose definition leads back to itself: left."""
    top, seg = Seg("macro-recursive"), Seg("macro-recursive")
    a, b = f.m("REC_A"), f.m("REC_B")
    top.t("#define %s %s\n#define %s %s\nstatic const char *%s = XmNwidth;\n" % (a, b, b, a, a))
    seg.t("    XtVaSetValues(w, %s, 10, NULL);\n" % a)
    seg.call("XtVaSetValues", "left", "q5-macro-pairs")
    return [top], [seg]


def c_macro_conflict(f):
    """Definitions of one name that disagree on the count: left."""
    top, seg = Seg("macro-conflict"), Seg("macro-conflict")
    mac = f.m("SIZE")
    top.t("#ifdef %s\n#define %s XmNwidth, 200\n#else\n#define %s XmNwidth\n#endif\n"
          % (f.m("HX_WIDE"), mac, mac))
    seg.t("    XtVaSetValues(w, %s, 10, NULL);\n" % mac)
    seg.call("XtVaSetValues", "left", "q5-macro-pairs")
    return [top], [seg]


def c_macro_agree(f):
    """Definitions that agree are one macro: the same text again, after
    #undef, or in the header and other files; different texts of one
    count are fine too."""
    top, seg = Seg("macro-agree"), Seg("macro-agree")
    nest = f.m("NEST_AGAIN")
    top.t("#define %s XtVaNestedList\n#undef %s\n#define %s XtVaNestedList\n" % (nest, nest,
                                                                                  nest))
    top.t("#define HX_SHARED_PAIR XmNmarginWidth, 2\n#define HX_NEST XtVaNestedList\n")
    if not f.agreed:   # one value a file; other files give other values
        f.agreed = True
        top.t("#define HX_WVAL %d\n#define HX_MPAIR %s\n"
              % (f.rng.choice([100, 200, 300]), f.rng.choice(["XmNmarginWidth, 2",
                                                              "XmNmarginHeight, 3"])))
    seg.t("    ")
    emit(seg, "XtVaSetValues", ["w, %s, list, " % nest, Pair("XmNwidth", "HX_WVAL"),
                                ", HX_NEST, list, ", Term("NULL")]).t("\n")
    seg.call("XtVaSetValues", "converted")
    seg.t("    XtVaSetValues(w, %s, XmNwidth, 1, NULL);\n"
          % f.rng.choice(["HX_SHARED_PAIR", "HX_MPAIR"]))
    seg.call("XtVaSetValues", "left", "q5-macro-pairs")
    return [top], [seg]


def c_macro_alias_special(f):
    """Aliases of XtVaTypedArg and XtVaNestedList take their arity."""
    top, seg = Seg("macro-alias-special"), Seg("macro-alias-special")
    typed, nest = f.m("TYPED"), f.m("NEST")
    top.t("#define %s XtVaTypedArg\n#define %s XtVaNestedList\n" % (typed, nest))
    parts = ["w, ", Pair("XmNwidth", "1"), ", %s, XmNlabelString, XmRString, \"x, y\", 5, "
             % typed, Pair("XmNheight", "2"), ", %s, list, " % nest]
    if f.rng.random() < 0.5:
        parts += ["HX_NEST, list, "]
    parts += [Term("NULL")]
    seg.t("    ")
    emit(seg, "XtVaSetValues", parts).t("\n")
    seg.call("XtVaSetValues", "converted")
    return [top], [seg]


def c_macro_call_alias(f):
    """A macro that stands for a call's name makes its uses that call:
    converted like it (through a chain of such names too, and with names
    that begin as literals' prefixes do); left where the macro's
    definitions differ, or where it names Q5TagGet (only its definition
    could give the new name)."""
    r = f.rng
    top, seg = Seg("macro-call-alias"), Seg("macro-call-alias")
    kind = r.randint(0, 5)
    alias = r.choice(["SET", "L_set", "u8set", "Rset", "U"]) + "_%d_%d" % (f.n, f.instance)
    if kind == 4:
        top.t("#define %s Q5TagGet\n" % alias)
        seg.t("    %s(tags, Q5A_Width, &v, Q5TAG_END);\n" % alias)
        seg.call("Q5TagGet", "left", "q5-aliased-call")
        return [top], [seg]
    if kind == 5:
        top.t("#ifdef %s\n#define %s XtVaSetValues\n#else\n#define %s myXtVaSetValues\n#endif\n"
              % (f.m("HX_OLD"), alias, alias))
        seg.t("    %s(w, XmNwidth, 10, NULL);\n" % alias)
        seg.call("XtVaSetValues", "left", "q5-aliased-call")
        return [top], [seg]
    if kind == 3:
        name = r.choice(list(Q5_DECLARED))
        lead = Q5_DECLARED[name]
    else:
        name = r.choice(list(XT_LEADING))
        lead = XT_LEADING[name]
    fam = family(name)
    if kind == 1:
        middle = f.m("CHAIN")
        top.t("#define %s %s\n#define %s %s\n" % (alias, middle, middle, name))
    else:
        top.t("#define %s %s\n" % (alias, name))
    pairs = f.pairs(fam, r.randint(1, 3))
    if fam == "xt" and r.random() < 0.5:
        pairs.append(Pair(r.choice(RES), "L'x'"))
    seg.t("    ")
    emit(seg, name, joined(lead + pairs + [Term("NULL" if fam == "xt" else "Q5TAG_END")]),
         name_text=alias, after_name=r.choice(["", " ", " /* c */ ", " HX_EMPTY "])).t("\n")
    seg.call(name, "converted")
    return [top], [seg]


def c_macro_stringized(f):
    """A call in an argument that a macro turns into a string (directly or
    through a macro it passes it on to): text there, so left; one in an
    argument the macro only uses is converted."""
    r = f.rng
    top, seg = Seg("macro-stringized"), Seg("macro-stringized")
    show, string, xstring = f.m("HX_SHOW"), f.m("HX_STR"), f.m("HX_XSTR")
    top.t("#define %s(name, call) ((void)sizeof(#name), (void)sizeof(#call), call)\n"
          "#define %s(x) #x\n#define %s(x) %s(x)\n" % (show, string, xstring, string))
    kind = r.randint(0, 2)
    if kind == 0:
        seg.t("    %s(set, XtVaSetValues(w, XmNwidth, 10, NULL));\n" % show)
    elif kind == 1:
        seg.t("    (void)sizeof(%s(XtVaSetValues(w, XmNwidth, 10, NULL)));\n" % xstring)
    else:
        seg.t("    (void)sizeof(%s(Q5SetAttrs(obj, Q5A_Width, 1, Q5TAG_END)));\n" % string)
    seg.call("Q5SetAttrs" if kind == 2 else "XtVaSetValues", "left", "q5-stringized-call")
    return [top], [seg]


def c_macro_from_header(f):
    """Macros of the header under -I."""
    seg = Seg("macro-from-header")
    seg.t("    ")
    emit(seg, "XtVaSetValues", ["w, ", Pair("HX_RES", "5"), ", ", Term("NULL")]).t("\n")
    seg.call("XtVaSetValues", "converted")
    seg.t("    XtVaSetValues(w, HX_PAIR, NULL);\n")
    seg.call("XtVaSetValues", "left", "q5-macro-pairs")
    return [], [seg]


def c_brace_comma(f):
    """A half holding a comma that only braces or brackets enclose: the
    half is wrapped in parentheses inside the pair macro."""
    seg = Seg("brace-comma")
    r = f.rng
    options = [
        ("xt", Pair("XmNuserData", "(int[]){1, 2}", wrap_value=True)),
        ("xt", Pair("XmNuserData", "(int[])<%3, 4%>", wrap_value=True)),
        ("xt", Pair("XmNx", "a[1, 2]", wrap_value=True)),
        ("xt", Pair("(char *[]){XmNwidth, XmNheight}[0]", "v", wrap_tag=True)),
        ("q5", Pair("(unsigned long[]){Q5A_Width, 0}[0]", "5", wrap_tag=True)),
        ("q5", Pair("Q5A_Value", "(long[]){7, 8}[1]", wrap_value=True)),
    ]
    fam, p = r.choice(options)
    name = "XtVaSetValues" if fam == "xt" else "Q5SetAttrs"
    seg.t("    ")
    emit(seg, name, joined([XT_LEADING.get(name, ["obj"])[0], p,
                            Term("NULL" if fam == "xt" else "Q5TAG_END")])).t("\n")
    seg.call(name, "converted")
    return [], [seg]


def c_statement_expression(f):
    """A statement expression: its commas are inside parentheses, so the
    half needs no wrapping (wrapping it is right too)."""
    plain, wrapped = Seg("statement-expression"), Seg("statement-expression")
    value = "({ int a_ = 1, b_ = 2; a_ + b_; })"
    for seg, wrap in ((plain, False), (wrapped, True)):
        seg.t("    ")
        emit(seg, "XtVaSetValues", ["w, ", Pair("XmNwidth", value, wrap_value=wrap), ", ",
                                    Term("NULL")]).t("\n")
    plain.call("XtVaSetValues", "converted")
    plain.alts.append("".join(wrapped.exp))
    return [], [plain]


def c_casts(f):
    """A value that begins with a (char *) cast is a value; a terminator
    cast already gets no second cast."""
    seg = Seg("char-cast")
    seg.t("    ")
    emit(seg, "XtVaSetValues", ["w, ", Pair("XmNuserData", "(char *)s"), ", ",
                                Pair("XmNx", "(char *) s - s"), ", ",
                                Term(f.rng.choice(["(char *)NULL", "(char *) 0", "(char*)NULL",
                                                   "NULL"]))]).t("\n")
    seg.call("XtVaSetValues", "converted")
    return [], [seg]


def c_null_value(f):
    """NULL in value position with pairs after it is a value: Xt ends the
    list at a NULL in name position only."""
    seg = Seg("null-value")
    seg.t("    ")
    emit(seg, "XtVaSetValues", ["w, ", Pair("XmNuserData", "NULL"), ", ", Pair(f.res(), "1"),
                                ", ", Term("NULL")]).t("\n")
    seg.call("XtVaSetValues", "converted")
    return [], [seg]


def c_null_comment_terminator(f):
    """A comment holding NULL) before the terminator."""
    seg = Seg("null-comment-terminator")
    seg.unsafe = "terminator"
    seg.t("    ")
    emit(seg, "XtVaSetValues", ["w, ", Pair("XmNwidth", "1"), ", /* NULL) */ ",
                                Term("NULL")]).t("\n")
    seg.call("XtVaSetValues", "converted")
    return [], [seg]


def c_string_resources(f):
    """String literals name resources in the Xt calls; in the toolkit's
    calls a literal tag is left."""
    seg = Seg("string-resource")
    name = f.rng.choice(["XtVaGetValues", "XtVaSetValues"])
    seg.t("    ")
    emit(seg, name, ["w, ", Pair('"enableBtn1Transfer"', "&b"), ", ",
                     Pair(f.res(), "&v" if name == "XtVaGetValues" else "1"), ", ",
                     Term("NULL")]).t("\n")
    seg.call(name, "converted")
    seg.t('    Q5SetAttrs(obj, "title", 1, Q5TAG_END);\n')
    seg.call("Q5SetAttrs", "left", "q5-shifted-pairing")
    return [], [seg]


LEFT_FOR_REVIEW = [
    ("XtVaSetValues", "    XtVaSetValues(w, XmNwidth, XmNheight, 10, NULL);\n",
     "q5-shifted-pairing"),
    ("XtVaSetValues", "    XtVaSetValues(w, 100, XmNwidth, NULL);\n", "q5-shifted-pairing"),
    ("XtVaSetValues", "    XtVaSetValues(w, XmNwidth, 10, XmNheight);\n", "q5-unclosed-pair"),
    ("XtVaSetValues", "    XtVaSetValues(w, XmNwidth, NULL);\n", "q5-terminator-as-value"),
    ("XtVaSetValues", "    XtVaSetValues(w, XmNwidth, 10, NULL, XmNheight, 20, NULL);\n",
     "q5-dropped-arguments"),
    ("Q5SetAttrs", "    Q5SetAttrs(obj, Q5A_Width, Q5TAG_END);\n", "q5-terminator-as-value"),
    ("Q5SetAttrs", "    Q5SetAttrs(obj, Q5A_Width, 1, Q5TAG_END, Q5A_Height, 2);\n",
     "q5-dropped-arguments"),
    ("XtVaSetValues", "    XtVaSetValues(w, XtVaTypedArg, XmNforeground, XmRString, NULL);\n",
     "q5-xt-special-argument"),
]


def c_left_for_review(f):
    seg = Seg("left-for-review")
    for name, text, rule in f.rng.sample(LEFT_FOR_REVIEW, 2):
        seg.t(text).call(name, "left", rule)
    return [], [seg]


def c_nested_in_left(f):
    """A call nested in a call that is left: all of it stays as it is."""
    seg = Seg("nested-in-left")
    seg.t("    XtVaSetValues(w, XmNwidth, XmNheight, "
          "Q5New(cl, Q5A_Width, 1, Q5TAG_END), NULL);\n")
    seg.call("XtVaSetValues", "left", "q5-shifted-pairing").call("Q5New", "inside-left")
    return [], [seg]


def c_xt_groups(f):
    seg = Seg("xt-special-groups")
    seg.t("    ")
    emit(seg, "XtVaCreateManagedWidget", ['"label", xmLabelWidgetClass, w,\n        '
                                          'XtVaTypedArg, XmNlabelString, XmRString, '
                                          '"Hello, world", strlen("Hello, world") + 1,\n        ',
                                          Pair("XmNalignment", "XmALIGNMENT_BEGINNING"),
                                          ",\n        XtVaNestedList, list,\n        ",
                                          Term("NULL")]).t("\n")
    seg.call("XtVaCreateManagedWidget", "converted")
    return [], [seg]


def c_nul_in_comment(f):
    seg = Seg("nul-byte")
    seg.t("    ")
    emit(seg, "Q5SetAttrs", ["obj, ", Pair("Q5A_Width", "1"), ", /* \0, Q5A_Height, 2 */ ",
                             Pair("Q5A_Left", "v"), ", ", Term("Q5TAG_END")]).t("\n")
    seg.call("Q5SetAttrs", "converted")
    return [], [seg]


def lone_cr_tail(f):
    """The file's last segment: lone CRs end lines (a // comment ends
    there) and make splices. Last, so that only its own lines are counted
    differently by readers that take a lone CR as no line end."""
    seg = Seg("lone-cr")
    seg.t("void hostile_tail_%d(Widget w, Q5Object *obj)\n{\n" % f.n)
    seg.t("    // a note" + LONE_CR + "    ")
    emit(seg, "XtVaSetValues", ["w, ", Pair("XmNwidth", "1"), ", ", Term("NULL")])
    seg.call("XtVaSetValues", "converted")
    seg.t(LONE_CR + "    XtVa\\" + LONE_CR + "SetValues(")
    seg.t("w, ").i("Q5LT(").t("XmNheight, 2").i(")").t(", ").i("(char *)").t("NULL);\n")
    seg.call("XtVaSetValues", "converted")
    seg.t("    // no call here \\" + LONE_CR + "    Q5SetAttrs(obj, Q5A_Width, 1, Q5TAG_END);\n")
    seg.call("Q5SetAttrs", "not-a-call")
    seg.t("}\n")
    return seg


def c_grouped_name(f):
    """A call whose name stands alone in parentheses is the same call (no
    function-like macro of that name expands): converted. After a call's
    name, the parentheses are that call's list, and what it returns is
    called: no table call."""
    r = f.rng
    top, seg = Seg("grouped-name"), Seg("grouped-name")
    if r.random() < 0.25:
        pick = f.m("hx_pick")
        top.t("static void (*%s(void (*f)(Widget, ...)))(Widget, ...) { return f; }\n" % pick)
        seg.t("    %s(XtVaSetValues)(w, XmNwidth, 10, NULL);\n" % pick)
        seg.call("XtVaSetValues", "not-a-call")
        return [top], [seg]
    name = r.choice(list(XT_LEADING) + list(Q5_DECLARED) + ["Q5TagGet"])
    lead = XT_LEADING.get(name) or Q5_DECLARED.get(name) or ["tags"]
    fam = family(name)
    pairs = f.pairs(fam, r.randint(1, 3))
    loop = r.random() < 0.3
    seg.t("    do " if loop else "    ")
    emit(seg, name, joined(lead + pairs + [Term("NULL" if fam == "xt" else "Q5TAG_END")]),
         name_text="(" + r.choice(["", " ", "/* c */ ", f.splice()]) + name,
         after_name=r.choice([")", " )", ") ", " /* n */ )"]),
         end="; while (0);" if loop else ";").t("\n")
    seg.call(name, "converted")
    return [top], [seg]


CONSTRUCTS = {
    "ordinary": c_ordinary, "comments-in-list": c_multiline_comments,
    "nested-calls": c_nested, "deep-parentheses": c_deep_parens,
    "splice-in-name": c_splice_in_name, "splice-joins-identifier": c_splice_joins_identifier,
    "splice-in-arguments": c_splice_in_arguments,
    "splice-comment-delimiters": c_splice_comment_delims,
    "splice-line-comment": c_splice_line_comment, "trigraphs": c_trigraphs,
    "directive-between-pairs": c_directive_between_pairs,
    "directive-define-forms": c_directive_define_forms,
    "directive-comment-spanning": c_directive_comment_spanning,
    "hash-not-directive": c_hash_not_directive, "directive-inside-pair": c_directive_in_pair,
    "directive-in-leading": c_directive_in_leading, "digraphs": c_digraphs,
    "comment-or-literal": c_not_calls_text, "kr-definition": c_kr_definition,
    "definition-head": c_definition_head, "define-named-like-call": c_define_named_like_call,
    "define-body-call": c_define_body_call, "define-body-parameter": c_define_body_parameter,
    "macro-one-argument": c_macro_one_argument, "macro-many-arguments": c_macro_many_arguments,
    "macro-recursive": c_macro_recursive, "macro-conflict": c_macro_conflict,
    "macro-agree": c_macro_agree, "macro-alias-special": c_macro_alias_special,
    "macro-call-alias": c_macro_call_alias, "macro-stringized": c_macro_stringized,
    "grouped-name": c_grouped_name,
    "macro-from-header": c_macro_from_header, "brace-comma": c_brace_comma,
    "statement-expression": c_statement_expression, "char-cast": c_casts,
    "null-comment-terminator": c_null_comment_terminator, "null-value": c_null_value,
    "string-resource": c_string_resources,
    "left-for-review": c_left_for_review, "nested-in-left": c_nested_in_left,
    "xt-special-groups": c_xt_groups, "nul-byte": c_nul_in_comment,
}
# How often each construct is drawn, next to the others' 1: a NUL byte in
# a list fails the whole file under --unsafe-fixes (as in the classic
# forms), which hides the other segments of that file from its checks.
WEIGHT = {"nul-byte": 0.25, "ordinary": 1.5}
# Made by the file itself rather than drawn: the line-1 #define, the
# prototypes of the calls it makes, and the lone-CR tail.
FILE_CONSTRUCTS = ["directive-first-line", "prototype", "lone-cr"]

HEADER = """\
/* Macros the hostile files share; the tool reads them through -I. */
#ifndef HOSTILE_H
#define HOSTILE_H
#define HX_RES XmNheight
#define HX_PAIR XmNheight, 5
#define HX_NEST XtVaNestedList
#define HX_SHARED_PAIR XmNmarginWidth, 2
#define HX_EMPTY
#endif
"""

INCLUDES = ('#include <string.h>\n#include <X11/Intrinsic.h>\n#include <Xm/Xm.h>\n'
            '#include <Xm/Label.h>\n#include <Xm/PushB.h>\n'
            '#include "q5toolkit.h"\n#include "hostile.h"\n'
            'struct hx_geom { int width; };\n'
            'unsigned long Q5SetAttrs_hook(Q5Object *obj, ...);\n'
            'void myXtVaSetValues(Widget w, ...);\n')


def prototypes(f, names):
    """Declarations of the other toolkit calls this file makes, in several
    styles: never calls."""
    seg = Seg("prototype")
    for name in sorted(names):
        n = Q5_OTHER[name]
        style = f.rng.randint(0, 3)
        if style == 0:
            params = ", ".join("unsigned long a%d" % k for k in range(n))
            seg.t("unsigned long %s(%s, ...);\n" % (name, params))
        elif style == 1:
            seg.t("extern unsigned long %s(%s, ...);\n" % (name, ", ".join(["unsigned long"] * n)))
        elif style == 2:
            params = ",\n    ".join("unsigned long /* arg, %d */ a%d" % (k, k) for k in range(n))
            seg.t("unsigned long\n%s(%s,\n    ...);\n" % (name, params))
        else:
            params = ", ".join("const unsigned long a%d" % k for k in range(n))
            seg.t("unsigned long %s%s(%s, ...);\n" % (name[:4], f.splice() + name[4:], params))
        seg.call(name, "not-a-call")
    return seg


def make_file(n, rng, only):
    """The segments of file n and its line end; `only` (a set) limits the
    constructs drawn and made."""
    f = File(n, rng)
    eol = "\r\n" if rng.random() < 0.15 else "\n"
    names = [c for c in CONSTRUCTS if not only or c in only] or ["ordinary"]
    picks = rng.choices(names, [WEIGHT.get(c, 1) for c in names], k=rng.randint(6, 12))
    tops, bodies = [], []
    for name in picks:
        if name in ("kr-definition", "definition-head", "define-named-like-call") and \
                len(f.others) < 8:
            name = "ordinary"
        f.instance += 1
        t, b = CONSTRUCTS[name](f)
        tops += t
        bodies += b
    if not only or "ordinary" in only:
        bodies.append(c_ordinary(f)[1][0])
    prologue = Seg("frame")
    first_use = None
    if (not only or "directive-first-line" in only) and rng.random() < 0.25:
        prologue, first_use = first_line(f)
    prologue.t(INCLUDES)
    if first_use:
        bodies.insert(0, first_use)
    head = Seg("frame").t("void hostile_%d(Widget w, Q5Object *obj, Q5Tag *tags, Q5Class *cl,"
                          " XtVarArgsList list, char *s)\n{\n    unsigned long v = 0;\n"
                          "    int a[4] = {0, 1, 2, 3};\n    struct hx_geom geom = {0}, *gp ="
                          " &geom;\n    Boolean b = 0;\n" % n)
    segs = [prologue, prototypes(f, f.used_others)] + tops + [head] + bodies
    segs.append(Seg("frame").t("}\n"))
    if (not only or "lone-cr" in only) and rng.random() < 0.3:
        segs.append(lone_cr_tail(f))
    return segs, eol


def realise(text, eol):
    text = text.replace("\n", eol)
    return text.replace(LONE_CR, "\r").replace(CRLF, "\r\n").replace(LF, "\n")


def write_file(path, segs, eol):
    """Writes the file and its expectations; returns the file's text."""
    out, records = [], []
    line = 1
    for k, seg in enumerate(segs):
        if k:
            out.append(realise("/*@@%d@@*/\n" % k, eol))
            line += 1
        inp = realise("".join(seg.inp), eol)
        expected = [realise("".join(seg.exp), eol)] + [realise(a, eol) for a in seg.alts]
        records.append({"segment": k, "construct": seg.construct, "line": line,
                        "input": inp, "expected": expected, "calls": seg.calls,
                        "unsafe": seg.unsafe})
        out.append(inp)
        line += inp.count("\n")
    text = "".join(out)
    with open(path, "wb") as fh:
        fh.write(text.encode("latin-1"))
    with open(path[:-2] + ".json", "w") as fh:
        json.dump({"file": os.path.basename(path), "eol": eol, "segments": records}, fh,
                  indent=1)
    return text


# The constructs written as fuzzing seeds by --seeds.
SEEDS = ["splice-in-name", "splice-joins-identifier", "splice-line-comment",
         "splice-comment-delimiters", "splice-in-arguments", "directive-between-pairs",
         "directive-comment-spanning", "hash-not-directive", "digraphs", "kr-definition",
         "define-body-parameter", "macro-many-arguments", "brace-comma", "trigraphs"]


def write_seeds(outdir):
    """One small file per construct of SEEDS, and the lone-CR tail: the
    construct alone in a function, without includes or sentinels."""
    os.makedirs(outdir, exist_ok=True)
    made = [(c, CONSTRUCTS[c]) for c in SEEDS] + [("lone-cr", lambda f: ([], [lone_cr_tail(f)]))]
    for k, (name, make) in enumerate(made):
        f = File(900 + k, random.Random("seed/%s" % name))
        f.instance = 1
        tops, bodies = make(f)
        text = "".join("".join(t.inp) for t in tops)
        if name == "lone-cr":
            text += "".join(bodies[0].inp)
        else:
            text += "void f(Widget w, Q5Object *obj)\n{\n%s}\n" % "".join(
                "".join(b.inp) for b in bodies)
        with open(os.path.join(outdir, "hostile-%s.c" % name), "wb") as fh:
            fh.write(realise(text, "\n").encode("latin-1"))


def main(argv):
    if argv[1:2] == ["--list"]:
        print("\n".join(list(CONSTRUCTS) + FILE_CONSTRUCTS))
        return 0
    if argv[1:2] == ["--seeds"] and len(argv) == 3:
        write_seeds(argv[2])
        return 0
    seed, only = 22, None
    args = argv[1:]
    while args and args[0].startswith("--"):
        if args[0] == "--seed":
            seed = int(args[1])
        elif args[0] == "--only":
            only = args[1].split(",")
        else:
            print(__doc__, file=sys.stderr)
            return 2
        args = args[2:]
    if len(args) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    outdir, count = args[0], int(args[1])
    for name in only or []:
        if name not in CONSTRUCTS and name not in FILE_CONSTRUCTS:
            print("generate.py: no construct %r (see --list)" % name, file=sys.stderr)
            return 2
    only = set(only) if only else None
    os.makedirs(os.path.join(outdir, "src"), exist_ok=True)
    os.makedirs(os.path.join(outdir, "include"), exist_ok=True)
    with open(os.path.join(outdir, "include", "hostile.h"), "w") as fh:
        fh.write(HEADER)
    for n in range(count):
        rng = random.Random("%d/%d" % (seed, n))
        segs, eol = make_file(n, rng, only)
        write_file(os.path.join(outdir, "src", "h%03d.c" % n), segs, eol)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
