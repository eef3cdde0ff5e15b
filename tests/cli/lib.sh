# Shared helpers for the command-line tests. Sourced by each tests/cli/test_*.sh,
# which is run as:  bash tests/cli/test_NAME.sh /abs/path/to/q5upgrade
#
# A script calls `begin "what this case shows"` to get a fresh, empty case
# directory as its working directory, runs the tool with `run ARGS...` (or one
# of its variants), then states what must hold with the expect_* checks. Each
# failed check prints one FAIL line; `finish` prints the summary and sets the
# exit status.

set -u

if [ $# -lt 1 ]; then
    echo "usage: bash $0 /path/to/q5upgrade" >&2
    exit 2
fi
BIN=$1
case "$BIN" in
    /*) ;;
    *) BIN=$PWD/$BIN ;;
esac
if [ ! -x "$BIN" ]; then
    echo "binary not found or not executable: $BIN" >&2
    exit 2
fi

SUITE=$(basename "$0" .sh)
SUITE=cli/${SUITE#test_}

# Under /tmp so the unprivileged user can reach it; 755 for the same reason.
SCRATCH=$(mktemp -d /tmp/q5cli.XXXXXX) || exit 2
chmod 755 "$SCRATCH"
CAPTURE=$SCRATCH/.capture
mkdir "$CAPTURE"

CLEANUP_PATHS=()
cleanup() {
    local p
    for p in "${CLEANUP_PATHS[@]}"; do
        rm -rf -- "$p"
    done
    chmod -R u+rwx "$SCRATCH" 2>/dev/null
    rm -rf -- "$SCRATCH"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

# Extra paths outside the scratch dir (e.g. on another file system) to remove
# on exit.
remove_on_exit() {
    CLEANUP_PATHS+=("$@")
}

PASSED=0
FAILED=0
CASE="(setup)"
CASE_NO=0
RUN_TIMEOUT=${RUN_TIMEOUT:-20}
STATUS=
ELAPSED_MS=

# begin DESCRIPTION: start a case in a fresh empty directory under the scratch
# dir and make it the working directory.
begin() {
    CASE=$1
    CASE_NO=$((CASE_NO + 1))
    CASE_DIR=$SCRATCH/case$CASE_NO
    mkdir "$CASE_DIR"
    chmod 755 "$CASE_DIR"
    cd "$CASE_DIR" || exit 2
}

pass() {
    PASSED=$((PASSED + 1))
}

fail() {
    FAILED=$((FAILED + 1))
    printf 'FAIL [%s] %s\n' "$CASE" "$*"
}

note() {
    printf 'NOTE [%s] %s\n' "$CASE" "$*"
}

# Shows a file's bytes readably (line ends as $, CR as ^M, NUL as ^@), cut
# short so a 50 MB mismatch does not flood the log.
show_bytes() {
    local label=$1 file=$2
    printf '  %s (%s bytes):\n' "$label" "$(wc -c <"$file")"
    head -c 2000 "$file" | cat -A | head -n 8 | cut -c 1-240 | sed 's/^/    | /'
}

# --- running the binary -------------------------------------------------------

# All variants capture stdout, stderr and the exit status (in STATUS) and
# check that nothing reached stdout: the tool reports on stderr only.
_run() {
    local start end
    start=$(date +%s%N)
    "$@" </dev/null >"$CAPTURE/stdout" 2>"$CAPTURE/stderr"
    STATUS=$?
    end=$(date +%s%N)
    ELAPSED_MS=$(((end - start) / 1000000))
    if [ -s "$CAPTURE/stdout" ]; then
        fail "something was written to stdout"
        show_bytes stdout "$CAPTURE/stdout"
    else
        pass
    fi
}

# run ARGS...: the binary with ARGS in the current directory.
run() {
    _run timeout -k 5 "$RUN_TIMEOUT" "$BIN" "$@"
}

# run_named NAME ARGS...: the binary with argv[0] set to NAME.
run_named() {
    local name=$1
    shift
    _run timeout -k 5 "$RUN_TIMEOUT" bash -c 'n=$1; shift; exec -a "$n" "$@"' _ "$name" "$BIN" "$@"
}

# Permission checks do not apply to root, so the rows about unreadable or
# unwritable files run the binary as an unprivileged user when we are root.
NOBODY=65534
is_root() {
    [ "$(id -u)" -eq 0 ]
}

UNPRIV_BIN=
_unprivileged_binary() {
    if [ -n "$UNPRIV_BIN" ]; then
        return 0
    fi
    if ! command -v setpriv >/dev/null 2>&1; then
        echo "setpriv (util-linux) is needed to run as an unprivileged user" >&2
        exit 2
    fi
    UNPRIV_BIN=$BIN
    # A checkout the unprivileged user cannot reach: use a copy instead.
    if ! setpriv --reuid=$NOBODY --regid=$NOBODY --clear-groups test -x "$BIN" 2>/dev/null; then
        mkdir -p "$SCRATCH/.bin"
        chmod 755 "$SCRATCH/.bin"
        cp "$BIN" "$SCRATCH/.bin/q5upgrade"
        chmod 755 "$SCRATCH/.bin/q5upgrade"
        UNPRIV_BIN=$SCRATCH/.bin/q5upgrade
    fi
}

# run_unprivileged ARGS...: as run, but as an unprivileged user when root.
run_unprivileged() {
    if is_root; then
        _unprivileged_binary
        _run timeout -k 5 "$RUN_TIMEOUT" \
            setpriv --reuid=$NOBODY --regid=$NOBODY --clear-groups "$UNPRIV_BIN" "$@"
    else
        run "$@"
    fi
}

# give_to_unprivileged PATH...: make PATH belong to the user run_unprivileged
# runs as (a no-op when that is us already).
give_to_unprivileged() {
    if is_root; then
        chown $NOBODY:$NOBODY "$@"
    fi
}

# --- checks -------------------------------------------------------------------

expect_status() {
    if [ "$STATUS" = "$1" ]; then
        pass
    else
        fail "exit status $STATUS, expected $1"
    fi
}

# expect_status_in "0 2 5": any of the listed statuses (a crash is not).
expect_status_in() {
    local s
    for s in $1; do
        if [ "$STATUS" = "$s" ]; then
            pass
            return 0
        fi
    done
    fail "exit status $STATUS, expected one of: $1"
}

_compare() {
    local label=$1 expected=$2 actual=$3
    if cmp -s "$expected" "$actual"; then
        pass
    else
        fail "$label differs ($(cmp "$expected" "$actual" 2>&1 | head -n 1))"
        show_bytes expected "$expected"
        show_bytes actual "$actual"
    fi
}

# expect_stderr TEXT: stderr is exactly TEXT (pass line ends explicitly, e.g.
# with $'...\n'; a missing final line end matters).
expect_stderr() {
    printf '%s' "$1" >"$CAPTURE/expected_stderr"
    _compare stderr "$CAPTURE/expected_stderr" "$CAPTURE/stderr"
}

expect_stderr_file() {
    _compare stderr "$1" "$CAPTURE/stderr"
}

# expect_stderr_matches ERE: the first line of stderr matches; for messages
# whose exact wording depends on where a buffered write happened to fail.
expect_stderr_matches() {
    if head -n 1 "$CAPTURE/stderr" | grep -aEq -- "$1"; then
        pass
    else
        fail "stderr does not match /$1/"
        show_bytes actual "$CAPTURE/stderr"
    fi
}

# expect_file_equals PATH EXPECTED_FILE: PATH exists and is byte-identical.
expect_file_equals() {
    if [ ! -f "$1" ]; then
        fail "$1 is missing (or not a regular file)"
        return 1
    fi
    _compare "$1" "$2" "$1"
}

# expect_file_text PATH TEXT: PATH holds exactly TEXT.
expect_file_text() {
    printf '%s' "$2" >"$CAPTURE/expected_file"
    expect_file_equals "$1" "$CAPTURE/expected_file"
}

expect_absent() {
    if [ -e "$1" ] || [ -L "$1" ]; then
        fail "$1 exists but should not"
    else
        pass
    fi
}

# expect_entries DIR NAME...: DIR holds exactly these names (dot files
# included), so stray temporary or partial files are caught.
expect_entries() {
    local dir=$1 actual expected
    shift
    actual=$(cd "$dir" && LC_ALL=C ls -A | tr '\n' ' ')
    expected=$(if [ $# -gt 0 ]; then printf '%s\n' "$@"; fi | LC_ALL=C sort | tr '\n' ' ')
    if [ "$actual" = "$expected" ]; then
        pass
    else
        fail "$dir holds [${actual% }], expected [${expected% }]"
    fi
}

expect_mode() {
    local mode
    mode=$(stat -c '%a' "$1" 2>/dev/null)
    if [ "$mode" = "$2" ]; then
        pass
    else
        fail "$1 has mode ${mode:-?}, expected $2"
    fi
}

expect_symlink() {
    if [ -L "$1" ]; then
        pass
    else
        fail "$1 is no longer a symbolic link"
    fi
}

expect_faster_than_ms() {
    if [ "$ELAPSED_MS" -lt "$1" ]; then
        pass
    else
        fail "took ${ELAPSED_MS} ms, expected under $1 ms"
    fi
}

# snapshot PATH, later expect_unchanged PATH: same content, inode, mtime, size
# and mode, i.e. the file was neither rewritten nor replaced. The mtime is set
# well into the past first so that any rewrite shows.
declare -A SNAP_STAT SNAP_COPY
SNAP_NO=0
snapshot() {
    local p
    for p in "$@"; do
        touch -h -d '@1000000000' "$p"
        SNAP_NO=$((SNAP_NO + 1))
        cp -- "$p" "$CAPTURE/snap$SNAP_NO"
        SNAP_COPY[$p]=$CAPTURE/snap$SNAP_NO
        SNAP_STAT[$p]=$(stat -c '%i %Y %s %a' -- "$p")
    done
}

expect_unchanged() {
    local p now
    for p in "$@"; do
        if [ ! -f "$p" ]; then
            fail "$p was lost"
            continue
        fi
        _compare "$p (should be untouched)" "${SNAP_COPY[$p]}" "$p"
        now=$(stat -c '%i %Y %s %a' -- "$p")
        if [ "$now" = "${SNAP_STAT[$p]}" ]; then
            pass
        else
            fail "$p was rewritten or replaced (inode mtime size mode: ${SNAP_STAT[$p]} -> $now)"
        fi
    done
}

# finish: the summary line; non-zero exit when any check failed.
finish() {
    printf '%s: %d passed, %d failed\n' "$SUITE" "$PASSED" "$FAILED"
    if [ "$FAILED" -ne 0 ]; then
        exit 1
    fi
    exit 0
}
