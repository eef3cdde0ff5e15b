#!/usr/bin/env python3
"""Writes a deterministic corpus of Motif/Xt application sources that use the
toolkit, in the style of real applications, to measure the review
diagnostics:  generate_corpus.py OUTDIR [FILES]

Most calls are plain and convert cleanly: multi-line resource lists with
aligned columns, attachments, callbacks, values that are calls or casts,
string values holding commas and parentheses, trailing comments, balanced
#ifdef and #if 0 blocks between pairs, calls inside multi-line macros,
toolkit calls (Q5SetAttrs, Q5Do, Q5TagGet, Q5New...). A few per file are the
hazards the diagnostics are for, at rates seen in real code: macros that
expand to two arguments, a directive between a resource and its value,
XtVaTypedArg, resources whose names hold a 0, character literals holding a
comma, a '//' in a string before a call, prototypes, nested Q5New calls.
Some files have CRLF line ends. Prints how many hazards of each kind it
wrote and lists the line of each in OUTDIR/hazards.tsv. Only standard C types appear, with the toolkit's and Xt/Motif names.
"""
import os
import random
import sys

RESOURCES_INT = ["XmNwidth", "XmNheight", "XmNmarginWidth", "XmNmarginHeight", "XmNborderWidth",
                 "XmNshadowThickness", "XmNspacing", "XmNfractionBase", "XmNx", "XmNy",
                 "XmNcolumns", "XmNrows", "XmNmaximum", "XmNminimum", "XmNvalue",
                 "XmNtopOffset", "XmNleftOffset", "XmNrightOffset", "XmNbottomOffset"]
RESOURCES_BOOL = ["XmNsensitive", "XmNtraversalOn", "XmNresizeWidth", "XmNeditable",
                  "XmNautoUnmanage", "XmNrecomputeSize", "XmNset", "XmNmappedWhenManaged"]
ATTACH = ["XmNtopAttachment", "XmNbottomAttachment", "XmNleftAttachment", "XmNrightAttachment"]
ATTACH_VALUES = ["XmATTACH_FORM", "XmATTACH_WIDGET", "XmATTACH_POSITION", "XmATTACH_NONE"]
CLASSES = ["xmPushButtonWidgetClass", "xmLabelWidgetClass", "xmFormWidgetClass",
           "xmRowColumnWidgetClass", "xmTextFieldWidgetClass", "xmToggleButtonWidgetClass",
           "xmScaleWidgetClass", "xmFrameWidgetClass", "xmSeparatorWidgetClass"]
WORDS = ["file", "edit", "view", "open", "save", "quit", "ok", "cancel", "help", "apply",
         "status", "level", "volume", "name", "port", "host", "user", "mode", "scale", "list"]
Q5_TAGS = ["Q5A_Width", "Q5A_Height", "Q5A_Title", "Q5A_Left", "Q5A_Top", "Q5A_Disabled",
           "Q5A_Selected", "Q5A_Text_Contents", "Q5A_Group_Spacing", "Q5A_Window_Title"]


class Writer:
    def __init__(self, rng):
        self.rng = rng
        self.lines = []
        self.hazards = {}
        self.marks = []
        self.crlf = False

    def hazard(self, kind, line=None):
        """Counts a planted hazard and notes the line of its call."""
        self.hazards[kind] = self.hazards.get(kind, 0) + 1
        self.marks.append((len(self.lines) + 1 if line is None else line, kind))

    def add(self, text):
        self.lines.extend(text.split("\n"))


def ident(rng):
    return rng.choice(WORDS) + rng.choice(["", "_w", "Button", "Label", "_box", "Field"])


def int_value(rng):
    return rng.choice([str(rng.randint(1, 9)), str(rng.choice([10, 20, 40, 100, 200, 400, 640])),
                       "margin", "cfg.width", "(int) (scale * 2)", "MAX(w, 10)", "%s_size" % rng.choice(WORDS)])


def pair(rng, cast_null=False):
    kind = rng.random()
    if kind < 0.45:
        return rng.choice(RESOURCES_INT), int_value(rng)
    if kind < 0.6:
        return rng.choice(RESOURCES_BOOL), rng.choice(["True", "False", "cfg.flag"])
    if kind < 0.78:
        return rng.choice(ATTACH), rng.choice(ATTACH_VALUES)
    if kind < 0.86:
        return "XmNlabelString", rng.choice(['labels[%d]' % rng.randint(0, 9), 'xms', 'label_string'])
    if kind < 0.9:
        return "XmNuserData", rng.choice(["(void *) data", "(void *) &state", "NULL", "(void *) 0"])
    if kind < 0.92:
        # Valid values that look a little like what the rules look for.
        return rng.choice([("XmNvalue", '"http://example.org/%s"' % rng.choice(WORDS)),
                           ("XmNlabelString", 'XmStringCreateLocalized("Open, (Ctrl+O)")'),
                           ("XmNorientation", "XmNO_ORIENTATION"),
                           ("XmNmnemonic", "'%s'" % rng.choice("xqfe")),
                           ("XmNpaneMinimum", "100"),
                           ("XmNtitle", '"Q5SetAttrs(obj, ...) example"')])
    if kind < 0.96:
        return rng.choice(["XmNtopWidget", "XmNleftWidget"]), ident(rng)
    return "XmNforeground", rng.choice(["fg", "colors.text", "app_pixel(\"navy\", 0)"])


def resource_list(rng, pairs, indent, comment_rate=0.04):
    out = []
    for res, val in pairs:
        line = "%s%s, %s," % (indent, res, val)
        if rng.random() < comment_rate:
            line += rng.choice(["   /* pixels */", "  /* see below */", " /* was 2 */", "  // px, not points"])
        out.append(line)
    return out


def xt_create(w, managed=True, hazard=None):
    rng = w.rng
    name = ident(rng)
    fn = "XtVaCreateManagedWidget" if managed else "XtVaCreateWidget"
    head = "    %s = %s(\"%s\", %s, %s," % (name, fn, name, rng.choice(CLASSES), rng.choice(["parent", "form", "rc", "app.shell"]))
    indent = " " * 8
    pairs = [pair(rng) for _ in range(rng.randint(1, 7))]
    body = resource_list(rng, pairs, indent)
    if hazard == "label-macro":
        # LABEL_ARG expands to two arguments: the pairing after it shifts.
        pos = rng.randint(0, len(body))
        body.insert(pos, '%sLABEL_ARG("%s"),' % (indent, rng.choice(WORDS).title()))
        if pos == len(body) - 1 and rng.random() < 0.5:
            body.append("%sXmNmarginHeight, 0," % indent)
        w.hazard(hazard)
    elif hazard == "ifdef-in-pair":
        body.insert(0, "%sXmNwidth," % indent)
        body.insert(1, "#ifdef WIDE_SCREEN")
        body.insert(2, "%s800," % indent)
        body.insert(3, "#else")
        body.insert(4, "%s640," % indent)
        body.insert(5, "#endif")
        w.hazard(hazard)
    elif hazard == "typed-arg":
        body.append('%sXtVaTypedArg, XmNbackground, XmRString, "%s", strlen("%s") + 1,' % (indent, "grey", "grey"))
        w.hazard(hazard)
    elif hazard == "zero-resource":
        body.insert(0, "%sXtNlevel0Color, level_pixel," % indent)
        w.hazard(hazard)
    elif rng.random() < 0.08:
        body.insert(rng.randint(0, len(body)), "#ifdef HAVE_TOOLTIPS\n%sXmNtoolTipString, tip," % indent + "\n#endif")
    elif rng.random() < 0.05:
        body.insert(rng.randint(0, len(body)), "#if 0\n%sXmNbackground, bg," % indent + "\n#endif")
    w.add(head)
    w.add("\n".join(body))
    w.add("%sNULL);" % indent)


def xt_set(w):
    rng = w.rng
    pairs = [pair(rng) for _ in range(rng.randint(1, 3))]
    if len(pairs) == 1 and rng.random() < 0.6:
        r, v = pairs[0]
        w.add("    XtVaSetValues(%s, %s, %s, NULL);" % (ident(rng), r, v))
        return
    w.add("    XtVaSetValues(%s," % ident(rng))
    w.add("\n".join(resource_list(rng, pairs, " " * 18)))
    w.add(" " * 18 + "NULL);")


def xt_get(w):
    rng = w.rng
    n = rng.randint(1, 3)
    args = ", ".join("%s, &%s" % (rng.choice(RESOURCES_INT), rng.choice(WORDS)) for _ in range(n))
    w.add("    XtVaGetValues(%s, %s, NULL);" % (ident(rng), args))


def q5_call(w, hazard=None):
    rng = w.rng
    kind = rng.random()
    obj = rng.choice(["obj", "win", "app->main", "data->group", "self"])
    if hazard == "char-comma":
        w.hazard(hazard)
        w.add("    Q5SetAttrs(%s, Q5A_Separator, ',', Q5TAG_END);" % obj)
        return
    if hazard == "nested-new":
        w.hazard(hazard)
        w.add("    Q5SetAttrs(%s, Q5A_Group_Child, Q5New(Q5C_Text, Q5A_Text_Contents, \"\", Q5TAG_END), Q5TAG_END);" % obj)
        return
    if kind < 0.4:
        pairs = ", ".join("%s, %s" % (rng.choice(Q5_TAGS), int_value(rng)) for _ in range(rng.randint(1, 3)))
        w.add("    Q5SetAttrs(%s, %s, Q5TAG_END);" % (obj, pairs))
    elif kind < 0.55:
        w.add("    Q5GetAttrs(%s," % obj)
        for _ in range(rng.randint(1, 3)):
            w.add("               %s, &%s," % (rng.choice(Q5_TAGS), rng.choice(WORDS)))
        w.add("               Q5TAG_END);")
    elif kind < 0.7:
        w.add("    Q5Do(%s, Q5M_%s, Q5TAG_END);" % (obj, rng.choice(["Show", "Hide", "Redraw", "Close"])))
    elif kind < 0.8:
        w.add("    Q5Do(%s, Q5M_Notify, Q5A_Selected, TRUE, Q5TAG_END);" % obj)
    elif kind < 0.9:
        w.add("    Q5TagGet(tags,\n             Q5A_Width, &width,\n             Q5A_Height, &height,\n             Q5TAG_END);")
    else:
        w.add("    %s = Q5New(Q5C_Window,\n                Q5A_Window_Title, \"%s (%s)\",\n                Q5A_Width, %s,\n                Q5TAG_END);"
              % (rng.choice(WORDS), rng.choice(WORDS).title(), rng.choice(WORDS), int_value(rng)))


def plain_code(w):
    rng = w.rng
    choice = rng.random()
    if choice < 0.3:
        w.add('    if (%s == NULL) {\n        fprintf(stderr, "%s: cannot create %s, giving up (%%d)\\n", errno);\n        return;\n    }'
              % (rng.choice(WORDS), rng.choice(WORDS), rng.choice(WORDS)))
    elif choice < 0.5:
        w.add("    n = strlen(%s);\n    for (i = 0; i < n; i++)\n        if (%s[i] == ',') count++;" % (rng.choice(WORDS), rng.choice(WORDS)))
    elif choice < 0.7:
        w.add("    /* Keep the %s in step with the %s. */\n    %s = %s + %d;" % (rng.choice(WORDS), rng.choice(WORDS), rng.choice(WORDS), rng.choice(WORDS), rng.randint(1, 9)))
    else:
        w.add("    XtAddCallback(%s, XmNactivateCallback, %s_cb, (void *) %s);" % (ident(rng), rng.choice(WORDS), rng.choice(WORDS)))


HAZARDS_XT = ["label-macro", "ifdef-in-pair", "typed-arg", "zero-resource"]


def generate_file(index, rng):
    w = Writer(rng)
    w.crlf = index % 7 == 3
    w.add("/*\n * %s.c - the %s panel of the settings dialog.\n * Builds its widgets with XtVaCreateManagedWidget(...) and keeps them\n * in step with the %s object through Q5SetAttrs.\n */" % (rng.choice(WORDS), rng.choice(WORDS), rng.choice(WORDS)))
    w.add('#include <stdio.h>\n#include <string.h>\n#include <errno.h>\n#include <Xm/Xm.h>\n#include "q5toolkit.h"\n')
    w.add('#define LABEL_ARG(s) XmNlabelString, XmStringCreateLocalized(s)\n#define MAX(a, b) ((a) > (b) ? (a) : (b))\n')
    w.add('#define MAKE_BUTTON(parent, name) \\\n    XtVaCreateManagedWidget(name, xmPushButtonWidgetClass, parent, \\\n        XmNmarginWidth, 4, \\\n        XmNmarginHeight, 2, \\\n        NULL)\n')
    if rng.random() < 0.1:
        w.add("extern void *XtVaCreateManagedWidget(const char *name, void *widget_class, void *parent, ...);\n")
        w.hazard("prototype", line=len(w.lines) - 1)
    w.add("static void *%s, *%s, *%s;\nstatic unsigned long fg, bg;\nstatic int margin = 4;\n" % (rng.choice(WORDS), rng.choice(WORDS), rng.choice(WORDS)))
    for fn in range(rng.randint(4, 9)):
        w.add("static void build_%s_%d(void *parent, void *data)\n{\n    int n, i, count = 0;\n    char *xms = NULL;\n    void *form, *rc;\n" % (rng.choice(WORDS), fn))
        for _ in range(rng.randint(3, 10)):
            r = rng.random()
            if r < 0.03:
                xt_create(w, hazard=rng.choice(HAZARDS_XT))
            elif r < 0.38:
                xt_create(w, managed=rng.random() < 0.8)
            elif r < 0.55:
                xt_set(w)
            elif r < 0.65:
                xt_get(w)
            elif r < 0.8:
                q5_call(w, hazard=rng.choice(["char-comma", "nested-new"]) if rng.random() < 0.02 else None)
            elif r < 0.81:
                w.add('    puts("docs: http://example.org/%s"); XtVaSetValues(%s, XmNsensitive, True, NULL);' % (rng.choice(WORDS), ident(rng)))
                w.hazard("slashes-in-string", line=len(w.lines))
            elif r < 0.86:
                w.add("    rc = MAKE_BUTTON(form, \"%s\");" % rng.choice(WORDS))
            else:
                plain_code(w)
        w.add("}\n")
    eol = "\r\n" if w.crlf else "\n"
    return eol.join(w.lines) + eol, w.hazards, w.marks


def main():
    if len(sys.argv) < 2:
        sys.exit("usage: generate_corpus.py OUTDIR [FILES]")
    outdir = sys.argv[1]
    files = int(sys.argv[2]) if len(sys.argv) > 2 else 120
    os.makedirs(outdir, exist_ok=True)
    rng = random.Random(20240611)
    totals = {}
    manifest = []
    for i in range(files):
        text, hazards, marks = generate_file(i, rng)
        name = "app%03d.c" % i
        with open(os.path.join(outdir, name), "w", newline="") as f:
            f.write(text)
        manifest.extend("%s\t%d\t%s\n" % (name, line, kind) for line, kind in marks)
        for k, v in hazards.items():
            totals[k] = totals.get(k, 0) + v
    # Where each planted hazard's call starts, for q5diagnose_measure --hazards.
    with open(os.path.join(outdir, "hazards.tsv"), "w") as f:
        f.writelines(manifest)
    print("files %d; hazards written: %s" % (files, ", ".join("%s %d" % kv for kv in sorted(totals.items()))))


if __name__ == "__main__":
    main()
