#!/usr/bin/env bash
# Convert mode (infile outfile): the result file, output paths that cannot be
# opened, and output that is the input file itself.
. "$(dirname "$0")/lib.sh"

write_sample() {
    cat >"$1" <<'EOF'
/* Q5SetAttrs(a, b) stays inside this comment */
static void setup(Widget w, Object *obj)
{
    Q5SetAttrs(obj, Q5A_Width, 100, Q5TAG_END);
    XtVaSetValues(w, XmNwidth, 100, NULL);
    Q5TagGet(tags, Q5A_X, &x, /* note */ Q5A_Y, &y, Q5TAG_END);
    printf("Q5SetAttrs(%d)\n", 1);
}
EOF
}

write_sample_converted() {
    cat >"$1" <<'EOF'
/* Q5SetAttrs(a, b) stays inside this comment */
static void setup(Widget w, Object *obj)
{
    Q5SetAttrs(obj, Q5T(Q5A_Width, 100), Q5TAG_END);
    XtVaSetValues(w, Q5LT(XmNwidth, 100),(char *) NULL);
    Q5TagGetS(tags, Q5ST(Q5A_X, &x),  Q5ST(Q5A_Y, &y), Q5TAG_END);
    printf("Q5SetAttrs(%d)\n", 1);
}
EOF
}

# Fails half way: the second call's string literal never closes.
BROKEN=$'int a;\n    Q5SetAttrs(obj, Q5A_Width, 100, Q5TAG_END);\n    Q5SetAttrs(obj, Q5A_Title, "no end, Q5TAG_END);\n'
BROKEN_PARTIAL=$'int a;\n    Q5SetAttrs(obj, Q5T(Q5A_Width, 100), Q5TAG_END);\n    '

begin "sample file converted, input untouched"
write_sample in.c
write_sample_converted want.c
snapshot in.c
run in.c out.c
expect_status 0
expect_stderr ''
expect_file_equals out.c want.c
expect_unchanged in.c
expect_entries . in.c out.c want.c

begin "a file without calls is copied byte for byte"
printf 'int main(void)\n{\n    return Q5_OK; /* XtVa */\n}\n\n\n' >in.c
run in.c out.c
expect_status 0
expect_stderr ''
expect_file_equals out.c in.c

begin "an existing longer output file is truncated"
write_sample in.c
write_sample_converted want.c
head -c 100000 /dev/zero | tr '\0' 'x' >out.c
run in.c out.c
expect_status 0
expect_stderr ''
expect_file_equals out.c want.c

begin "output in another directory"
mkdir src dst
write_sample src/in.c
write_sample_converted want.c
run src/in.c "../$(basename "$PWD")/dst/out.c"
expect_status 0
expect_stderr ''
expect_file_equals dst/out.c want.c
expect_entries dst out.c

begin "output in a missing directory"
write_sample in.c
snapshot in.c
run in.c nodir/out.c
expect_status 3
expect_stderr $'Cannot open nodir/out.c\n'
expect_unchanged in.c
expect_entries . in.c

begin "output path is a directory"
write_sample in.c
mkdir outdir
snapshot in.c
run in.c outdir
expect_status 3
expect_stderr $'Cannot open outdir\n'
expect_unchanged in.c
expect_entries outdir

# The whole input is in memory before the output is opened, so converting a
# file onto itself works, however the output path is spelled; it stays the
# same file to its users, permission bits included.
for form in plain dotted parent absolute; do
    begin "same file as output, $form path"
    case $form in
        plain) out=in.c ;;
        dotted) out=./in.c ;;
        parent) out=../$(basename "$PWD")/in.c ;;
        absolute) out=$PWD/in.c ;;
    esac
    write_sample in.c
    chmod 640 in.c
    write_sample_converted want.c
    run in.c "$out"
    expect_status 0
    expect_stderr ''
    expect_file_equals in.c want.c
    expect_mode in.c 640
    expect_entries . in.c want.c
done

begin "output is a hard link to the input: the shared file is converted"
write_sample in.c
write_sample_converted want.c
ln in.c link.c
run in.c link.c
expect_status 0
expect_stderr ''
expect_file_equals in.c want.c
expect_file_equals link.c want.c
expect_entries . in.c link.c want.c

begin "output is a symbolic link to the input: written through the link"
write_sample in.c
write_sample_converted want.c
ln -s in.c link.c
run in.c link.c
expect_status 0
expect_stderr ''
expect_file_equals in.c want.c
expect_symlink link.c
expect_entries . in.c link.c want.c

# Writing the file itself needs no right to create files beside it.
begin "same file as output in a directory the user may not write"
write_sample in.c
write_sample_converted want.c
give_to_unprivileged in.c
chmod 555 .
run_unprivileged in.c in.c
chmod 755 .
expect_status 0
expect_stderr ''
expect_file_equals in.c want.c
expect_entries . in.c want.c

# A failed run onto the input itself must not leave it truncated or partial,
# nor leave a temporary file next to it.
begin "same file as output, conversion fails: original kept"
printf '%s' "$BROKEN" >in.c
cp in.c orig.c
run in.c in.c
expect_status 5
expect_stderr $'Unterminated string\n'
expect_file_equals in.c orig.c
expect_entries . in.c orig.c

begin "same file through another spelling, conversion fails: original kept"
printf '%s' "$BROKEN" >in.c
cp in.c orig.c
run in.c "$PWD/./in.c"
expect_status 5
expect_stderr $'Unterminated string\n'
expect_file_equals in.c orig.c
expect_entries . in.c orig.c

begin "hard-linked output, conversion fails: both names keep the original"
printf '%s' "$BROKEN" >in.c
cp in.c orig.c
ln in.c link.c
run in.c link.c
expect_status 5
expect_stderr $'Unterminated string\n'
expect_file_equals in.c orig.c
expect_file_equals link.c orig.c
expect_entries . in.c link.c orig.c

begin "same file as output, a limit is exceeded: original kept"
printf 'int a;\nQ5Do%130s(o, M, Q5TAG_END);\n' '' >in.c
cp in.c orig.c
run in.c in.c
expect_status 2
expect_stderr $'ERROR: Too long function name\n'
expect_file_equals in.c orig.c
expect_entries . in.c orig.c

# A separate output keeps what was written before the failing call.
begin "separate output, conversion fails: partial output stays"
printf '%s' "$BROKEN" >in.c
snapshot in.c
run in.c out.c
expect_status 5
expect_stderr $'Unterminated string\n'
expect_file_text out.c "$BROKEN_PARTIAL"
expect_unchanged in.c

finish
