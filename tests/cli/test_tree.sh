#!/usr/bin/env bash
# The tree interface (first word an option): walking, --diff, --check,
# --in-place, --stdout, errors that name the file, exit statuses, output that
# does not depend on -j, and interrupted in-place runs. Where stderr is
# compared whole, the calls to convert are not reported (they are the
# subject of test_output_formats.sh).
. "$(dirname "$0")/lib.sh"

XT_CALL=$'    XtVaSetValues(w, XmNwidth, 100, NULL);\n'
XT_CONVERTED=$'    XtVaSetValues(w, Q5LT(XmNwidth, 100),(char *) NULL);\n'
# The tree interface only inserts: the cast goes right before the terminator.
XT_INSERTED=$'    XtVaSetValues(w, Q5LT(XmNwidth, 100), (char *)NULL);\n'
CONV_OUT=$'/* conv */\nint w;\n'$CONVERTED$XT_INSERTED$'int a;\n'
usage() { printf 'Usage: %s infile outfile\n       %s -upgrade file\n' "$BIN" "$BIN"; }

# classic FILE: what the classic convert mode makes of FILE.
classic() { "$BIN" "$1" "$SCRATCH/classic" && cat "$SCRATCH/classic"; }

# The fixture: src/ converts cleanly (converting, unchanged, half- and fully
# converted, CRLF, no final newline, a hidden directory, links, a .txt file),
# broken/ holds a failing file before a converting one, outside/ is reached
# only through the link src/ldir.
fixture() {
    mkdir -p src/sub src/.git broken outside
    printf '/* conv */\nint w;\n%s%sint a;\n' "$CALL" "$XT_CALL" >src/conv.c
    printf '%s' "${HEAD//$'\n'/$'\r\n'}" >src/crlf.c
    printf 'int main(void)\n{\n    return 0; /* Q5SetAttrs(o, A, 1) */\n}\n' >src/plain.c
    printf '%s%s' "$CONVERTED" "$XT_CONVERTED" >src/done.c
    printf '%s%s' "$CONVERTED" "$CALL" >src/half.c
    printf 'int %s;\n' a b c d e f g h >src/nonl.c
    printf '%s' "${CALL%$'\n'}" >>src/nonl.c
    printf 'void f(char *p)\n{\n    Q5TagGet(tags, PS_Width, &w, Q5TAG_END);\n}\n' >src/sub/header.h
    printf '%s' "$CALL" | tee src/notes.txt src/.git/hook.c outside/o.c broken/ok.c >/dev/null
    printf 'int a;\n%s    Q5SetAttrs(obj, "abc, Q5TAG_END);\n' "$CALL" >broken/bad.c
    ln -s conv.c src/link.c
    ln -s ../outside src/ldir
}
CHANGED='src/conv.c src/crlf.c src/half.c src/nonl.c src/sub/header.h'
UNCHANGED='src/plain.c src/done.c src/notes.txt src/.git/hook.c outside/o.c'
LIST=$(printf '%s\n' $CHANGED)$'\n'
BAD=$'broken/bad.c:3:21: error: unterminated string [q5-conversion-failed]\n    Q5SetAttrs(obj, "abc, Q5TAG_END);\n                    ^\n'

begin "--diff applied by patch -p1 and git apply equals --in-place"
fixture
for d in patch git inplace; do mkdir "$d" && cp -a src broken outside "$d"/; done
trun -q --ignore=q5-convertible --diff src broken
ok "--diff exit $STATUS, expected 2" [ "$STATUS" = 2 ]
has "$SCRATCH/err" "$BAD"
cp "$SCRATCH/out" changes.diff
ok "diff headers: $(grep '^+++ ' changes.diff | tr '\n' ' ')" \
    [ "$(grep '^+++ ' changes.diff)" = "$(printf '+++ b/%s\n' $CHANGED broken/ok.c)" ]
ok "--- a/ headers" [ "$(grep -c '^--- a/' changes.diff)" = 6 ]
ok "no final newline marked" grep -q '^\\ No newline at end of file' changes.diff
ok "CRLF kept in the diff" grep -q $'^+.*Q5T(.*\r$' changes.diff
ok "patch -p1 applies" bash -c 'cd patch && patch -p1 -s <../changes.diff'
ok "git apply applies" bash -c 'cd git && git apply ../changes.diff'
cd inplace; trun -q -i src broken; cd ..
tcheck 2 '' "$BAD"
for d in patch git; do
    ok "$d tree differs from the in-place tree: $(diff -rq --no-dereference $d inplace 2>&1 | head -n 3)" \
        diff -rq --no-dereference "$d" inplace
done
# Toolkit calls convert as the classic mode does them; files the classic mode
# refuses are finished, the already converted one is kept as it is.
has inplace/src/conv.c "$CONV_OUT"
for f in src/crlf.c src/nonl.c src/sub/header.h broken/ok.c; do
    classic "$f" >"$SCRATCH/want.$N"; same "inplace/$f" "$SCRATCH/want.$N"
done
has inplace/src/half.c "$CONVERTED$CONVERTED"
for f in $UNCHANGED broken/bad.c; do same "inplace/$f" "$f"; done

begin "--check before and after --in-place; a second --in-place changes nothing"
fixture
chmod 640 src/conv.c; chmod 755 src/nonl.c; chmod 600 src/sub/header.h
keep $UNCHANGED broken/bad.c
trun -q --check --ignore=q5-convertible src
tcheck 1 "$LIST" ''
trun -q --check --ignore=q5-convertible src broken
tcheck 2 "$LIST"$'broken/ok.c\n' "$BAD"
trun -q --in-place src broken
tcheck 2 '' "$BAD"
kept $UNCHANGED broken/bad.c
ok "modes $(stat -c %a src/conv.c src/nonl.c src/sub/header.h | tr '\n' ' ')" \
    [ "$(stat -c %a src/conv.c src/nonl.c src/sub/header.h | tr '\n' ' ')" = "640 755 600 " ]
ok "link.c still a link to conv.c" [ "$(readlink src/link.c)" = conv.c ]
ok "ldir still a link" [ -L src/ldir ]
for a in --check --diff; do trun -q $a src; tcheck 0 '' ''; done
mapfile -t all < <(find src broken outside -type f)
keep "${all[@]}"
trun -q -i src
tcheck 0 '' ''
kept "${all[@]}"
only . broken outside src
only src .git conv.c crlf.c done.c half.c ldir link.c nonl.c notes.txt plain.c sub

# What is walked: include/exclude globs, names on the command line, a file
# reached twice, "--" before a name starting with "-".  Row: args|list.
begin "what is walked"
fixture
printf '%s' "$CALL" >./-odd.c
while IFS='|' read -r args want; do
    trun -q --check --ignore=q5-convertible $args
    tcheck 1 "$(printf '%s\n' $want)"$'\n' ''
done <<'EOF'
src|src/conv.c src/crlf.c src/half.c src/nonl.c src/sub/header.h
src/notes.txt|src/notes.txt
--include=*.txt src|src/notes.txt
--include=*.txt --include=*.h src|src/notes.txt src/sub/header.h
--exclude=c*.c src|src/half.c src/nonl.c src/sub/header.h
--exclude=*.h --exclude=nonl.c src|src/conv.c src/crlf.c src/half.c
--exclude=*.c src/conv.c|src/conv.c
src src/conv.c|src/conv.c src/crlf.c src/half.c src/nonl.c src/sub/header.h
src/conv.c src/conv.c|src/conv.c
-- -odd.c|-odd.c
EOF
trun -q --diff src/conv.c ./src/conv.c
ok "file reached twice: $(grep -c '^+++ ' "$SCRATCH/out") diffs" [ "$(grep -c '^+++ ' "$SCRATCH/out")" = 1 ]
trun -q -i src src/conv.c src/notes.txt
tcheck 0 '' ''
classic src/.git/hook.c >"$SCRATCH/want.$N"; same src/notes.txt "$SCRATCH/want.$N"
same src/.git/hook.c outside/o.c

begin "same stdout and stderr with -j1 and -j4"
fixture
mkdir copy && cp -a src copy/
for args in "--diff src broken" "--check src broken outside" "src/conv.c src/crlf.c broken"; do
    trun -j1 $args; cp "$SCRATCH/out" out1; cp "$SCRATCH/err" err1; s1=$STATUS
    trun -j4 $args
    ok "$args: status $s1 vs $STATUS" [ "$s1" = "$STATUS" ]
    same out1 "$SCRATCH/out"; same err1 "$SCRATCH/err"
done
trun -j1 -i src; cp "$SCRATCH/err" err1
cd copy; trun --jobs=4 --in-place src; cd ..
ok "in-place summaries: [$(cat err1)] vs [$(cat "$SCRATCH/err")]" cmp -s err1 "$SCRATCH/err"
ok "in-place trees differ" diff -rq --no-dereference src copy/src

begin "--stdout and standard input"
fixture
trun -q --stdout src/conv.c src/plain.c src/done.c
ok "--stdout exit $STATUS" [ "$STATUS" -le 1 ]
{ printf '%s' "$CONV_OUT"; cat src/plain.c src/done.c; } >want
same "$SCRATCH/out" want
IN=src/crlf.c trun -q --stdout -
classic src/crlf.c >want; same "$SCRATCH/out" want
IN=src/nonl.c trun -q --diff -
ok "--diff - exit $STATUS" [ "$STATUS" = 1 ]
ok "patch of stdin applies" patch -s -o nonl.new src/nonl.c "$SCRATCH/out"
classic src/nonl.c >want; same nonl.new want

# Exit statuses: row "status|args".  Nothing in the tree changes.
begin "exit statuses"
fixture
keep src/conv.c
while IFS='|' read -r st args; do
    trun $args
    ok "[$args] exit $STATUS, expected $st" [ "$STATUS" = "$st" ]
    case $st in 2) ok "[$args] message: $(head -c 200 "$SCRATCH/err")" grep -qE '^(q5upgrade: |[^ ]+: error: )' "$SCRATCH/err" ;; esac
done <<'EOF'
1|--diff src
1|-q src
1|--check src
0|--diff src/plain.c src/done.c
0|--check src/plain.c src/done.c
2|--check src broken
2|--diff src missing.c
2|--bogus src
2|-x src
2|--jobs=0 src
2|-j abc src
2|-j 257 src
2|-i -
0|--check --exit-zero src
0|--diff --exit-zero --werror src
2|--check --exit-zero src broken
2|--verbose src
2|-z --diff src
2|--check --include=[ src
2|--check --include=*.none src
0|--diff -q --include=*.none src
EOF
kept src/conv.c
for args in --help -h --version -V "--help src" "-q --version" --list-rules --explain=q5-convertible \
    "--explain q5-macro-pairs src"; do
    trun $args
    ok "[$args] exit $STATUS, stderr [$(cat "$SCRATCH/err")]" [ "$STATUS" = 0 ] && [ ! -s "$SCRATCH/err" ]
    case $args in
        *-h*) pat='^Usage: ' ;;
        --list*) pat='^q5-conversion-failed  *error  ' ;;
        --explain*) pat='^q5-[a-z-]* (warning by default)$' ;;
        *) pat='^q5upgrade [0-9]' ;;
    esac
    ok "[$args] stdout [$(head -c 100 "$SCRATCH/out")]" grep -q "$pat" "$SCRATCH/out"
done
for word in -d -q --check -i --bogus; do
    trun "$word"
    tcheck 1 '' "$(usage)"$'\n'
done
kept src/conv.c

# As GNU tools end: killed by SIGPIPE (141 in the shell), with no message
# and no summary, in every format that writes to standard output.
begin "a reader that leaves stops the run, quietly"
mkdir big
for i in $(seq 40); do for k in $(seq 100); do printf '%s' "$CALL"; done >"big/f$i.c"; done
for args in --diff --check "--check --verbose" "--check --output-format=json"; do
    "$BIN" $args big 2>"$SCRATCH/err" | head -c 10 >/dev/null
    status=${PIPESTATUS[0]}
    ok "[$args] exit $status, expected 141" [ "$status" = 141 ]
    ok "[$args] no message of the run: $(grep '^q5upgrade' "$SCRATCH/err" | head -c 200)" \
        bash -c "! grep -q '^q5upgrade' '$SCRATCH/err'"
done

begin "classic convert mode prints nothing on stdout"
printf '%s' "$CALL" >in.c
run in.c out.c
check 0 ''
has out.c "$CONVERTED"

# Interrupted in-place runs over 400 files (about 3 MiB): every file is the
# old or the new text, and nothing else is left in the tree.
begin "in place keeps hard links, the file behind a named link, ACLs and attributes"
printf '%s' "$CALL" | tee linked.c target.c attrs.c >/dev/null
ln linked.c other-name.c
ln -s target.c named-link.c
chmod 640 attrs.c
setfacl -m u:65534:r attrs.c && setfattr -n user.q5 -v kept attrs.c
trun -q -i linked.c named-link.c attrs.c
tcheck 0 '' ''
has other-name.c "$CONVERTED"
ok "the hard link is kept" [ "$(stat -c %h linked.c)" = 2 ]
ok "the named link stays a link" [ -L named-link.c ]
has target.c "$CONVERTED"
has attrs.c "$CONVERTED"
ok "the ACL is carried over: $(getfacl -cp attrs.c 2>&1 | tr '\n' ' ')" \
    sh -c "getfacl -cp attrs.c 2>/dev/null | grep -qxE 'user:(65534|nobody):r--'"
ok "the user attribute is carried over" [ "$(getfattr --only-values -n user.q5 attrs.c 2>/dev/null)" = kept ]
only . attrs.c linked.c named-link.c other-name.c target.c

begin "interrupted --in-place"
body=
for k in $(seq 60); do
    body+="int f$k(void *obj)"$'\n{\n'"$CALL    XtVaSetValues(w, XmNwidth, $k, XmNheight, 2, NULL);"$'\n    return 0;\n}\n'
done
mkdir -p old/d{0..7}
for i in $(seq 400); do printf '/* %d */\n%s' "$i" "$body" >"old/d$((i % 8))/f$i.c"; done
sums() { (cd "$1" && find . -type f -name 'f*.c' -exec md5sum {} + | sort -k 2); }
names() { (cd "$1" && find . | sort); }
cp -a old new
t0=$(date +%s%N); "$BIN" -q -i new; ms=$((($(date +%s%N) - t0) / 1000000 + 1))
sums old >old.sums; sums new >new.sums
ok "reference run changed the files" [ "$(cut -d' ' -f1 old.sums | sort -u)" != "$(cut -d' ' -f1 new.sums | sort -u)" ]
mixed=0
for round in $(seq 12); do
    rm -rf t && cp -a old t
    set -m; "$BIN" -q -i t 2>/dev/null & pid=$!; set +m
    d=$((RANDOM % ms)); sleep "$(printf '%d.%03d' $((d / 1000)) $((d % 1000)))"
    kill -s "$( ((round % 2)) && echo TERM || echo INT)" "$pid" 2>/dev/null
    wait "$pid"
    ok "round $round: stray or missing entries: $(comm -3 <(names old) <(names t) | head -n 3 | tr '\n' ' ')" \
        [ "$(names t)" = "$(names old)" ]
    sums t >t.sums
    bad=$(awk 'FILENAME != "t.sums" { ok[$0] = 1; next } !($0 in ok)' old.sums new.sums t.sums | head -n 3)
    ok "round $round: files neither old nor new: $bad" [ -z "$bad" ]
    cmp -s t.sums old.sums || cmp -s t.sums new.sums || mixed=$((mixed + 1))
done
[ "$mixed" -gt 0 ] || echo "NOTE [$CASE]: no round stopped between files (run took ${ms} ms)"
only . new new.sums old old.sums t t.sums

finish
