#!/usr/bin/env bash
# Loading the input: files that cannot be read, empty or oversized files, and
# the refusal of text that is already in the V8 form. No refusal creates,
# removes or changes a file.
. "$(dirname "$0")/lib.sh"

for args in "missing.c out.c" "-upgrade missing.c"; do
    begin "missing input: $args"
    refused 2 $'Cannot read missing.c\n' $args
done

for args in "src.c out.c" "src.c -upgrade"; do
    begin "directory as input: $args"
    mkdir src.c
    refused 2 $'Cannot read src.c\n' $args
done

# The loader's message has no line end, so the two share one line.
for args in "empty.c out.c" "-upgrade empty.c"; do
    begin "empty input: $args"
    : >empty.c
    refused 2 $'File size 0: empty.cCannot read empty.c\n' $args
done

begin "a one-byte file is read"
printf 'x' >one.c
run one.c out.c
check 0 ''
has out.c 'x'

# The input is opened for update: read-only is refused like unreadable. The
# directory belongs to the user, so only the file's mode is in the way. The
# first row shows that user succeeding with a writable file.
begin "the unprivileged user converts its own file"
printf '%s' "$CALL" >in.c
own . in.c
run_nobody in.c out.c
check 0 ''
has out.c "$CONVERTED"

for row in "444 ro.c out.c" "444 -upgrade ro.c" "000 ro.c out.c"; do
    begin "input of mode ${row%% *}: ${row#* }"
    printf '%s' "$CALL" >ro.c
    chmod "${row%% *}" ro.c
    own . ro.c
    RUN=run_nobody refused 2 $'Cannot read ro.c\n' ${row#* }
done

# At and far beyond 2 GiB (4 GiB + 7 looks tiny in 32 bits); sparse, and
# refused without being read, which would take seconds.
for args in "big.c out.c" "-upgrade big.c"; do
    for size in 2147483648 4294967303; do
        begin "a sparse input of $size bytes: $args"
        truncate -s "$size" big.c
        run $args
        check 2 $'Cannot read big.c\n'
        ok "took $MS ms" [ "$MS" -lt 1500 ]
        only . big.c
    done
done

begin "already converted: Q5T( only in a comment, no output created"
printf '/* was Q5T(A, 1) */\n%s' "$CALL" >v8.c
refused 3 $'v8.c is V8 file already\n' v8.c out.c

# A large input is mapped, not copied. Cut short by another program while
# the tool waits to open its output (a FIFO with no reader yet), it is a
# read failure, not a bus error.
begin "a mapped input cut short during the run"
for i in $(seq 20000); do printf '%s\n' "$CALL"; done >big.c
mkfifo out.c
timeout -k 5 30 "$BIN" big.c out.c </dev/null >stdout 2>"$SCRATCH/stderr" &
pid=$!
for i in $(seq 200); do
    grep -qE 'fifo|wait_for_partner' "/proc/$pid/wchan" 2>/dev/null && break
    sleep 0.05
done
truncate -s 100 big.c
cat out.c >/dev/null
wait $pid
STATUS=$?
check 2 $'Cannot read big.c\n'

begin "already converted: Q5T( as the last bytes, upgrade mode, no temp.c"
printf '%sint a; /* Q5T(' "$CALL" >v8.c
refused 3 $'v8.c is V8 file already\n' -upgrade v8.c

finish
