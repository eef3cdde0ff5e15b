#!/usr/bin/env bash
# The hooks of .pre-commit-hooks.yaml, run as pre-commit runs them (the
# entry, then the staged file names), use the tree interface even for a
# commit of exactly two files, where the classic form would overwrite the
# second file with the first one's conversion.
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

finish
