#!/usr/bin/env bash
# Output that cannot be written: a full device, and places the user may not
# write. The input survives every one of them.
. "$(dirname "$0")/lib.sh"

[ -c /dev/full ] || { echo "/dev/full is needed" >&2; exit 2; }

# A small result fits in the stream's buffer, so the failure shows only when
# the output is closed; a large one fails while calls are being written, where
# only the kind of message is fixed. Even a result equal to the input is a
# failure when it cannot be written. Upgrade mode never writes through an
# existing temp.c, so there a file-size limit of 1 KiB makes the writes fail
# (the small inputs are padded past it).
for mode in convert upgrade; do
    for size in small plain large; do
        begin "$mode to an output that fills up, $size input"
        pad=; [ $mode = upgrade ] && pad=$(printf '/* %2000s */' '')
        case $size in
            small) printf '%s\n%s' "$pad" "$CALL" >in.c ;;
            plain) printf '%s\nint a;\n' "$pad" >in.c ;;
            large) for i in $(seq 3000); do printf 'int v%d = %d;\n%s' $i $i "$CALL"; done >in.c ;;
        esac
        keep in.c
        if [ $mode = convert ]; then out=/dev/full; run in.c $out; else
            out=temp.c; _run bash -c 'ulimit -f 1 && exec "$0" "$@"' "$BIN" -upgrade in.c
        fi
        if [ $size = large ]; then
            ok "exit status $STATUS" [ "$STATUS" = 4 ]
            ok "stderr: $(head -c 200 "$SCRATCH/stderr")" grep -qE '^Cannot (write|indent)' "$SCRATCH/stderr"
        else
            check 4 "Cannot write to $out"$'\n'
        fi
        kept in.c
        if [ $mode = convert ]; then only . in.c; else only . in.c temp.c; fi
    done
done

# As a user that owns the input but may not write the output.
for out in ro/out.c out.c; do
    begin "output $out not writable"
    mkdir ro
    printf '%s' "$CALL" >in.c
    printf 'keep me\n' >out.c
    chmod 555 ro
    chmod 444 out.c
    own . in.c
    RUN=run_nobody refused 3 "Cannot open $out"$'\n' in.c "$out"
    only ro
done

finish
