#!/usr/bin/env bash
# The tree interface converts only what it can stand behind: calls it cannot
# convert for certain are left byte for byte and listed (also on later runs),
# -I teaches it macros from headers outside the walk, --unsafe-fixes keeps
# the text rules, and the report cannot be lost.
. "$(dirname "$0")/lib.sh"

fixture() {
    mkdir -p src include
    printf '#define FG_ARG(c) XmNforeground, (c)\n#define LABEL_ARG(s) XtVaTypedArg, XmNlabelString, XmRString, (s), strlen(s) + 1\n' >include/look.h
    {
        printf '#include "look.h"\n'
        printf 'void f(void *w)\n{\n'
        printf '    XtVaSetValues(w, XmNwidth, 10, /* px */ NULL);\n'
        printf '    XtVaSetValues(w, FG_ARG(7), NULL);\n'
        printf '    XtVaSetValues(w, LABEL_ARG("OK"), XmNheight, 2, NULL);\n'
        printf '}\n'
    } >src/ui.c
}
UI_DONE=$'#include "look.h"\nvoid f(void *w)\n{\n    XtVaSetValues(w, Q5LT(XmNwidth, 10), /* px */ (char *)NULL);\n    XtVaSetValues(w, FG_ARG(7), NULL);\n    XtVaSetValues(w, LABEL_ARG("OK"), Q5LT(XmNheight, 2), (char *)NULL);\n}\n'
FG_LEFT=$'src/ui.c:5:22: warning: call left as it stands: macro \'FG_ARG\' (defined at include/look.h:1) expands to 2 list arguments, a whole resource and its value: write its definition as one Q5LT(resource, value) [q5-macro-pairs]\n    XtVaSetValues(w, FG_ARG(7), NULL);\n                     ^\n'

begin "safe by default: a call with a finding is left and listed, again after the run"
fixture
cp src/ui.c ui.orig
trun -i -I include src
tcheck 0 '' "$FG_LEFT"'q5upgrade: 1 file examined, 1 changed, 0 unchanged, 0 failed, 2 calls converted, 1 left as they stand; 1 warning (1 q5-macro-pairs)'$'\n'
has src/ui.c "$UI_DONE"
trun --check -I include src
tcheck 1 '' "$FG_LEFT"'q5upgrade: 1 file examined, 0 would change, 1 unchanged, 0 failed, 0 calls to convert, 1 left as they stand; 1 warning (1 q5-macro-pairs)'$'\n'
trun -i -q -I include src
tcheck 0 '' "$FG_LEFT"
has src/ui.c "$UI_DONE"

begin "without -I the header's macros are unknown and their calls left"
fixture
trun -q --check src
tcheck 1 'src/ui.c'$'\n' "$(cat <<'EOF'
src/ui.c:5:22: warning: call left as it stands: resource 'FG_ARG(7)' is a macro call whose definition was not seen: if it expands to other than one argument the pairing after it is shifted (give the directory of its header with -I) [q5-shifted-pairing]
    XtVaSetValues(w, FG_ARG(7), NULL);
                     ^
src/ui.c:6:22: warning: call left as it stands: resource 'LABEL_ARG("OK")' is a macro call whose definition was not seen: if it expands to other than one argument the pairing after it is shifted (give the directory of its header with -I) [q5-shifted-pairing]
    XtVaSetValues(w, LABEL_ARG("OK"), XmNheight, 2, NULL);
                     ^
EOF
)"$'\n'
trun -q --check -I missing src
ok "a missing -I directory is trouble: exit $STATUS" [ "$STATUS" = 2 ]
ok "and is named" grep -q '^missing: error: ' "$SCRATCH/err"

begin "--unsafe-fixes converts with the text rules and still warns"
fixture
"$BIN" src/ui.c "$SCRATCH/classic"
trun -q -i --unsafe-fixes src
ok "exit $STATUS" [ "$STATUS" = 0 ]
same src/ui.c "$SCRATCH/classic"
ok "warnings shown" grep -q 'warning: .*\[q5-shifted-pairing\]' "$SCRATCH/err"

begin "--unsafe-fixes: what a compiler reads decides, and the safe conversion's findings stay"
printf '%s\n' '#define PAIR XmNwidth, 1' 'void f(void *w)' '{' \
    '    XtVaSetValues(w, PAIR, NULL);' \
    '    XtVaSetValues(w, XmNx, (1 /* NULL) */), NULL);' \
    '    // a comment that a splice continues \' \
    '    XtVaSetValues(w, XmNy, 2, NULL);' \
    '    XtVaSetValues(w, (char *)NULL, extra);' '}' >u.c
cp u.c u.orig
trun -q --unsafe-fixes --stdout u.c
ok "the call in the continued comment stays as it is" grep -qxF '    XtVaSetValues(w, XmNy, 2, NULL);' "$SCRATCH/out"
ok "the macro's finding is kept" grep -q "4:22: warning: macro 'PAIR' .*\[q5-macro-pairs\]" "$SCRATCH/err"
ok "a ')' in a comment that ends the list early leaves the terminator outside: a warning" \
    grep -q "5:45: warning: converted call lost 'NULL' \[q5-lost-tokens\]" "$SCRATCH/err"
ok "a cast terminator with an argument after it stays, with a warning" \
    grep -qxF '    XtVaSetValues(w, (char *)NULL, extra);' "$SCRATCH/out"
ok "(the warning)" grep -q "8:36: warning: arguments after the terminator '(char \*)NULL': 'extra' \[q5-dropped-arguments\]" "$SCRATCH/err"
same u.c u.orig

begin "calls converted before: plainly wrong pairs are trouble for --check"
printf 'void f(void *w)\n{\n    XtVaSetValues(w, Q5LT(XmNwidth, 10), Q5LT(8, "20c"), (char *)NULL);\n    XtVaSetValues(w, Q5LT(XmNheight, 2), (char *)NULL);\n}\n' >done.c
trun -q --check done.c
tcheck 1 '' "$(cat <<'EOF'
done.c:3:42: warning: pair 'Q5LT(8, "20c")' has the literal '8' as its resource: the pairing was shifted [q5-malformed-pair]
    XtVaSetValues(w, Q5LT(XmNwidth, 10), Q5LT(8, "20c"), (char *)NULL);
                                         ^
EOF
)"$'\n'

begin "the report is made before anything is changed, or on standard output"
fixture
cp src/ui.c ui.orig
trun -q -i --report=no/such/dir/r.sarif -I include src
ok "exit $STATUS, expected 2" [ "$STATUS" = 2 ]
ok "the error names the report" grep -q '^q5upgrade: no/such/dir/r.sarif: error: cannot write the report' "$SCRATCH/err"
same src/ui.c ui.orig
trun -q --check --report=- -I include src
ok "exit $STATUS, expected 1" [ "$STATUS" = 1 ]
ok "standard output is the log alone, and it parses" python3 -c '
import json, sys
log = json.load(open(sys.argv[1]))
rules = [r["ruleId"] for r in log["runs"][0]["results"]]
sys.exit(rules != ["q5-macro-pairs"])' "$SCRATCH/out"

finish
