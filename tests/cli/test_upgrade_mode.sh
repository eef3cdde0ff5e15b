#!/usr/bin/env bash
# Upgrade mode: the file is replaced through temp.c in the working directory,
# and no failure may lose the input.
. "$(dirname "$0")/lib.sh"

CALL=$'    Q5SetAttrs(obj, Q5A_Width, 100, Q5TAG_END);\n'
CONVERTED=$'    Q5SetAttrs(obj, Q5T(Q5A_Width, 100), Q5TAG_END);\n'
XT_CALL=$'XtVaSetValues(w, XmNwidth, 100, NULL);\n'
XT_CONVERTED=$'XtVaSetValues(w, Q5LT(XmNwidth, 100),(char *) NULL);\n'
PLAIN=$'int main(void)\n{\n    return Q5_OK; /* Q5SetAttrs(o, A, 1) */\n}\n'

refusal() {
    printf 'Cannot upgrade %s: it is temp.c, the file upgrade mode writes its result to\n' "$1"
}

begin "switch first"
printf '%s%s' "$CALL" "$XT_CALL" >in.c
run -upgrade in.c
expect_status 0
expect_stderr ''
expect_file_text in.c "$CONVERTED$XT_CONVERTED"
expect_entries . in.c

begin "switch second"
printf '%s%s' "$CALL" "$XT_CALL" >in.c
run in.c -upgrade
expect_status 0
expect_stderr ''
expect_file_text in.c "$CONVERTED$XT_CONVERTED"
expect_entries . in.c

begin "-upgrade -upgrade upgrades the file named -upgrade"
printf '%s' "$CALL" >./-upgrade
run -upgrade -upgrade
expect_status 0
expect_stderr ''
expect_file_text ./-upgrade "$CONVERTED"
expect_entries . -upgrade

begin "-upgrade -upgrade without such a file"
run -upgrade -upgrade
expect_status 2
expect_stderr $'Cannot read -upgrade\n'
expect_entries .

# temp.c belongs to the working directory, not to the input's directory.
begin "input in another directory"
mkdir src work
printf '%s' "$CALL" >src/in.c
cd work || exit 2
run -upgrade ../src/in.c
expect_status 0
expect_stderr ''
expect_file_text ../src/in.c "$CONVERTED"
expect_entries .
expect_entries ../src in.c

begin "an unrelated temp.c in the working directory is overwritten"
mkdir src
printf '%s' "$CALL" >src/in.c
printf 'old scratch\n' >temp.c
run -upgrade src/in.c
expect_status 0
expect_stderr ''
expect_file_text src/in.c "$CONVERTED"
expect_entries . src
expect_entries src in.c

# Only the working directory's temp.c is the output; a file of that name
# elsewhere is an ordinary input.
begin "a file named temp.c in another directory is upgraded"
mkdir src
printf '%s' "$CALL" >src/temp.c
run -upgrade src/temp.c
expect_status 0
expect_stderr ''
expect_file_text src/temp.c "$CONVERTED"
expect_entries . src
expect_entries src temp.c

for mode in 600 640 751; do
    begin "permission bits $mode are kept"
    printf '%s' "$CALL" >in.c
    chmod "$mode" in.c
    run -upgrade in.c
    expect_status 0
    expect_stderr ''
    expect_file_text in.c "$CONVERTED"
    expect_mode in.c "$mode"
    expect_entries . in.c
done

begin "nothing to convert: the file is left exactly as it was"
printf '%s' "$PLAIN" >in.c
snapshot in.c
run -upgrade in.c
expect_status 0
expect_stderr ''
expect_unchanged in.c
expect_entries . in.c

# Refusals of the working directory's own temp.c, however it is named: the
# result would overwrite the input.
for form in plain dotted parent absolute symlink hardlink; do
    begin "upgrade of temp.c by its $form name is refused"
    case $form in
        plain) path=temp.c ;;
        dotted) path=./temp.c ;;
        parent) path=../$(basename "$PWD")/temp.c ;;
        absolute) path=$PWD/temp.c ;;
        symlink) path=alias.c ;;
        hardlink) path=hard.c ;;
    esac
    printf '%s' "$CALL" >temp.c
    ln -s temp.c alias.c
    ln temp.c hard.c
    snapshot temp.c
    run -upgrade "$path"
    expect_status 3
    expect_stderr "$(refusal "$path")"$'\n'
    expect_unchanged temp.c
    expect_entries . alias.c hard.c temp.c
done

begin "upgrade of temp.c with the switch second is refused"
printf '%s' "$CALL" >temp.c
snapshot temp.c
run temp.c -upgrade
expect_status 3
expect_stderr "$(refusal temp.c)"$'\n'
expect_unchanged temp.c
expect_entries . temp.c

begin "temp.c cannot be created: a directory of that name"
printf '%s' "$CALL" >in.c
mkdir temp.c
snapshot in.c
run -upgrade in.c
expect_status 3
expect_stderr $'Cannot open temp.c\n'
expect_unchanged in.c
expect_entries . in.c temp.c
expect_entries temp.c

# The input stays as it was; temp.c keeps what was written before the failing
# call.
begin "conversion fails: input untouched, partial result in temp.c"
printf 'int a;\n%s    Q5SetAttrs(obj, Q5A_Title, "no end, Q5TAG_END);\n' "$CALL" >in.c
snapshot in.c
run -upgrade in.c
expect_status 5
expect_stderr $'Unterminated string\n'
expect_unchanged in.c
expect_file_text temp.c $'int a;\n'"$CONVERTED"'    '
expect_entries . in.c temp.c

begin "a limit is exceeded: input untouched"
printf 'int a;\nQ5Do%130s(o, M, Q5TAG_END);\n' '' >in.c
snapshot in.c
run -upgrade in.c
expect_status 2
expect_stderr $'ERROR: Too long function name\n'
expect_unchanged in.c
expect_file_text temp.c $'int a;\n'

# A rename cannot cross file systems: the input lives on tmpfs while the
# working directory is the scratch dir.
begin "rename onto the input fails: input untouched, result in temp.c"
shm=
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
    shm=$(mktemp -d /dev/shm/q5cli.XXXXXX)
    remove_on_exit "$shm"
fi
if [ -n "$shm" ] && [ "$(stat -c %d "$shm")" != "$(stat -c %d .)" ]; then
    printf '%s' "$CALL" >"$shm/in.c"
    snapshot "$shm/in.c"
    run -upgrade "$shm/in.c"
    expect_status 255
    expect_stderr "Error: unable to rename temp.c to $shm/in.c"
    expect_unchanged "$shm/in.c"
    expect_file_text temp.c "$CONVERTED"
    expect_entries "$shm" in.c
else
    note "skipped: no writable /dev/shm on another file system than $SCRATCH"
fi

finish
