#!/usr/bin/env bash
# The configuration file, .q5upgrade.toml: found from the first PATH
# upwards to the repository's root, --config and --isolated, the command
# line over the file, errors naming file and line, per-rule severities and
# --select/--ignore (which change what is reported, never what converts).
. "$(dirname "$0")/lib.sh"

# expect STATUS STDOUT [RULE SEVERITY]...: exit status and stdout exactly;
# stderr names each RULE at SEVERITY once and no other rule (the calls to
# convert, q5-convertible, aside).
expect() {
    local st=$1 out=$2 rules=() line
    shift 2
    ok "[$WHAT] exit status $STATUS, expected $st: $(head -c 300 "$SCRATCH/err")" [ "$STATUS" = "$st" ]
    printf '%s' "$out" >"$SCRATCH/want"
    ok "[$WHAT] stdout [$(head -c 300 "$SCRATCH/out")], expected [$out]" cmp -s "$SCRATCH/want" "$SCRATCH/out"
    while (($#)); do rules+=("$2: .*\[$1\]$"); shift 2; done
    local got; got=$(grep -E ': (error|warning|note): .*\[q5-[a-z-]+\]$' "$SCRATCH/err" | grep -vc '\[q5-convertible\]$')
    ok "[$WHAT] ${#rules[@]} diagnostics expected, $got shown" [ "$got" = "${#rules[@]}" ]
    for line in "${rules[@]}"; do
        ok "[$WHAT] no line matching '$line' in: $(head -c 300 "$SCRATCH/err")" grep -qE "$line" "$SCRATCH/err"
    done
}
# A call left as it stands for q5-macro-pairs (PAIR's definition is in
# include/), and one that converts.
MACRO=$'#include "pairs.h"\nvoid g(void)\n{\n    Q5SetAttrs(obj, PAIR(Q5A_Width, 1), Q5TAG_END);\n}\n'
fixture() {
    mkdir -p outer/repo/src/sub outer/repo/include
    git init -q outer/repo
    printf '#define PAIR(a, b) a, b\n' >outer/repo/include/pairs.h
    printf '%s' "$MACRO" >outer/repo/src/sub/m.c
    printf '%s' "$CALL" | tee outer/repo/src/a.c outer/repo/src/skip.c outer/repo/src/other.c >/dev/null
}

begin "lookup: nearest file from the first PATH upwards, not above the repository"
fixture
printf 'bogus = 1\n' >outer/.q5upgrade.toml  # above the repository's root: never read
cd outer/repo
WHAT='no file in the repository'
trun -q --check src
expect 1 $'src/a.c\nsrc/other.c\nsrc/skip.c\n' q5-shifted-pairing warning
printf 'exclude = ["skip.c"]\ninclude-dirs = ["include"]\n' >.q5upgrade.toml
WHAT='file at the root'
trun -q --check src
expect 1 $'src/a.c\nsrc/other.c\n' q5-macro-pairs warning
WHAT='file at the root, from a directory below, -I named from the file'
(cd src/sub && trun --check .)
ok "[$WHAT] status $STATUS" [ "$STATUS" = 1 ]
ok "[$WHAT] defined at ../../include/pairs.h: $(head -c 300 "$SCRATCH/err")" \
    grep -q "defined at ../../include/pairs.h:1" "$SCRATCH/err"
printf 'exclude = ["other.c"]\n' >src/.q5upgrade.toml
WHAT='nearer file wins'
trun -q --check src
expect 1 $'src/a.c\nsrc/skip.c\n' q5-shifted-pairing warning
WHAT='the first PATH decides'
trun -q --check include src
expect 1 $'src/a.c\nsrc/other.c\n' q5-macro-pairs warning
WHAT='a file as first PATH: its directory'
trun -q --check src/skip.c src
expect 1 $'src/skip.c\nsrc/a.c\n' q5-shifted-pairing warning
WHAT='--config: that file, no lookup'
trun -q --check --config=.q5upgrade.toml src
expect 1 $'src/a.c\nsrc/other.c\n' q5-macro-pairs warning
WHAT='--isolated: no file'
trun -q --check --isolated src
expect 1 $'src/a.c\nsrc/other.c\nsrc/skip.c\n' q5-shifted-pairing warning
trun --check --config=../.q5upgrade.toml src
ok "[--config above the root] exit $STATUS" [ "$STATUS" = 2 ]
has "$SCRATCH/err" $'q5upgrade: ../.q5upgrade.toml:1: error: unknown key \'bogus\'\n'

begin "the command line over the file; lists replace the file's"
fixture
cd outer/repo
rm -r src/sub
printf 'include = ["*.c"]\nexclude = ["skip.c", "sub/"]\nextend-include = ["*.h"]\njobs = 1\n' >.q5upgrade.toml
printf '%s' "$CALL" | tee src/x.inc include/h.h >/dev/null
while IFS='|' read -r args want; do
    WHAT=$args
    # shellcheck disable=SC2086 # the row's words
    trun -q --check $args src include
    expect 1 "$(printf '%s\n' $want)"$'\n'
done <<'EOF'
|src/a.c src/other.c include/h.h
--exclude=other.c|src/a.c src/skip.c include/h.h
--include=*.inc|src/x.inc include/h.h
--extend-include=*.inc|src/a.c src/other.c src/x.inc
--include=*.inc --extend-include=skip.c|src/x.inc
-j2 --isolated|src/a.c src/other.c src/skip.c include/h.h
EOF
WHAT='a note names the file for its patterns'
printf 'exclude = ["nothing/"]\n' >.q5upgrade.toml
trun --check src
ok "[$WHAT] $(cat "$SCRATCH/err")" grep -qx "q5upgrade: note: .q5upgrade.toml: exclude 'nothing/' matched nothing" "$SCRATCH/err"
printf 'exclude = ["src/skip.c"]\n' >.q5upgrade.toml
WHAT='patterns with a / match below the file'"'"'s directory'
trun -q --check src
expect 1 $'src/a.c\nsrc/other.c\n'

# Errors name the file and line; nothing runs. Row: file text|message.
begin "errors in the file name it and the line"
fixture
cd outer/repo
while IFS='|' read -r text message; do
    printf '%b' "$text" >.q5upgrade.toml
    refused 2 "q5upgrade: .q5upgrade.toml:$message"$'\n' -q --check src/a.c
done <<'EOF'
jobs = 2\n\nfoo = 1\n|3: error: unknown key 'foo'
jobs = "two"\n|1: error: 'jobs' must be an integer from 1 to 256
jobs = 0\n|1: error: 'jobs' must be an integer from 1 to 256
jobs = 257\n|1: error: 'jobs' must be an integer from 1 to 256
force-exclude = "yes"\n|1: error: 'force-exclude' must be true or false
per-file-ignores = ["a"]\n|1: error: 'per-file-ignores' must be a table
[per-file-ignores]\n"a[" = ["q5-macro-pairs"]\n|2: error: invalid pattern 'a[' in 'per-file-ignores': unclosed '['
[per-file-ignores]\n"*.c" = ["q5-nothing"]\n|2: error: unknown rule 'q5-nothing'
[per-file-ignores]\n"*.c" = "q5-macro-pairs"\n|2: error: '*.c' must be an array of strings
exclude = "sub/"\n|1: error: 'exclude' must be an array of strings
include = ["*.c",\n  3]\n|2: error: 'include' must be an array of strings
unsafe-fixes = 1\n|1: error: 'unsafe-fixes' must be true or false
[rules]\nq5-macro = "off"\n|2: error: unknown rule 'q5-macro'
[rules]\nq5-macro-pairs = "fatal"\n|2: error: rule 'q5-macro-pairs' must be "error", "warning", "note" or "off"
rules = 1\n|1: error: 'rules' must be a table
[other]\n|1: error: unknown key 'other'
jobs = [\n|1: error: parsing array: encountered end-of-file
EOF
RUN=run refused 2 $'q5upgrade: none.toml: error: No such file or directory\n' --check --config=none.toml src/a.c

# What a rule's setting changes: shown or not, at which severity, the exit
# status of --check, --werror and -i; never the call, which stays as it
# stands. Row: [rules] line|options|--check status|shown|-i status.
begin "rule severities and --select/--ignore"
fixture
cd outer/repo
while IFS='|' read -r setting args st shown ist; do
    printf 'include-dirs = ["include"]\n[rules]\n%s\n' "$setting" >.q5upgrade.toml
    WHAT="$setting $args --check"
    # shellcheck disable=SC2086 # the row's words
    trun -q --check $args src/sub
    # shellcheck disable=SC2086
    expect "$st" '' $shown
    WHAT="$setting $args -i"
    # shellcheck disable=SC2086
    trun -q -i $args src/sub
    # shellcheck disable=SC2086
    expect "$ist" '' $shown
    has src/sub/m.c "$MACRO"
done <<'EOF'
||1|q5-macro-pairs warning|1
q5-macro-pairs = "warning"||1|q5-macro-pairs warning|1
q5-macro-pairs = "off"||0||0
q5-macro-pairs = "note"||0|q5-macro-pairs note|0
q5-macro-pairs = "note"|--werror|0|q5-macro-pairs note|0
q5-macro-pairs = "error"||2|q5-macro-pairs error|2
q5-macro-pairs = "off"|--select=q5-macro|1|q5-macro-pairs warning|1
q5-macro-pairs = "error"|--select=q5-mac|2|q5-macro-pairs error|2
|--ignore=q5-macro|0||0
|--select=q5-lost,q5-shifted|0||0
|--select=q5-m --ignore=q5-missed|1|q5-macro-pairs warning|1
|--exit-zero|0|q5-macro-pairs warning|0
q5-macro-pairs = "error"|--exit-zero|0|q5-macro-pairs error|0
EOF
# The row with --werror and no setting.
printf 'include-dirs = ["include"]\n' >.q5upgrade.toml
WHAT='--werror'
trun -q --check --werror src/sub
expect 2 '' q5-macro-pairs warning
has src/sub/m.c "$MACRO"

# [per-file-ignores]: patterns from the file's directory (a name alone at
# any depth, a directory for what is below it, "!" for the files a pattern
# does not match) to rule names or their starts; the calls stay as they
# are. Row: the table's line|--check status|shown.
begin "[per-file-ignores] turns rules off for the files a pattern matches"
fixture
cd outer/repo
while IFS='|' read -r line st shown; do
    printf 'include-dirs = ["include"]\n[per-file-ignores]\n%s\n' "$line" >.q5upgrade.toml
    WHAT=$line
    trun -q --check --ignore=q5-convertible src
    # shellcheck disable=SC2086
    expect "$st" $'src/a.c\nsrc/other.c\nsrc/skip.c\n' $shown
    has src/sub/m.c "$MACRO"
done <<'EOF'
"m.c" = ["q5-macro-pairs"]|1|
"sub/" = ["q5-macro"]|1|
"src/sub/*.c" = ["q5-lost", "q5-macro-pairs"]|1|
"!src/sub/m.c" = ["q5-macro-pairs"]|1|q5-macro-pairs warning
"src/m.c" = ["q5-macro-pairs"]|1|q5-macro-pairs warning
"*.c" = ["q5-shifted-pairing"]|1|q5-macro-pairs warning
EOF

finish
