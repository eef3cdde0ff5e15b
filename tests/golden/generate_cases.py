#!/usr/bin/env python3
"""Writes the golden cases whose inputs are long, repetitive or binary.

The files it writes are committed like every other case; run this by hand
(python3 tests/golden/generate_cases.py) only to rebuild them after changing
it.  Each expected output is built here from the same pieces as the input,
so the intended result of every call is visible in the code below.
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))

TOO_LONG_PARAM = b'ERROR: Too long parameter name\n'


def write_case(name, input_bytes, expected=None, stderr=None, status=None):
    d = os.path.join(HERE, name)
    os.makedirs(d, exist_ok=True)
    for fname in ('input.c', 'expected.c', 'expected.stderr', 'expected.status'):
        p = os.path.join(d, fname)
        if os.path.exists(p):
            os.remove(p)
    with open(os.path.join(d, 'input.c'), 'wb') as f:
        f.write(input_bytes)
    if expected is not None:
        with open(os.path.join(d, 'expected.c'), 'wb') as f:
            f.write(expected)
    if stderr is not None:
        with open(os.path.join(d, 'expected.stderr'), 'wb') as f:
            f.write(stderr)
    if status is not None:
        with open(os.path.join(d, 'expected.status'), 'wb') as f:
            f.write(b'%d\n' % status)


# A converted call written before every failing one, so the partial output
# shows that what came before the failure was written and kept.
PRELUDE_IN = b'''#include "q5toolkit.h"

void before(Q5Object *o)
{
    Q5SetAttrs(o, Q5A_Width, 10, Q5A_Height, 20, Q5TAG_END);
}

'''
PRELUDE_OUT = PRELUDE_IN.replace(
    b'Q5SetAttrs(o, Q5A_Width, 10, Q5A_Height, 20, Q5TAG_END);',
    b'Q5SetAttrs(o, Q5T(Q5A_Width, 10), Q5T(Q5A_Height, 20), Q5TAG_END);')


# ---------------------------------------------------------------- call table

TABLE = [
    ('Q5SetAttrs', 'tag', 1), ('Q5GetAttrs', 'tag', 1), ('Q5SetClassAttrs', 'tag', 1),
    ('Q5GetClassAttrs', 'tag', 1), ('Q5Do', 'tag', 2), ('Q5Do2', 'tag', 3),
    ('Q5Do3', 'tag', 4), ('Q5DoSuper', 'tag', 3), ('Q5DoSuper2', 'tag', 4),
    ('Q5DoSuper3', 'tag', 5), ('Q5SendMsg', 'tag', 2), ('Q5SendMsg2', 'tag', 3),
    ('Q5SendMsg3', 'tag', 4), ('Q5SendEMsg', 'tag', 2), ('Q5SendEMsg2', 'tag', 3),
    ('Q5SendEMsg3', 'tag', 4), ('Q5DoE', 'tag', 2), ('Q5DoE2', 'tag', 3),
    ('Q5DoE3', 'tag', 4), ('Q5SendClassMsg', 'tag', 2), ('Q5SendClassMsg2', 'tag', 3),
    ('Q5SendClassMsg3', 'tag', 4), ('Q5DoClass', 'tag', 2), ('Q5DoClass2', 'tag', 3),
    ('Q5DoClass3', 'tag', 4), ('Q5New', 'tag', 1), ('Q5ObjectCreate', 'tag', 1),
    ('Q5AltObjectCreate', 'tag', 2), ('Q5ObjectLoad', 'tag', 1), ('Q5ObjectSave', 'tag', 1),
    ('Q5ClassCreate', 'tag', 4), ('Q5TagGet', 'get', 1), ('Q5TagSet', 'tag', 1),
    ('Q5TagCopy', 'tag', 1), ('Q5TagConcat', 'tag', 1), ('Q5AppCreate', 'tag', 2),
    ('Q5ProcessEvents', 'tag', 2), ('Q5Inherit', 'tag', 3), ('Q5Inherit2', 'tag', 4),
    ('Q5Inherit3', 'tag', 5), ('XtVaCreateManagedWidget', 'xt', 3),
    ('XtVaCreateWidget', 'xt', 3), ('XtVaGetValues', 'xt', 1), ('XtVaSetValues', 'xt', 1),
]


def call_table_case():
    """Every table name with its number of leading arguments: one pair after
    the fixed arguments, then the same call with the fixed arguments only,
    then with one tag more than them."""
    src = [b'/* Every convertible call, with the number of leading arguments that\n'
           b' * come before its tag list. */\n\nvoid every_name(void)\n{\n']
    exp = list(src)
    for name, family, fixed in TABLE:
        fixed_args = ', '.join('a%d' % (i + 1) for i in range(fixed))
        head = name if family != 'get' else 'Q5TagGetS'
        if family == 'xt':
            src.append(('    %s(%s, XmNwidth, 1, NULL);\n' % (name, fixed_args)).encode())
            exp.append(('    %s(%s, Q5LT(XmNwidth, 1),(char *) NULL);\n'
                        % (head, fixed_args)).encode())
            prefix = 'Q5LT('
        else:
            src.append(('    %s(%s, Q5A_Width, 1, Q5TAG_END);\n' % (name, fixed_args)).encode())
            pair = 'Q5ST(' if family == 'get' else 'Q5T('
            exp.append(('    %s(%s, %sQ5A_Width, 1), Q5TAG_END);\n'
                        % (head, fixed_args, pair)).encode())
            prefix = pair
        src.append(('    %s(%s);\n' % (name, fixed_args)).encode())
        exp.append(('    %s(%s,);\n' % (head, fixed_args)).encode())
        src.append(('    %s(%s, T);\n' % (name, fixed_args)).encode())
        exp.append(('    %s(%s, %sT);\n' % (head, fixed_args, prefix)).encode())
    src.append(b'}\n')
    exp.append(b'}\n')
    write_case('call-table-every-name', b''.join(src), b''.join(exp))


# ------------------------------------------------------------ argument limits

def long_expression(length, first_line_indent=b'', comment_at=None):
    """Source text and argument text of an expression argument: a sum of
    named terms over several lines, exactly `length` characters once
    comments are removed.  A block comment is put into the source after
    `comment_at` characters when asked."""
    parts = []
    n = 0
    text = bytearray(first_line_indent)
    while len(text) < length:
        n += 1
        term = b'TERM_%03d' % n
        sep = b' +\n            ' if n % 6 == 0 else b' + '
        text += term + sep
    text = text[:length]
    # do not end on a blank or inside a separator: replace the tail with
    # letters of the same length
    tail = 0
    while text[len(text) - 1 - tail:len(text) - tail] in (b' ', b'+', b'\n'):
        tail += 1
    if tail:
        text[len(text) - tail:] = b'X' * tail
    text = bytes(text)
    assert len(text) == length
    if comment_at is None:
        return text, text
    source = text[:comment_at] + b'/* not counted */' + text[comment_at:]
    return source, text


def argument_length_cases():
    # Accepted: an argument of exactly 1023 characters (its leading blank
    # and a removed comment included in the count as stated).
    src_arg, arg = long_expression(1023, b' ', comment_at=40)
    assert len(arg) == 1023
    inp = (b'/* The longest argument accepted: 1023 characters after comment\n'
           b' * removal, outside any parenthesised group. */\n'
           b'void longest(Q5Object *o)\n{\n'
           b'    Q5SetAttrs(o, Q5A_Sum,' + src_arg + b', Q5TAG_END);\n}\n')
    exp = (b'/* The longest argument accepted: 1023 characters after comment\n'
           b' * removal, outside any parenthesised group. */\n'
           b'void longest(Q5Object *o)\n{\n'
           b'    Q5SetAttrs(o, Q5T(Q5A_Sum,' + arg + b'), Q5TAG_END);\n}\n')
    write_case('argument-1023-accepted', inp, exp)

    # Rejected: 1024 characters.  The message shows the argument's text as
    # gathered so far (leading blank kept, comment removed) cut after 1023.
    src_arg, arg = long_expression(1024, b' ', comment_at=40)
    inp = (PRELUDE_IN + b'void too_long(Q5Object *o)\n{\n'
           b'    Q5SetAttrs(o, Q5A_Sum,' + src_arg + b', Q5TAG_END);\n}\n')
    exp = PRELUDE_OUT + b'void too_long(Q5Object *o)\n{\n    '
    write_case('fail-argument-1024', inp, exp,
               TOO_LONG_PARAM + arg[:1023] + b'\n', 2)


def group_text(length, comment=True):
    """A parenthesised group of exactly `length` characters: a flag
    expression over several lines, with a comment inside (groups keep
    comments)."""
    body = bytearray(b'(')
    if comment:
        body += b'/* kept */ '
    n = 0
    while True:
        n += 1
        term = b'FLAG_%03d' % n
        sep = b' |\n                ' if n % 5 == 0 else b' | '
        if len(body) + len(term) + len(sep) + len(b'LAST)') > length:
            break
        body += term + sep
    fill = length - len(body) - 1
    body += b'L' * fill + b')'
    assert len(body) == length
    assert body.count(b'(') == 1 and body.count(b')') == 1
    return bytes(body)


def group_length_cases():
    # Accepted: the group's ")" is the 1022nd character of the argument;
    # then the same with one more character after the group (1023 in all,
    # which is allowed outside a group).
    g1 = group_text(1022 - 2)          # argument: " " + "f" + group
    g2 = group_text(1022 - 2)
    inp = (b'/* A parenthesised group may end at the 1022nd character of its\n'
           b' * argument; one more character outside it still fits. */\n'
           b'void groups(Q5Object *o)\n{\n'
           b'    Q5SetAttrs(o, Q5A_Flags, f' + g1 + b', Q5TAG_END);\n'
           b'    Q5SetAttrs(o, Q5A_Flags, f' + g2 + b'U, Q5TAG_END);\n}\n')
    assert len(b' f' + g1) == 1022 and len(b' f' + g2 + b'U') == 1023
    exp = (b'/* A parenthesised group may end at the 1022nd character of its\n'
           b' * argument; one more character outside it still fits. */\n'
           b'void groups(Q5Object *o)\n{\n'
           b'    Q5SetAttrs(o, Q5T(Q5A_Flags, f' + g1 + b'), Q5TAG_END);\n'
           b'    Q5SetAttrs(o, Q5T(Q5A_Flags, f' + g2 + b'U), Q5TAG_END);\n}\n')
    write_case('group-ends-at-1022-accepted', inp, exp)

    # Rejected: the group's ")" is the 1023rd character.  The message shows
    # the source from the group's "(" cut after 1023 characters, so it runs
    # two characters past the group (the argument had two before it).
    g = group_text(1023 - 2)
    after = b', Q5TAG_END);\n}\n'
    inp = (PRELUDE_IN + b'void group_too_long(Q5Object *o)\n{\n'
           b'    Q5SetAttrs(o, Q5A_Flags, f' + g + after)
    exp = PRELUDE_OUT + b'void group_too_long(Q5Object *o)\n{\n    '
    shown = (g + after)[:1023]
    assert shown == g + b', '
    write_case('fail-group-reaches-1023', inp, exp, TOO_LONG_PARAM + shown + b'\n', 2)

    # Rejected: the text ends inside a group just as the argument reaches
    # 1023 characters: the length is found before the end of the text.
    g = group_text(1500)[:1023 - 2]
    inp = (PRELUDE_IN + b'void group_at_end(Q5Object *o)\n{\n'
           b'    Q5SetAttrs(o, Q5A_Flags, f' + g)
    exp = PRELUDE_OUT + b'void group_at_end(Q5Object *o)\n{\n    '
    assert len(b' f' + g) == 1023
    write_case('fail-group-reaches-1023-at-end-of-text', inp, exp,
               TOO_LONG_PARAM + g + b'\n', 2)

    # Rejected: a group far longer than the limit; the message is cut at
    # 1023 characters from its "(" although the group goes on.
    g = group_text(1500)
    inp = (PRELUDE_IN + b'void group_far_too_long(void *w)\n{\n'
           b'    XtVaSetValues(w, XmNuserData, (void *) ' + g + b', NULL);\n}\n')
    exp = PRELUDE_OUT + b'void group_far_too_long(void *w)\n{\n    '
    # The argument holds " (void *) " before the big group; the limit is
    # met inside the big group, and the message shows the source from its
    # "(" (not the part copied so far).
    assert len(b' (void *) ') + 1023 < len(g)
    shown = g[:1023]
    write_case('fail-group-too-long-midway', inp, exp, TOO_LONG_PARAM + shown + b'\n', 2)


# ------------------------------------------------------------ argument count

def pairs_text(n, indent=b'        '):
    src = b''.join(indent + b'Q5A_T%03d, %d,\n' % (i, i) for i in range(1, n + 1))
    exp = b''.join(indent + b'Q5T(Q5A_T%03d, %d),\n' % (i, i) for i in range(1, n + 1))
    return src, exp


def argument_count_cases():
    # 1 fixed + 63 pairs + terminator = 128 arguments: accepted.
    src, exp = pairs_text(63)
    inp = (b'/* 128 arguments in one call is the most that is accepted. */\n'
           b'void many(Q5Object *o)\n{\n    Q5SetAttrs(o,\n' + src +
           b'        Q5TAG_END);\n}\n')
    out = (b'/* 128 arguments in one call is the most that is accepted. */\n'
           b'void many(Q5Object *o)\n{\n    Q5SetAttrs(o,\n' + exp +
           b'        Q5TAG_END);\n}\n')
    write_case('arguments-128-accepted', inp, out)

    # 1 fixed + 63 pairs + one lone tag + terminator = 129 arguments.
    inp = (PRELUDE_IN + b'void too_many(Q5Object *o)\n{\n    Q5SetAttrs(o,\n' + src +
           b'        Q5A_Extra,\n        Q5TAG_END);\n}\n')
    out = PRELUDE_OUT + b'void too_many(Q5Object *o)\n{\n    '
    write_case('fail-arguments-129', inp, out, b'ERROR: Too many parameters\n', 2)


# ------------------------------------------------------------ call name text

def name_blanks(total):
    """Blanks between a name and its "(": a backslash-newline, newlines,
    tabs and spaces, `total` characters in all."""
    b = b' \\\n' + b'\t' * 4 + b'\n'
    b += b' ' * (total - len(b))
    assert len(b) == total
    return b


def call_name_cases():
    name = b'Q5SetAttrs'
    blanks = name_blanks(127 - len(name))
    inp = (b'/* The name and the blanks before its parenthesis may take up to 127\n'
           b' * characters, and are written as they stood. */\n'
           b'void spaced(Q5Object *o)\n{\n'
           b'    ' + name + blanks + b'(o, Q5A_Width, 1, Q5TAG_END);\n}\n')
    exp = (b'/* The name and the blanks before its parenthesis may take up to 127\n'
           b' * characters, and are written as they stood. */\n'
           b'void spaced(Q5Object *o)\n{\n'
           b'    ' + name + blanks + b'(o, Q5T(Q5A_Width, 1), Q5TAG_END);\n}\n')
    write_case('call-name-127-accepted', inp, exp)

    blanks = name_blanks(128 - len(name))
    inp = (PRELUDE_IN + b'void too_spaced(Q5Object *o)\n{\n'
           b'    ' + name + blanks + b'(o, Q5A_Width, 1, Q5TAG_END);\n}\n')
    exp = PRELUDE_OUT + b'void too_spaced(Q5Object *o)\n{\n    '
    write_case('fail-call-name-128', inp, exp, b'ERROR: Too long function name\n', 2)


# ------------------------------------------------------------ NUL bytes

def nul_cases():
    # A NUL byte inside an argument list ends the text there.
    inp = (PRELUDE_IN + b'void nul_inside(Q5Object *o)\n{\n'
           b'    Q5SetAttrs(o, Q5A_Width, 1,\0 Q5TAG_END);\n}\n')
    exp = PRELUDE_OUT + b'void nul_inside(Q5Object *o)\n{\n    '
    write_case('fail-nul-byte-in-list', inp, exp, b'Unterminated parameter list\n', 5)

    # A NUL byte outside calls: the search for calls stops there, and so does
    # the check for an already converted text, but every byte is copied.
    after = (b' */\nvoid after_nul(Q5Object *o)\n{\n'
             b'    Q5SetAttrs(o, Q5A_Width, 1, Q5TAG_END);\n'
             b'    Q5SetAttrs(o, Q5T(Q5A_Width, 1), Q5TAG_END);\n}\n')
    inp = (b'void before_nul(Q5Object *o)\n{\n'
           b'    Q5SetAttrs(o, Q5A_Width, 1, Q5TAG_END);\n}\n'
           b'/* a stray NUL byte: \0' + after)
    exp = (b'void before_nul(Q5Object *o)\n{\n'
           b'    Q5SetAttrs(o, Q5T(Q5A_Width, 1), Q5TAG_END);\n}\n'
           b'/* a stray NUL byte: \0' + after)
    write_case('nul-byte-outside-calls', inp, exp)


def main():
    call_table_case()
    argument_length_cases()
    group_length_cases()
    argument_count_cases()
    call_name_cases()
    nul_cases()


if __name__ == '__main__':
    main()
