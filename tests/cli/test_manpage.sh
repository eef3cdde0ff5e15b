#!/usr/bin/env bash
# The manual page renders without a single warning, names the 44 call
# names with the number of leading arguments the tool really keeps, every
# rule and option; and the rules' texts that --list-rules and --explain
# print (from each rule's file) are those of the page and the README.
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

# Every rule the tool reports has its entry under RULES, and every option
# --help lists is described; no loop of single-file runs is recommended.
begin "the page names every rule and every option"
groff -man -Tascii -rLL=300n -P-cbou "$PAGE" 2>/dev/null >page.txt
awk '/^[A-Z]/ { inside = ($0 == "RULES"); next } inside' page.txt | grep -oE '^       q5-[a-z-]+' | tr -d ' ' | sort >documented
printf 'int a;\n' >a.c
"$BIN" -q --check --report=- a.c | python3 -c '
import json, sys
for rule in json.load(sys.stdin)["runs"][0]["tool"]["driver"]["rules"]: print(rule["id"])' | sort >rules
ok "rules without an entry: $(comm -23 rules documented | tr '\n' ' ')" [ -s rules ] && [ -z "$(comm -23 rules documented)" ]
"$BIN" --help | grep -oE -- '(^|[ ,])--?[a-zA-Z0-9][a-z0-9-]*' | sed 's/^[ ,]*//' | sort -u >options
ok "options --help lists: $(wc -l <options)" [ "$(wc -l <options)" -ge 15 ]
while read -r option; do
    ok "option $option not described" grep -qE -- "^ +(-[a-zA-Z0-9], )?$option([=, ]|$)|^ +q5upgrade $option " page.txt
done <options
ok "a find | while loop is recommended" bash -c "! grep -qE 'while (IFS|read)' '$PAGE'"

begin "--list-rules and --explain say what the page and the README say"
groff -man -Tascii -rLL=300n -P-cbou "$PAGE" 2>/dev/null |
    awk '/^[A-Z]/ { inside = ($0 == "RULES"); next } inside' | tr -s ' \n' '  ' >rules.txt
# The single word is the tree interface's, not the classic usage error.
"$BIN" --list-rules >list; status=$?
ok "--list-rules: exit $status" [ "$status" = 0 ] && [ -s list ]
printf 'int a;\n' >a.c
"$BIN" -q --check --report=- a.c | python3 -c '
import json, sys
for rule in json.load(sys.stdin)["runs"][0]["tool"]["driver"]["rules"]: print(rule["id"])' >rules
ok "--list-rules names the rules of the log, in order" [ "$(cut -d' ' -f1 list)" = "$(cat rules)" ]
while read -r id severity short; do
    "$BIN" --explain="$id" >explained; status=$?
    ok "--explain=$id: exit $status" [ "$status" = 0 ]
    ok "--explain=$id: $(head -n 1 explained)" [ "$(head -n 1 explained)" = "$id ($severity by default)" ]
    # Each paragraph of the explanation but the example, in the page.
    awk 'BEGIN { RS = "" } NR > 1 && !/^Example:/ { sub(/^How to fix it:\n/, ""); gsub(/\n/, " "); print }' explained >paragraphs
    ok "--explain=$id gives its short description first" [ "$(sed -n 1p paragraphs)" = "$short" ]
    while IFS= read -r paragraph; do
        ok "the page's entry for $id lacks: $paragraph" grep -qF -- "$paragraph" rules.txt
    done <paragraphs
    ok "the page does not give $id as $severity" grep -qF -- "$id ($severity)" rules.txt
    row="| \`$id\` | $severity | $short |"
    ok "the README's table lacks $row" grep -qxF -e "$row" -e "${row/\` |/\` † |}" "$REPO/README.md"
done <list
trun --explain=q5-nothing
tcheck 2 '' $'q5upgrade: unknown rule \'q5-nothing\' for \'--explain\'\nTry \'q5upgrade --help\' for more information.\n'

finish
