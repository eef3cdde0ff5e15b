#!/usr/bin/env bash
# The manual page renders without a single warning, and names the 44 call
# names with the number of leading arguments the tool really keeps.
. "$(dirname "$0")/lib.sh"
PAGE=$REPO/man/q5upgrade.1
command -v groff >/dev/null || { echo "groff is needed (Debian package groff-base)" >&2; exit 2; }

begin "the page renders without warnings"
printf '.TH X 1\n.SH NAME\nx \\- x\n.XX undefined\n\\fQbad font\\fR\n' >broken.1
ok "groff -ww sees no warning in a broken page" [ -n "$(groff -man -ww -z broken.1 2>&1)" ]
warnings=$(groff -man -ww -z "$PAGE" 2>&1); status=$?
ok "groff -man -ww -z exits $status: $warnings" [ "$status$warnings" = 0 ]
if command -v man >/dev/null; then
    warnings=$(MANWIDTH=80 man --warnings -l "$PAGE" 2>&1 >/dev/null)
    ok "man --warnings -l: $warnings" [ -z "$warnings" ]
fi

# One call per listed name, "Name (n)": n leading arguments, then one pair.
begin "the listed call names convert with their leading arguments"
groff -man -Tascii -rLL=300n -P-cbou "$PAGE" 2>/dev/null |
    awk '/^[A-Z]/ { inside = ($0 == "WHAT IS CONVERTED"); next } inside' |
    grep -oE '\b(Q5|XtVa)[A-Za-z0-9_]+ \([0-9]\)' | sort -u >names
ok "$(wc -l <names) names listed, expected 44" [ "$(cut -d' ' -f1 names | sort -u | wc -l)" = 44 ]
while read -r name n; do
    lead=$(for ((i = 1; i <= ${n//[()]/}; i++)); do printf 'a%d, ' $i; done)
    case $name in
        XtVa*) echo "$name(${lead}R, v, NULL);" >>in.c; echo "$name(${lead}Q5LT(R, v),(char *) NULL);" >>want.c ;;
        Q5TagGet) echo "$name(${lead}T, &v, Q5TAG_END);" >>in.c; echo "Q5TagGetS(${lead}Q5ST(T, &v), Q5TAG_END);" >>want.c ;;
        *) echo "$name(${lead}T, v, Q5TAG_END);" >>in.c; echo "$name(${lead}Q5T(T, v), Q5TAG_END);" >>want.c ;;
    esac
done <names
run in.c out.c
check 0 ''
ok "the page disagrees with the tool: $(diff want.c out.c | head -n 4)" cmp -s want.c out.c

finish
