#!/usr/bin/env bash
# Command line: the usage text and how the words select the run mode.
. "$(dirname "$0")/lib.sh"

CALL=$'    Q5SetAttrs(obj, Q5A_Width, 100, Q5TAG_END);\n'
CONVERTED=$'    Q5SetAttrs(obj, Q5T(Q5A_Width, 100), Q5TAG_END);\n'

usage_for() {
    printf 'Usage: %s infile outfile\n       %s -upgrade file\n' "$1" "$1"
}

begin "no arguments: usage naming the program as invoked"
run
expect_status 1
expect_stderr "$(usage_for "$BIN")"$'\n'
expect_entries .

begin "program name is printed as typed"
run_named ./q5upgrade
expect_status 1
expect_stderr "$(usage_for ./q5upgrade)"$'\n'

# A name with conversion characters must come out verbatim, not be taken as a
# format.
begin "program name with percent signs is printed verbatim"
run_named 'q5%s%d%n'
expect_status 1
expect_stderr "$(usage_for 'q5%s%d%n')"$'\n'

begin "one argument: usage, the file is not touched"
printf '%s' "$CALL" >in.c
snapshot in.c
run in.c
expect_status 1
expect_stderr "$(usage_for "$BIN")"$'\n'
expect_unchanged in.c
expect_entries . in.c

begin "the switch alone is not enough"
printf '%s' "$CALL" >in.c
run -upgrade
expect_status 1
expect_stderr "$(usage_for "$BIN")"$'\n'
expect_entries . in.c

begin "two plain words: convert mode"
printf '%s' "$CALL" >in.c
snapshot in.c
run in.c out.c
expect_status 0
expect_stderr ''
expect_file_text out.c "$CONVERTED"
expect_unchanged in.c
expect_entries . in.c out.c

begin "words after the second are ignored"
printf '%s' "$CALL" >in.c
run in.c out.c extra.c -upgrade
expect_status 0
expect_stderr ''
expect_file_text out.c "$CONVERTED"
expect_entries . in.c out.c

begin "upgrade switch first, extra words ignored"
printf '%s' "$CALL" >in.c
run -upgrade in.c out.c
expect_status 0
expect_stderr ''
expect_file_text in.c "$CONVERTED"
expect_entries . in.c

# Only the exact word switches modes; anything else is an output file name.
for word in -Upgrade --upgrade -upgradex -upgrad; do
    begin "'$word' is an output path, not the switch"
    printf '%s' "$CALL" >in.c
    snapshot in.c
    run in.c "$word"
    expect_status 0
    expect_stderr ''
    expect_file_text "./$word" "$CONVERTED"
    expect_unchanged in.c
    expect_entries . in.c "$word"
done

begin "the switch is tested on the first word before the second"
printf '%s' "$CALL" >./-upgrade
printf '%s' "$CALL" >in.c
snapshot in.c
run -upgrade -upgrade
expect_status 0
expect_stderr ''
expect_file_text ./-upgrade "$CONVERTED"
expect_unchanged in.c
expect_entries . -upgrade in.c

finish
