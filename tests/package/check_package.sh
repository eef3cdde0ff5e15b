#!/usr/bin/env bash
# Packages: check_package.sh BUILD_DIR
#
# Runs cpack in a configured and built build directory, making the .deb and
# the .tar.gz into BUILD_DIR/packages, and checks them:
# - the .deb is named q5upgrade, section devel, has a maintainer, depends on
#   the packages of the shared libraries the binary needs (libc6 and
#   libstdc++6 when linked dynamically; none when static), and holds ./usr/bin/q5upgrade (executable) and
#   ./usr/share/man/man1/q5upgrade.1 (or .1.gz);
# - the tarball holds bin/q5upgrade and share/man/man1/q5upgrade.1 (below
#   its top-level directory);
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

# --- the .deb ---------------------------------------------------------------
echo "== $(basename "$deb")"
dpkg-deb -I "$deb" || fail "dpkg-deb cannot read $deb"
listing=$(dpkg-deb -c "$deb") || fail "dpkg-deb cannot list $deb"
echo "$listing"
awk '{ print $1, $NF }' <<<"$listing" | grep -qE '^-rwx.* \./usr/bin/q5upgrade$' ||
    fail "the .deb has no executable ./usr/bin/q5upgrade"
awk '{ print $NF }' <<<"$listing" | grep -qE '^\./usr/share/man/man1/q5upgrade\.1(\.gz)?$' ||
    fail "the .deb has no ./usr/share/man/man1/q5upgrade.1"

field() { dpkg-deb -f "$deb" "$1" 2>/dev/null; }
[ "$(field Package)" = q5upgrade ] || fail "package name is '$(field Package)', expected q5upgrade"
[ "$(field Section)" = devel ] || fail "section is '$(field Section)', expected devel"
[ -n "$(field Maintainer)" ] || fail "the .deb has no maintainer"
[ -n "$(field Description)" ] || fail "the .deb has no description"
depends=$(field Depends)
needed=()
if LC_ALL=C readelf -d "$build/q5upgrade" 2>/dev/null | grep -q '(NEEDED)'; then
    needed+=(libc6)
    LC_ALL=C readelf -d "$build/q5upgrade" | grep -q 'Shared library: \[libstdc++' && needed+=(libstdc++6)
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
else
    fail "dpkg-deb cannot unpack $deb"
fi

# --- the tarball -------------------------------------------------------------
echo "== $(basename "$tarball")"
listing=$(tar -tzvf "$tarball") || fail "tar cannot list $tarball"
echo "$listing"
top=$(basename "$tarball" .tar.gz)
names=$(tar -tzf "$tarball")
grep -qxE "($top/)?bin/q5upgrade" <<<"$names" || fail "the tarball has no bin/q5upgrade"
grep -qxE "($top/)?share/man/man1/q5upgrade\.1" <<<"$names" || fail "the tarball has no share/man/man1/q5upgrade.1"
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
