#!/usr/bin/env python3
"""Deterministic input generators for the q5upgrade benchmark.

Four kinds of C source:

  typical      code that looks like a real toolkit client: functions, comments,
               string/char literals, preprocessor lines, and a table call
               (XtVa..., Q5SetAttrs, Q5GetAttrs, Q5Do) every 20-40 lines,
               some with #ifdef lines inside the argument list, some inside
               #define macros with backslash continuations.
  adversarial  dense identifiers starting with "Q5" that are never followed by
               "(", so the tool keeps finding candidates that are not calls; no
               comments, no "XtVa", and a few very long lines whose length
               grows with the file (1/32 .. 1/4 of it) so per-line work that is
               not linear shows up in the 8 -> 64 MiB growth figure.
  dense        functions whose lines are mostly one-line table calls.
  plain        typical text with "Q5" and "XtVa" spelled differently: no
               candidate at all, so the tool's time is its floor (read, search,
               write).

Every file has exactly the requested size and never contains "Q5T(" (the tool
refuses such input).  Standalone use, for looking at the output:

    python3 bench/gen.py typical|adversarial|dense|plain SIZE_BYTES SEED OUTFILE
"""

import random
import sys

MIB = 1024 * 1024

# ---------------------------------------------------------------------------
# typical content

_NUM = ["0", "1", "2", "4", "8", "10", "12", "16", "24", "32", "40", "64", "100",
        "120", "200", "320", "480", "640"]
_DIM_EXPR = ["w", "h", "width", "height", "margin", "2 * margin", "w - 2 * border",
             "MAX(min_w, 40)", "MIN(h, max_h)", "(unsigned short) (scale * 12)",
             "geom->width", "geom->height", "sizes[i]", "app->layout.spacing",
             "font_height + 4", "n_items * row_height"]
_BOOL = ["True", "False", "enabled", "!read_only", "(flags & F_ACTIVE) != 0",
         "state == ST_READY ? True : False"]

_XM_RES = {
    "XmNwidth": _NUM + _DIM_EXPR,
    "XmNheight": _NUM + _DIM_EXPR,
    "XmNx": _NUM + ["x", "x0 + dx", "pos.x"],
    "XmNy": _NUM + ["y", "y0 + dy", "pos.y"],
    "XmNmarginWidth": ["0", "2", "4", "margin"],
    "XmNmarginHeight": ["0", "2", "4", "margin"],
    "XmNborderWidth": ["0", "1", "border"],
    "XmNshadowThickness": ["0", "1", "2", "shadow"],
    "XmNtopAttachment": ["XmATTACH_FORM", "XmATTACH_WIDGET", "XmATTACH_POSITION"],
    "XmNbottomAttachment": ["XmATTACH_FORM", "XmATTACH_NONE", "XmATTACH_POSITION"],
    "XmNleftAttachment": ["XmATTACH_FORM", "XmATTACH_WIDGET", "XmATTACH_POSITION"],
    "XmNrightAttachment": ["XmATTACH_FORM", "XmATTACH_NONE"],
    "XmNtopWidget": ["label", "prev", "rows[i - 1]", "XtParent(w)", "app->toolbar"],
    "XmNleftWidget": ["icon", "prev", "cols[j]", "XtNameToWidget(top, \"*sep\")"],
    "XmNlabelString": ["label_str", "xmstr", "XmStringCreateLocalized(\"Apply\")",
                       "XmStringCreateLocalized(names[i])",
                       "XmStringCreateLocalized(\"Save as...\")",
                       "XmStringCreateLocalized(_(\"Cancel\"))"],
    "XmNforeground": ["fg", "app->pixels.fg", "BlackPixelOfScreen(XtScreen(w))"],
    "XmNbackground": ["bg", "app->pixels.bg", "WhitePixelOfScreen(XtScreen(w))",
                      "colors[idx % N_COLORS]"],
    "XmNsensitive": _BOOL,
    "XmNeditable": _BOOL,
    "XmNrecomputeSize": _BOOL,
    "XmNorientation": ["XmVERTICAL", "XmHORIZONTAL"],
    "XmNpacking": ["XmPACK_COLUMN", "XmPACK_TIGHT"],
    "XmNnumColumns": ["1", "2", "3", "ncols"],
    "XmNalignment": ["XmALIGNMENT_BEGINNING", "XmALIGNMENT_CENTER", "XmALIGNMENT_END"],
    "XmNvalue": ["0", "value", "cur", "(int) (ratio * 100.0)"],
    "XmNmaximum": ["100", "max", "n_items - 1"],
    "XmNminimum": ["0", "min"],
    "XmNcolumns": ["8", "20", "40", "ncols"],
    "XmNrows": ["1", "4", "10", "nrows"],
    "XmNfontList": ["font_list", "app->fonts.normal"],
    "XmNuserData": ["(void *) data", "(void *) (long) i", "(void *) app"],
}
_XM_RES_NAMES = sorted(_XM_RES)
_XM_GET_VARS = ["&width", "&height", "&x", "&y", "&value", "&data", "&xmstr",
                "&sens", "&fg", "&bg", "&geom.width", "&sizes[i]"]
_XM_CLASSES = ["xmPushButtonWidgetClass", "xmLabelWidgetClass", "xmFormWidgetClass",
               "xmRowColumnWidgetClass", "xmTextFieldWidgetClass",
               "xmScaleWidgetClass", "xmToggleButtonWidgetClass",
               "xmFrameWidgetClass", "xmSeparatorWidgetClass"]
_WIDGET_NAMES = ["okButton", "cancelButton", "form", "label", "sep", "toolbar",
                 "status", "entry", "scale", "frame", "rowcol", "toggle"]

_Q5_TAGS = {
    "Q5A_Width": _NUM + _DIM_EXPR,
    "Q5A_Height": _NUM + _DIM_EXPR,
    "Q5A_Left": _NUM + ["x", "left + pad"],
    "Q5A_Top": _NUM + ["y", "top + pad"],
    "Q5A_Label": ["\"OK\"", "\"Cancel\"", "label", "names[i]", "_(\"Open file...\")",
                  "\"Size: \\\"big\\\"\""],
    "Q5A_Disabled": _BOOL,
    "Q5A_Selected": _BOOL,
    "Q5A_Value": ["0", "value", "cur + 1", "(long) (ratio * 100)"],
    "Q5A_Min": ["0", "lo"],
    "Q5A_Max": ["100", "hi", "n_items - 1"],
    "Q5A_Font": ["font", "app->fonts.bold", "NULL"],
    "Q5A_TextPen": ["pen", "pens[TEXTPEN]", "1"],
    "Q5A_BgPen": ["0", "pens[BACKGROUNDPEN]"],
    "Q5A_UserData": ["(void *) data", "(void *) (unsigned long) i", "app"],
    "Q5A_Weight": ["50", "100", "weight"],
    "Q5A_Parent": ["win", "group", "app->root"],
}
_Q5_TAG_NAMES = sorted(_Q5_TAGS)
_Q5_GET_VARS = ["&w", "&h", "&val", "&sel", "&label", "&data", "&geom.left",
                "&storage[i]"]
_Q5_METHODS = ["Q5M_Layout", "Q5M_Redraw", "Q5M_Update", "Q5M_Notify", "Q5M_Refresh"]
_OBJ = ["obj", "w", "button", "app->win", "group", "gad[i]", "self", "list"]
_WIDGET = ["w", "form", "dialog", "app->shell", "rows[i]", "child", "top", "panel"]
_PARENT = ["form", "parent", "top", "app->main_form", "rowcol", "frame"]

_ARG_COMMENTS = ["/* pixels */", "/* see below */", "/* keep in sync with rc file */",
                 "// FIXME", "// was 4", "/* (old: 8, 12) */"]
_IFDEFS = ["HAVE_XFT", "USE_SHADOWS", "DEBUG", "__sun", "WITH_TOOLTIPS", "OLD_MOTIF"]
_WORDS = ("the widget geometry is recomputed here because the parent may have been "
          "resized while the dialog was unmapped; callers must hold the lock and "
          "must not free the label string until the next idle callback runs, see "
          "the notes in layout.c about why we cannot rely on the shell resizing "
          "itself").split()


class _Typical:
    def __init__(self, seed):
        self.r = random.Random(seed)
        self.fn = 0
        self.macro = 0
        self.until_call = self.r.randint(20, 40)

    # -- small helpers -----------------------------------------------------
    def words(self, lo, hi):
        r = self.r
        n = r.randint(lo, hi)
        i = r.randrange(len(_WORDS))
        return " ".join(_WORDS[(i + k) % len(_WORDS)] for k in range(n))

    def pairs(self, table, names, get_vars=None):
        r = self.r
        n = r.choice((1, 1, 2, 2, 2, 3, 3, 4, 5, 6, 8)) if r.random() > 0.03 else r.randint(10, 30)
        out = []
        for _ in range(n):
            name = r.choice(names)
            val = r.choice(get_vars) if get_vars else r.choice(table[name])
            out.append((name, val))
        return out

    def call(self, indent, macro=False, single=False):
        """One table call as a list of lines, without the trailing ';'.
        With single, always the whole call on one line."""
        r = self.r
        k = r.random()
        if k < 0.40:
            name, head, pairs, end = ("XtVaSetValues", [r.choice(_WIDGET)],
                                      self.pairs(_XM_RES, _XM_RES_NAMES), "NULL")
        elif k < 0.50:
            name, head, pairs, end = ("XtVaGetValues", [r.choice(_WIDGET)],
                                      self.pairs(_XM_RES, _XM_RES_NAMES, _XM_GET_VARS), "NULL")
        elif k < 0.62:
            name = r.choice(("XtVaCreateManagedWidget", "XtVaCreateWidget"))
            head = ['"%s"' % r.choice(_WIDGET_NAMES), r.choice(_XM_CLASSES), r.choice(_PARENT)]
            pairs, end = self.pairs(_XM_RES, _XM_RES_NAMES), "NULL"
        elif k < 0.85:
            name, head, pairs, end = ("Q5SetAttrs", [r.choice(_OBJ)],
                                      self.pairs(_Q5_TAGS, _Q5_TAG_NAMES), "Q5TAG_END")
        elif k < 0.93:
            name, head, pairs, end = ("Q5GetAttrs", [r.choice(_OBJ)],
                                      self.pairs(_Q5_TAGS, _Q5_TAG_NAMES, _Q5_GET_VARS), "Q5TAG_END")
        else:
            name, head, end = "Q5Do", [r.choice(_OBJ), r.choice(_Q5_METHODS)], "Q5TAG_END"
            pairs = self.pairs(_Q5_TAGS, _Q5_TAG_NAMES) if r.random() < 0.7 else []
        if macro:
            # Use the macro's parameters the way real code does.
            head[len(head) - 1 if name.startswith("XtVaCreate") else 0] = "(w)"
            pairs = [(n, "(a)" if i == 0 else "(b)" if i == 1 else v)
                     for i, (n, v) in enumerate(pairs)]

        prefix = ""
        if not macro:
            p = r.random()
            if name.startswith("XtVaCreate"):
                prefix = r.choice(("child = ", "w = ", "app->%s = " % r.choice(_WIDGET_NAMES)))
            elif p < 0.08:
                prefix = "(void) "
            elif p < 0.12 and name == "Q5GetAttrs":
                prefix = "n = "
        first = "%s%s%s(%s" % (indent, prefix, name, ", ".join(head))
        flat = ", ".join("%s, %s" % pv for pv in pairs)
        one_line = "%s, %s%s)" % (first, flat + ", " if flat else "", end)
        if single or (len(one_line) <= 78 and r.random() < 0.6):
            return [one_line]

        # One or two pairs per line, aligned under the first argument; the
        # occasional #ifdef'd pair and comment inside the argument list.
        pad = " " * (len(first) - len(first.lstrip()) + len(prefix) + len(name) + 1)
        per_line = 1 if r.random() < 0.7 else 2
        lines = [first + ","]
        i = 0
        while i < len(pairs):
            chunk = pairs[i:i + per_line]
            i += per_line
            text = pad + ", ".join("%s, %s" % pv for pv in chunk) + ","
            if not macro and r.random() < 0.08:
                text += "  " + r.choice(_ARG_COMMENTS)
            if not macro and r.random() < 0.07:
                tag = r.choice(_IFDEFS)
                if r.random() < 0.5:
                    lines += ["#ifdef " + tag, text, "#endif"]
                else:
                    alt = pad + "%s, %s," % chunk[0]
                    lines += ["#if defined(%s) && %s > 1" % (tag, tag), text, "#else", alt,
                              "#endif /* %s */" % tag]
            else:
                lines.append(text)
        lines.append(pad + end + ")")
        return lines

    def macro_def(self):
        self.macro += 1
        r = self.r
        mname = "%s_%d" % (r.choice(("SET_GEOM", "UPDATE_LABEL", "Q5_RESIZE", "SYNC_STATE",
                                     "APPLY_COLORS")), self.macro)
        body = self.call("    ", macro=True)
        lines = ["#define %s(w, a, b) \\" % mname]
        lines += [ln + " \\" for ln in body[:-1]]
        lines.append(body[-1])
        return lines

    def statement(self, ind):
        """A few lines of ordinary code (never a table call)."""
        r = self.r
        k = r.randrange(16)
        if k == 0:
            return [ind + "total += sizes[i] * %d + (n >> %d);" % (r.randint(2, 9), r.randint(1, 4))]
        if k == 1:
            return [ind + 'snprintf(buf, sizeof buf, "%s: \\"%d\\" items\\n", name, n);']
        if k == 2:
            return [ind + "if (c == '\\'' || c == '\"' || c == '\\\\')",
                    ind + "    quote = !quote;"]
        if k == 3:
            return [ind + "for (i = 0; i < n_items; i++) {",
                    ind + "    if (items[i].flags & F_DIRTY)",
                    ind + "        redraw_item(&items[i], %d);" % r.randint(0, 3),
                    ind + "}"]
        if k == 4:
            return [ind + "/* " + self.words(4, 10) + " */"]
        if k == 5:
            return [ind + "// " + self.words(3, 9)]
        if k == 6:
            return [ind + "if (app->verbose > %d)" % r.randint(0, 2),
                    ind + '    fprintf(stderr, "Q5SetAttrs() failed for %s (code %d)\\n", name, rc);']
        if k == 7:
            return [ind + 'static const char *urls[] = { "http://example.org/a", "/* not a comment */", NULL };']
        if k == 8:
            return [ind + "switch (ev->type) {",
                    ind + "case ButtonPress:",
                    ind + "    pressed = True;",
                    ind + "    break;",
                    ind + "case KeyPress:",
                    ind + "    key = XLookupKeysym(&ev->xkey, 0);",
                    ind + "    break;",
                    ind + "default:",
                    ind + "    break;",
                    ind + "}"]
        if k == 9:
            return [ind + "w = MAX(w, %d); h = MIN(h, max_h - %d);" % (r.randint(1, 99), r.randint(1, 9))]
        if k == 10:
            return [ind + "while (*p != '\\0' && *p != ',')",
                    ind + "    p++;"]
        if k == 11:
            return [ind + "len = strlen(label) + sizeof(\"(%d)\") - 1;" ]
        if k == 12:
            return ["#ifdef DEBUG",
                    ind + 'printf("%s:%d: geometry %dx%d\\n", __FILE__, __LINE__, w, h);',
                    "#endif"]
        if k == 13:
            return [ind + "rc = XmStringGetLtoR(xmstr, XmFONTLIST_DEFAULT_TAG, &text);"]
        if k == 14:
            return [ind + "/*",
                    ind + " * " + self.words(6, 12),
                    ind + " * " + self.words(6, 12),
                    ind + " */"]
        return [ind + "ptr = (char *) XtMalloc(%d * sizeof(char *));   /* freed in destroy_cb */" % r.randint(2, 64)]

    def due(self):
        """True when the next table call should be emitted (and re-arms)."""
        if self.until_call <= 0:
            self.until_call = self.r.randint(20, 40)
            return True
        return False

    def count(self, lines):
        self.until_call -= len(lines)

    def function(self):
        r = self.r
        self.fn += 1
        fname = "%s_%d" % (r.choice(("update_panel", "create_dialog", "resize_cb",
                                     "apply_prefs", "sync_toolbar", "build_menu")), self.fn)
        lines = ["/*",
                 " * %s -- %s." % (fname, self.words(5, 12)),
                 " */",
                 "static void",
                 "%s(void *w, void *client_data, void *call_data)" % fname,
                 "{",
                 "    App *app = (App *) client_data;",
                 "    unsigned short width, height;",
                 "    int i, n = 0, rc;",
                 '    char buf[256], *p = "";',
                 ""]
        body = r.randint(15, 110)
        emitted = 0
        while emitted < body:
            if self.due():
                call = self.call("    ")
                call[-1] += ";"
                if r.random() < 0.25:
                    call = ["    if (%s != NULL) {" % r.choice(_WIDGET)] + \
                           ["    " + ln if not ln.startswith("#") else ln for ln in call] + ["    }"]
                chunk = call
            else:
                chunk = self.statement("    ")
            lines += chunk
            emitted += len(chunk)
            self.count(chunk)
        lines += ["}", ""]
        return lines

    def toplevel(self):
        r = self.r
        if self.until_call <= 0 and r.random() < 0.3 and self.due():
            out = self.macro_def() + [""]
            self.count(out)
            return out
        k = r.random()
        if k < 0.82:
            out = self.function()
        elif k < 0.90:
            n = r.randint(3, 8)
            out = ["typedef struct {"] + ["    int field_%d;  /* %s */" % (i, self.words(2, 5))
                                          for i in range(n)] + ["} Rec_%d;" % self.fn, ""]
        else:
            out = ["static const char *const msgs_%d[] = {" % self.fn,
                   '    "can\'t open \\"%s\\"",',
                   '    "tab\\there, backslash \\\\ and a quote \\" inside",',
                   '    "XtVaSetValues: see /* this */ and // that",',
                   "    NULL",
                   "};", ""]
        self.count(out)
        return out

    def header(self):
        return ["/*",
                " * panel.c -- generated benchmark input for q5upgrade.",
                " * " + self.words(8, 14),
                " */",
                "#include <stdio.h>",
                "#include <string.h>",
                "#include <Xm/Xm.h>",
                '#include "q5.h"',
                "",
                "#define MAX(a, b) ((a) > (b) ? (a) : (b))",
                "#define MIN(a, b) ((a) < (b) ? (a) : (b))",
                ""]


def _pad_comment(n):
    """Exactly n bytes that are harmless at file level."""
    if n < 6:
        return "\n" * n
    body = n - 6            # "/* " + body + "*/\n"
    words = ("padding " * (body // 8 + 1))[:body]
    return "/* " + words + "*/\n"


def _write_units(path, size, seed, next_unit):
    """The header, then units from next_unit(g) while they fit, then a
    padding comment up to exactly `size` bytes."""
    g = _Typical(seed)
    written = 0
    with open(path, "w", encoding="ascii", newline="\n") as f:
        unit = "\n".join(g.header()) + "\n"
        while written + len(unit) <= size:
            f.write(unit)
            written += len(unit)
            unit = next_unit(g)
        f.write(_pad_comment(size - written))


def write_typical(path, size, seed):
    _write_units(path, size, seed, lambda g: "\n".join(g.toplevel()) + "\n")


# ---------------------------------------------------------------------------
# dense calls: a table call on most lines

def _dense_function(g):
    r = g.r
    g.fn += 1
    lines = ["static void",
             "fill_%d(void *w, App *app)" % g.fn,
             "{"]
    for _ in range(r.randint(10, 60)):
        if r.random() < 0.85:
            lines.append(g.call("    ", single=True)[0] + ";")
        else:
            lines += g.statement("    ")
    return lines + ["}", ""]


def write_dense(path, size, seed):
    _write_units(path, size, seed, lambda g: "\n".join(_dense_function(g)) + "\n")


# ---------------------------------------------------------------------------
# plain: typical text with every candidate spelled differently, so the tool
# finds nothing and only reads, searches and writes (its floor)

def write_plain(path, size, seed):
    _write_units(path, size, seed, lambda g: ("\n".join(g.toplevel()) + "\n")
                 .replace("Q5", "P5").replace("XtVa", "XtXa"))


# ---------------------------------------------------------------------------
# adversarial content

# Q5 identifiers that are not table calls: prefixes and extensions of the call
# names, the call names themselves not followed by "(", and plain tags.
_ADV_IDENTS = ["Q5A_Width", "Q5A_Height", "Q5xyz", "Q5", "Q5", "Q5_", "Q5TAG_END", "Q5T",
               "Q5L", "Q5LT", "Q55", "Q5S", "Q5Q5Q5", "Q5SetAttr", "Q5SetAttrsAll",
               "Q5GetAttrs_", "Q5Dox", "Q5DoSuperClass", "Q5SendMsgs", "Q5Newer",
               "Q5TagGetter", "Q5SetAttrs", "Q5GetAttrs", "Q5Do", "Q5DoSuper",
               "Q5SendMsg", "Q5New", "Q5TagGet", "xQ5SetAttrs", "_Q5Do", "q5SetAttrs",
               "Q5Do1", "Q5A_", "Q5Se", "Q5Ne", "Q5TagGe", "Q5Sen"]
_ADV_OTHER = ["sizeof(Q5A_Width)", "f(Q5xyz, Q5)", "a[Q5]", '"Q5SetAttrs"', '"Q5;"',
              "g(Q5A_Left | Q5A_Top)", "x", "12"]
# Never empty and never whitespace-only before a token that could start with
# "(": tokens don't start with "(", so any separator is safe.
_ADV_SEPS = [";", "; ", " ", ", ", " = ", " + ", " | ", " && ", "->", ".", ";\t"]


def _adv_pool(r, n):
    pool = []
    for _ in range(n):
        tok = r.choice(_ADV_IDENTS) if r.random() < 0.85 else r.choice(_ADV_OTHER)
        pool.append(tok + r.choice(_ADV_SEPS))
    return pool


def _adv_lines(r, pool, nbytes):
    """Exactly nbytes of short lines."""
    out = []
    left = nbytes
    while left > 1000:
        line = "".join(r.choices(pool, k=r.randint(2, 30))) + ";\n"
        out.append(line)
        left -= len(line)
    if left:
        out.append(("Q5;" * left)[:left - 1] + "\n")
    return "".join(out)


def _adv_long_line(r, pool, length):
    parts = []
    got = 0
    target = length - 400
    while got < target:
        # Pool entries are at most ~25 bytes: never overshoot the target.
        chunk = "".join(r.choices(pool, k=min(65536, max(1, (target - got) // 32))))
        parts.append(chunk)
        got += len(chunk)
    s = "".join(parts)
    fill = length - 1 - len(s)
    return s + ("Q5;" * (fill // 3 + 1))[:fill] + "\n"


def write_adversarial(path, size, seed):
    r = random.Random(seed)
    pool = _adv_pool(r, 4096)
    longs = [size // d for d in (32, 16, 8, 4)]
    r.shuffle(longs)
    short_total = size - sum(longs)
    # Cut the short-line budget into len(longs)+1 random pieces.
    cuts = sorted(r.randrange(short_total) for _ in longs)
    pieces = [b - a for a, b in zip([0] + cuts, cuts + [short_total])]
    with open(path, "w", encoding="ascii", newline="\n") as f:
        for i, piece in enumerate(pieces):
            # Keep short blocks in 1 MiB slices so memory use stays small.
            while piece > 0:
                n = min(piece, MIB)
                f.write(_adv_lines(r, pool, n))
                piece -= n
            if i < len(longs):
                f.write(_adv_long_line(r, pool, longs[i]))


# ---------------------------------------------------------------------------

def check(path, kind):
    """Guard the generator's promises; cheap compared with generating."""
    with open(path, "rb") as f:
        data = f.read()
    assert b"Q5T(" not in data and b"Q5LT(" not in data, path
    if kind == "plain":
        assert b"Q5" not in data and b"XtVa" not in data, path
    if kind == "adversarial":
        assert b"XtVa" not in data and b"/*" not in data and b"//" not in data, path
        import re
        names = rb"(?<![A-Za-z0-9_])(Q5SetAttrs|Q5GetAttrs|Q5Do|Q5DoSuper|Q5SendMsg|Q5New|Q5TagGet)\s*\("
        assert not re.search(names, data), path
    return len(data)


WRITERS = {"typical": write_typical, "adversarial": write_adversarial,
           "dense": write_dense, "plain": write_plain}


def main(argv):
    if len(argv) != 5 or argv[1] not in WRITERS:
        sys.stderr.write(__doc__)
        return 2
    kind, size, seed, out = argv[1], int(argv[2]), int(argv[3]), argv[4]
    WRITERS[kind](out, size, seed)
    n = check(out, kind)
    print("%s: %d bytes" % (out, n))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
