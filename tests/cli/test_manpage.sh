#!/usr/bin/env bash
# The manual page: test_manpage.sh BINARY
#
# 1. man/q5upgrade.1 renders without a single warning (groff -ww, and
#    man --warnings where man-db is installed). A deliberately broken page is
#    rendered first to prove the check sees warnings at all.
# 2. The page agrees with the built tool:
#    - every call name it lists, with its number of leading arguments, is
#      converted by the binary with exactly that many leading arguments, in
#      the pair form the page gives for its family; there are 44 of them;
#    - each diagnostic it lists is printed word for word by the binary when
#      provoked, and the binary exits with the status the entry gives.
set -u
export LC_ALL=C  # no locale warnings from man or groff

if [ $# -ne 1 ]; then
    echo "usage: $0 BINARY" >&2
    exit 2
fi
binary=$1
case "$binary" in /*) ;; *) binary=$PWD/$binary ;; esac
repo=$(cd "$(dirname "$0")/../.." && pwd)
page=$repo/man/q5upgrade.1

for tool in groff; do
    if ! command -v "$tool" >/dev/null; then
        echo "FAIL: $tool is not installed (Debian package groff-base)"
        exit 1
    fi
done
[ -f "$page" ] || { echo "FAIL: no manual page at $page"; exit 1; }
[ -x "$binary" ] || { echo "FAIL: binary not executable: $binary"; exit 1; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# --- 1. Rendering without warnings -----------------------------------------

# groff_warnings FILE: prints every warning groff gives for FILE.
groff_warnings() {
    groff -man -ww -z "$1" 2>&1 >/dev/null
    local status=${PIPESTATUS[0]}
    [ "$status" -eq 0 ] || echo "groff exited with $status"
}

printf '.TH BROKEN 1\n.SH NAME\nbroken \\- x\n.XX undefined\n\\fQbad font\\fR\n' >"$scratch/broken.1"
if [ -z "$(groff_warnings "$scratch/broken.1")" ]; then
    fail "groff -ww reports nothing for a page with an undefined macro and font; the check would be blind"
fi

warnings=$(groff_warnings "$page")
if [ -n "$warnings" ]; then
    fail "groff -man -ww warns about the page:"
    printf '%s\n' "$warnings"
else
    echo "ok   groff -man -ww -z: no warnings"
fi

if command -v man >/dev/null; then
    warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    if [ -n "$warnings" ]; then
        fail "man --warnings warns about the page:"
        printf '%s\n' "$warnings"
    else
        echo "ok   man --warnings -l: no warnings"
    fi
else
    echo "note man is not installed; checked with groff only"
fi

# Plain text, one line per paragraph, so entries can be read line by line.
groff -man -Tascii -rLL=300n -P-cbou "$page" >"$scratch/page.txt" 2>/dev/null
section() { # section TITLE: the body of one top-level section
    awk -v title="$1" '/^[A-Z]/ { inside = ($0 == title); next } inside' "$scratch/page.txt"
}

# --- 2a. The call names and their leading arguments ------------------------

section "WHAT IS CONVERTED" |
    grep -oE '\b(Q5[A-Za-z0-9_]+|XtVa[A-Za-z0-9_]+) \([0-9]\)' |
    sort -u >"$scratch/names"
count=$(wc -l <"$scratch/names")
if [ "$count" -ne 44 ]; then
    fail "the page lists $count call names with their leading arguments, expected 44"
fi
if [ "$(cut -d' ' -f1 "$scratch/names" | sort -u | wc -l)" -ne "$count" ]; then
    fail "a call name is listed twice with different numbers of leading arguments"
fi

# One call per listed name: its leading arguments, one pair, a terminator.
: >"$scratch/calls.c"
: >"$scratch/calls.expected"
while read -r name fixed; do
    fixed=${fixed//[()]/}
    leading=""
    for ((i = 1; i <= fixed; i++)); do leading+="a$i, "; done
    case "$name" in
        XtVa*)
            echo "$name(${leading}XmNwidth, w, NULL);" >>"$scratch/calls.c"
            echo "$name(${leading}Q5LT(XmNwidth, w),(char *) NULL);" >>"$scratch/calls.expected" ;;
        Q5TagGet)
            echo "$name(${leading}Q5A_Width, &w, Q5TAG_END);" >>"$scratch/calls.c"
            echo "Q5TagGetS(${leading}Q5ST(Q5A_Width, &w), Q5TAG_END);" >>"$scratch/calls.expected" ;;
        *)
            echo "$name(${leading}Q5A_Width, w, Q5TAG_END);" >>"$scratch/calls.c"
            echo "$name(${leading}Q5T(Q5A_Width, w), Q5TAG_END);" >>"$scratch/calls.expected" ;;
    esac
done <"$scratch/names"

(cd "$scratch" && "$binary" calls.c calls.out >/dev/null 2>calls.err)
status=$?
if [ "$status" -ne 0 ]; then
    fail "converting one call of each listed name exited with $status: $(cat "$scratch/calls.err")"
elif ! diff -u --label documented "$scratch/calls.expected" --label converted "$scratch/calls.out"; then
    fail "a listed call name or its number of leading arguments disagrees with the tool"
else
    echo "ok   the $count listed call names convert with their documented leading arguments"
fi

# --- 2b. The diagnostics ----------------------------------------------------

section DIAGNOSTICS | awk '
    /^       [^ ]/ { sub(/^ +/, ""); tag = $0; next }
    /^              / && tag != "" { sub(/^ +/, ""); print tag "\t" $0; tag = "" }
' >"$scratch/diagnostics"

# check_diagnostic TAG STATUS STDERR: TAG is the entry as the page writes it
# (FILE for the path, program for the program name); the binary printed
# STDERR and exited with STATUS.
check_diagnostic() {
    local tag=$1 status=$2 stderr=$3 entry expected
    entry=$(awk -F'\t' -v tag="$tag" '$1 == tag { print $2 }' "$scratch/diagnostics")
    if [ -z "$entry" ]; then
        fail "the page has no diagnostic entry \"$tag\""
        return
    fi
    expected=$(printf '%s' "$tag" | sed -e "s|FILE|$path|g" -e "s|^Usage: program|Usage: $binary|")
    if [[ "$stderr" != "$expected"* ]]; then
        fail "\"$tag\": the tool printed \"$stderr\", the page documents \"$expected\""
    elif [[ "$entry" != *"Exit $status."* ]]; then
        fail "\"$tag\": the tool exits with $status, the page says: $entry"
    else
        echo "ok   diagnostic \"$tag\" (exit $status)"
    fi
}

# provoke TAG ARGS...: runs the binary in $scratch/run with ARGS.
provoke() {
    local tag=$1
    shift
    local stderr status
    stderr=$(cd "$scratch/run" && "$binary" "$@" 2>&1 >/dev/null </dev/null)
    status=$?
    check_diagnostic "$tag" "$status" "$stderr"
}

mkdir "$scratch/run"
cd "$scratch/run" || exit 1
printf 'int x;\n' >plain.c
: >empty.c
printf '/* Q5T( */\n' >v8.c
printf 'Q5Do(o, M, "open);\n' >string.c
printf 'Q5Do(o, M, A, 1\n' >list.c
printf 'Q5SetAttrs(o, %s, Q5TAG_END);\n' "$(head -c 1100 /dev/zero | tr '\0' a)" >long.c
{ printf 'Q5SetAttrs(o'; for ((i = 0; i < 130; i++)); do printf ', a'; done; printf ');\n'; } >many.c
printf 'Q5SetAttrs%*s(o, A, 1, Q5TAG_END);\n' 130 '' >name.c
printf 'int y;\n' >temp.c

path="";        provoke "Usage: program infile outfile"
path=missing.c; provoke "Cannot read FILE" missing.c out.c
path=empty.c;   provoke "File size 0: FILE" empty.c out.c
path=v8.c;      provoke "FILE is V8 file already" v8.c out.c
path=no/out.c;  provoke "Cannot open FILE" plain.c no/out.c
path=temp.c;    provoke "Cannot upgrade FILE: it is temp.c, the file upgrade mode writes its result to" -upgrade temp.c
if [ -w /dev/full ]; then
    path=/dev/full; provoke "Cannot write to FILE" plain.c /dev/full
fi
path="";        provoke "Unterminated string" string.c out.c
path="";        provoke "Unterminated parameter list" list.c out.c
path="";        provoke "ERROR: Too long parameter name" long.c out.c
path="";        provoke "ERROR: Too many parameters" many.c out.c
path="";        provoke "ERROR: Too long function name" name.c out.c

# The rename fails across file systems: run upgrade mode from a directory on
# another device than the input.
elsewhere=""
for dir in /dev/shm /run /tmp /var/tmp; do
    if [ -d "$dir" ] && [ -w "$dir" ] && [ "$(stat -c %d "$dir")" != "$(stat -c %d "$scratch")" ]; then
        elsewhere=$(mktemp -d "$dir/q5manpage.XXXXXX") && break
    fi
done
if [ -n "$elsewhere" ]; then
    printf 'Q5Do(o, M, A, 1, Q5TAG_END);\n' >"$scratch/run/moved.c"
    path=$scratch/run/moved.c
    stderr=$(cd "$elsewhere" && "$binary" -upgrade "$path" 2>&1 >/dev/null </dev/null)
    status=$?
    check_diagnostic "Error: unable to rename temp.c to FILE" "$status" "$stderr"
    rm -rf "$elsewhere"
else
    echo "note no writable directory on another file system; rename failure not checked"
fi

if [ "$failures" -ne 0 ]; then
    echo "FAIL manpage: $failures problem(s)"
    exit 1
fi
echo "ok   manpage"
exit 0
