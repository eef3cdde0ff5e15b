#!/usr/bin/env bash
# Packages: check_package.sh BUILD_DIR
#
# Runs cpack in a configured and built build directory (the "package"
# preset's build/package), making the .deb and the .tar.gz into
# BUILD_DIR/packages, and checks them:
# - the .deb is named q5upgrade, section devel, priority optional, has a
#   maintainer and a description, depends on the packages of the shared
#   libraries the binary needs (libc6 and libstdc++6), and holds
#   ./usr/bin/q5upgrade (executable, stripped), the manual page and the
#   changelog compressed with gzip -n, a machine-readable copyright file
#   carrying the LICENSE's text, and the bash, zsh and fish completions,
#   with modes 0755 for directories and the binary and 0644 for the rest;
# - lintian reports no error on it (skipped with a note without lintian);
# - the completions offer every option of --help and every rule, the bash
#   one loads and completes option values, the zsh and fish ones parse
#   (each shell skipped with a note where it is missing);
# - the tarball holds bin/q5upgrade and share/man/man1/q5upgrade.1.gz
#   (below its top-level directory);
# - the binary from each package converts examples/dialog.c into
#   examples/dialog.v8.c.
# Exits 0 when everything holds, 1 otherwise.
set -u

if [ $# -ne 1 ]; then
    echo "usage: $0 BUILD_DIR" >&2
    exit 2
fi
build=$(cd "$1" 2>/dev/null && pwd) || { echo "FAIL: no build directory $1"; exit 1; }
repo=$(cd "$(dirname "$0")/../.." && pwd)
[ -f "$build/CPackConfig.cmake" ] || { echo "FAIL: $build is not a configured build directory (no CPackConfig.cmake)"; exit 1; }
for tool in cpack dpkg-deb tar; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed"; exit 1; }
done

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

out=$build/packages
rm -rf "$out"
mkdir -p "$out"
echo "== cpack -G \"DEB;TGZ\" in $build"
if ! (cd "$build" && cpack -G "DEB;TGZ" -B "$out"); then
    echo "FAIL: cpack failed"
    exit 1
fi

shopt -s nullglob
debs=("$out"/*.deb)
tarballs=("$out"/*.tar.gz)
shopt -u nullglob
[ ${#debs[@]} -eq 1 ] || { echo "FAIL: expected one .deb in $out, found ${#debs[@]}"; exit 1; }
[ ${#tarballs[@]} -eq 1 ] || { echo "FAIL: expected one .tar.gz in $out, found ${#tarballs[@]}"; exit 1; }
deb=${debs[0]}
tarball=${tarballs[0]}

# runs_sample BINARY LABEL: BINARY converts the shipped sample exactly.
runs_sample() {
    local converted
    converted=$(mktemp)
    if ! "$1" "$repo/examples/dialog.c" "$converted" </dev/null; then
        fail "the binary from the $2 does not run"
    elif ! cmp -s "$repo/examples/dialog.v8.c" "$converted"; then
        fail "the binary from the $2 does not convert examples/dialog.c into examples/dialog.v8.c"
    else
        echo "ok   the binary from the $2 converts the sample"
    fi
    # The tree interface: the same result through --stdout --unsafe-fixes
    # (by default the tree leaves some calls for review, which the classic
    # form converts), and --check names the sample as a file that would
    # change (exit 1).
    local listed status
    listed=$("$1" --check "$repo/examples/dialog.c" 2>/dev/null </dev/null); status=$?
    if ! "$1" --stdout -q --unsafe-fixes "$repo/examples/dialog.c" </dev/null >"$converted" ||
        ! cmp -s "$repo/examples/dialog.v8.c" "$converted"; then
        fail "the binary from the $2 does not convert the sample through --stdout"
    elif [ "$status" != 1 ] || [ "$listed" != "$repo/examples/dialog.c" ]; then
        fail "the binary from the $2 does not name the sample with --check (exit $status)"
    else
        echo "ok   the binary from the $2 runs the tree interface"
    fi
    rm -f "$converted"
}

# gzip_n FILE: FILE is gzip data without a stored name or time stamp
# (gzip -n), so two builds of the same page give the same bytes.
gzip_n() {
    local header
    header=$(od -An -tu1 -N8 "$1" | tr -s ' ' | sed 's/^ //')
    # bytes: 31 139 8 FLG MTIME(4); FLG bit 3 is FNAME
    set -- $header
    [ "$1 $2" = "31 139" ] && [ $(($4 & 8)) -eq 0 ] && [ "$5$6$7$8" = 0000 ]
}

# check_contents ROOT: what the .deb unpacked into ROOT holds besides the
# binary's behaviour.
check_contents() {
    local root=$1 f
    local doc=$root/usr/share/doc/q5upgrade
    for f in "$root/usr/share/man/man1/q5upgrade.1.gz" "$doc/changelog.gz"; do
        [ -f "$f" ] || continue
        if ! gzip -t "$f" 2>/dev/null; then
            fail "${f#"$root"} is not gzip data"
        elif ! gzip_n "$f"; then
            fail "${f#"$root"} carries a name or time stamp (compress with gzip -9n)"
        fi
    done
    if [ -f "$doc/changelog.gz" ]; then
        local logged
        logged=$(gzip -dc "$doc/changelog.gz" | sed -n '1s/^q5upgrade (\([^)]*\)).*/\1/p')
        [ "$logged" = "$(field Version)" ] ||
            fail "the changelog's last entry is for '$logged', the package is $(field Version)"
    fi
    if [ -f "$doc/copyright" ]; then
        head -n 1 "$doc/copyright" | grep -qxF 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
            fail "the copyright file is not in the machine-readable format"
        # The licence text (the last paragraph, folded) is the LICENSE's.
        if ! cmp -s <(awk '/^License: /{ text = "" ; next } { text = text $0 "\n" } END { printf "%s", text }' "$doc/copyright" |
                      sed -e 's/^ //' -e 's/^\.$//') <(sed -n '5,$p' "$repo/LICENSE"); then
            fail "the copyright file's licence text differs from LICENSE"
        fi
    fi
    local binary=$root/usr/bin/q5upgrade
    if LC_ALL=C readelf -S "$binary" 2>/dev/null | grep -qE ' \.(symtab|debug_info|comment) '; then
        fail "the packaged binary is not stripped (it has a symbol table, debugging or .comment section)"
    fi
    check_completions "$binary" "$root/usr/share"
}

# check_completions BINARY SHARE: the completions under SHARE offer every
# option BINARY's --help lists and every rule, and load in their shells.
check_completions() {
    local binary=$1 share=$2 option rule
    local bash_file=$share/bash-completion/completions/q5upgrade
    local zsh_file=$share/zsh/vendor-completions/_q5upgrade
    local fish_file=$share/fish/vendor_completions.d/q5upgrade.fish
    [ -f "$bash_file" ] && [ -f "$zsh_file" ] && [ -f "$fish_file" ] || return
    local help options rules missing=()
    help=$("$binary" --help </dev/null)
    options=$( { grep -oE -- '--[a-z][a-z-]*' <<<"$help"
                 grep -oE -- '^  -[A-Za-z0-9]\b' <<<"$help" | sed 's/^ *//'; } | sort -u)
    rules=$("$binary" --list-rules </dev/null | cut -d' ' -f1)
    [ -n "$rules" ] || fail "$binary --list-rules lists no rule"
    for option in $options; do
        grep -qE -- "(^|[^a-z0-9-])$option([^a-z0-9-]|\$)" "$bash_file" || missing+=("bash:$option")
        grep -qE -- "(^|[^a-z0-9-])$option([^a-z0-9-]|\$)" "$zsh_file" || missing+=("zsh:$option")
        case $option in
            --*) grep -qE -- "-l ${option#--}( |\$)" "$fish_file" || missing+=("fish:$option") ;;
            *) grep -qE -- "-s ${option#-}( |\$)" "$fish_file" || missing+=("fish:$option") ;;
        esac
    done
    for rule in $rules; do
        for f in "$bash_file" "$zsh_file" "$fish_file"; do
            grep -qE -- "(^|[^a-z0-9-])$rule([^a-z0-9-]|\$)" "$f" || missing+=("$(basename "$f"):$rule")
        done
    done
    if [ ${#missing[@]} -ne 0 ]; then
        fail "the completions lack options or rules: ${missing[*]}"
    else
        echo "ok   the completions offer every option of --help and every rule"
    fi

    # bash: the file loads and registers q5upgrade; option values complete,
    # with "=" a word of its own as bash splits it.
    local got
    got=$(bash --norc --noprofile -c '
        source "$1" || exit 1
        complete -p q5upgrade || exit 1
        offer() { COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMPREPLY=(); _q5upgrade; echo "${COMPREPLY[*]}"; }
        offer q5upgrade --output-format = ""
        offer q5upgrade --color = al
        offer q5upgrade --output-format=j
        offer q5upgrade --in-pl
        offer q5upgrade --select q5-macro
        offer q5upgrade --explain=q5-unu' bash "$bash_file" 2>&1)
    local want='complete -F _q5upgrade q5upgrade
text json github sarif
always
--output-format=json
--in-place
q5-macro-pairs
--explain=q5-unused-suppression'
    if [ "$got" = "$want" ]; then
        echo "ok   the bash completion loads and completes option values"
    else
        fail "the bash completion does not load or complete as expected; got:
$got"
    fi

    if command -v zsh >/dev/null; then
        if zsh -n "$zsh_file"; then
            echo "ok   the zsh completion parses"
        else
            fail "zsh cannot parse $zsh_file"
        fi
    else
        echo "note: zsh is not installed; the zsh completion is not checked"
    fi
    if command -v fish >/dev/null; then
        got=$(fish --no-config -c 'source $argv[1]; and complete -C "q5upgrade --color=a"' "$fish_file" 2>&1 | cut -f1 | tr '\n' ' ')
        if [ "$got" = "--color=always --color=auto " ]; then
            echo "ok   the fish completion loads and completes option values"
        else
            fail "the fish completion does not load or complete as expected; got: $got"
        fi
    else
        echo "note: fish is not installed; the fish completion is not checked"
    fi
}

# --- the .deb ---------------------------------------------------------------
echo "== $(basename "$deb")"
dpkg-deb -I "$deb" || fail "dpkg-deb cannot read $deb"
listing=$(dpkg-deb -c "$deb") || fail "dpkg-deb cannot list $deb"
echo "$listing"
awk '{ print $1, $NF }' <<<"$listing" | grep -qE '^-rwx.* \./usr/bin/q5upgrade$' ||
    fail "the .deb has no executable ./usr/bin/q5upgrade"
for path in ./usr/share/man/man1/q5upgrade.1.gz ./usr/share/doc/q5upgrade/changelog.gz \
    ./usr/share/doc/q5upgrade/copyright ./usr/share/bash-completion/completions/q5upgrade \
    ./usr/share/zsh/vendor-completions/_q5upgrade ./usr/share/fish/vendor_completions.d/q5upgrade.fish; do
    awk '{ print $NF }' <<<"$listing" | grep -qxF "$path" || fail "the .deb has no $path"
done
# Modes as Debian wants them, whatever the umask of the build: directories
# and the binary 0755, every other file 0644, all owned by root.
bad_modes=$(awk '$1 ~ /^d/ && $1 != "drwxr-xr-x" { print }
                 $1 ~ /^-/ && $NF == "./usr/bin/q5upgrade" && $1 != "-rwxr-xr-x" { print }
                 $1 ~ /^-/ && $NF != "./usr/bin/q5upgrade" && $1 != "-rw-r--r--" { print }
                 $2 != "root/root" { print }' <<<"$listing")
[ -z "$bad_modes" ] || fail "the .deb has files with other modes or owners than 0755/0644 root/root:
$bad_modes"

field() { dpkg-deb -f "$deb" "$1" 2>/dev/null; }
[ "$(field Package)" = q5upgrade ] || fail "package name is '$(field Package)', expected q5upgrade"
[ "$(field Section)" = devel ] || fail "section is '$(field Section)', expected devel"
[ "$(field Priority)" = optional ] || fail "priority is '$(field Priority)', expected optional"
[ -n "$(field Maintainer)" ] || fail "the .deb has no maintainer"
[ -n "$(field Description)" ] || fail "the .deb has no description"
depends=$(field Depends)
needed=()
if LC_ALL=C readelf -d "$build/q5upgrade" 2>/dev/null | grep -q '(NEEDED)'; then
    needed+=(libc6)
    LC_ALL=C readelf -d "$build/q5upgrade" | grep -q 'Shared library: \[libstdc++' && needed+=(libstdc++6)
else
    fail "$build/q5upgrade is linked statically: build the package with the \"package\" preset (Q5UPGRADE_STATIC=OFF)"
fi
for lib in "${needed[@]}"; do
    tr ',|' '\n\n' <<<"$depends" | sed -e 's/^ *//' -e 's/[ (].*//' | grep -qxF "$lib" ||
        fail "the .deb does not depend on $lib (Depends: $depends)"
done

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
mkdir "$unpacked/deb" "$unpacked/tgz"
if dpkg-deb -x "$deb" "$unpacked/deb"; then
    runs_sample "$unpacked/deb/usr/bin/q5upgrade" ".deb"
    check_contents "$unpacked/deb"
else
    fail "dpkg-deb cannot unpack $deb"
fi

if command -v lintian >/dev/null; then
    echo "== lintian $(basename "$deb")"
    tags=$(lintian --info --display-experimental --pedantic "$deb" 2>&1 | grep -v '^running with root privileges')
    [ -z "$tags" ] || echo "$tags"
    grep -q '^E: ' <<<"$tags" && fail "lintian reports errors on $(basename "$deb")"
    [ -n "$tags" ] || echo "ok   lintian reports nothing"
else
    echo "note: lintian is not installed (Debian package lintian); the .deb is not linted"
fi

# --- the tarball -------------------------------------------------------------
echo "== $(basename "$tarball")"
listing=$(tar -tzvf "$tarball") || fail "tar cannot list $tarball"
echo "$listing"
top=$(basename "$tarball" .tar.gz)
names=$(tar -tzf "$tarball")
grep -qxE "($top/)?bin/q5upgrade" <<<"$names" || fail "the tarball has no bin/q5upgrade"
grep -qxE "($top/)?share/man/man1/q5upgrade\.1\.gz" <<<"$names" || fail "the tarball has no share/man/man1/q5upgrade.1.gz"
if tar -xzf "$tarball" -C "$unpacked/tgz"; then
    binary=$(find "$unpacked/tgz" -path '*/bin/q5upgrade' -type f | head -n 1)
    if [ -n "$binary" ] && [ -x "$binary" ]; then
        runs_sample "$binary" "tarball"
    else
        fail "the tarball's bin/q5upgrade is not executable"
    fi
else
    fail "tar cannot unpack $tarball"
fi

if [ "$failures" -ne 0 ]; then
    echo "FAIL packages: $failures problem(s)"
    exit 1
fi
echo "ok   packages: $(basename "$deb") and $(basename "$tarball") in $out"
exit 0
