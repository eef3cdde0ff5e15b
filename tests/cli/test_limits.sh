#!/usr/bin/env bash
# The fixed limits of one call: 128 arguments, 1023 characters per argument,
# 127 characters of call name text. The largest accepted size converts; one
# more ends the run with exit 2 and what came before the call stays written.
. "$(dirname "$0")/lib.sh"

# repeat CHAR N
repeat() {
    printf "%${2}s" '' | tr ' ' "$1"
}

HEAD=$'/* before */\n    Q5SetAttrs(obj, Q5A_Width, 100, Q5TAG_END);\nint a;\n'
HEAD_OUT=$'/* before */\n    Q5SetAttrs(obj, Q5T(Q5A_Width, 100), Q5TAG_END);\nint a;\n'
TAIL=$'\nint b;\n'

# pairs N: ", A1, 1, A2, 2, ..." and its converted form.
pairs() {
    local i
    for i in $(seq 1 "$1"); do printf ', A%d, %d' "$i" "$i"; done
}
pairs_converted() {
    local i
    for i in $(seq 1 "$1"); do printf ', Q5T(A%d, %d)' "$i" "$i"; done
}

begin "128 arguments convert"
printf '%sQ5SetAttrs(o%s, Q5TAG_END);%s' "$HEAD" "$(pairs 63)" "$TAIL" >in.c
run in.c out.c
expect_status 0
expect_stderr ''
expect_file_text out.c "${HEAD_OUT}Q5SetAttrs(o$(pairs_converted 63), Q5TAG_END);$TAIL"

begin "129 arguments: too many parameters"
printf '%sQ5SetAttrs(o%s, Q5TAG_END);%s' "$HEAD" "$(pairs 63), X" "$TAIL" >in.c
snapshot in.c
run in.c out.c
expect_status 2
expect_stderr $'ERROR: Too many parameters\n'
expect_file_text out.c "$HEAD_OUT"
expect_unchanged in.c

begin "far too many arguments"
printf '%sQ5SetAttrs(o%s, Q5TAG_END);%s' "$HEAD" "$(pairs 5000)" "$TAIL" >in.c
run in.c out.c
expect_status 2
expect_stderr $'ERROR: Too many parameters\n'
expect_file_text out.c "$HEAD_OUT"

# Argument length outside a parenthesised group.
LONG1023=$(repeat V 1023)
begin "an argument of 1023 characters converts"
printf '%sQ5SetAttrs(o,%s, 1, Q5TAG_END);%s' "$HEAD" "$LONG1023" "$TAIL" >in.c
run in.c out.c
expect_status 0
expect_stderr ''
expect_file_text out.c "${HEAD_OUT}Q5SetAttrs(o,Q5T($LONG1023, 1), Q5TAG_END);$TAIL"

begin "an argument of 1024 characters is too long"
printf '%sQ5SetAttrs(o,%sW, 1, Q5TAG_END);%s' "$HEAD" "$LONG1023" "$TAIL" >in.c
run in.c out.c
expect_status 2
expect_stderr $'ERROR: Too long parameter name\n'"$LONG1023"$'\n'
expect_file_text out.c "$HEAD_OUT"

begin "an argument of 5000 characters shows its first 1023"
printf '%sQ5SetAttrs(o, A,%s%s);%s' "$HEAD" "$LONG1023" "$(repeat W 3977)" "$TAIL" >in.c
run in.c out.c
expect_status 2
expect_stderr $'ERROR: Too long parameter name\n'"$LONG1023"$'\n'
expect_file_text out.c "$HEAD_OUT"

# Inside a group the limit is met when the argument reaches 1023 characters;
# the message shows the source from the group's "(" on.
begin "a group ending at the argument's 1022nd character converts"
inner=$(repeat g 1019)
printf '%sQ5SetAttrs(o, A, (%s), Q5TAG_END);%s' "$HEAD" "$inner" "$TAIL" >in.c
run in.c out.c
expect_status 0
expect_stderr ''
expect_file_text out.c "${HEAD_OUT}Q5SetAttrs(o, Q5T(A, ($inner)), Q5TAG_END);$TAIL"

begin "a group ending at the argument's 1023rd character is too long"
inner=$(repeat g 1020)
printf '%sQ5SetAttrs(o, A, (%s), Q5TAG_END);%s' "$HEAD" "$inner" "$TAIL" >in.c
run in.c out.c
expect_status 2
expect_stderr $'ERROR: Too long parameter name\n'"($inner),"$'\n'
expect_file_text out.c "$HEAD_OUT"

begin "a long group cut at the end of the text in the message"
printf '%sQ5SetAttrs(o, A,%s(%s' "$HEAD" "$(repeat x 600)" "$(repeat y 500)" >in.c
run in.c out.c
expect_status 2
expect_stderr $'ERROR: Too long parameter name\n('"$(repeat y 500)"$'\n'
expect_file_text out.c "$HEAD_OUT"

# Deep nesting must not exhaust the stack: the length limit ends it.
begin "100000 nested parentheses in a call"
{
    printf '%sQ5SetAttrs(o, A, ' "$HEAD"
    repeat '(' 100000
    repeat ')' 100000
    printf ', Q5TAG_END);%s' "$TAIL"
} >in.c
run in.c out.c
expect_status 2
expect_stderr $'ERROR: Too long parameter name\n'"$(repeat '(' 1023)"$'\n'
expect_file_text out.c "$HEAD_OUT"

begin "100000 nested parentheses outside any call are copied"
{
    printf 'int x = '
    repeat '(' 100000
    printf 'Q5x'
    repeat ')' 100000
    printf ';\n'
} >in.c
run in.c out.c
expect_status 0
expect_stderr ''
expect_file_equals out.c in.c

# Call name text: the name and the blanks up to "(".
begin "a call name text of 127 characters converts"
blanks=$(repeat ' ' 123)
printf '%sQ5Do%s(o, M, A, 1, Q5TAG_END);%s' "$HEAD" "$blanks" "$TAIL" >in.c
run in.c out.c
expect_status 0
expect_stderr ''
expect_file_text out.c "${HEAD_OUT}Q5Do$blanks(o, M, Q5T(A, 1), Q5TAG_END);$TAIL"

for n in 124 130 5000; do
    begin "a call name text of $((n + 4)) characters is too long"
    printf '%sQ5Do%s(o, M, Q5TAG_END);%s' "$HEAD" "$(repeat ' ' "$n")" "$TAIL" >in.c
    run in.c out.c
    expect_status 2
    expect_stderr $'ERROR: Too long function name\n'
    expect_file_text out.c "$HEAD_OUT"
done

begin "a long name text made of line continuations"
{
    printf '%sQ5Do' "$HEAD"
    for i in $(seq 1 70); do printf '\\\n'; done
    printf '(o, M, Q5TAG_END);%s' "$TAIL"
} >in.c
run in.c out.c
expect_status 2
expect_stderr $'ERROR: Too long function name\n'
expect_file_text out.c "$HEAD_OUT"

finish
