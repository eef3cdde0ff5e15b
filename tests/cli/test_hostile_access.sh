#!/usr/bin/env bash
# The tree interface against a hostile world: files edited or swapped for
# links while a run holds them, another user's files, entries the walk
# cannot read, descriptor limits, SIGQUIT. Races are driven through the
# tool's test hook Q5UPGRADE_TEST_STOP, which stops the run (SIGSTOP) at a
# known point: "walked" once the walk is done, "read" after each file is
# read.
. "$(dirname "$0")/lib.sh"
ulimit -c 0  # a run ended by SIGQUIT leaves no core file

# paused POINT ARGS...: starts the tool in the background with the hook set
# to POINT, stdout and stderr in $SCRATCH/out and $SCRATCH/err; true once it
# has stopped there, false if it ended first.
paused() {
    # With job control, so that the run does not ignore SIGINT and SIGQUIT.
    set -m
    Q5UPGRADE_TEST_STOP=$1 "$BIN" "${@:2}" </dev/null >"$SCRATCH/out" 2>"$SCRATCH/err" &
    PID=$!
    set +m
    stopped
}
# states: the state letters of the run's threads (T: stopped, Z: ended).
states() {
    cat /proc/"$PID"/task/*/stat 2>/dev/null | sed 's/.*) \(.\).*/\1/' | sort -u | tr -d '\n'
}
stopped() {
    local i
    for i in $(seq 1000); do
        case $(states) in T) return 0 ;; '' | *Z*) return 1 ;; esac
        sleep 0.01
    done
    return 1
}
# resume: lets the stopped run go on to its end, past any later stops; its
# exit status in STATUS.
# (The shell's notice of a run ended by a signal is not wanted.)
resume() {
    {
        while kill -CONT "$PID" && [ -n "$(states)" ] && [ "$(states)" != Z ]; do sleep 0.01; done
        wait "$PID"
        STATUS=$?
    } 2>/dev/null
}
err() { printf '%s: error: %s [q5-conversion-failed]\n' "$1" "$2"; }

# ---- A file edited between its read and its replacement is left alone -------
# Row: links|edit. Every file is checked, hard-linked or not; an edit that
# keeps the size and puts the modification time back moves the change time.
while IFS='|' read -r links edit; do
    begin "$links link(s), $edit while the run converts"
    printf '%s' "$CALL" >f.c
    [ "$links" = 2 ] && ln f.c other.c
    ok "stopped after the read" paused read -q -i -j1 f.c
    case $edit in
        appended) printf 'int edited;\n' >>f.c ;;
        "same size, mtime put back")  # written over, as rsync --inplace -t does
            touch -r f.c stamp
            printf '%s' "${CALL/100/200}" 1<>f.c
            touch -r stamp f.c && rm stamp ;;
        "swapped for a link") mv f.c moved.c; ln -s moved.c f.c ;;
    esac
    cp -P f.c "$SCRATCH/edited"
    resume
    tcheck 2 '' "$(err f.c 'changed since it was read; left alone')"$'\n'
    if [ -L f.c ]; then has moved.c "$CALL"; else same f.c "$SCRATCH/edited"; fi
    [ "$links" = 2 ] && ok "the other link is the edited file" [ f.c -ef other.c ]
done <<'EOF'
2|appended
2|same size, mtime put back
1|same size, mtime put back
1|swapped for a link
EOF

# ---- Walked files are not followed --------------------------------------------
# After the walk, an entry of the tree is swapped for a link or a hard link
# to a private file, or its directory for a link to a private directory.
# Row: walked file|how it is swapped.
while IFS='|' read -r walked swap; do
    for sink in -i --diff; do
        begin "$sink: $walked swapped for $swap after the walk"
        mkdir -p tree/sub private
        printf '%s' "$CALL" | tee tree/a.c tree/sub/a.c private/a.c >/dev/null
        chmod 700 private
        keep private/a.c
        ok "stopped after the walk" paused walked -q "$sink" -j1 tree
        case $swap in
            "a link") rm "$walked"; ln -s "$PWD/private/a.c" "$walked" ;;
            "a hard link") rm "$walked"; ln private/a.c "$walked" ;;
            "its directory as a link") mv tree/sub sub.old; ln -s ../private tree/sub ;;
        esac
        resume
        other=tree/sub/a.c; [ "$walked" = tree/a.c ] || other=tree/a.c
        want=$(err "$walked" 'replaced since the walk; left alone')$'\n'
        if [ "$sink" = -i ]; then
            tcheck 2 '' "$want"
            has "$other" "$CONVERTED"
        else
            ok "nothing of the private file printed" [ "$(grep -c '^+++ ' "$SCRATCH/out")" = 1 ]
            ok "only $other diffed" grep -qx "+++ b/$other" "$SCRATCH/out"
            has "$SCRATCH/err" "$want"
        fi
        kept private/a.c
        only private a.c
    done
done <<'EOF'
tree/a.c|a link
tree/a.c|a hard link
tree/sub/a.c|its directory as a link
EOF

# ---- Another user's files ------------------------------------------------------
# As nobody, in a directory nobody may write: a file nobody may not write,
# or whose owner or group a new file of nobody's cannot take, stays exactly
# as it is. Row: owner|mode|message ("-": converted).
if [ ${#AS_NOBODY[@]} != 0 ]; then
    while IFS='|' read -r owner mode message; do
        begin "-i as nobody, a file of $owner, mode $mode"
        printf '%s' "$CALL" >f.c
        chown "$owner" f.c && chmod "$mode" f.c
        own .
        keep f.c
        run_nobody -q -i f.c
        if [ "$message" = - ]; then
            check 0 ''
            has f.c "$CONVERTED"
        else
            check 2 "$(err f.c "$message")"$'\n'
            kept f.c
        fi
        ok "owner $(stat -c %u:%g f.c)" [ "$(stat -c %u:%g f.c)" = "$owner" ]
        only . f.c
    done <<'EOF'
0:0|644|cannot open it for writing: Permission denied
0:0|666|cannot give its owner and group to a new copy; left alone
65534:0|664|cannot give its owner and group to a new copy; left alone
65534:65534|644|-
EOF
else
    echo "NOTE skipped [another user's files]: not run as root"
fi

# ---- Every entry the walk cannot read is named ---------------------------------
if [ ${#AS_NOBODY[@]} != 0 ]; then
    begin "directories nobody may not read or search"
    mkdir -p tree/closed tree/unsearchable/sub
    printf '%s' "$CALL" | tee tree/open.c tree/closed/a.c tree/unsearchable/a.c >/dev/null
    printf 'notes\n' >tree/unsearchable/notes.txt
    chmod 311 tree/closed
    chmod 644 tree/unsearchable
    timeout -k 5 30 "${AS_NOBODY[@]}" "$UBIN" -q --check tree >"$SCRATCH/out" 2>"$SCRATCH/err"
    STATUS=$?
    denied=$(for path in tree/closed tree/unsearchable/a.c tree/unsearchable/sub; do
        err "$path" 'Permission denied'
    done)
    tcheck 2 $'tree/open.c\n' "$denied"$'\n'
fi

begin "paths longer than PATH_MAX are walked and converted"
long=$(printf 'd%.0s' $(seq 250))
deep=tree
mkdir tree
(
    cd tree || exit 2
    for i in $(seq 18); do mkdir "$long" && cd "$long" || exit 2; done
    printf '%s' "$CALL" >a.c
)
for i in $(seq 18); do deep+=/$long; done
ok "the path is longer than PATH_MAX" [ ${#deep} -gt 4096 ]
"$BIN" -q --check tree >"$SCRATCH/out" 2>"$SCRATCH/err"; STATUS=$?
tcheck 1 "$deep/a.c"$'\n' ''
"$BIN" -q -i tree >"$SCRATCH/out" 2>"$SCRATCH/err"; STATUS=$?
tcheck 0 '' ''
find tree -name a.c -execdir cat {} + >"$SCRATCH/deep"
has "$SCRATCH/deep" "$CONVERTED"

# ---- Descriptor limits ---------------------------------------------------------
# 1,300 files: many jobs, or few descriptors, convert every file. Row:
# descriptor limit|jobs.
mkdir "$SCRATCH/many"
for i in $(seq 1300); do printf '%s' "$CALL" >"$SCRATCH/many/f$i.c"; done
while IFS='|' read -r limit jobs; do
    begin "-i over 1,300 files, -j$jobs, descriptor limit $limit"
    cp -r "$SCRATCH/many" tree
    (ulimit -n "$limit" && exec "$BIN" -q -i -j"$jobs" tree) >"$SCRATCH/out" 2>"$SCRATCH/err"
    STATUS=$?
    tcheck 0 '' ''
    ok "files not converted: $(grep -L Q5T tree/*.c | wc -l)" [ -z "$(grep -L Q5T tree/*.c)" ]
    ok "stray files: $(ls -A tree | grep -vc '^f[0-9]*\.c$')" [ "$(ls -A tree | wc -l)" = 1300 ]
done <<'EOF'
256|1
20000|300
256|300
EOF

# ---- SIGQUIT -------------------------------------------------------------------
begin "SIGQUIT during -i removes the new files and ends the run"
mkdir tree
printf '%s' "$CALL" | tee tree/a.c tree/b.c tree/c.c >/dev/null
keep tree/a.c tree/b.c tree/c.c
ok "stopped after the first read" paused read -q -i -j1 tree
kill -CONT "$PID" 2>/dev/null
ok "stopped after the second read" stopped
waiting=$(ls -A tree | grep -c '^\.a\.c\.q5upgrade-')
ok "a new file waits: $(ls -A tree | tr '\n' ' ')" [ "$waiting" = 1 ]
kill -QUIT "$PID" 2>/dev/null
resume
ok "exit status $STATUS, expected 131 (SIGQUIT)" [ "$STATUS" = 131 ]
kept tree/a.c tree/b.c tree/c.c
only tree a.c b.c c.c

begin "SIGINT that the parent ignores (nohup, a background job) stays ignored"
mkdir tree
printf '%s' "$CALL" | tee tree/a.c tree/b.c >/dev/null
set -m
env --ignore-signal=INT Q5UPGRADE_TEST_STOP=read "$BIN" -q -i -j1 tree </dev/null >"$SCRATCH/out" 2>"$SCRATCH/err" &
PID=$!
set +m
ok "stopped after the first read" stopped
kill -CONT "$PID" 2>/dev/null
ok "stopped after the second read, a new file waiting" stopped
kill -INT "$PID" 2>/dev/null
resume
ok "exit status $STATUS: the run went on" [ "$STATUS" = 0 ]
for f in tree/a.c tree/b.c; do ok "$f converted" grep -qF "$CONVERTED" "$f"; done
only tree a.c b.c

finish
