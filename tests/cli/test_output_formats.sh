#!/usr/bin/env bash
# What the tree interface prints: diagnostics and errors in one shape, the
# JSON Lines, GitHub and SARIF formats (each parsed, the three agreeing),
# colour of the findings and of the diff, "would change", --check
# --verbose, --statistics, and the progress line on a terminal (a pty) but
# never elsewhere.
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

# ---- JSON Lines, GitHub commands and SARIF agree -------------------------------
begin "json: one object a line, parsed; github: the documented syntax; sarif: the --report log"
fixture
trun --output-format=json --check src
ok "json exit $STATUS" [ "$STATUS" = 2 ]
cp "$SCRATCH/out" json.out; cp "$SCRATCH/err" json.err
trun --output-format=json -j1 --check src
same json.err "$SCRATCH/err"
trun --check src
same json.out "$SCRATCH/out"
ok "the same findings as the text format: $(grep -c '' json.err) entries" \
    [ "$(grep -c '' json.err)" = "$(grep -cE ': (error|warning|note): ' "$SCRATCH/err")" ]
trun --output-format=github --check src
ok "github exit $STATUS" [ "$STATUS" = 2 ]
cp "$SCRATCH/err" github.err
ok "github: the summary ends it" grep -q '^q5upgrade: .* examined' github.err
ok "json and github lines hold the same, once unescaped" python3 - json.err github.err <<'EOF'
import json, re, sys
entries = [json.loads(line) for line in open(sys.argv[1], encoding="utf-8")]
keys = ["path", "line", "column", "severity", "rule", "message", "left"]
assert all(list(e) == keys for e in entries), entries
assert any(e["left"] for e in entries) and any(e["line"] is None for e in entries) is False
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
    if line.startswith("q5upgrade: "):
        continue
    m = syntax.fullmatch(line)
    assert m, line
    level, path, l, c, title, data = m.groups()
    got.append([unescape(path, True), int(l), int(c), {"notice": "note"}.get(level, level),
                unescape(title, True), unescape(data, False)])
want = [[e["path"], e["line"], e["column"], e["severity"], e["rule"], e["message"]] for e in entries]
assert got == want, (got, want)
assert any("," in g[0] and ":" in g[0] and "%" in g[0] for g in got)
EOF
trun --output-format=sarif --report=r.sarif --check src
ok "sarif exit $STATUS" [ "$STATUS" = 2 ]
same "$SCRATCH/err" r.sarif
ok "the log on stderr parses, its results are the json entries" python3 - r.sarif json.err <<'EOF'
import json, sys
log = json.load(open(sys.argv[1]))
results = [(r["ruleId"], r["level"]) for r in log["runs"][0]["results"]]
entries = [json.loads(line) for line in open(sys.argv[2])]
assert results == [(e["rule"], e["severity"]) for e in entries], results
EOF
if [ -n "${Q5_SARIF_MULTITOOL:-}" ]; then
    ok "the validator accepts the log" bash -c '"$1" validate r.sarif -o v.sarif >v.txt 2>&1 && ! grep -q ": error " v.txt' _ "$Q5_SARIF_MULTITOOL"
fi

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
    ok "$args: no escape" bash -c "! grep -q \$'\\033' '$SCRATCH/err'"
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
assert got == want and len(rows) >= 3 and rows[0][1] == 2, (got, want)
EOF
trun --check src/clean.c --statistics
ok "nothing found: only the summary" [ "$(grep -vc '^q5upgrade: ' "$SCRATCH/err")" = 0 ]

# ---- The progress line -----------------------------------------------------------
# Q5UPGRADE_TEST_CLOCK=0.3 makes the run's clock read 0.3 s per file done,
# so the bytes on the terminal are known: nothing in the first second, then
# a line redrawn after each file (each 0.3 s later, more than the quarter
# second between draws), erased once at the end, before the summary.
begin "progress: on a terminal only, drawn after the first second, erased at the end"
mkdir many
for i in 1 2 3 4 5 6 7; do printf '%s' "$CALL" >many/f$i.c; done
line() { printf '\rq5upgrade: %s\033[K' "$1"; }
SUMMARY='q5upgrade: 7 files examined, 7 would change, 0 unchanged, 0 failed, 7 calls to convert'
{
    line '4/7 files (57%), about 1 s left'; line '5/7 files (71%), about 1 s left'
    line '6/7 files (85%), about 1 s left'; line '7/7 files (100%)'
    printf '\r\033[K%s\n' "$SUMMARY"
} >want
Q5UPGRADE_TEST_CLOCK=0.3 pty_run tty 0 "$BIN" -j2 --check many
ok "exit $?" [ "$?" = 1 ]
ok "the terminal's bytes: $(tr '\r\033' '|~' <tty | head -c 400)" cmp -s want tty
# Not on a terminal, or with -q: never.
Q5UPGRADE_TEST_CLOCK=0.3 trun --check many
tcheck 1 "$(printf 'many/f%s.c\n' 1 2 3 4 5 6 7)"$'\n' "$SUMMARY"$'\n'
Q5UPGRADE_TEST_CLOCK=0.3 pty_run tty 0 "$BIN" -q --check many
ok "-q: nothing: $(tr '\r\033' '|~' <tty | head -c 200)" [ ! -s tty ]

finish
