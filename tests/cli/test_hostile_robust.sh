#!/usr/bin/env bash
# A hostile world: an input rewritten by another program while a run has it,
# standard descriptors closed by the caller, memory and thread limits, names
# holding control bytes, files of 2 GiB or more, lines of many calls.
. "$(dirname "$0")/lib.sh"

double() { local i; for ((i = 0; i < $2; i++)); do cat "$1" "$1" >"$1.x" && mv "$1.x" "$1"; done; }
# A mapped input (256 KiB or more), its conversion, and an edit of it of the
# same size; a small input (read, not mapped) and its edit.
BIG=$SCRATCH/big.c BIG_OUT=$SCRATCH/big.v8.c BIG_EDIT=$SCRATCH/big.edit.c
printf '%s' "$CALL" >"$BIG" && double "$BIG" 13
printf '%s' "$CONVERTED" >"$BIG_OUT" && double "$BIG_OUT" 13
sed 's/100/200/' "$BIG" >"$BIG_EDIT"
SMALL=$SCRATCH/small.c SMALL_EDIT=$SCRATCH/small.edit.c
printf '%s' "$CALL$CALL$CALL" >"$SMALL"
sed 's/100/200/' "$SMALL" >"$SMALL_EDIT"

# blocked PID: waits until PID waits to open a FIFO, and a little more, so
# that the times of a file written next differ from those it saw (file
# systems may keep times to a clock tick).
blocked() {
    local i
    for i in $(seq 200); do
        grep -qE 'fifo|wait_for_partner' "/proc/$1/wchan" 2>/dev/null && break
        sleep 0.05
    done
    sleep 0.05
}

# ---- An input rewritten while the run has it ----------------------------------
# Refilled to the same size (as cp does) or written over in place: the
# result would mix two versions, or the replacement lose the edit. Convert
# mode waits for its output, a FIFO, with the input mapped.
for how in refilled "written over"; do
    begin "convert mode: a mapped input $how while the output waits"
    cp "$BIG" big.c
    mkfifo out.c
    "$BIN" big.c out.c </dev/null >/dev/null 2>"$SCRATCH/stderr" &
    pid=$!
    blocked $pid
    if [ "$how" = refilled ]; then
        cat "$BIG_EDIT" >big.c
    else
        printf 2 | dd of=big.c bs=1 seek=31 conv=notrunc status=none
    fi
    cat out.c >/dev/null
    wait $pid
    STATUS=$?
    check 2 $'Cannot read big.c\n'
done

# The replacing modes, stopped by gdb where the input has been read (before
# the conversion: scan_source) or converted (before its replacement takes
# the input's attributes: carry_attributes), while the input is refilled.
# stopped FUNCTION ACTION ARGS...: runs the tool so, and ACTION at the stop.
stopped() {
    local stop=$1 action=$2; shift 2
    STATUS=$(ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0 timeout -k 5 60 \
        gdb -batch -nx -q -ex 'set pagination off' -ex "tbreak $stop" \
            -ex "run $* </dev/null >$SCRATCH/stdout 2>$SCRATCH/stderr" -ex "shell $action" \
            -ex continue -ex 'print $_exitcode' "$BIN" 2>/dev/null | sed -n 's/^\$1 = //p')
}
if ! command -v gdb >/dev/null || ! gdb -batch -nx -q -ex run --args /bin/true >/dev/null 2>&1; then
    echo "NOTE skipped [input rewritten at a stop]: gdb cannot run programs here"
else
    for row in "mapped -upgrade scan_source" "mapped -upgrade carry_attributes" \
               "read -upgrade carry_attributes" "read onto-itself carry_attributes" \
               "read hard-linked scan_source"; do
        read -r kind mode stop <<<"$row"
        begin "$mode, $kind input refilled at $stop: left with the edit"
        if [ $kind = mapped ]; then cp "$BIG" b.c; edit=$BIG_EDIT; else cp "$SMALL" b.c; edit=$SMALL_EDIT; fi
        left=(b.c) args="b.c b.c"
        case $mode in
            -upgrade) args="-upgrade b.c" left+=(temp.c) ;;
            hard-linked) ln b.c h.c; left+=(h.c) ;;
        esac
        stopped "q5::$stop" "cat $edit >b.c" $args
        check 2 $'Cannot read b.c\n'
        same b.c "$edit"
        only . "${left[@]}"
    done

    # The tree interface reads a file in parts: refilled after the first.
    for sink in --stdout -i; do
        begin "tree $sink: a file refilled between two reads of it"
        cp "$BIG" f.c
        ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0 timeout -k 5 60 \
            gdb -batch -nx -q -ex 'set pagination off' -ex 'break read_whole' -ex 'ignore 1 1' \
                -ex "run $sink f.c </dev/null >$SCRATCH/out 2>$SCRATCH/stderr" \
                -ex 'catch syscall read' -ex continue -ex continue -ex "shell cat $BIG_EDIT >f.c" \
                -ex delete -ex continue -ex 'print $_exitcode' "$BIN" 2>/dev/null >"$SCRATCH/gdb"
        STATUS=$(sed -n 's/^\$1 = //p' "$SCRATCH/gdb")
        summary=$'1 file examined, 0 would change, 0 unchanged, 1 failed, 0 calls to convert\n'
        [ $sink = -i ] && summary=$'1 file examined, 0 changed, 0 unchanged, 1 failed, 0 calls converted\n'
        check 2 $'f.c: error: changed while it was read [q5-conversion-failed]\nq5upgrade: '"$summary"
        ok "output: $(head -c 100 "$SCRATCH/out")" [ ! -s "$SCRATCH/out" ]
        same f.c "$BIG_EDIT"
        only . f.c
    done
fi

# ---- Standard descriptors closed by the caller --------------------------------
# A closed one would go to the next file opened (here the mapped input, held
# while the output waits), and what is written to it into that file.
for fd in 0 1 2; do
    begin "descriptor $fd closed at start: it is /dev/null"
    cp "$BIG" big.c
    mkfifo out.c
    case $fd in
        0) "$BIN" big.c out.c <&- >/dev/null 2>"$SCRATCH/stderr" & ;;
        1) "$BIN" big.c out.c </dev/null >&- 2>"$SCRATCH/stderr" & ;;
        2) "$BIN" big.c out.c </dev/null >/dev/null 2>&- & ;;
    esac
    pid=$!
    blocked $pid
    link=$(readlink "/proc/$pid/fd/$fd")
    cat out.c >"$SCRATCH/out"
    wait $pid
    STATUS=$?
    ok "exit status $STATUS" [ "$STATUS" = 0 ]
    [ $fd = 2 ] || ok "stderr: $(head -c 200 "$SCRATCH/stderr")" [ ! -s "$SCRATCH/stderr" ]
    ok "descriptor $fd is $link" [ "$link" = /dev/null ]
    same "$SCRATCH/out" "$BIG_OUT"
    same big.c "$BIG"
done

# ---- Memory that runs out, threads that cannot be made ------------------------
# Sanitizer builds cannot run under these limits.
if [ "$({ (ulimit -d 1000 && ulimit -v 60000 && exec "$BIN") >/dev/null 2>&1; echo $?; } 2>/dev/null)" != 1 ]; then
    echo "NOTE skipped [memory limits]: this build cannot run under ulimit -d or -v"
else
    # The output's buffer (1 MiB) cannot be had under a data limit, which the
    # mapped input does not count against: memory, not a failed write.
    printf '%s' "$CALL" >"$SCRATCH/mid.c" && double "$SCRATCH/mid.c" 15
    for args in "mid.c out.c" "-upgrade mid.c"; do
        begin "data limit of 1000 KiB, the classic $args: Cannot alloc"
        cp "$SCRATCH/mid.c" mid.c
        keep mid.c
        _run bash -c 'ulimit -d 1000 && exec "$0" "$@"' "$BIN" $args
        ok "exit status $STATUS, expected 6" [ "$STATUS" = 6 ]
        ok "stderr: $(head -c 200 "$SCRATCH/stderr")" grep -qxE 'Cannot alloc [0-9]+ bytes' "$SCRATCH/stderr"
        kept mid.c
        if [ "${args%% *}" = -upgrade ]; then only . mid.c temp.c; else only . mid.c out.c; fi
    done

    # The tree interface from a limit that holds nothing to one that holds
    # the file but not all its conversion: each run converts it, or fails it
    # naming the allocation, and some fail for the conversion's own memory.
    begin "tree under data limits: cannot alloc N bytes, never a failed write or an abort"
    head -c 1048000 "$SCRATCH/mid.c" >one.c
    size=$(stat -c %s one.c) others=0
    for limit in $(seq 1500 250 16000); do
        _run bash -c 'ulimit -d '$limit' && exec "$0" "$@"' "$BIN" -c -j1 one.c
        if [ "$STATUS" = 1 ]; then continue; fi
        n=$(sed -n 's/^one.c: error: cannot alloc \([0-9]*\) bytes \[q5-conversion-failed\]$/\1/p' "$SCRATCH/stderr")
        ok "limit $limit: exit status $STATUS, stderr $(head -c 200 "$SCRATCH/stderr")" \
            [ "$STATUS" = 2 ] && [ -n "$n" ] && [ "$(wc -l <"$SCRATCH/stderr")" = 2 ]
        [ -n "$n" ] && [ "$n" != "$size" ] && others=$((others + 1))
    done
    ok "no run failed for the conversion's memory" [ $others -gt 0 ]

    # An address-space limit far below the 64 MiB file: it fails alone; the
    # file before it is replaced, and no hidden copy is left.
    for args in "-i -j1 a.c big.c" "-d big.c" "-c /dev/zero"; do
        begin "address-space limit of 60000 KiB: $args"
        printf '%s' "$CALL" >a.c
        truncate -s 64M big.c
        name=${args##* }
        _run bash -c 'ulimit -v 60000 && exec "$0" "$@"' "$BIN" $args
        ok "exit status $STATUS, expected 2" [ "$STATUS" = 2 ]
        ok "stderr: $(head -c 300 "$SCRATCH/stderr")" \
            grep -qxE "$name: error: cannot alloc [0-9]+ bytes \[q5-conversion-failed\]" "$SCRATCH/stderr"
        if [ "${args%% *}" = -i ]; then has a.c "$CONVERTED"; else has a.c "$CALL"; fi
        only . a.c big.c
    done
fi

# No thread beyond the main one (a process limit): the files are converted
# all the same, by the main thread. (The leak checker needs a thread too.)
# The limit counts every process of the user, so the run takes a user id of
# its own: under nobody, a test running beside it made the exec itself fail.
begin "-j256 where no thread can be made: every file converted"
mkdir d
for i in 1 2 3 4 5; do printf '%s' "$CALL" >d/f$i.c; done
AS_LONE=()
if [ ${#AS_NOBODY[@]} != 0 ]; then
    AS_LONE=(setpriv --reuid=61797 --regid=61797 --clear-groups)
    chown 61797:61797 d d/*
fi
ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0 \
    _run bash -c 'ulimit -u 1 && exec "$@"' _ "${AS_LONE[@]}" "$UBIN" -i -j256 d
check 0 $'q5upgrade: 5 files examined, 5 changed, 0 unchanged, 0 failed, 5 calls converted\n'
for i in 1 2 3 4 5; do has d/f$i.c "$CONVERTED"; done
only d f1.c f2.c f3.c f4.c f5.c

# ---- What the summary counts --------------------------------------------------
begin "summary: a file that could not be replaced has no calls converted"
mkdir d
printf '%s' "$CALL" >d/a.c
own d d/a.c
chmod 555 d
keep d/a.c
run_nobody -i d/a.c
ok "exit status $STATUS" [ "$STATUS" = 2 ]
ok "summary: $(tail -n 1 "$SCRATCH/stderr")" [ "$(tail -n 1 "$SCRATCH/stderr")" = \
    "q5upgrade: 1 file examined, 0 changed, 0 unchanged, 1 failed, 0 calls converted" ]
kept d/a.c
only d a.c

# ---- Names holding control bytes, quotes, backslashes, other bytes ------------
# Shown as git shows them; -z lists them raw for scripts; plain names as
# they are.
begin "names quoted in messages and --check; raw and NUL-ended with -z"
odd=$'a\tb\n"c\\\303\251.c'
printf '    Q5SetAttrs(obj, /* w */ Q5A_Width, 100, Q5TAG_END);\n' >"$odd"
printf '    Q5SetAttrs(obj, "w, Q5TAG_END);\n' >$'bad\001\a\b\v\f\r\177.c'
printf '%s' "$CALL" >plain.c
shown='"./a\tb\n\"c\\\303\251.c"'
diagnostics="$shown:1:5: warning: call to 'Q5SetAttrs' to convert to the pair form [q5-convertible]
    Q5SetAttrs(obj, /* w */ Q5A_Width, 100, Q5TAG_END);
    ^
$shown:1:21: note: comment removed from the argument list [q5-comment-removed]
    Q5SetAttrs(obj, /* w */ Q5A_Width, 100, Q5TAG_END);
                    ^
\"./bad\\001\\a\\b\\v\\f\\r\\177.c\":1:21: error: unterminated string [q5-conversion-failed]
    Q5SetAttrs(obj, \"w, Q5TAG_END);
                    ^
./plain.c:1:5: warning: call to 'Q5SetAttrs' to convert to the pair form [q5-convertible]
$CALL    ^
q5upgrade: 3 files examined, 2 would change, 0 unchanged, 1 failed, 2 calls to convert; 2 warnings (2 q5-convertible), 1 note (1 q5-comment-removed)
"
"$BIN" --unsafe-fixes -c . >"$SCRATCH/got.out" 2>"$SCRATCH/stderr"
STATUS=$?
check 2 "$diagnostics"
printf '%s\n./plain.c\n' "$shown" >"$SCRATCH/want.out"
ok "--check: [$(head -c 200 "$SCRATCH/got.out")]" cmp -s "$SCRATCH/want.out" "$SCRATCH/got.out"
"$BIN" --unsafe-fixes -c -z . >"$SCRATCH/got.out" 2>/dev/null
printf './%s\0./plain.c\0' "$odd" >"$SCRATCH/want.out"
ok "--check -z: [$(head -c 200 "$SCRATCH/got.out" | tr '\0' @)]" cmp -s "$SCRATCH/want.out" "$SCRATCH/got.out"
"$BIN" --unsafe-fixes -cz --report=r.json . >/dev/null 2>&1
ok "report keeps the raw name" grep -q '"uri": "./a%09b%0A%22c%5C%C3%A9.c"' r.json

begin "the report's name quoted in its error"
printf 'int a;\n' >a.c
run -q -c --report=$'no\001/r.json' a.c
check 2 $'q5upgrade: "no\\001/r.json": error: cannot write the report: No such file or directory\n'

# ---- Files of 2 GiB or more in the tree interface -----------------------------
# Refused without being read, as the classic forms refuse them (sparse).
for args in "-c big.c" "-i big.c"; do
    begin "tree $args of 2 GiB: refused unread"
    truncate -s 2147483648 big.c
    run $args
    summary=$'1 file examined, 0 would change, 0 unchanged, 1 failed, 0 calls to convert\n'
    [ "${args%% *}" = -i ] && summary=$'1 file examined, 0 changed, 0 unchanged, 1 failed, 0 calls converted\n'
    check 2 $'big.c: error: File too large [q5-conversion-failed]\nq5upgrade: '"$summary"
    ok "took $MS ms" [ "$MS" -lt 1500 ]
    only . big.c
done

# ---- Diagnostics on a long line -----------------------------------------------
# A line of 400 calls, each after a comment of 100 two-byte characters: each
# call's note shows the line around its spot, the caret under the spot in
# characters; the report counts columns in characters.
begin "a long line: each diagnostic's line, caret and columns"
filler="/* $(printf '\303\251%.0s' $(seq 100)) */ "
call='Q5SetAttrs(o, /* w */ A, 1, Q5TAG_END); '
line=
for i in $(seq 400); do line+=$filler$call; done
printf '%s\n' "$line" >long.c
run --unsafe-fixes -i --report=r.json long.c
# Every spot has the same bytes around it, but the last, near the line's end.
at0=$((${#filler} + 14)) period=$((${#filler} + ${#call}))
before=${line:at0-80:80}
caret=$(printf '%s' "$before" | tr -d '\200-\277' | sed 's/./ /g')
want= columns=
for ((k = 0; k < 400; k++)); do
    at=$((k * period + at0))  # bytes before the comment
    after="${line:at:120}..."
    [ $((at + 120)) -ge ${#line} ] && after=${line:at}
    want+="long.c:1:$((at + 1)): note: comment removed from the argument list [q5-comment-removed]
...$before$after
   $caret^
"
    columns+=" $((k * (107 + ${#call}) + 107 + 14 + 1))"  # the filler is 107 characters
done
check 0 "$want"$'q5upgrade: 1 file examined, 1 changed, 0 unchanged, 0 failed, 400 calls converted; 400 notes (400 q5-comment-removed)\n'
got=$(grep -o '"startColumn": [0-9]*' r.json | sed 's/.* / /' | tr -d '\n')
ok "report columns: ${got:0:100}..." [ "$got" = "$columns" ]

finish
