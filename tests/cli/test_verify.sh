#!/usr/bin/env bash
# --verify with a hand-written compilation database: calls the compiler
# sees proven (one left today for a macro whose header was not given is
# converted), calls it skips converted unproven, calls it disproves left with
# its reason, files it has no entry for said so; a file built two ways; the
# compiler's failures and time limit as file errors; the options, the
# configuration key and -j.
# Skipped (77) without gcc.
. "$(dirname "$0")/lib.sh"
command -v gcc >/dev/null 2>&1 || { echo "SKIP: gcc not found"; exit 77; }

# src/app.c is compiled with -DWIDE -I../inc; src/other.c is in no entry.
fixture() {
    mkdir -p src inc build
    cat >src/app.c <<'EOF'
#include <stddef.h>
#include "look.h"
typedef void *Widget;
void XtVaSetValues(Widget w, ...);
#define XmNa "a"
#define XmNb "b"
#define STR(x) #x
#define ONE XmNa
void f(Widget w)
{
    XtVaSetValues(w, XmNa, 1, NULL);
    XtVaSetValues(w, RES(b), 2, NULL);
#ifdef WIDE
    XtVaSetValues(w, XmNa, 3, NULL);
#else
    XtVaSetValues(w, XmNb, 4, NULL);
#endif
    XtVaSetValues(w, ONE, 5, NULL);
#undef ONE
#define ONE XmNa, 6
    XtVaSetValues(w, ONE, 7, NULL);
    const char *s = APPLY(STR, XtVaSetValues(w, XmNb, 8, NULL));
}
EOF
    printf '#define RES(n) XmN##n\n#define APPLY(m, x) m(x)\n' >inc/look.h
    printf 'void g(void *w)\n{\n    XtVaSetValues(w, XmNa, 9, NULL);\n}\n' >src/other.c
    printf '[{"directory": "%s/build", "file": "../src/app.c",\n  "command": "gcc -std=c99 -DWIDE -I../inc -o app.o -c ../src/app.c -MD -MF app.d"}]\n' \
        "$PWD" >build/compile_commands.json
}
APP_OUT='#include <stddef.h>
#include "look.h"
typedef void *Widget;
void XtVaSetValues(Widget w, ...);
#define XmNa "a"
#define XmNb "b"
#define STR(x) #x
#define ONE XmNa
void f(Widget w)
{
    XtVaSetValues(w, Q5LT(XmNa, 1), (char *)NULL);
    XtVaSetValues(w, Q5LT(RES(b), 2), (char *)NULL);
#ifdef WIDE
    XtVaSetValues(w, Q5LT(XmNa, 3), (char *)NULL);
#else
    XtVaSetValues(w, Q5LT(XmNb, 4), (char *)NULL);
#endif
    XtVaSetValues(w, ONE, 5, NULL);
#undef ONE
#define ONE XmNa, 6
    XtVaSetValues(w, ONE, 7, NULL);
    const char *s = APPLY(STR, XtVaSetValues(w, XmNb, 8, NULL));
}
'
# ONE's two definitions are counted by the reader; the call made a string
# by a macro passed as an argument is the compiler's to find.
UNPROVEN=$'src/app.c:18:22: warning: call left as it stands: the number of list arguments cannot be known: macro \'ONE\' has definitions that make it different numbers of list arguments [q5-macro-pairs]
    XtVaSetValues(w, ONE, 5, NULL);
                     ^
src/app.c:21:22: warning: call left as it stands: the number of list arguments cannot be known: macro \'ONE\' has definitions that make it different numbers of list arguments [q5-macro-pairs]
    XtVaSetValues(w, ONE, 7, NULL);
                     ^
src/app.c:22:32: warning: call left as it stands: the compiler does not prove its conversion: after preprocessing its tokens differ from the original\'s: \'"XtVaSetValues(w, \\"b\\" , 8 , (char *)((void ...\' where the original has \'"XtVaSetValues(w, \\"b\\", 8, ((void *)0))" ; }\' [q5-unproven]
    const char *s = APPLY(STR, XtVaSetValues(w, XmNb, 8, NULL));
                               ^
'
NO_ENTRY=$'src/other.c: warning: no entry in the compilation database: 1 call converted unproven\n'
COUNTS='3 proven, 2 converted unproven (not compiled in this configuration), 3 left as they stand; 3 warnings (2 q5-macro-pairs, 1 q5-unproven)'

begin "-i --verify -p: proven, unproven, disproven, no entry; nothing else written"
fixture
cp src/other.c other.want
printf 'void g(void *w)\n{\n    XtVaSetValues(w, Q5LT(XmNa, 9), (char *)NULL);\n}\n' >other.want
# Without the compiler the header's macro is unknown, and its call is left.
trun -q --check src
ok "--check without --verify: $(cat "$SCRATCH/err")" grep -q "RES(b)' is a macro call whose definition was not seen" "$SCRATCH/err"
trun --check --ignore=q5-convertible --verify -p build src
tcheck 1 $'src/app.c\nsrc/other.c\n' "$UNPROVEN$NO_ENTRY"'q5upgrade: 2 files examined, 2 would change, 0 unchanged, 0 failed, '"$COUNTS"$'\n'
trun --check --ignore=q5-convertible --verbose --verify -p build src
tcheck 1 $'src/app.c:11:5\nsrc/app.c:12:5\nsrc/app.c:14:5\nsrc/app.c:16:5\nsrc/other.c:3:5\n' \
    $'src/app.c:16:5: converted unproven (not compiled in this configuration)\n'"$UNPROVEN$NO_ENTRY"$'src/other.c:3:5: converted unproven (no entry in the compilation database)\nq5upgrade: 2 files examined, 2 would change, 0 unchanged, 0 failed, '"$COUNTS"$'\n'
trun -i --verify -p build src
tcheck 1 '' "$UNPROVEN$NO_ENTRY"'q5upgrade: 2 files examined, 2 changed, 0 unchanged, 0 failed, '"$COUNTS"$'\n'
has src/app.c "$APP_OUT"
same src/other.c other.want
# The build's outputs were dropped from the command: no object, no .d file.
only build compile_commands.json
# A second run finds the same calls left and nothing to convert.
trun -q --check --ignore=q5-convertible --verify -p build src
tcheck 1 '' "$UNPROVEN"
# Compiled as converted, with pair macros as the toolkit defines them.
ok "the converted file compiles" gcc -std=c99 -DWIDE -Iinc -fsyntax-only \
    -include <(printf '#define Q5LT(r, v) r, v\n') src/app.c

begin "a file built two ways: proven where some build sees it, rolled back where one disproves it"
mkdir src build
cat >src/two.c <<'EOF'
typedef void *Widget;
void XtVaSetValues(Widget w, ...);
#define XmNa "a"
#ifdef WIDE
#define SIZE XmNa, 2
#else
#define SIZE XmNa
#endif
void f(Widget w)
{
#ifdef WIDE
    XtVaSetValues(w, XmNa, 1, (void *)0);
#else
    XtVaSetValues(w, XmNa, 2, (void *)0);
#endif
    XtVaSetValues(w, SIZE, 3, (void *)0);
}
EOF
# Narrow first: its macros plan the conversion; the wide build disproves one
# call. The third entry is the first again: preprocessed once.
printf '[{"directory": "%s/src", "arguments": ["gcc", "-c", "two.c", "-o", "narrow.o"], "file": "two.c"},
 {"directory": "%s/src", "arguments": ["gcc", "-DWIDE", "-c", "two.c", "-o", "wide.o"], "file": "two.c"},
 {"directory": "%s/src", "arguments": ["gcc", "-c", "two.c", "-o", "again.o"], "file": "two.c"}]\n' \
    "$PWD" "$PWD" "$PWD" >build/compile_commands.json
trun -i --verify -p build src
tcheck 1 '' $'src/two.c:16:5: warning: call left as it stands: the compiler does not prove its conversion: the first argument of Q5LT(SIZE, 3) expands to 2 arguments: \'"a" , 2\' [q5-unproven]
    XtVaSetValues(w, SIZE, 3, (void *)0);
    ^
q5upgrade: 1 file examined, 1 changed, 0 unchanged, 0 failed, 2 proven, 0 converted unproven (not compiled in this configuration), 1 left as they stand; 1 warning (1 q5-unproven)
'
ok "both branches converted" [ "$(grep -c 'Q5LT(XmNa, [12]), (char \*)(void \*)0' src/two.c)" = 2 ]
ok "the disproven call as it was" grep -q '^    XtVaSetValues(w, SIZE, 3, (void \*)0);$' src/two.c

begin "the same bytes whatever -j is"
fixture
for j in 1 4; do
    trun --diff --ignore=q5-convertible --verbose --verify -p build -j $j src
    cp "$SCRATCH/out" "out.$j"; cp "$SCRATCH/err" "err.$j"
done
same out.4 out.1
same err.4 err.1

begin "the compiler's failures and its time limit are the file's errors"
fixture
printf '#include "missing.h"\nvoid h(void *w) { XtVaSetValues(w, XmNa, 1, NULL); }\n' >src/broken.c
printf '#!/bin/sh\nsleep 30\n' >build/slowcc
chmod +x build/slowcc
printf '[{"directory": "%s/build", "arguments": ["gcc", "-c", "../src/broken.c"], "file": "../src/broken.c"},
 {"directory": "%s/build", "arguments": ["./slowcc", "-c", "%s/src/other.c"], "file": "%s/src/other.c"},
 {"directory": "%s/build", "arguments": ["no-such-compiler-q5", "-c", "../src/app.c"], "file": "../src/app.c"}]\n' \
    "$PWD" "$PWD" "$PWD" "$PWD" "$PWD" >build/compile_commands.json
keep src/app.c src/broken.c src/other.c
IN=/dev/null Q5UPGRADE_TEST_VERIFY_SECONDS=0.5 trun -i --verify -p build src
tcheck 2 '' "src/app.c: error: cannot run 'no-such-compiler-q5': No such file or directory [q5-conversion-failed]
src/broken.c: error: the compiler fails: ../src/broken.c:1:10: fatal error: missing.h: No such file or directory [q5-conversion-failed]
src/other.c: error: the compiler did not finish within 0.5 s [q5-conversion-failed]
q5upgrade: 3 files examined, 0 changed, 0 unchanged, 3 failed, 0 proven, 0 converted unproven (not compiled in this configuration), 0 left as they stand
"
kept src/app.c src/broken.c src/other.c
ok "the slow compiler was killed" bash -c "! pgrep -f '[.]/slowcc -c' >/dev/null"

begin "options, the database's errors, the configuration key"
fixture
keep src/app.c src/other.c
trun --check --verify src
tcheck 2 '' $'q5upgrade: error: --verify needs a compilation database: give -p DIR or --compile-commands=FILE, or set compile-commands in .q5upgrade.toml\n'
trun --check -p build src
tcheck 2 '' $'q5upgrade: option \'-p\' needs \'--verify\'\nTry \'q5upgrade --help\' for more information.\n'
trun --check --verify --unsafe-fixes -p build src
tcheck 2 '' $'q5upgrade: options \'--verify\' and \'--unsafe-fixes\' cannot be used together\nTry \'q5upgrade --help\' for more information.\n'
trun -i --verify -p src src
tcheck 2 '' $'q5upgrade: src/compile_commands.json: error: cannot read the compilation database: No such file or directory\n'
printf '[{"directory": "/", "file": "a.c", "command": "cc \\"a.c"}]' >bad.json
trun -i --verify --compile-commands=bad.json src
tcheck 2 '' $'q5upgrade: bad.json: error: entry 1 of the compilation database has a "command" where a double quote is not closed\n'
kept src/app.c src/other.c
# The key, relative to the file; a file's unsafe-fixes gives way to --verify.
printf 'compile-commands = "build"\nunsafe-fixes = true\n' >.q5upgrade.toml
trun -q --check --ignore=q5-convertible --verify src
tcheck 1 $'src/app.c\nsrc/other.c\n' "$UNPROVEN$NO_ENTRY"
printf 'compile-commands = 1\n' >.q5upgrade.toml
trun -q --check --ignore=q5-convertible --verify src
tcheck 2 '' $'q5upgrade: .q5upgrade.toml:1: error: \'compile-commands\' must be a string (a file or a directory)\n'

finish
