#!/usr/bin/env bash
# Loading the input: files that cannot be read, empty or oversized files, and
# the refusal of text that is already in the V8 form.
. "$(dirname "$0")/lib.sh"

CALL=$'    Q5SetAttrs(obj, Q5A_Width, 100, Q5TAG_END);\n'
CONVERTED=$'    Q5SetAttrs(obj, Q5T(Q5A_Width, 100), Q5TAG_END);\n'

begin "missing input"
run missing.c out.c
expect_status 2
expect_stderr $'Cannot read missing.c\n'
expect_entries .

begin "missing input in upgrade mode creates no temp.c"
run -upgrade missing.c
expect_status 2
expect_stderr $'Cannot read missing.c\n'
expect_entries .

begin "directory as input"
mkdir src.c
run src.c out.c
expect_status 2
expect_stderr $'Cannot read src.c\n'
expect_entries . src.c
expect_entries src.c

begin "directory as input in upgrade mode"
mkdir src.c
run src.c -upgrade
expect_status 2
expect_stderr $'Cannot read src.c\n'
expect_entries . src.c

# The loader's own message has no line end, so both share one line.
begin "empty input"
: >empty.c
snapshot empty.c
run empty.c out.c
expect_status 2
expect_stderr $'File size 0: empty.cCannot read empty.c\n'
expect_unchanged empty.c
expect_entries . empty.c

begin "empty input in upgrade mode"
: >empty.c
snapshot empty.c
run -upgrade empty.c
expect_status 2
expect_stderr $'File size 0: empty.cCannot read empty.c\n'
expect_unchanged empty.c
expect_entries . empty.c

# Control for the rows below: the unprivileged user can convert its own file,
# so their refusals come from the permissions under test.
begin "unprivileged user converts its own writable file"
give_to_unprivileged .
printf '%s' "$CALL" >own.c
give_to_unprivileged own.c
run_unprivileged own.c out.c
expect_status 0
expect_stderr ''
expect_file_text out.c "$CONVERTED"

# The input is opened for update, so a file that may be read but not written
# is refused like a missing one. The directory stays writable so a missing
# output file can only mean the tool refused.
begin "read-only input (another owner's file)"
give_to_unprivileged .
printf '%s' "$CALL" >ro.c
chmod 644 ro.c
if ! is_root; then chmod 444 ro.c; fi
snapshot ro.c
run_unprivileged ro.c out.c
expect_status 2
expect_stderr $'Cannot read ro.c\n'
expect_unchanged ro.c
expect_entries . ro.c

begin "read-only input (own file, mode 444)"
give_to_unprivileged .
printf '%s' "$CALL" >ro.c
chmod 444 ro.c
give_to_unprivileged ro.c
snapshot ro.c
run_unprivileged ro.c out.c
expect_status 2
expect_stderr $'Cannot read ro.c\n'
expect_unchanged ro.c
expect_entries . ro.c

begin "read-only input in upgrade mode"
give_to_unprivileged .
printf '%s' "$CALL" >ro.c
chmod 444 ro.c
give_to_unprivileged ro.c
snapshot ro.c
run_unprivileged -upgrade ro.c
expect_status 2
expect_stderr $'Cannot read ro.c\n'
expect_unchanged ro.c
expect_entries . ro.c

begin "unreadable input (mode 000)"
give_to_unprivileged .
printf '%s' "$CALL" >secret.c
chmod 000 secret.c
give_to_unprivileged secret.c
run_unprivileged secret.c out.c
expect_status 2
expect_stderr $'Cannot read secret.c\n'
expect_entries . secret.c

# Sizes at and beyond 2 GiB, including 4 GiB + 7 whose low 32 bits look like a
# tiny file. Sparse, and refused before reading: reading 2 GiB would take
# seconds.
for size in 2147483648 3221225472 4294967303; do
    begin "input of $size bytes is refused without being read"
    truncate -s "$size" big.c
    run big.c out.c
    expect_status 2
    expect_stderr $'Cannot read big.c\n'
    expect_faster_than_ms 1500
    expect_entries . big.c
done

begin "input of 2 GiB in upgrade mode"
truncate -s 2G big.c
run -upgrade big.c
expect_status 2
expect_stderr $'Cannot read big.c\n'
expect_faster_than_ms 1500
expect_entries . big.c

begin "already converted: Q5T( only in a comment"
printf '/* was Q5T(A, 1) */\n%s' "$CALL" >v8.c
snapshot v8.c
run v8.c out.c
expect_status 3
expect_stderr $'v8.c is V8 file already\n'
expect_unchanged v8.c
expect_entries . v8.c

begin "already converted: an existing output file is not touched"
printf '%s' "$CONVERTED" >v8.c
printf 'keep me\n' >out.c
snapshot v8.c out.c
run v8.c out.c
expect_status 3
expect_stderr $'v8.c is V8 file already\n'
expect_unchanged v8.c out.c

begin "already converted: Q5T( as the last bytes of the file"
printf 'int a; /* Q5T(' >v8.c
run v8.c out.c
expect_status 3
expect_stderr $'v8.c is V8 file already\n'
expect_entries . v8.c

begin "already converted, upgrade mode: no temp.c, input untouched"
printf '%s' "$CONVERTED" >v8.c
snapshot v8.c
run -upgrade v8.c
expect_status 3
expect_stderr $'v8.c is V8 file already\n'
expect_unchanged v8.c
expect_entries . v8.c

# The refusal searches the text only up to its first NUL byte; the bytes after
# it are still copied through.
begin "Q5T( after a NUL byte does not refuse the file"
printf 'int a;\n\0 Q5T(A, 1)\n' >nul.c
run nul.c out.c
expect_status 0
expect_stderr ''
expect_file_equals out.c nul.c

# Output of an earlier run holding only Q5LT( / Q5ST( forms is not refused;
# Q5TagGetS matches no call and is copied unchanged.
begin "Q5ST( and Q5LT( forms are not taken for converted text"
printf 'Q5TagGetS(tags, Q5ST(Q5A_X, &x), Q5TAG_END);\nint Q5LT(a, b);\n' >old.c
run old.c out.c
expect_status 0
expect_stderr ''
expect_file_equals out.c old.c

begin "a one-byte file is read"
printf 'x' >one.c
run one.c out.c
expect_status 0
expect_stderr ''
expect_file_text out.c 'x'

finish
