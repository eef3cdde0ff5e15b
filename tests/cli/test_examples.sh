#!/usr/bin/env bash
# The shipped sample: examples/dialog.v8.c is exactly what the tool makes of
# examples/dialog.c, in both modes, and the README's excerpts of it are true.
. "$(dirname "$0")/lib.sh"
BEFORE=$REPO/examples/dialog.c AFTER=$REPO/examples/dialog.v8.c

begin "the sample shows every form of the conversion"
for form in 'Q5T(' 'Q5LT(' 'Q5ST(' 'Q5TagGetS(' '(char *)'; do
    ok "examples/dialog.v8.c shows no $form" grep -qF "$form" "$AFTER"
done

# On copies: the input is opened for update, and must not be harmed.
begin "convert mode gives the converted sample"
cp "$BEFORE" dialog.c
run dialog.c dialog.v8.c
check 0 ''
same dialog.v8.c "$AFTER"
same dialog.c "$BEFORE"

begin "upgrade mode turns a copy into the converted sample"
mkdir src work
cp "$BEFORE" src/dialog.c
cd work && run -upgrade ../src/dialog.c
check 0 ''
same ../src/dialog.c "$AFTER"
only .

# Every line the README shows in its walk-through as C is a line of a sample.
begin "the README's excerpts are lines of the sample"
awk '/^## / { on = /^## The example/ } on && /^```/ { c = /^```c$/; next } on && c' "$REPO/README.md" >lines
ok "README.md shows no excerpt of the sample" [ -s lines ]
ok "README.md lines in neither sample file: $(grep -vxFf <(cat "$BEFORE" "$AFTER") lines)" \
    [ -z "$(grep -vxFf <(cat "$BEFORE" "$AFTER") lines)" ]

finish
