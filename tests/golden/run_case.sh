#!/usr/bin/env bash
# Run one golden case: run_case.sh BINARY CASE_DIR
#
# The case's input.c is copied into a fresh scratch directory, the tool is run
# there in convert mode as `BINARY input.c output.c`, and the run is compared
# with the case's files:
#   expected.status  exit status (default 0)
#   expected.stderr  standard error, byte for byte (default: empty)
#   expected.c       output.c, byte for byte; when absent, output.c must not exist
# Standard output must stay empty: the tool reports only on standard error.
# Prints a diff for each mismatch and exits 1 if anything differs, 0 otherwise.
set -u

if [ $# -ne 2 ]; then
    echo "usage: $0 BINARY CASE_DIR" >&2
    exit 2
fi

binary=$1
case_dir=${2%/}
case_name=$(basename "$case_dir")

case "$binary" in
    /*) ;;
    *) binary=$PWD/$binary ;;
esac
case "$case_dir" in
    /*) ;;
    *) case_dir=$PWD/$case_dir ;;
esac

if [ ! -x "$binary" ]; then
    echo "$case_name: binary not found or not executable: $binary" >&2
    exit 2
fi
if [ ! -f "$case_dir/input.c" ]; then
    echo "$case_name: no input.c in $case_dir" >&2
    exit 2
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cp "$case_dir/input.c" "$scratch/input.c"

(
    cd "$scratch" || exit 125
    "$binary" input.c output.c >stdout.actual 2>stderr.actual </dev/null
)
status=$?

failed=0

has_nul() {
    [ -f "$1" ] && [ "$(tr -d '\000' <"$1" | wc -c)" -ne "$(wc -c <"$1")" ]
}

compare_files() {
    local expected=$1 actual=$2 label=$3
    if cmp -s "$expected" "$actual"; then
        return 0
    fi
    failed=1
    echo "$case_name: $label differs"
    if has_nul "$expected" || has_nul "$actual"; then
        echo "--- $label (cmp -l: offset, expected octal, actual octal):"
        cmp -l "$expected" "$actual" 2>&1 | head -n 20
    else
        diff -u --label "expected/$label" --label "actual/$label" "$expected" "$actual"
    fi
}

# Exit status.
expected_status=0
if [ -f "$case_dir/expected.status" ]; then
    expected_status=$(tr -d ' \t\r\n' <"$case_dir/expected.status")
fi
if [ "$status" != "$expected_status" ]; then
    failed=1
    echo "$case_name: exit status $status, expected $expected_status"
fi

# Standard error.
if [ -f "$case_dir/expected.stderr" ]; then
    compare_files "$case_dir/expected.stderr" "$scratch/stderr.actual" stderr
else
    compare_files /dev/null "$scratch/stderr.actual" stderr
fi

# Standard output: always empty.
compare_files /dev/null "$scratch/stdout.actual" stdout

# Output file.
if [ -f "$case_dir/expected.c" ]; then
    if [ -f "$scratch/output.c" ]; then
        compare_files "$case_dir/expected.c" "$scratch/output.c" output.c
    else
        failed=1
        echo "$case_name: output.c was not created"
    fi
elif [ -e "$scratch/output.c" ]; then
    failed=1
    echo "$case_name: output.c exists but no output was expected"
fi

# Again with the input behind a long comment, which makes it large enough
# to be mapped rather than read: the result must be the same behind the
# same comment. Not for an empty input, nor one whose first byte is a
# quote (the first byte is never taken for the start of a literal).
if [ -s "$case_dir/input.c" ] && [ "$(head -c1 "$case_dir/input.c")" != '"' ]; then
    padded=$scratch/padded
    mkdir "$padded"
    {
        printf '/*\n'
        head -c 400000 /dev/zero | tr '\0' 'x' | fold -w 79
        printf '\n*/\n'
    } >"$padded/comment"
    cat "$padded/comment" "$case_dir/input.c" >"$padded/input.c"
    (
        cd "$padded" || exit 125
        "$binary" input.c output.c >stdout.actual 2>stderr.actual </dev/null
    )
    padded_status=$?
    if [ "$padded_status" != "$expected_status" ]; then
        failed=1
        echo "$case_name: behind a long comment: exit status $padded_status, expected $expected_status"
    fi
    if [ -f "$case_dir/expected.stderr" ]; then
        compare_files "$case_dir/expected.stderr" "$padded/stderr.actual" "stderr (behind a long comment)"
    else
        compare_files /dev/null "$padded/stderr.actual" "stderr (behind a long comment)"
    fi
    if [ -f "$case_dir/expected.c" ]; then
        cat "$padded/comment" "$case_dir/expected.c" >"$padded/expected.c"
        compare_files "$padded/expected.c" "$padded/output.c" "output.c (behind a long comment)"
    elif [ -e "$padded/output.c" ]; then
        failed=1
        echo "$case_name: behind a long comment: output.c exists but no output was expected"
    fi
fi

if [ "$failed" -ne 0 ]; then
    echo "FAIL $case_name"
    exit 1
fi
echo "ok   $case_name"
exit 0
