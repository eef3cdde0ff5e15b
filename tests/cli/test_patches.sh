#!/usr/bin/env bash
# --diff makes patches that git apply and patch -p1 apply to exactly what -i
# writes, whatever the names: blanks, tabs, quotes, backslashes, bytes that
# are not UTF-8, a leading "-", paths given with "./" or absolute.
. "$(dirname "$0")/lib.sh"

NAMES=('my dir/a b.c' $'tab\there.c' 'quote".c' 'back\slash.c' $'latin\xe9.c' '-dash.c' 'plain.c')
tree() {
    mkdir -p "$1/src/my dir"
    for n in "${NAMES[@]}"; do printf 'int a;\n%s' "$CALL" >"$1/src/$n"; done
}

begin "patches of hostile names apply with git apply and patch -p1"
tree base
for how in rel dot abs; do
    rm -rf "$how" && cp -a base "$how"
done
cp -a base inplace
(cd inplace && "$BIN" -q -i src)
(cd base && "$BIN" -q --diff src >../rel.diff)
(cd base && "$BIN" -q --diff ./src >../dot.diff)
(cd base && "$BIN" -q --diff "$PWD/src" >../abs.diff)
for how in rel dot abs; do
    ok "$how: headers carry no ./ or //: $(grep -m1 '^+++' "$how.diff")" \
        bash -c "! grep -qE '^(---|\\+\\+\\+) \"?[ab]/(\\./|/)' $how.diff"
    rm -rf "g$how" "p$how" && cp -a base "g$how" && cp -a base "p$how"
    ok "$how: git apply" bash -c "cd g$how && git apply ../$how.diff"
    ok "$how: patch -p1" bash -c "cd p$how && patch -s -p1 <../$how.diff"
    ok "$how: git apply gives what -i gives" diff -r "g$how" inplace
    ok "$how: patch -p1 gives what -i gives" diff -r "p$how" inplace
done
ok "a name with a blank ends in a tab" grep -q $'^+++ b/src/my dir/a b.c\t$' rel.diff
ok "a name with a quote is quoted as git quotes it" grep -qF '+++ "b/src/quote\".c"' rel.diff
ok "a byte from 0x80 up is written in octal" grep -qF '+++ "b/src/latin\351.c"' rel.diff

finish
