#!/usr/bin/env bash
# Which files the tree interface takes: gitignore-style --include/--exclude
# patterns (from the working directory, as in the configuration file from
# its directory; "!" negation; a pattern that is none), --extend-include,
# --force-exclude, what git ignores (and --no-ignore), lists from
# --files-from, the note for a pattern that matched nothing, a run that
# finds no C file, and two modes given at once. The calls to convert are
# not reported here (--ignore=q5-convertible): only which files are taken.
. "$(dirname "$0")/lib.sh"

# The tree: every file holds a call to convert.
fixture() {
    mkdir -p tree/src/SUMA tree/lib/SUMA tree/src/gen/out tree/SUMA
    local f
    for f in tree/src/a.c tree/src/SUMA/s.c tree/lib/SUMA/t.c tree/src/x.inc tree/src/gen/out/g.c \
        tree/SUMA/top.h; do
        printf '%s' "$CALL" >"$f"
    done
}
lines() { (($#)) && printf '%s\n' "$@"; }

# Row: args|files --check names (below tree/, in walk order).
begin "gitignore-style patterns, from the working directory; the last that matches decides"
fixture
while IFS='|' read -r args want; do
    # shellcheck disable=SC2086 # the row's words
    eval "set -- $args"
    trun -q --check --ignore=q5-convertible "$@" tree
    tcheck 1 "$(lines $(printf 'tree/%s ' $want))"$'\n' ''
done <<'EOF'
|SUMA/top.h lib/SUMA/t.c src/SUMA/s.c src/a.c src/gen/out/g.c
--exclude=tree/src/SUMA|SUMA/top.h lib/SUMA/t.c src/a.c src/gen/out/g.c
--exclude=/tree/src/SUMA|SUMA/top.h lib/SUMA/t.c src/a.c src/gen/out/g.c
--exclude='tree/*/SUMA/*'|SUMA/top.h src/a.c src/gen/out/g.c
--exclude='*/SUMA/*'|lib/SUMA/t.c src/SUMA/s.c src/a.c src/gen/out/g.c
--exclude='**/SUMA'|src/a.c src/gen/out/g.c
--exclude=SUMA|src/a.c src/gen/out/g.c
--exclude=SUMA/ --exclude='*.h'|src/a.c src/gen/out/g.c
--exclude='tree/src/**/g.c'|SUMA/top.h lib/SUMA/t.c src/SUMA/s.c src/a.c
--exclude=tree/src/gen/out/|SUMA/top.h lib/SUMA/t.c src/SUMA/s.c src/a.c
--exclude=gen/out/|SUMA/top.h lib/SUMA/t.c src/SUMA/s.c src/a.c src/gen/out/g.c
--exclude=SUMA --exclude='!tree/lib/SUMA'|lib/SUMA/t.c src/a.c src/gen/out/g.c
--exclude='tree/src/**' --exclude='!a.c'|SUMA/top.h lib/SUMA/t.c src/a.c
--exclude='!a.c' --exclude='tree/src/**'|SUMA/top.h lib/SUMA/t.c
--exclude='\!x' --exclude='[[:upper:]]???'|src/a.c src/gen/out/g.c
--include='*.inc'|src/x.inc
--extend-include='*.inc'|SUMA/top.h lib/SUMA/t.c src/SUMA/s.c src/a.c src/gen/out/g.c src/x.inc
--include='tree/src/**'|src/SUMA/s.c src/a.c src/gen/out/g.c src/x.inc
--include=SUMA/|SUMA/top.h lib/SUMA/t.c src/SUMA/s.c
--include='*.[ch]' --include='![!a]*.c'|SUMA/top.h src/a.c
--include='tree/lib/*/*.c' --extend-include=x.inc|lib/SUMA/t.c src/x.inc
EOF
# A pattern with a '/' starts from the working directory, on the command
# line as in a configuration file there: "src/SUMA" names nothing from
# above tree/, and tree/src/SUMA from inside it.
trun -q --check --ignore=q5-convertible --exclude=src/SUMA tree/src
tcheck 1 "$(lines tree/src/SUMA/s.c tree/src/a.c tree/src/gen/out/g.c)"$'\n' ''
(cd tree && trun -q --check --ignore=q5-convertible --exclude=src/SUMA src)
tcheck 1 "$(lines src/a.c src/gen/out/g.c)"$'\n' ''
printf 'exclude = ["src/SUMA"]\n' >tree/.q5upgrade.toml
(cd tree && trun -q --check --ignore=q5-convertible src)
tcheck 1 "$(lines src/a.c src/gen/out/g.c)"$'\n' ''
rm tree/.q5upgrade.toml
# Files named are taken whatever the patterns say.
trun -q --check --ignore=q5-convertible --exclude='*.c' --include=none tree/src/a.c
tcheck 1 $'tree/src/a.c\n' ''

begin "a note for each pattern that matched nothing, not with -q"
fixture
trun --check --exclude=src/SUMA --exclude=nothing/ --extend-include='*.none' tree/src
ok "exit status $STATUS" [ "$STATUS" = 1 ]
grep '^q5upgrade: note:' "$SCRATCH/err" >notes
has notes "q5upgrade: note: --extend-include '*.none' matched nothing
q5upgrade: note: --exclude 'src/SUMA' matched nothing
q5upgrade: note: --exclude 'nothing/' matched nothing
"
trun -q --check --ignore=q5-convertible --exclude=nothing/ tree
tcheck 1 "$(lines tree/SUMA/top.h tree/lib/SUMA/t.c tree/src/SUMA/s.c tree/src/a.c tree/src/gen/out/g.c)"$'\n' ''
# No directory walked: the patterns did not apply, no note.
trun --check --exclude=nothing/ tree/src/a.c
ok "no note without a walk: $(cat "$SCRATCH/err")" bash -c "! grep -q note: '$SCRATCH/err'"

# --force-exclude (and force-exclude = true) applies the excludes to the
# PATHs named, files or directories, and to what is below an excluded
# directory; such a PATH skipped is no "no C file found".
begin "--force-exclude: the excludes skip PATHs named too"
fixture
NAMED=(tree/SUMA/top.h tree/src/a.c tree/src/gen/out/g.c tree/lib)
trun -q --check --ignore=q5-convertible --exclude=SUMA --exclude=gen "${NAMED[@]}"
tcheck 1 "$(lines tree/SUMA/top.h tree/src/a.c tree/src/gen/out/g.c)"$'\n' ''
trun -q --check --ignore=q5-convertible --exclude=SUMA --exclude=gen --force-exclude "${NAMED[@]}"
tcheck 1 $'tree/src/a.c\n' ''
printf 'exclude = ["SUMA", "gen"]\nforce-exclude = true\n' >.q5upgrade.toml
trun -q --check --ignore=q5-convertible "${NAMED[@]}"
tcheck 1 $'tree/src/a.c\n' ''
trun -q --check --ignore=q5-convertible tree/SUMA tree/src/gen/out/g.c
tcheck 0 '' ''

begin "a pattern that is none is a usage error; finding no C file is a warning, trouble for --check"
fixture
for row in "--include=[|'[' for '--include': unclosed '['" \
    "--exclude=a\\|'a\\' for '--exclude': ends with '\\'" \
    "--extend-include=[[:nope:]]|'[[:nope:]]' for '--extend-include': unknown class '[:nope:]'" \
    "--exclude=!|'!' for '--exclude': matches nothing"; do
    refused 2 "q5upgrade: invalid pattern ${row#*|}
Try 'q5upgrade --help' for more information.
" --check "${row%%|*}" tree
done
printf 'exclude = ["ok", "[z"]\n' >.q5upgrade.toml
refused 2 $'q5upgrade: .q5upgrade.toml:1: error: invalid pattern \'[z\' in \'exclude\': unclosed \'[\'\n' --check tree
rm .q5upgrade.toml
trun --check --include='*.none' tree
tcheck 2 '' "q5upgrade: note: --include '*.none' matched nothing
q5upgrade: warning: no C file found in the PATHs given
q5upgrade: 0 files examined, 0 would change, 0 unchanged, 0 failed, 0 calls to convert
"
trun -q --diff --include='*.none' tree
tcheck 0 '' $'q5upgrade: warning: no C file found in the PATHs given\n'

begin "files git ignores are skipped; --no-ignore takes them"
fixture
git init -q tree
mkdir tree/build tree/lib/inner
printf 'build/\n*.gen.c\n' >tree/.gitignore
printf '%s' "$CALL" | tee tree/build/gen.c tree/src/b.gen.c tree/lib/inner/i.c >/dev/null
# A repository inside the walk keeps rules of its own.
git init -q tree/lib/inner
printf 'i.c\n' >tree/lib/inner/.gitignore
ALL='SUMA/top.h lib/SUMA/t.c src/SUMA/s.c src/a.c src/gen/out/g.c'
trun -q --check --ignore=q5-convertible tree
tcheck 1 "$(lines $(printf 'tree/%s ' $ALL))"$'\n' ''
trun -q --check --ignore=q5-convertible --no-ignore tree
tcheck 1 "$(lines $(printf 'tree/%s ' SUMA/top.h build/gen.c lib/SUMA/t.c lib/inner/i.c src/SUMA/s.c \
    src/a.c src/b.gen.c src/gen/out/g.c))"$'\n' ''
# From inside the work tree, and for a PATH below its top.
(cd tree/lib && trun -q --check --ignore=q5-convertible ../src)
tcheck 1 "$(lines ../src/SUMA/s.c ../src/a.c ../src/gen/out/g.c)"$'\n' ''
# A PATH git ignores, named all the same, is walked whole.
trun -q --check --ignore=q5-convertible tree/build
tcheck 1 $'tree/build/gen.c\n' ''
# A repository below a directory that is none.
mkdir -p plain/inner
git init -q plain/inner
printf 'gen.c\n' >plain/inner/.gitignore
printf '%s' "$CALL" | tee plain/inner/gen.c plain/inner/kept.c plain/gen.c >/dev/null
trun -q --check --ignore=q5-convertible plain
tcheck 1 "$(lines plain/gen.c plain/inner/kept.c)"$'\n' ''
# -i leaves the ignored files as they were.
keep tree/build/gen.c tree/src/b.gen.c
trun -q -i tree
tcheck 0 '' ''
kept tree/build/gen.c tree/src/b.gen.c
has tree/src/a.c "$CONVERTED"

begin "--files-from: a file, standard input, NUL-separated with -0"
fixture
printf 'tree/src/x.inc\r\ntree/lib/SUMA/t.c\n\ntree/src/gen\n' >list
trun -q --check --ignore=q5-convertible --exclude=SUMA --files-from=list
tcheck 1 "$(lines tree/src/x.inc tree/lib/SUMA/t.c tree/src/gen/out/g.c)"$'\n' ''
printf 'tree/SUMA/top.h\0tree/src/a b.c\0' >list0
printf '%s' "$CALL" >'tree/src/a b.c'
IN=list0 trun -q --check --ignore=q5-convertible --files-from=- -0
tcheck 1 "$(lines tree/SUMA/top.h 'tree/src/a b.c')"$'\n' ''
# PATHs and the list together; an empty list converts nothing.
IN=list0 trun -q --check --ignore=q5-convertible --files-from=- -0 tree/src/a.c
tcheck 1 "$(lines tree/src/a.c tree/SUMA/top.h 'tree/src/a b.c')"$'\n' ''
: >empty
trun -q --check --ignore=q5-convertible --files-from=empty
tcheck 0 '' ''
trun --check --files-from=missing
tcheck 2 '' $'q5upgrade: missing: error: No such file or directory\n'
printf 'tree/src/a.c\n-\n' >dash
IN=dash trun -q --check --ignore=q5-convertible --files-from=-
tcheck 2 '' $'q5upgrade: standard input: error: lists \'-\', but the list is standard input\n'

begin "two modes are a usage error naming both; nothing is touched"
fixture
for row in "-ci|-c' and '-i" "--check --in-place|--check' and '--in-place" \
    "-i --diff|-i' and '--diff" "--stdout -c|--stdout' and '-c"; do
    # shellcheck disable=SC2086 # the row's words
    refused 2 "q5upgrade: options '${row#*|}' cannot be used together
Try 'q5upgrade --help' for more information.
" ${row%%|*} tree/src/a.c
done

finish
