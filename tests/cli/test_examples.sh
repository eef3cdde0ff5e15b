#!/usr/bin/env bash
# The shipped sample: test_examples.sh BINARY
#
# examples/dialog.v8.c is exactly what the tool makes of examples/dialog.c:
# - convert mode gives it byte for byte, exit 0, nothing on stderr or stdout;
# - upgrade mode on a copy (from another working directory) turns the copy
#   into it and leaves no temp.c behind;
# - the converted sample is refused as converted already (exit 3) and stays
#   as it was;
# - the excerpts that README.md shows of the sample (the ```c blocks of its
#   section "The example, walked through") are true: a block of more than
#   two lines is a verbatim run of lines of one of the two files, and every
#   line of a shorter block is a line of one of them.
set -u

if [ $# -ne 1 ]; then
    echo "usage: $0 BINARY" >&2
    exit 2
fi
binary=$1
case "$binary" in /*) ;; *) binary=$PWD/$binary ;; esac
repo=$(cd "$(dirname "$0")/../.." && pwd)
before=$repo/examples/dialog.c
after=$repo/examples/dialog.v8.c

[ -x "$binary" ] || { echo "FAIL: binary not executable: $binary"; exit 1; }
for f in "$before" "$after"; do
    [ -f "$f" ] || { echo "FAIL: missing $f"; exit 1; }
done

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The sample must exercise the conversion: every pair form, the rename and the cast.
for form in 'Q5T(' 'Q5LT(' 'Q5ST(' 'Q5TagGetS(' '(char *)'; do
    grep -qF "$form" "$after" || fail "examples/dialog.v8.c shows no $form"
done

# Convert mode.
mkdir "$scratch/convert"
(cd "$scratch/convert" && "$binary" "$before" dialog.v8.c >stdout 2>stderr)
status=$?
[ "$status" -eq 0 ] || fail "convert mode exited with $status: $(cat "$scratch/convert/stderr")"
[ -s "$scratch/convert/stderr" ] && fail "convert mode wrote to stderr: $(cat "$scratch/convert/stderr")"
[ -s "$scratch/convert/stdout" ] && fail "convert mode wrote to stdout"
if [ -f "$scratch/convert/dialog.v8.c" ]; then
    if ! cmp -s "$after" "$scratch/convert/dialog.v8.c"; then
        fail "converting examples/dialog.c no longer gives examples/dialog.v8.c:"
        diff -u --label examples/dialog.v8.c --label converted "$after" "$scratch/convert/dialog.v8.c"
    else
        echo "ok   examples/dialog.c converts to examples/dialog.v8.c"
    fi
else
    fail "convert mode wrote no output"
fi

# Upgrade mode on a copy, run from a separate working directory.
mkdir "$scratch/src" "$scratch/work"
cp "$before" "$scratch/src/dialog.c"
(cd "$scratch/work" && "$binary" -upgrade ../src/dialog.c >/dev/null 2>stderr)
status=$?
[ "$status" -eq 0 ] || fail "upgrade mode exited with $status: $(cat "$scratch/work/stderr")"
if cmp -s "$after" "$scratch/src/dialog.c"; then
    echo "ok   upgrade mode turns a copy of the sample into examples/dialog.v8.c"
else
    fail "upgrade mode did not turn the copy into examples/dialog.v8.c"
fi
[ -e "$scratch/work/temp.c" ] && fail "upgrade mode left temp.c in the working directory"

# A second run is refused and changes nothing.
cp "$after" "$scratch/src/again.c"
(cd "$scratch/work" && "$binary" -upgrade ../src/again.c >/dev/null 2>stderr)
status=$?
if [ "$status" -ne 3 ]; then
    fail "upgrading the converted sample exited with $status, expected 3"
elif ! cmp -s "$after" "$scratch/src/again.c"; then
    fail "upgrading the converted sample changed it"
elif [ "$(cat "$scratch/work/stderr")" != "../src/again.c is V8 file already" ]; then
    fail "unexpected message for the converted sample: $(cat "$scratch/work/stderr")"
else
    echo "ok   the converted sample is refused as converted already"
fi

# The README's excerpts.
readme=$repo/README.md
if [ -f "$readme" ]; then
    awk -v dir="$scratch/excerpts" '
        BEGIN { system("mkdir -p \"" dir "\"") }
        /^## / { walkthrough = ($0 ~ /^## The example/); next }
        !walkthrough { next }
        /^```c$/ { n++; file = dir "/" n; inside = 1; printf "" > file; next }
        /^```/ { if (inside) close(file); inside = 0; next }
        inside { print > file }
    ' "$readme"
    before_text=$(cat "$before")
    after_text=$(cat "$after")
    checked=0
    for excerpt in "$scratch"/excerpts/*; do
        [ -f "$excerpt" ] || continue
        checked=$((checked + 1))
        text=$(cat "$excerpt")
        if [ "$(wc -l <"$excerpt")" -gt 2 ]; then
            if [[ "$before_text" != *"$text"* && "$after_text" != *"$text"* ]]; then
                fail "README.md shows an excerpt found in neither sample file:"
                cat "$excerpt"
            fi
        else
            while IFS= read -r line; do
                if ! grep -qxF -- "$line" "$before" && ! grep -qxF -- "$line" "$after"; then
                    fail "README.md shows a line found in neither sample file: $line"
                fi
            done <"$excerpt"
        fi
    done
    if [ "$checked" -eq 0 ]; then
        fail "README.md shows no excerpt of the sample"
    else
        echo "ok   the $checked excerpts of the sample in README.md are true"
    fi
fi

if [ "$failures" -ne 0 ]; then
    echo "FAIL examples: $failures problem(s)"
    exit 1
fi
echo "ok   examples"
exit 0
