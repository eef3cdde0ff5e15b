#!/usr/bin/env bash
# Upgrade mode: the file is replaced through temp.c in the working directory,
# and no failure may lose the input.
. "$(dirname "$0")/lib.sh"

XT_CALL=$'XtVaSetValues(w, XmNwidth, 100, NULL);\n'
XT_CONVERTED=$'XtVaSetValues(w, Q5LT(XmNwidth, 100),(char *) NULL);\n'

# Either argument order; the permission bits survive the replacement.
for row in "600 -upgrade in.c" "751 in.c -upgrade"; do
    begin "upgrade of a mode ${row%% *} file: ${row#* }"
    printf '%s%s' "$CALL" "$XT_CALL" >in.c
    chmod "${row%% *}" in.c
    run ${row#* }
    check 0 ''
    has in.c "$CONVERTED$XT_CONVERTED"
    ok "mode $(stat -c %a in.c)" [ "$(stat -c %a in.c)" = "${row%% *}" ]
    only . in.c
done

# temp.c is the working directory's, not the input's directory's; one found
# there is overwritten, and a temp.c elsewhere is an ordinary input.
begin "input src/temp.c with a stale temp.c in the working directory"
mkdir src
printf '%s' "$CALL" >src/temp.c
printf 'stale\n' >temp.c
run -upgrade src/temp.c
check 0 ''
has src/temp.c "$CONVERTED"
only . src
only src temp.c

begin "nothing to convert: same file, inode and mtime; temp.c removed"
printf 'int main(void)\n{\n    return Q5_OK; /* Q5SetAttrs(o, A, 1) */\n}\n' >in.c
keep in.c
run -upgrade in.c
check 0 ''
kept in.c
only . in.c

# The working directory's own temp.c, however it is named: the result would
# overwrite the input.
for args in "-upgrade ./temp.c" "hard.c -upgrade" "-upgrade DIR/alias.c"; do
    begin "upgrade of temp.c refused: $args"
    args=${args/DIR/$PWD}
    printf '%s' "$CALL" >temp.c
    ln temp.c hard.c
    ln -s temp.c alias.c
    path=${args/-upgrade/}; path=${path// /}
    refused 3 "Cannot upgrade $path: it is temp.c, the file upgrade mode writes its result to"$'\n' $args
done

for how in "a directory of that name" "the directory is not writable"; do
    begin "temp.c cannot be created: $how"
    printf '%s' "$CALL" >in.c
    own . in.c
    case $how in a*) mkdir temp.c ;; *) chmod 555 . ;; esac
    RUN=run_nobody refused 3 $'Cannot open temp.c\n' -upgrade in.c
done

# A failed conversion leaves the input alone; temp.c holds what was written
# before the failing call.
for row in '5|Unterminated string|    Q5SetAttrs(o, A, "no end, Q5TAG_END);' \
           "2|ERROR: Too long function name|Q5Do$(printf '%130s')(o, M, Q5TAG_END);"; do
    IFS='|' read -r status message call <<<"$row"
    begin "upgrade fails: $message"
    printf '%s%s\n' "$HEAD" "$call" >in.c
    keep in.c
    run -upgrade in.c
    check "$status" "$message"$'\n'
    kept in.c
    has temp.c "$HEAD_OUT${call%%Q5*}"
    only . in.c temp.c
done

# A rename cannot cross file systems: the input on tmpfs, the working
# directory in the scratch directory.
begin "rename onto the input fails: input untouched, result in temp.c"
EXTRA=$(mktemp -d /dev/shm/q5cli.XXXXXX) && shm=$EXTRA
if [ -z "${shm:-}" ] || [ "$(stat -c %d "$shm")" = "$(stat -c %d .)" ]; then
    echo "NOTE skipped [$CASE]: no /dev/shm on another file system than $SCRATCH"
else
    printf '%s' "$CALL" >"$shm/in.c"
    keep "$shm/in.c"
    run -upgrade "$shm/in.c"
    check 255 "Error: unable to rename temp.c to $shm/in.c"
    kept "$shm/in.c"
    has temp.c "$CONVERTED"
    only "$shm" in.c
fi

finish
