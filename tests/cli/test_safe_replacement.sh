#!/usr/bin/env bash
# Fault injection: no run loses, leaks or misplaces a file. A planted temp.c,
# kills at random moments, a file-size and an address-space limit, two
# upgrades sharing a directory, a pipe whose reader leaves, another user, an
# ACL and extended attributes.
. "$(dirname "$0")/lib.sh"

# A big input of typical lines (19 MiB) and its conversion, made by doubling.
double() { local i; for ((i = 0; i < $2; i++)); do cat "$1" "$1" >"$1.x" && mv "$1.x" "$1"; done; }
FILL=$'int a; /* filler that makes the lines typical */\n'
BIG=$SCRATCH/big.c BIG_OUT=$SCRATCH/big.v8.c MID=$SCRATCH/mid.c MID_OUT=$SCRATCH/mid.v8.c
printf '%s%s' "$CALL" "$FILL" >"$BIG" && cp "$BIG" "$MID" && double "$BIG" 18 && double "$MID" 12
printf '%s%s' "$CONVERTED" "$FILL" >"$BIG_OUT" && cp "$BIG_OUT" "$MID_OUT" && double "$BIG_OUT" 18 && double "$MID_OUT" 12

# Mode 600 and the umask's 022 apart: a replacement must take the input's.
umask 022

# ---- A planted temp.c is removed, never written through ----------------------
for plant in "link to /dev/null" "link to another file" "hard link to another file" \
             "FIFO" "file of another owner, mode 666"; do
    begin "planted temp.c, $plant"
    printf '%s' "$CALL" >in.c
    chmod 640 in.c
    printf 'other\n' >other.c
    chmod 600 other.c
    case $plant in
        link\ to\ /dev*) ln -s /dev/null temp.c ;;
        link*) ln -s other.c temp.c ;;
        hard*) ln other.c temp.c ;;
        FIFO) mkfifo temp.c ;;
        file*) printf 'planted\n' >temp.c; chmod 666 temp.c; own temp.c ;;
    esac
    keep other.c
    run -upgrade in.c
    check 0 ''
    ok "in.c: $(stat -c '%F %a %U' in.c)" [ "$(stat -c '%F %a %U' in.c)" = "regular file 640 $(id -un)" ]
    [ -f in.c ] && [ ! -L in.c ] && has in.c "$CONVERTED"  # a FIFO would block the reading
    kept other.c
    only . in.c other.c
done

begin "planted temp.c, a directory: refused"
printf '%s' "$CALL" >in.c
mkdir temp.c
refused 3 $'Cannot open temp.c\n' -upgrade in.c

begin "temp.c is owner-only while written (left so by a failed conversion)"
printf '%s    Q5SetAttrs(o, A, "no end, Q5TAG_END);\n' "$HEAD" >in.c
chmod 644 in.c
run -upgrade in.c
check 5 $'Unterminated string\n'
ok "temp.c mode $(stat -c %a temp.c)" [ "$(stat -c %a temp.c)" = 600 ]

# ---- Kills at random moments of a 19 MiB run ---------------------------------
# The file is its old or its whole new content, nothing else; a caught signal
# leaves no stray file and the run dies of it; SIGKILL may leave temp.c or the
# hidden replacement. The moment is drawn over the length of one whole run.
begin "timing one whole run"
cp "$BIG" in.c
run in.c in.c
check 0 ''
same in.c "$BIG_OUT"
SPAN=$((MS + 20)) INTERRUPTED=0 KILLS=0
for mode in upgrade same; do
    for sig in KILL KILL KILL TERM TERM INT HUP; do
        begin "$mode killed by SIG$sig at a random moment"
        cp "$BIG" in.c
        if [ $mode = upgrade ]; then set -- -upgrade in.c; else set -- in.c in.c; fi
        # Background jobs start with SIGINT ignored: give it back.
        env --default-signal=INT "$BIN" "$@" 2>"$SCRATCH/stderr" &
        pid=$! at=$((RANDOM * SPAN / 32768))
        sleep "$((at / 1000)).$(printf %03d $((at % 1000)))"
        kill -s "$sig" "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null; STATUS=$?
        KILLS=$((KILLS + 1))
        [ "$STATUS" = 0 ] || INTERRUPTED=$((INTERRUPTED + 1))
        ok "in.c is neither the old nor the new content" eval 'cmp -s in.c "$BIG" || cmp -s in.c "$BIG_OUT"'
        code=$(($(kill -l "$sig") + 128))
        ok "exit status $STATUS after ${at} ms, expected 0 or $code" [ "$STATUS" = 0 -o "$STATUS" = $code ]
        if [ "$sig" = KILL ]; then
            stray=$(ls -A | grep -vxE 'in\.c|temp\.c|\.in\.c\.q5upgrade-[A-Za-z0-9]{6}')
            ok "stray entries: $stray" [ -z "$stray" ]
        else
            only . in.c
        fi
    done
done
echo "NOTE $INTERRUPTED of $KILLS kills landed while the run was under way"

# ---- Limits ------------------------------------------------------------------
# A file-size limit below the result: a failed write (exit 4) whether the
# caller ignores SIGXFSZ or not; the input stays, and only upgrade mode leaves
# what it wrote, in temp.c.
for how in upgrade same linked; do
    for xfsz in "''" -; do
        begin "file-size limit, $how, SIGXFSZ $([ "$xfsz" = - ] && echo default || echo ignored)"
        cp "$MID" in.c
        left=(in.c) out=in.c
        case $how in
            upgrade) set -- -upgrade in.c; left+=(temp.c) out=temp.c ;;
            same) set -- in.c in.c ;;
            linked) set -- in.c in.c; ln in.c hard.c; left+=(hard.c) ;;
        esac
        keep in.c
        _run bash -c "ulimit -f 64 && trap $xfsz XFSZ && exec \"\$0\" \"\$@\"" "$BIN" "$@"
        check 4 "Cannot write to $out"$'\n'
        kept in.c
        only . "${left[@]}"
    done
done

# An address-space limit that holds the input but not a second copy of it:
# the hard-linked file converted onto itself no longer needs one; below the
# input's size the load fails as an allocation. Sanitizer builds cannot run
# under such a limit.
if (ulimit -v 100000 && exec "$BIN") >/dev/null 2>&1; [ $? != 1 ]; then
    echo "NOTE skipped [address-space limit]: this build cannot run under ulimit -v"
else
    kib=$(($(stat -c %s "$BIG") / 1024))
    for row in "$((kib + 12000)) 0" "$((kib - 1000)) 2"; do
        begin "address-space limit of ${row% *} KiB, a hard-linked file onto itself"
        cp "$BIG" in.c
        ln in.c hard.c
        _run bash -c "ulimit -v ${row% *} && exec \"\$0\" \"\$@\"" "$BIN" in.c in.c
        if [ "${row#* }" = 0 ]; then
            check 0 ''
            same hard.c "$BIG_OUT"
        else
            check 2 "Cannot alloc $(stat -c %s "$BIG") bytesCannot read in.c"$'\n'
            same hard.c "$BIG"
        fi
        only . in.c hard.c
    done
fi

# ---- Two upgrades from one working directory, 30 ms apart --------------------
begin "two concurrent upgrades: each file gets its own result"
cp "$BIG" a.c
{ printf 'int b;\n'; cat "$BIG"; } >b.c
"$BIN" -upgrade a.c 2>"$SCRATCH/err.a" & first=$!
sleep 0.03
"$BIN" -upgrade b.c 2>"$SCRATCH/err.b" & second=$!
wait $first; s1=$?
wait $second; s2=$?
ok "exit statuses $s1 $s2: $(cat "$SCRATCH/err.a" "$SCRATCH/err.b")" [ "$s1$s2" = 00 ]
same a.c "$BIG_OUT"
{ printf 'int b;\n'; cat "$BIG_OUT"; } >"$SCRATCH/b.want"
same b.c "$SCRATCH/b.want"
only . a.c b.c

# ---- A pipe or FIFO whose reader leaves --------------------------------------
printf '%s' "$FILL" >"$SCRATCH/plain.c" && double "$SCRATCH/plain.c" 16
begin "output to a pipe whose reader exits: a failed write, no hang"
cp "$SCRATCH/plain.c" big.c
timeout -k 5 30 "$BIN" big.c /dev/stdout 2>"$SCRATCH/stderr" | head -c 100 >/dev/null
STATUS=${PIPESTATUS[0]}
check 4 $'Cannot write to /dev/stdout\n'

begin "output to a FIFO whose reader exits"
cp "$SCRATCH/plain.c" big.c
mkfifo out.fifo
head -c 100 out.fifo >/dev/null &
run big.c out.fifo
check 4 $'Cannot write to out.fifo\n'
wait

# ---- Converting a file onto itself -------------------------------------------
# One link: a new file in the target's own directory renamed over it (a new
# inode); a directory that takes no new file, or an owner this user cannot
# give: written in place (the same inode).
for row in "link:new" "readonly-dir:same" "foreign-owner:same"; do
    begin "a file onto itself: ${row%:*}"
    mkdir d
    printf '%s' "$CALL" >d/in.c
    chmod 664 d/in.c
    ino=$(stat -c %i d/in.c) path=d/in.c RUN=run
    case ${row%:*} in
        link) ln -s d/in.c soft.c; path=soft.c ;;
        readonly-dir) own d d/in.c; chmod 555 d; RUN=run_nobody ;;
        foreign-owner) chmod 666 d/in.c; own d; RUN=run_nobody ;;
    esac
    was=$(stat -c '%a %u:%g' d/in.c)
    $RUN "$path" "$path"
    check 0 ''
    has d/in.c "$CONVERTED"
    ok "d/in.c: $(stat -c '%a %u:%g' d/in.c), expected $was" [ "$(stat -c '%a %u:%g' d/in.c)" = "$was" ]
    if [ "${row#*:}" = new ]; then
        ok "inode kept" [ "$(stat -c %i d/in.c)" != "$ino" ]
        ok "soft.c still a link" [ -L soft.c ]
    else
        ok "inode changed" [ "$(stat -c %i d/in.c)" = "$ino" ]
    fi
    only d in.c
done

# ---- Mode bits, owner, ACL and attributes ------------------------------------
# args MODE: the arguments that convert in.c in MODE (upgrade or same).
args() { if [ "$1" = upgrade ]; then echo -upgrade in.c; else echo in.c in.c; fi; }
for mode in upgrade same; do
    begin "setuid and setgid survive a non-root owner's $mode"
    printf '%s' "$CALL" >in.c
    own . in.c
    chmod 6755 in.c
    run_nobody $(args $mode)
    check 0 ''
    has in.c "$CONVERTED"
    ok "mode $(stat -c %a in.c)" [ "$(stat -c %a in.c)" = 6755 ]

    if [ ${#AS_NOBODY[@]} != 0 ]; then
        begin "root's $mode keeps another user's ownership"
        printf '%s' "$CALL" >in.c
        own in.c
        chmod 2750 in.c
        run $(args $mode)
        check 0 ''
        ok "owner and mode $(stat -c '%u:%g %a' in.c)" [ "$(stat -c '%u:%g %a' in.c)" = "65534:65534 2750" ]
    fi

    begin "ACL and user attribute carried over: $mode"
    printf '%s' "$CALL" >in.c
    chmod 640 in.c
    if setfacl -m u:65534:r in.c 2>/dev/null && setfattr -n user.origin -v tree in.c 2>/dev/null; then
        acl=$(getfacl -cp in.c)
        run $(args $mode)
        check 0 ''
        has in.c "$CONVERTED"
        ok "ACL now: $(getfacl -cp in.c | tr '\n' ' ')" [ "$(getfacl -cp in.c)" = "$acl" ]
        ok "user.origin: $(getfattr --only-values -n user.origin in.c 2>&1)" \
            [ "$(getfattr --only-values -n user.origin in.c)" = tree ]
        ok "mode $(stat -c %a in.c)" [ "$(stat -c %a in.c)" = 640 ]
    else
        echo "NOTE skipped [$CASE]: setfacl and setfattr (Debian packages acl, attr) or their support are missing"
    fi

    begin "a default ACL of the directory is not given to the result: $mode"
    printf '%s' "$CALL" >in.c
    if setfacl -d -m u:65534:rwx . 2>/dev/null; then
        run $(args $mode)
        check 0 ''
        ok "ACL now: $(getfacl -cp in.c | tr '\n' ' ')" [ -z "$(getfacl -s in.c)" ]
        ok "mode $(stat -c %a in.c)" [ "$(stat -c %a in.c)" = 644 ]
    else
        echo "NOTE skipped [$CASE]: no ACL support"
    fi
done

# An attribute the working directory's file system cannot hold: refused
# before anything is replaced.
begin "a user attribute that cannot be carried over: input untouched"
EXTRA=$(mktemp -d /dev/shm/q5safe.XXXXXX) && shm=$EXTRA
if [ -z "${shm:-}" ] || ! printf '%s' "$CALL" >"$shm/in.c" ||
    ! setfattr -n user.big -v "0x$(head -c 6000 /dev/zero | od -An -v -tx1 | tr -d ' \n')" "$shm/in.c" 2>/dev/null; then
    echo "NOTE skipped [$CASE]: no /dev/shm with large user attributes"
else
    keep "$shm/in.c"
    run -upgrade "$shm/in.c"
    check 4 "Cannot give temp.c the attribute user.big of $shm/in.c; $shm/in.c is untouched"$'\n'
    kept "$shm/in.c"
fi

# A temp.c in a shared sticky directory: another user's is removed by root
# and never becomes the result; a user who cannot remove root's is refused.
if [ ${#AS_NOBODY[@]} != 0 ]; then
    for who in nobody root; do
        begin "shared sticky directory, temp.c planted by $who"
        chmod 1777 .
        printf '%s' "$CALL" >in.c
        printf 'planted\n' >temp.c
        chmod 666 temp.c
        if [ $who = nobody ]; then
            own temp.c
            run -upgrade in.c
            check 0 ''
            has in.c "$CONVERTED"
            ok "in.c: $(stat -c '%U %a' in.c)" [ "$(stat -c '%u %a' in.c)" = "0 644" ]
            only . in.c
        else
            own in.c
            RUN=run_nobody refused 3 $'Cannot open temp.c\n' -upgrade in.c
        fi
    done
fi

finish
