#!/usr/bin/env bash
# The fixed limits of one call: 128 arguments, 1023 characters per argument,
# 127 characters of call name text. The largest size converts; one more ends
# the run with exit 2, and what came before the call stays written.
. "$(dirname "$0")/lib.sh"

repeat() { printf "%${2}s" '' | tr ' ' "$1"; }  # repeat CHAR N
pairs() { for ((i = 1; i <= $1; i++)); do printf ", $2" "A$i" $i; done; }  # pairs N FORMAT
V1023=$(repeat V 1023)
G1019=$(repeat g 1019)
BLANKS=$(repeat ' ' 123)
TAIL=$'\nint b;\n'

# limit WHAT CALL CONVERTED: CALL converts to CONVERTED.
# limit WHAT CALL STATUS MESSAGE: CALL ends the run with STATUS and MESSAGE.
limit() {
    begin "$1"
    printf '%s%s%s' "$HEAD" "$2" "$TAIL" >in.c
    keep in.c
    run in.c out.c
    if [ $# = 3 ]; then
        check 0 ''
        has out.c "$HEAD_OUT$3$TAIL"
    else
        check "$3" "$4"
        has out.c "$HEAD_OUT"
    fi
    kept in.c
}

limit "128 arguments" "Q5SetAttrs(o$(pairs 63 '%s, %s'), Q5TAG_END);" \
    "Q5SetAttrs(o$(pairs 63 'Q5T(%s, %s)'), Q5TAG_END);"
limit "129 arguments" "Q5SetAttrs(o$(pairs 63 '%s, %s'), X, Q5TAG_END);" \
    2 $'ERROR: Too many parameters\n'

limit "an argument of 1023 characters" "Q5SetAttrs(o,$V1023, 1, Q5TAG_END);" \
    "Q5SetAttrs(o,Q5T($V1023, 1), Q5TAG_END);"
limit "an argument of 1024 characters" "Q5SetAttrs(o,${V1023}W, 1, Q5TAG_END);" \
    2 $'ERROR: Too long parameter name\n'"$V1023"$'\n'

# Inside a group the limit is met when the argument reaches 1023 characters;
# the message shows the source from the group's "(" on.
limit "a group ending at the argument's 1022nd character" "Q5SetAttrs(o, A, ($G1019), Q5TAG_END);" \
    "Q5SetAttrs(o, Q5T(A, ($G1019)), Q5TAG_END);"
limit "a group ending at the argument's 1023rd character" "Q5SetAttrs(o, A, (${G1019}g), Q5TAG_END);" \
    2 $'ERROR: Too long parameter name\n'"(${G1019}g),"$'\n'

# Call name text: the name, and the blanks or continuations up to "(".
limit "a call name text of 127 characters" "Q5Do$BLANKS(o, M, A, 1, Q5TAG_END);" \
    "Q5Do$BLANKS(o, M, Q5T(A, 1), Q5TAG_END);"
for blanks in " " "$(repeat ' ' 130)" "$(printf '\\\n%.0s' {1..70})"; do
    limit "a call name text of $((${#blanks} + 127)) characters" "Q5Do$BLANKS$blanks(o, M, Q5TAG_END);" \
        2 $'ERROR: Too long function name\n'
done

# Deep nesting must not exhaust the stack, outside a call or inside one,
# where the length limit ends it.
begin "100000 nested parentheses, outside and inside a call"
{
    printf 'int x = %sQ5x%s;\n%sQ5SetAttrs(o, A, ' "$(repeat '(' 100000)" "$(repeat ')' 100000)" "$HEAD"
    printf '%s%s, Q5TAG_END);\n' "$(repeat '(' 100000)" "$(repeat ')' 100000)"
} >in.c
run in.c out.c
check 2 $'ERROR: Too long parameter name\n'"$(repeat '(' 1023)"$'\n'
has out.c "$(head -n 1 in.c)"$'\n'"$HEAD_OUT"

finish
