#!/usr/bin/env bash
# Command line: the usage text and how the words select the run mode.
. "$(dirname "$0")/lib.sh"

usage() { printf 'Usage: %s infile outfile\n       %s -upgrade file\n' "$1" "$1"; }

for args in "" in.c -upgrade; do
    begin "usage for arguments [$args]; nothing touched"
    printf '%s' "$CALL" >in.c
    keep in.c
    run $args
    check 1 "$(usage "$BIN")"$'\n'
    kept in.c
    only . in.c
done

# The name is printed as typed, and is not taken for a format.
begin "usage names the program verbatim"
_run bash -c 'exec -a "q5%s%d%n" "$0"' "$BIN"
check 1 "$(usage 'q5%s%d%n')"$'\n'

begin "convert mode; words after the second are ignored"
printf '%s' "$CALL" >in.c
keep in.c
run in.c out.c extra.c -upgrade
check 0 ''
has out.c "$CONVERTED"
kept in.c
only . in.c out.c

begin "upgrade mode with the switch first; extra words ignored"
printf '%s' "$CALL" >in.c
run -upgrade in.c out.c
check 0 ''
has in.c "$CONVERTED"
only . in.c

# Only the exact word is the switch; anything else is an output file name.
for word in -Upgrade --upgrade -upgradex -upgrad; do
    begin "'$word' is an output path"
    printf '%s' "$CALL" >in.c
    keep in.c
    run in.c "$word"
    check 0 ''
    has "./$word" "$CONVERTED"
    kept in.c
    only . in.c "$word"
done

begin "-upgrade -upgrade upgrades the file named -upgrade"
printf '%s' "$CALL" >./-upgrade
printf '%s' "$CALL" >in.c
keep in.c
run -upgrade -upgrade
check 0 ''
has ./-upgrade "$CONVERTED"
kept in.c
only . -upgrade in.c

finish
