#!/usr/bin/env bash
# Every C++ source under src/ is formatted as .clang-format says. Skipped
# (77) without clang-format; CI installs it.
set -u
cd "$(dirname "$0")/../.." || exit 2
command -v clang-format >/dev/null 2>&1 || { echo "clang-format not installed: skipped"; exit 77; }
files=$(find src -name '*.cpp' -o -name '*.h' | sort)
# shellcheck disable=SC2086
if ! clang-format --dry-run -Werror $files 2>"${TMPDIR:-/tmp}/q5format.$$"; then
  grep -m 20 'error:' "${TMPDIR:-/tmp}/q5format.$$"
  rm -f "${TMPDIR:-/tmp}/q5format.$$"
  echo "run: clang-format -i \$(find src -name '*.cpp' -o -name '*.h')"
  exit 1
fi
rm -f "${TMPDIR:-/tmp}/q5format.$$"
echo "format: every source as .clang-format says"
