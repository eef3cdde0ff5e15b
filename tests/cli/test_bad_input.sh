#!/usr/bin/env bash
# Hostile or broken text: binary garbage, NUL bytes, text that ends inside a
# call, CRLF line ends and a huge single line. Every run ends with a
# documented status and message; the input is never changed, and the output
# keeps what came before the failing call.
. "$(dirname "$0")/lib.sh"

# garbage BYTES SEED: reproducible random bytes, NULs included.
garbage() {
    openssl enc -aes-128-ctr -nosalt -pbkdf2 -pass "pass:$2" </dev/zero 2>/dev/null | head -c "$1"
}

begin "binary garbage with NUL bytes and no call prefixes is copied"
garbage 65536 q5-garbage | tr -d 'QX' >in.c
keep in.c
run in.c out.c
check 0 ''
same out.c in.c
kept in.c

# Garbage laced with call names, literals, groups, comments, directives and
# continuations: some broken state ends the run, with a documented message.
for seed in 1 2 3 4 5 6 7 8; do
    begin "binary garbage laced with calls (seed $seed)"
    garbage 40000 "q5-laced-$seed" | od -An -v -tu1 -w1 | awk 'BEGIN {
        n = split("6 9 11 12 16 20 40 44 45 48 50 52 70 80 90 96", below)
        split("Q5SetAttrs(|XtVaSetValues(|Q5TagGet(|\"|\"s,(\\\"\"|(|)|/* , ( */|/*|// )\n" \
              "|\n#if 0\n|\\\n|, |);\n|Q5TAG_END|\n", token, "|") }
        { for (i = 1; i <= n && $1 >= below[i]; i++) ; }
        i <= n { printf "%s", token[i]; next }
        { printf "%c", $1 }' >in.c
    keep in.c
    run in.c out.c
    kept in.c
    case $STATUS in
        0) check 0 '' ;;
        2 | 4 | 5) ok "message: $(head -c 200 "$SCRATCH/stderr")" grep -qxE \
            'Unterminated (string|parameter list)|ERROR: Too (many parameters|long parameter name|long function name)|Cannot .*' \
            <(head -n 1 "$SCRATCH/stderr") ;;
        *) fail "exit status $STATUS" ;;
    esac
done

# The text ends inside a call, in each state of the argument splitter; a NUL
# byte ends the text for the splitter.
while IFS='|' read -r message call; do
    begin "text ends inside: $call"
    printf '%s    %b' "$HEAD" "$call" >in.c
    keep in.c
    run in.c out.c
    check 5 "$message"$'\n'
    has out.c "$HEAD_OUT    "
    kept in.c
done <<'ROWS'
Unterminated parameter list|Q5TagGet(
Unterminated parameter list|Q5SetAttrs(o, A, 1
Unterminated parameter list|Q5SetAttrs(o, A, 1,\n
Unterminated parameter list|XtVaSetValues(w, XmNwidth, 100
Unterminated string|Q5SetAttrs(o, A, "abc, 1);
Unterminated string|Q5SetAttrs(o, A, "abc\\"
Unterminated parameter list|Q5SetAttrs(o, A, /* 1, Q5TAG_END); 
Unterminated parameter list|Q5SetAttrs(o, A, // 1, Q5TAG_END);
Unterminated parameter list|Q5SetAttrs(o, A, (1, (2)
Unterminated parameter list|Q5SetAttrs(o, A,\n#if defined(X)\n
Unterminated parameter list|Q5SetAttrs(o, A, 1, \\
Unterminated parameter list|Q5SetAttrs(o, A\0, 1, Q5TAG_END);\n
Unterminated parameter list|Q5SetAttrs(o, A, (1\0), Q5TAG_END);\n
ROWS

# Searches stop at the first NUL byte, the copy does not: what follows is
# carried through unconverted, and a Q5T( there does not refuse the file.
begin "text after a NUL byte is copied unconverted"
printf '%s\0 Q5SetAttrs(o, A, 1, Q5TAG_END); Q5T(x)\n' "$HEAD" >in.c
run in.c out.c
check 0 ''
printf '%s\0 Q5SetAttrs(o, A, 1, Q5TAG_END); Q5T(x)\n' "$HEAD_OUT" >want.c
same out.c want.c

# Carriage returns are ordinary bytes: kept, and not blanks before a "(".
begin "CRLF line ends"
printf 'int a;\r\n    Q5SetAttrs(o, A, 1, Q5TAG_END);\r\nXtVaSetValues\r\n(w, R, 1, NULL);\r\n' >in.c
run in.c out.c
check 0 ''
has out.c $'int a;\r\n    Q5SetAttrs(o, Q5T(A, 1), Q5TAG_END);\r\nXtVaSetValues\r\n(w, Q5LT(R, 1),(char *) NULL);\r\n'

# Non-call mentions of the prefixes, so the literal and comment scans run.
begin "a 50 MB single line without calls"
{
    yes 'x = y + "z" * Q5xy / w; ' | tr -d '\n' | head -c 25000000
    printf ' /* XtVaNothing( */ '
    yes 'a = b ( c ) ; ' | tr -d '\n' | head -c 25000000
    printf ' Q5Nothing(1);'
} >in.c
run in.c out.c
check 0 ''
ok "took $MS ms" [ "$MS" -lt 15000 ]
same out.c in.c

finish
