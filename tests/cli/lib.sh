# Helpers for the command-line tests, sourced by every tests/cli/test_*.sh.
# Run one as:  bash tests/cli/test_NAME.sh /abs/path/to/q5upgrade
# `begin TITLE` starts a case in a fresh empty directory, `run ARGS` runs the
# tool there, the checks below count passes and print one FAIL line each.
set -u
export LC_ALL=C
BIN=${1:?usage: bash $0 /path/to/q5upgrade}
case $BIN in /*) ;; *) BIN=$PWD/$BIN ;; esac
[ -x "$BIN" ] || { echo "not executable: $BIN" >&2; exit 2; }
REPO=$(cd "$(dirname "$0")/../.." && pwd)
SUITE=$(basename "$0" .sh); SUITE=cli/${SUITE#test_}
# Under /tmp and mode 755 so that the unprivileged user can reach it too.
SCRATCH=$(mktemp -d /tmp/q5cli.XXXXXX) || exit 2
chmod 755 "$SCRATCH"
trap 'chmod -R u+rwx "$SCRATCH"; rm -rf "$SCRATCH" ${EXTRA:-}' EXIT  # EXTRA: more to remove
trap 'exit 130' INT TERM HUP
PASSED=0 FAILED=0 N=0 CASE=setup STATUS= MS=

CALL=$'    Q5SetAttrs(obj, Q5A_Width, 100, Q5TAG_END);\n'
CONVERTED=$'    Q5SetAttrs(obj, Q5T(Q5A_Width, 100), Q5TAG_END);\n'
HEAD=$'/* before */\n'$CALL$'int a;\n'
HEAD_OUT=$'/* before */\n'$CONVERTED$'int a;\n'

begin() {
    CASE=$1 N=$((N + 1))
    mkdir -m 755 "$SCRATCH/$N" && cd "$SCRATCH/$N" || exit 2
}
fail() { FAILED=$((FAILED + 1)); echo "FAIL [$CASE] $*"; }
# ok WHAT COMMAND...: passes when COMMAND succeeds, else reports WHAT.
ok() {
    local what=$1; shift
    if "$@"; then PASSED=$((PASSED + 1)); else fail "$what"; fi
}

# Root passes every permission check, so the cases about permissions run the
# tool as nobody (from a copy if the checkout is out of nobody's reach).
AS_NOBODY=() UBIN=$BIN
if [ "$(id -u)" = 0 ]; then
    AS_NOBODY=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    "${AS_NOBODY[@]}" test -x "$BIN" || { cp "$BIN" "$SCRATCH/bin" && UBIN=$SCRATCH/bin; }
fi
# own PATH...: hand PATH to the user that run_nobody runs as.
own() { [ ${#AS_NOBODY[@]} = 0 ] || chown 65534:65534 "$@"; }

# The tool reports on stderr only: every run also checks that stdout is empty.
_run() {
    local t0; t0=$(date +%s%N)
    timeout -k 5 30 "$@" </dev/null >"$SCRATCH/stdout" 2>"$SCRATCH/stderr"
    STATUS=$? MS=$((($(date +%s%N) - t0) / 1000000))
    ok "stdout: $(head -c 200 "$SCRATCH/stdout")" [ ! -s "$SCRATCH/stdout" ]
}
run() { _run "$BIN" "$@"; }
run_nobody() { _run "${AS_NOBODY[@]}" "$UBIN" "$@"; }

# trun ARGS: the tool with stdin from $IN (default /dev/null); stdout and
# stderr kept apart in $SCRATCH/out and $SCRATCH/err (the tree interface
# writes to both).
trun() {
    timeout -k 5 30 "$BIN" "$@" <"${IN:-/dev/null}" >"$SCRATCH/out" 2>"$SCRATCH/err"
    STATUS=$?
}
# tcheck STATUS STDOUT STDERR: after trun, all three exactly.
tcheck() {
    ok "exit status $STATUS, expected $1" [ "$STATUS" = "$1" ]
    printf '%s' "$2" >"$SCRATCH/want"
    ok "stdout [$(head -c 300 "$SCRATCH/out")], expected [$2]" cmp -s "$SCRATCH/want" "$SCRATCH/out"
    printf '%s' "$3" >"$SCRATCH/want"
    ok "stderr [$(head -c 600 "$SCRATCH/err")], expected [$3]" cmp -s "$SCRATCH/want" "$SCRATCH/err"
}

# check STATUS STDERR: the exit status, and stderr exactly (line ends included).
check() {
    ok "exit status $STATUS, expected $1" [ "$STATUS" = "$1" ]
    printf '%s' "$2" >"$SCRATCH/want"
    ok "stderr [$(head -c 300 "$SCRATCH/stderr")], expected [$2]" cmp -s "$SCRATCH/want" "$SCRATCH/stderr"
}
# same FILE REF: FILE is byte for byte REF.  has FILE TEXT: FILE holds TEXT.
same() { ok "$1 differs: $(cmp "$2" "$1" 2>&1 | head -n 1)" cmp -s "$2" "$1"; }
has() { printf '%s' "$2" >"$SCRATCH/want.$N"; same "$1" "$SCRATCH/want.$N"; }

# only DIR NAME...: DIR holds exactly these entries, nothing stray or partial.
only() {
    local dir=$1 got want; shift
    got=$(ls -A "$dir" | tr '\n' ' ')
    want=$( (($#)) && printf '%s\n' "$@" | sort | tr '\n' ' ')
    ok "$dir holds [$got], expected [$want]" [ "$got" = "$want" ]
}

# keep PATH..., later kept PATH...: same bytes, inode, mtime and mode, so the
# file was neither rewritten nor replaced (its mtime is first set far back).
declare -A KEEP
keep() {
    local p
    for p; do
        touch -d @1000000000 -- "$p"
        cp -- "$p" "$SCRATCH/keep$N${p//\//_}"
        KEEP[$p]=$(stat -c '%i %Y %a' -- "$p")
    done
}
kept() {
    local p
    for p; do
        same "$p" "$SCRATCH/keep$N${p//\//_}"
        ok "$p rewritten or replaced" [ "$(stat -c '%i %Y %a' -- "$p" 2>&1)" = "${KEEP[$p]}" ]
    done
}

# refused STATUS STDERR ARGS...: ${RUN:-run} ARGS ends with STATUS and STDERR,
# creates or removes nothing here and leaves every readable file as it was.
refused() {
    local st=$1 msg=$2 before files=() f; shift 2
    before=$(ls -A | tr '\n' ' ')
    for f in * .[!.]*; do [ -f "$f" ] && [ -r "$f" ] && files+=("$f"); done
    keep "${files[@]}"
    ${RUN:-run} "$@"
    check "$st" "$msg"
    ok "entries [$(ls -A | tr '\n' ' ')], expected [$before]" [ "$(ls -A | tr '\n' ' ')" = "$before" ]
    kept "${files[@]}"
}

finish() {
    echo "$SUITE: $PASSED passed, $FAILED failed"
    [ "$FAILED" = 0 ]
    exit
}
