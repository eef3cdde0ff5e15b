#!/usr/bin/env bash
# Output that cannot be written: a full device, and directories or files the
# user may not write. The input must survive every one of them.
. "$(dirname "$0")/lib.sh"

CALL=$'    Q5SetAttrs(obj, Q5A_Width, 100, Q5TAG_END);\n'
CONVERTED=$'    Q5SetAttrs(obj, Q5T(Q5A_Width, 100), Q5TAG_END);\n'

if [ ! -c /dev/full ]; then
    echo "/dev/full is needed" >&2
    exit 2
fi

# Many calls and enough text that the stream's buffer fills up while the
# calls are still being written.
write_large() {
    local i
    for i in $(seq 1 3000); do
        printf 'int value_%d = %d;\n%s' "$i" "$i" "$CALL"
    done >"$1"
}

# A small result fits in the stream's buffer: the failure shows only when the
# output is closed, and must still be reported.
begin "convert to a full device, small input"
printf '%s' "$CALL" >in.c
snapshot in.c
run in.c /dev/full
expect_status 4
expect_stderr $'Cannot write to /dev/full\n'
expect_unchanged in.c
expect_entries . in.c

begin "convert to a full device, small input without calls"
printf 'int a;\n' >in.c
run in.c /dev/full
expect_status 4
expect_stderr $'Cannot write to /dev/full\n'

begin "convert to a full device, large input without calls"
head -c 300000 /dev/zero | tr '\0' 'a' >in.c
run in.c /dev/full
expect_status 4
expect_stderr $'Cannot write to /dev/full\n'

# Where the failure surfaces (copying text or writing a call) depends on the
# buffering, so only the kind of message is fixed here.
begin "convert to a full device, large input with calls"
write_large in.c
snapshot in.c
run in.c /dev/full
expect_status 4
expect_stderr_matches '^Cannot (write|indent)'
expect_unchanged in.c

begin "upgrade through a temp.c on a full device, small input"
printf '%s' "$CALL" >in.c
ln -s /dev/full temp.c
snapshot in.c
run -upgrade in.c
expect_status 4
expect_stderr $'Cannot write to temp.c\n'
expect_unchanged in.c
expect_entries . in.c temp.c

begin "upgrade through a temp.c on a full device, large input"
write_large in.c
ln -s /dev/full temp.c
snapshot in.c
run in.c -upgrade
expect_status 4
expect_stderr_matches '^Cannot (write|indent)'
expect_unchanged in.c

# Even when the result would equal the input, a failed write is a failure.
begin "upgrade through a temp.c on a full device, nothing to convert"
printf 'int a;\n' >in.c
ln -s /dev/full temp.c
snapshot in.c
run -upgrade in.c
expect_status 4
expect_stderr $'Cannot write to temp.c\n'
expect_unchanged in.c

# Unwritable places: run as an unprivileged user that owns the input.
begin "output directory not writable"
give_to_unprivileged .
mkdir ro
chmod 555 ro
printf '%s' "$CALL" >in.c
give_to_unprivileged in.c
snapshot in.c
run_unprivileged in.c ro/out.c
expect_status 3
expect_stderr $'Cannot open ro/out.c\n'
expect_unchanged in.c
expect_entries ro
expect_entries . in.c ro

begin "existing output file not writable"
give_to_unprivileged .
printf '%s' "$CALL" >in.c
give_to_unprivileged in.c
printf 'keep me\n' >out.c
chmod 444 out.c
snapshot out.c
run_unprivileged in.c out.c
expect_status 3
expect_stderr $'Cannot open out.c\n'
expect_unchanged out.c

begin "upgrade in a working directory that is not writable"
mkdir src
give_to_unprivileged src
printf '%s' "$CALL" >src/in.c
give_to_unprivileged src/in.c
chmod 555 .
snapshot src/in.c
run_unprivileged -upgrade src/in.c
chmod 755 .
expect_status 3
expect_stderr $'Cannot open temp.c\n'
expect_unchanged src/in.c
expect_entries . src
expect_entries src in.c

# Control for the rows above: the same setup with a writable place succeeds.
begin "unprivileged upgrade succeeds where it may write"
mkdir src
give_to_unprivileged . src
printf '%s' "$CALL" >src/in.c
give_to_unprivileged src/in.c
run_unprivileged -upgrade src/in.c
expect_status 0
expect_stderr ''
expect_file_text src/in.c "$CONVERTED"
expect_entries . src

finish
