#!/usr/bin/env bash
# What the tree interface prints: diagnostics and errors in one shape, one
# q5-convertible finding per call to convert; the JSON Lines, GitHub and
# SARIF formats alone on standard output (each parsed, the three agreeing,
# the log's fixes making the conversion) with notes, summary and
# statistics on standard error; colour of the findings and of the diff;
# "would change", --check --verbose, --statistics, and the progress line
# on a terminal (a pty) but never elsewhere.
. "$(dirname "$0")/lib.sh"

# pty_run OUT CONT ARGS...: runs ARGS with standard error on a terminal and
# standard output in OUT.out; the terminal's bytes go to OUT. With CONT > 0
# the process is sent SIGCONT every CONT seconds (for Q5UPGRADE_TEST_STOP);
# CONT < 0 does the same with standard error in a file instead.
cat >"$SCRATCH/pty_run.py" <<'EOF'
import os, pty, select, signal, subprocess, sys, termios, time
out, cont, cmd = sys.argv[1], float(sys.argv[2]), sys.argv[3:]
master, slave = pty.openpty()
attrs = termios.tcgetattr(slave)
attrs[1] &= ~termios.OPOST  # the bytes as written: no "\n" made "\r\n"
termios.tcsetattr(slave, termios.TCSANOW, attrs)
err = slave if cont >= 0 else open(out, "wb")
p = subprocess.Popen(cmd, stdin=subprocess.DEVNULL, stdout=open(out + ".out", "wb"), stderr=err)
os.close(slave)
while cont < 0 and p.poll() is None:
    time.sleep(-cont)
    p.send_signal(signal.SIGCONT)
data = b""
while True:
    ready, _, _ = select.select([master], [], [], abs(cont) or 0.05)
    if ready:
        try:
            chunk = os.read(master, 65536)
        except OSError:
            chunk = b""
        if chunk:
            data += chunk
            continue
    if cont:
        p.send_signal(signal.SIGCONT)
    if p.poll() is not None and not ready:
        break
    if ready and not chunk:
        break
status = p.wait()
if cont >= 0:
    open(out, "wb").write(data)
sys.exit(status)
EOF
pty_run() { timeout -k 5 30 python3 "$SCRATCH/pty_run.py" "$@"; }

ODD='a,b:c%d.c'
fixture() {
    mkdir src
    cat >src/a.c <<'EOF'
#define PAIR(r, v) r, v
void f(void *w, void *obj)
{
    XtVaSetValues(w, XmNwidth, 10, NULL);
    XtVaSetValues(w, PAIR(XmNheight, 2), NULL);
    XtVaSetValues(w, PAIR(XmNx, 3), XmNy, 4, NULL);
    Q5SetAttrs(obj, Q5A_Width, 100,
               Q5A_Height, 20, Q5TAG_END);
}
EOF
    printf 'int b;\n  Q5SetAttrs(obj, "w, Q5TAG_END);\n' >src/bad.c
    printf 'int clean;\n' >src/clean.c
    printf 'void g(void *w)\n{\n  XtVaSetValues(w, UNSEEN(7), NULL);\n  XtVaGetValues(w, XmNwidth, &n, NULL);\n}\n' >"src/$ODD"
}

# ---- One shape for everything about a file -----------------------------------
begin "text: every diagnostic and error as PATH:LINE:COL: severity: message [rule]"
fixture
trun --check src
ok "exit $STATUS, expected 2" [ "$STATUS" = 2 ]
# The lines that are not a source line or a caret line.
grep -v '^ ' "$SCRATCH/err" >heads
ok "headers: $(cat heads)" [ "$(grep -cvE '^[^ ]+(:[0-9]+:[0-9]+)?: (error|warning|note): .* \[q5-[a-z-]+\]$|^q5upgrade: ' heads)" = 0 ]
ok "the error is named at its place" grep -qx 'src/bad.c:2:19: error: unterminated string \[q5-conversion-failed\]' heads
ok "only the summary starts with q5upgrade:" [ "$(grep -c '^q5upgrade: ' heads)" = 1 ]
trun --check src/missing.c
tcheck_err=$'src/missing.c: error: No such file or directory [q5-conversion-failed]\n'
ok "a file that cannot be read: $(head -n 1 "$SCRATCH/err")" [ "$(head -n 1 "$SCRATCH/err")"$'\n' = "$tcheck_err" ]

# ---- Every call to convert is a finding -----------------------------------------
begin "q5-convertible: a finding at each call's name in --check and --diff, none when converting"
fixture
trun --check src
grep -E ': warning: .*\[q5-convertible\]$' "$SCRATCH/err" >found
has found "src/$ODD:4:3: warning: call to 'XtVaGetValues' to convert to the pair form: 1 pair to wrap [q5-convertible]
src/a.c:4:5: warning: call to 'XtVaSetValues' to convert to the pair form: 1 pair to wrap [q5-convertible]
src/a.c:7:5: warning: call to 'Q5SetAttrs' to convert to the pair form: 2 pairs to wrap [q5-convertible]
"
# The same places --check --verbose lists.
trun --check --verbose src
ok "the places of --verbose" [ "$(sed 's/: warning: .*//' found | sort)" = "$(sort "$SCRATCH/out")" ]
trun --diff src
ok "--diff reports them too" [ "$(grep -c '\[q5-convertible\]$' "$SCRATCH/err")" = 3 ]
for args in "-i" "--stdout src/a.c"; do
    cp -r src work
    trun ${args/src/work} ${args:+work}
    ok "[$args] none: $(grep -c 'q5-convertible' "$SCRATCH/err")" bash -c "! grep -q 'q5-convertible' '$SCRATCH/err'"
    rm -r work
done
# Work to do, not trouble: --werror leaves them at exit 1; a severity
# set to error makes them trouble; --exit-zero makes the run pass.
printf '%s' "$CALL" >one.c
for row in "1|--check" "1|--check --werror" "0|--check --exit-zero" "0|--check --exit-zero --werror" \
    "2|--check --config=err.toml" "0|--check --config=err.toml --exit-zero" "1|--diff --werror"; do
    printf '[rules]\nq5-convertible = "error"\n' >err.toml
    trun -q ${row#*|} one.c
    ok "[${row#*|}] exit $STATUS, expected ${row%%|*}" [ "$STATUS" = "${row%%|*}" ]
done

# ---- JSON Lines, GitHub commands and SARIF agree, alone on stdout ----------------
begin "json, github and sarif: the findings alone on standard output, the rest on standard error"
fixture
trun --output-format=json --check --exclude=nothing src
ok "json exit $STATUS" [ "$STATUS" = 2 ]
cp "$SCRATCH/out" json.out; cp "$SCRATCH/err" json.err
ok "json: notes and summary on stderr: $(cat json.err)" [ "$(grep -vc '^q5upgrade: ' json.err)" = 0 ] && \
    grep -q '^q5upgrade: note: ' json.err && grep -q '^q5upgrade: 4 files examined' json.err
trun --output-format=json -j1 --check --exclude=nothing src
same json.out "$SCRATCH/out"
trun --check src
ok "the same findings as the text format: $(grep -c '' json.out) entries" \
    [ "$(grep -c '' json.out)" = "$(grep -cE ': (error|warning|note): ' "$SCRATCH/err")" ]
trun --output-format=github --check --statistics src
ok "github exit $STATUS" [ "$STATUS" = 2 ]
cp "$SCRATCH/out" github.out
ok "github: summary and statistics on stderr" grep -q '^q5upgrade: .* examined' "$SCRATCH/err" && \
    grep -q '^ *3  q5-convertible ' "$SCRATCH/err"
ok "json and github lines hold the same, once unescaped" python3 - json.out github.out <<'EOF'
import json, re, sys
entries = [json.loads(line) for line in open(sys.argv[1], encoding="utf-8")]
keys = ["path", "line", "column", "severity", "rule", "message", "left"]
assert all(list(e) == keys for e in entries), entries
assert any(e["left"] for e in entries) and any(e["line"] is None for e in entries) is False
assert sum(e["rule"] == "q5-convertible" for e in entries) == 3
# ::LEVEL file=F[,line=L,col=C],title=T::DATA with "," and ":" escaped in
# properties, "%", CR and LF everywhere.
syntax = re.compile(r"::(error|warning|notice) file=([^,:\r]*)(?:,line=(\d+),col=(\d+))?"
                    r",title=([^,:\r]*)::([^\r]*)")
def unescape(s, prop):
    if prop:
        s = s.replace("%3A", ":").replace("%2C", ",")
    return s.replace("%0D", "\r").replace("%0A", "\n").replace("%25", "%")
got = []
for line in open(sys.argv[2], encoding="utf-8").read().splitlines():
    m = syntax.fullmatch(line)
    assert m, line
    level, path, l, c, title, data = m.groups()
    got.append([unescape(path, True), int(l), int(c), {"notice": "note"}.get(level, level),
                unescape(title, True), unescape(data, False)])
want = [[e["path"], e["line"], e["column"], e["severity"], e["rule"], e["message"]] for e in entries]
assert got == want, (got, want)
assert any("," in g[0] and ":" in g[0] and "%" in g[0] for g in got)
EOF
trun --output-format=sarif --report=r.sarif --diff src
ok "sarif exit $STATUS" [ "$STATUS" = 2 ]
same "$SCRATCH/out" r.sarif
ok "sarif: the summary on stderr" grep -q '^q5upgrade: .* examined' "$SCRATCH/err"
ok "the log parses, its results are the json entries, its fixes make the conversion" \
    python3 - r.sarif json.out src/a.c <<'EOF'
import json, sys
log = json.load(open(sys.argv[1]))
run = log["runs"][0]
assert run["tool"]["driver"]["informationUri"].startswith("https://")
results = [(r["ruleId"], r["level"]) for r in run["results"]]
entries = [json.loads(line) for line in open(sys.argv[2])]
assert results == [(e["rule"], e["severity"]) for e in entries], results
# Each call to convert carries the insertions that convert it.
lines = open(sys.argv[3]).read().split("\n")
edits = []
for r in run["results"]:
    assert ("fixes" in r) == (r["ruleId"] == "q5-convertible"), r
    for fix in r.get("fixes", []):
        for change in fix["artifactChanges"]:
            if change["artifactLocation"]["uri"] != "src/a.c":
                continue
            for rep in change["replacements"]:
                d = rep["deletedRegion"]
                assert (d["startLine"], d["startColumn"]) == (d["endLine"], d["endColumn"])
                edits.append((d["startLine"], d["startColumn"], rep["insertedContent"]["text"]))
for line, column, text in sorted(edits, key=lambda e: (e[0], e[1]), reverse=True):
    lines[line - 1] = lines[line - 1][:column - 1] + text + lines[line - 1][column - 1:]
assert lines[3] == "    XtVaSetValues(w, Q5LT(XmNwidth, 10), (char *)NULL);", lines[3]
assert lines[6] == "    Q5SetAttrs(obj, Q5T(Q5A_Width, 100),", lines[6]
assert lines[7] == "               Q5T(Q5A_Height, 20), Q5TAG_END);", lines[7]
EOF
if [ -n "${Q5_SARIF_MULTITOOL:-}" ]; then
    ok "the validator accepts the log" bash -c '"$1" validate r.sarif -o v.sarif >v.txt 2>&1 && ! grep -q ": error " v.txt' _ "$Q5_SARIF_MULTITOOL"
fi
# Nothing else may share standard output with the findings.
# Row: the option refused|the words.
while IFS='|' read -r option format args; do
    # shellcheck disable=SC2086 # the row's words
    refused 2 "q5upgrade: options '$option' and '$format' cannot be used together: the findings alone go to standard output
Try 'q5upgrade --help' for more information.
" $args "$format" src/a.c
done <<'EOF'
--stdout|--output-format=json|--stdout
--verbose|--output-format=github|--check --verbose
-z|--output-format=sarif|--check -z
--report=-|--output-format=json|--check --report=-
EOF

# ---- Colour ------------------------------------------------------------------
begin "colour: always, never, auto on a terminal, NO_COLOR"
fixture
esc=$'\033'
trun --color=always --check src
ok "always: the severity coloured" grep -q "${esc}\[1;35mwarning:${esc}\[m" "$SCRATCH/err"
ok "always: the caret" grep -q "${esc}\[1;32m^${esc}\[m" "$SCRATCH/err"
ok "always: the summary plain" grep -q '^q5upgrade: ' "$SCRATCH/err"
NO_COLOR=1 trun --color=always --check src
ok "always wins over NO_COLOR" grep -q "$esc" "$SCRATCH/err"
for args in "--color=never" "--color=auto" "--color=always --output-format=json" \
            "--color=always --output-format=github"; do
    trun $args --check src
    ok "$args: no escape" bash -c "! grep -q \$'\\033' '$SCRATCH/err' '$SCRATCH/out'"
done
env -u NO_COLOR python3 "$SCRATCH/pty_run.py" tty 0 "$BIN" --check src
ok "auto on a terminal: coloured" grep -q "${esc}\[1;31merror:" tty
ok "auto on a terminal: stdout still plain" bash -c "! grep -q \$'\\033' tty.out"
NO_COLOR=1 python3 "$SCRATCH/pty_run.py" tty 0 "$BIN" --check src
ok "NO_COLOR on a terminal: plain" bash -c "! grep -q \$'\\033' tty"
NO_COLOR= python3 "$SCRATCH/pty_run.py" tty 0 "$BIN" --check src
ok "NO_COLOR empty: coloured" grep -q "$esc" tty

# The diff, as git colours it, for standard output: headers bold, hunks
# cyan, old lines red, new ones green; the same diff once uncoloured.
begin "colour: the diff when --color says so, for standard output"
fixture
esc=$'\033'
trun -q --diff src/a.c
cp "$SCRATCH/out" plain.diff
for args in "--color=always" "--color=always --output-format=text"; do
    NO_COLOR=1 trun -q --diff $args src/a.c
    ok "[$args] header bold" grep -q "^${esc}\[1m--- a/src/a.c${esc}\[m\$" "$SCRATCH/out"
    ok "[$args] hunk cyan" grep -q "^${esc}\[36m@@ -1,9 +1,9 @@${esc}\[m\$" "$SCRATCH/out"
    ok "[$args] old red" grep -q "^${esc}\[31m-    XtVaSetValues(w, XmNwidth, 10, NULL);${esc}\[m\$" "$SCRATCH/out"
    ok "[$args] new green" grep -q "^${esc}\[32m+    XtVaSetValues(w, Q5LT(XmNwidth, 10), (char \*)NULL);${esc}\[m\$" "$SCRATCH/out"
    sed "s/${esc}\[[0-9;]*m//g" "$SCRATCH/out" >stripped
    same stripped plain.diff
done
trun -q --diff --color=auto src/a.c
same "$SCRATCH/out" plain.diff
# On a terminal standard error is coloured; standard output, a file here, not.
env -u NO_COLOR python3 "$SCRATCH/pty_run.py" tty 0 "$BIN" -q --diff src/a.c
same tty.out plain.diff
ok "findings coloured on the terminal" grep -q "$esc" tty

# ---- Summary, --check --verbose, --statistics ------------------------------------
begin "the summary says would change unless files were written"
fixture
for args in --diff --check --stdout -i; do
    trun -j2 $args src
    case $args in
        -i) want='2 changed, 1 unchanged, 1 failed, 3 calls converted' ;;
        *) want='2 would change, 1 unchanged, 1 failed, 3 calls to convert' ;;
    esac
    ok "$args: $(tail -n 1 "$SCRATCH/err")" grep -q "^q5upgrade: 4 files examined, $want, 3 left as they stand; " "$SCRATCH/err"
done

begin "--check --verbose names each call to convert; -z ends each with a NUL"
fixture
cp "src/$ODD" odd.c
trun --check --verbose src
ok "exit $STATUS" [ "$STATUS" = 2 ]
has "$SCRATCH/out" "src/$ODD:4:3"$'\nsrc/a.c:4:5\nsrc/a.c:7:5\n'
trun --check --verbose -z src/a.c odd.c
printf 'src/a.c:4:5\0src/a.c:7:5\0odd.c:4:3\0' >want
same "$SCRATCH/out" want
mv odd.c $'tab\t.c'
trun --check --verbose $'tab\t.c'
has "$SCRATCH/out" $'"tab\\t.c":4:3\n'
trun --check --verbose --unsafe-fixes src/a.c
has "$SCRATCH/out" $'src/a.c:4:5\nsrc/a.c:5:5\nsrc/a.c:6:5\nsrc/a.c:7:5\n'
trun --check src/a.c
has "$SCRATCH/out" $'src/a.c\n'

begin "--statistics: counts by rule, the most frequent first, as the log counts them"
fixture
trun --statistics -q --report=r.sarif --check src
ok "exit $STATUS" [ "$STATUS" = 2 ]
ok "the table: $(cat "$SCRATCH/err")" python3 - r.sarif "$SCRATCH/err" <<'EOF'
import collections, json, re, sys
run = json.load(open(sys.argv[1]))["runs"][0]
about = {r["id"]: r["shortDescription"]["text"] for r in run["tool"]["driver"]["rules"]}
order = list(about)
counts = collections.Counter(r["ruleId"] for r in run["results"])
rows = sorted(counts.items(), key=lambda kv: (-kv[1], order.index(kv[0])))
cw = max(len(str(n)) for _, n in rows); iw = max(len(r) for r, _ in rows)
want = "".join(f"{n:>{cw}}  {r:<{iw}}  {about[r]}\n" for r, n in rows)
got = "".join(l for l in open(sys.argv[2]) if re.match(r" *[0-9]+  q5-", l))
assert got == want and len(rows) >= 3 and rows[0] == ("q5-convertible", 3), (got, want)
EOF
trun --check src/clean.c --statistics
ok "nothing found: only the summary" [ "$(grep -vc '^q5upgrade: ' "$SCRATCH/err")" = 0 ]

# ---- The progress line -----------------------------------------------------------
# Q5UPGRADE_TEST_CLOCK=0.3 makes the run's clock read 0.3 s per file done,
# so the bytes on the terminal are known: nothing in the first second, then
# a line redrawn after each file (each 0.3 s later, more than the quarter
# second between draws), erased once at the end, before the summary, or
# before each finding printed.
begin "progress: on a terminal only, drawn after the first second, erased before anything else"
mkdir many
for i in 1 2 3 4 5 6 7; do printf '%s' "$CALL" >many/f$i.c; done
line() { printf '\rq5upgrade: %s\033[K' "$1"; }
SUMMARY='q5upgrade: 7 files examined, 7 would change, 0 unchanged, 0 failed, 7 calls to convert'
{
    line '4/7 files (57%), about 1 s left'; line '5/7 files (71%), about 1 s left'
    line '6/7 files (85%), about 1 s left'; line '7/7 files (100%)'
    printf '\r\033[K%s\n' "$SUMMARY"
} >want
Q5UPGRADE_TEST_CLOCK=0.3 pty_run tty 0 "$BIN" -j2 --check --ignore=q5-convertible many
ok "exit $?" [ "$?" = 1 ]
ok "the terminal's bytes: $(tr '\r\033' '|~' <tty | head -c 400)" cmp -s want tty
# With a finding for each file: erased before each one, drawn again after.
finding() {
    printf 'many/f%s.c:1:5: warning: call to '"'"'Q5SetAttrs'"'"' to convert to the pair form: 1 pair to wrap [q5-convertible]\n%s    ^\n' "$1" "$CALL"
}
{
    for i in 1 2 3 4; do finding $i; done
    line '4/7 files (57%), about 1 s left'
    for i in 5 6 7; do
        printf '\r\033[K'; finding $i; line "$i/7 files ($((i * 100 / 7))%)$([ $i -lt 7 ] && echo ', about 1 s left')"
    done
    printf '\r\033[K%s; 7 warnings (7 q5-convertible)\n' "$SUMMARY"
} >want
Q5UPGRADE_TEST_CLOCK=0.3 pty_run tty 0 "$BIN" -j2 --color=never --check many
ok "with findings: $(tr '\r\033' '|~' <tty | head -c 400)" cmp -s want tty
# Not on a terminal, or with -q: never.
Q5UPGRADE_TEST_CLOCK=0.3 trun --check --ignore=q5-convertible many
tcheck 1 "$(printf 'many/f%s.c\n' 1 2 3 4 5 6 7)"$'\n' "$SUMMARY"$'\n'
Q5UPGRADE_TEST_CLOCK=0.3 pty_run tty 0 "$BIN" -q --check --ignore=q5-convertible many
ok "-q: nothing: $(tr '\r\033' '|~' <tty | head -c 200)" [ ! -s tty ]

finish
