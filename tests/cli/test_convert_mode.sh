#!/usr/bin/env bash
# Convert mode (infile outfile): the result file, output paths that cannot be
# opened, and output that is the input file itself.
. "$(dirname "$0")/lib.sh"

cat >"$SCRATCH/sample.c" <<'EOF_'
/* Q5SetAttrs(a, b) stays inside this comment */
static void setup(void *w, Q5Object *obj)
{
    Q5SetAttrs(obj, Q5A_Width, 100, Q5TAG_END);
    XtVaSetValues(w, XmNwidth, 100, NULL);
    Q5TagGet(tags, Q5A_X, &x, /* note */ Q5A_Y, &y, Q5TAG_END);
    printf("Q5SetAttrs(%d)\n", 1);
}
EOF_
cat >"$SCRATCH/want.c" <<'EOF_'
/* Q5SetAttrs(a, b) stays inside this comment */
static void setup(void *w, Q5Object *obj)
{
    Q5SetAttrs(obj, Q5T(Q5A_Width, 100), Q5TAG_END);
    XtVaSetValues(w, Q5LT(XmNwidth, 100),(char *) NULL);
    Q5TagGetS(tags, Q5ST(Q5A_X, &x),  Q5ST(Q5A_Y, &y), Q5TAG_END);
    printf("Q5SetAttrs(%d)\n", 1);
}
EOF_

# The output is created or truncated, wherever it is.
begin "sample converted into a longer existing file elsewhere"
mkdir src dst
cp "$SCRATCH/sample.c" src/in.c
head -c 100000 /dev/zero >dst/out.c
keep src/in.c
run src/in.c "../$N/dst/out.c"
check 0 ''
same dst/out.c "$SCRATCH/want.c"
kept src/in.c
only dst out.c

for out in nodir/out.c outdir; do
    begin "output $out cannot be opened"
    cp "$SCRATCH/sample.c" in.c
    mkdir outdir
    refused 3 "Cannot open $out"$'\n' in.c "$out"
    only outdir
done

# The output is the input, however it is named: converted in memory, then
# written in place. The file stays the same file (links, mode), and nothing
# is created beside it: the directory is not writable.
for out in in.c DIR/./in.c hard.c soft.c; do
    begin "same file as output: $out"
    cp "$SCRATCH/sample.c" in.c
    chmod 640 in.c
    ln in.c hard.c
    ln -s in.c soft.c
    own in.c
    chmod 555 .
    run_nobody in.c "${out/DIR/$PWD}"
    check 0 ''
    same in.c "$SCRATCH/want.c"
    ok "mode $(stat -c %a in.c)" [ "$(stat -c %a in.c)" = 640 ]
    ok "hard.c is another file now" [ hard.c -ef in.c ]
    ok "soft.c is no longer a symbolic link" [ -L soft.c ]
    only . in.c hard.c soft.c
done

# A failed run onto the input itself leaves it whole, never truncated or
# partial.
for row in "5 in.c" "2 DIR/./in.c" "5 hard.c" "2 soft.c"; do
    out=${row#* }
    begin "same file as output, conversion fails: $out"
    if [ "${row%% *}" = 5 ]; then
        printf '%s    Q5SetAttrs(o, A, "no end, Q5TAG_END);\n' "$HEAD" >in.c
        message=$'Unterminated string\n'
    else
        printf '%sQ5Do%130s(o, M, Q5TAG_END);\n' "$HEAD" '' >in.c
        message=$'ERROR: Too long function name\n'
    fi
    ln in.c hard.c
    ln -s in.c soft.c
    own in.c
    chmod 555 .
    RUN=run_nobody refused "${row%% *}" "$message" in.c "${out/DIR/$PWD}"
    ok "hard.c is another file now" [ hard.c -ef in.c ]
done

finish
