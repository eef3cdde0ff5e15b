#!/usr/bin/env bash
# The hooks of .pre-commit-hooks.yaml, run as pre-commit runs them (the
# entry, then the staged file names), use the tree interface even for a
# commit of exactly two files, where the classic form would overwrite the
# second file with the first one's conversion; they skip the files the
# configuration excludes, and both fail a commit that holds a call left as
# it stands.
. "$(dirname "$0")/lib.sh"
HOOKS=$REPO/.pre-commit-hooks.yaml

# entry ID: the hook's entry line, as pre-commit splits it.
entry() {
    awk -v id="$1" '/^- id:/ { inside = ($3 == id) } inside && /^  entry:/ { sub(/^  entry: */, ""); print }' "$HOOKS"
}
# hook ID FILE...: runs the hook on the files; its stdout is in ./out.
hook() {
    local words
    read -ra words <<<"$(entry "$1")"
    shift
    [ "${words[0]:-}" = q5upgrade ] || { fail "the hook's entry does not start with q5upgrade: ${words[*]}"; return; }
    timeout -k 5 30 "$BIN" "${words[@]:1}" "$@" </dev/null >out 2>"$SCRATCH/stderr"
    STATUS=$?
}

begin "every hook runs the tree interface on C files"
ids=$(awk '/^- id:/ { print $3 }' "$HOOKS")
ok "hooks [$(echo $ids)], expected [q5upgrade q5upgrade-fix]" [ "$(echo $ids)" = "q5upgrade q5upgrade-fix" ]
tree_option() { [ "${1:0:1}" = - ] && [ "$1" != - ] && [ "$1" != -upgrade ]; }
for id in $ids; do
    first=$(entry "$id" | awk '{ print $2 }')
    ok "$id: first argument '$first' is not a tree option" tree_option "$first"
    ok "$id: not language system on C files" \
        [ "$(awk -v id="$id" '/^- id:/ { inside = ($3 == id) } inside && /^  (language|types_or|pass_filenames):/' "$HOOKS" | tr -s ' ')" \
          = "$(printf ' language: system\n types_or: [c]\n pass_filenames: true')" ]
done

begin "q5upgrade on two staged files names the one to convert and writes nothing"
printf '%s' "$HEAD" >a.c
printf 'int b;\n' >b.c
keep a.c b.c
hook q5upgrade a.c b.c
ok "exit status $STATUS, expected 1" [ "$STATUS" = 1 ]
ok "stdout [$(cat out)], expected [a.c]" [ "$(cat out)" = a.c ]
kept a.c b.c

begin "q5upgrade-fix on two staged files converts each in place"
printf '%s' "$HEAD" >a.c
printf 'int b;\n' >b.c
keep b.c
hook q5upgrade-fix a.c b.c
ok "exit status $STATUS, expected 0 ($(cat "$SCRATCH/stderr"))" [ "$STATUS" = 0 ]
has a.c "$HEAD_OUT"
kept b.c
only . a.c b.c out

# A call left as it stands fails the commit in both hooks; a file the
# configuration excludes is not looked at, though pre-commit names it.
begin "a left call fails both hooks; excluded files are skipped"
LEFT=$'#define PAIR(r, v) r, v\nvoid f(void *w) { XtVaSetValues(w, PAIR(XmNx, 1), NULL); }\n'
mkdir gen
printf '%s' "$LEFT" | tee left.c gen/left.c >/dev/null
printf '%s' "$HEAD" >a.c
printf 'exclude = ["gen/"]\n' >.q5upgrade.toml
keep left.c gen/left.c
for id in q5upgrade q5upgrade-fix; do
    hook $id left.c gen/left.c
    ok "$id: exit status $STATUS, expected 1" [ "$STATUS" = 1 ]
    ok "$id: the left call named" grep -q '^left.c:2:36: warning: call left as it stands: .*\[q5-macro-pairs\]$' "$SCRATCH/stderr"
    ok "$id: the excluded file not looked at" bash -c "! grep -q gen/ '$SCRATCH/stderr' out"
    kept left.c gen/left.c
    hook $id gen/left.c
    ok "$id: only an excluded file: exit status $STATUS, expected 0" [ "$STATUS" = 0 ]
done
hook q5upgrade-fix a.c gen/left.c
ok "exit status $STATUS, expected 0" [ "$STATUS" = 0 ]
has a.c "$HEAD_OUT"
kept gen/left.c

finish
