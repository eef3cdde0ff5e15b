#!/usr/bin/env bash
# Hostile or broken text: binary garbage, NUL bytes, text that ends inside a
# call, CRLF line ends and a huge single line. Every run ends with a
# documented status and message, and the output keeps what came before the
# failing call.
. "$(dirname "$0")/lib.sh"

HEAD=$'/* before */\n    Q5SetAttrs(obj, Q5A_Width, 100, Q5TAG_END);\nint a;\n'
HEAD_OUT=$'/* before */\n    Q5SetAttrs(obj, Q5T(Q5A_Width, 100), Q5TAG_END);\nint a;\n'

# garbage BYTES SEED: reproducible random bytes, NULs included.
garbage() {
    openssl enc -aes-128-ctr -nosalt -pbkdf2 -pass "pass:$2" </dev/zero 2>/dev/null | head -c "$1"
}

begin "binary garbage with NUL bytes and no call prefixes"
garbage 65536 q5-garbage | tr -d 'QX' >in.c
printf '\0\0\0' >>in.c
snapshot in.c
run in.c out.c
expect_status_in "0 2 3 4 5"
if [ "$STATUS" = 0 ]; then
    expect_file_equals out.c in.c
fi
expect_unchanged in.c

# Garbage laced with call names, literals, groups, comments, directives and
# line continuations gets through several calls before some broken state
# ends the run; any documented ending with its message will do.
for seed in 1 2 3 4 5 6 7 8; do
    begin "binary garbage laced with calls (seed $seed)"
    garbage 40000 "q5-laced-$seed" | od -An -v -tu1 -w1 | awk '
        { b = $1 }
        b < 6   { printf "Q5SetAttrs("; next }
        b < 9   { printf "XtVaSetValues("; next }
        b < 11  { printf "Q5TagGet("; next }
        b < 12  { printf "\""; next }
        b < 16  { printf "\"s,(\\\"\""; next }
        b < 20  { printf "("; next }
        b < 40  { printf ")"; next }
        b < 44  { printf "/* , ( */"; next }
        b < 45  { printf "/*"; next }
        b < 48  { printf "// )\n"; next }
        b < 50  { printf "\n#if 0\n"; next }
        b < 52  { printf "\\\n"; next }
        b < 70  { printf ", "; next }
        b < 80  { printf ");\n"; next }
        b < 90  { printf "Q5TAG_END"; next }
        b < 96  { printf "\n"; next }
        { printf "%c", b }' >in.c
    snapshot in.c
    run in.c out.c
    expect_status_in "0 2 4 5"
    if [ "$STATUS" = 0 ]; then
        expect_stderr ''
    else
        expect_stderr_matches '^(Unterminated (string|parameter list)$|ERROR: Too (many parameters|long parameter name|long function name)$|Cannot )'
    fi
    expect_unchanged in.c
done

begin "NUL byte inside an argument list"
printf '%sQ5SetAttrs(o, A\0, 1, Q5TAG_END);\n' "$HEAD" >in.c
run in.c out.c
expect_status 5
expect_stderr $'Unterminated parameter list\n'
expect_file_text out.c "$HEAD_OUT"

begin "NUL byte in a group inside an argument list"
printf '%sQ5SetAttrs(o, A, (1\0), Q5TAG_END);\n' "$HEAD" >in.c
run in.c out.c
expect_status 5
expect_stderr $'Unterminated parameter list\n'
expect_file_text out.c "$HEAD_OUT"

# Searches stop at the first NUL byte, the copy does not: what follows it is
# carried through unchanged, calls included.
begin "text after a NUL byte is copied unconverted"
printf '%s\0 Q5SetAttrs(o, A, 1, Q5TAG_END);\n' "$HEAD" >in.c
run in.c out.c
expect_status 0
expect_stderr ''
printf '%s\0 Q5SetAttrs(o, A, 1, Q5TAG_END);\n' "$HEAD_OUT" >want.c
expect_file_equals out.c want.c

# The text ends inside a call, in each of the splitter's states.
check_unterminated() {
    local what=$1 tail=$2 message=$3
    begin "text ends inside $what"
    printf '%s    Q5SetAttrs(o, %s' "$HEAD" "$tail" >in.c
    snapshot in.c
    run in.c out.c
    expect_status 5
    expect_stderr "$message"
    expect_file_text out.c "$HEAD_OUT    "
    expect_unchanged in.c
}
check_unterminated "an argument list" 'A, 1' $'Unterminated parameter list\n'
check_unterminated "an argument list, after a line end" $'A, 1,\n' $'Unterminated parameter list\n'
check_unterminated "an argument list, after a comma" 'A, 1,' $'Unterminated parameter list\n'
check_unterminated "a string literal" 'A, "abc, 1);' $'Unterminated string\n'
check_unterminated "a string literal ending in an escaped quote" 'A, "abc\"' $'Unterminated string\n'
check_unterminated "a block comment" 'A, /* 1, Q5TAG_END); ' $'Unterminated parameter list\n'
check_unterminated "a block comment opener" 'A, /*' $'Unterminated parameter list\n'
check_unterminated "a line comment" 'A, // 1, Q5TAG_END);' $'Unterminated parameter list\n'
check_unterminated "a group" 'A, (1, (2)' $'Unterminated parameter list\n'
check_unterminated "a directive" $'A,\n#if defined(X), 1' $'Unterminated parameter list\n'
check_unterminated "a directive, after its line end" $'A,\n#if defined(X)\n' $'Unterminated parameter list\n'
check_unterminated "a line continuation" $'A, 1, \\' $'Unterminated parameter list\n'

begin "text ends inside an Xt call"
printf '%sXtVaSetValues(w, XmNwidth, 100' "$HEAD" >in.c
run in.c out.c
expect_status 5
expect_stderr $'Unterminated parameter list\n'
expect_file_text out.c "$HEAD_OUT"

begin "text ends right after the opening parenthesis"
printf '%sQ5TagGet(' "$HEAD" >in.c
run in.c out.c
expect_status 5
expect_stderr $'Unterminated parameter list\n'
expect_file_text out.c "$HEAD_OUT"

# Carriage returns are ordinary bytes: kept, and not blanks.
begin "CRLF line ends are kept"
printf 'int a;\r\n    Q5SetAttrs(o, A, 1, Q5TAG_END);\r\n/* Q5Do */\r\n' >in.c
run in.c out.c
expect_status 0
expect_stderr ''
expect_file_text out.c $'int a;\r\n    Q5SetAttrs(o, Q5T(A, 1), Q5TAG_END);\r\n/* Q5Do */\r\n'

begin "a carriage return between name and parenthesis: not a call"
printf 'Q5SetAttrs\r\n(o)\r\nXtVaSetValues\r\n(w, R, 1, NULL);\r\n' >in.c
run in.c out.c
expect_status 0
expect_stderr ''
expect_file_equals out.c in.c

begin "CRLF text without calls is copied byte for byte"
printf 'a\r\n\r\nb\rc\r\n\r' >in.c
run in.c out.c
expect_status 0
expect_stderr ''
expect_file_equals out.c in.c

begin "CRLF file in upgrade mode"
printf 'int a;\r\n    Q5SetAttrs(o, A, 1, Q5TAG_END);\r\n' >in.c
run -upgrade in.c
expect_status 0
expect_stderr ''
expect_file_text in.c $'int a;\r\n    Q5SetAttrs(o, Q5T(A, 1), Q5TAG_END);\r\n'
expect_entries . in.c

# 50 MB on one line, with a few non-call mentions of the prefixes so the
# literal and comment tests run on it.
begin "a 50 MB single line without calls"
{
    yes 'x = y + "z" * Q5xy / w; ' | tr -d '\n' | head -c 25000000
    printf ' /* XtVaNothing( */ '
    yes 'a = b ( c ) ; ' | tr -d '\n' | head -c 25000000
    printf ' Q5Nothing(1);'
} >in.c
run in.c out.c
expect_status 0
expect_stderr ''
expect_faster_than_ms 15000
expect_file_equals out.c in.c

finish
