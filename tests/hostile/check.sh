#!/usr/bin/env bash
# check.sh Q5UPGRADE [check.py OPTIONS]: the differential check of the tree
# interface on hostile but legal C. generate.py writes the files and what
# each statement must become; check.py runs the tool over them (the default
# mode, a second run over its output, --unsafe-fixes and --stdout),
# compiles them with gcc before and after (after: with q5pairs.h) and
# compares, printing a tally per construct and the first differences.
#
# Options of check.py: --files N (default 200), --seed S, --jobs N,
# --show N (examples per check), --keep (keep the scratch directory),
# --known-gaps FILE (construct/check pairs allowed to fail: exit 0 while
# nothing else does), --self-test (compile the generated files and their
# expected texts only). Q5_HOSTILE_FILES and Q5_HOSTILE_SEED set the first
# two as well. Exit 77 (skipped) without python3, gcc or the Xt/Motif
# headers.
set -u
tool=$1
shift
here=$(cd "${BASH_SOURCE[0]%/*}" && pwd)

python=$(command -v python3) || { echo "SKIP: python3 not found"; exit 77; }
command -v gcc >/dev/null 2>&1 || { echo "SKIP: gcc not found"; exit 77; }
if ! printf '#include <X11/Intrinsic.h>\n#include <Xm/Xm.h>\n' |
    gcc -fsyntax-only -x c - >/dev/null 2>&1; then
  echo "SKIP: the Xt/Motif headers are missing (Debian: libxt-dev libmotif-dev)"
  exit 77
fi
exec "$python" "$here/check.py" "$tool" --files "${Q5_HOSTILE_FILES:-200}" \
  --seed "${Q5_HOSTILE_SEED:-22}" "$@"
