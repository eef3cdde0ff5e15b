#!/usr/bin/env bash
# check_verify.sh Q5UPGRADE [PYTHON]: --verify over the sample programs and a
# generated corpus, each made a small CMake project whose compile_commands.json
# (CMake's own) drives `q5upgrade -i --verify -p BUILD`, with no -I:
#  - every call the compiler sees is proven, or left with a reason;
#  - the calls left without -I only because a macro's definition was not
#    seen (the samples' ui_args.h, the Xt and Motif headers) are converted,
#    since the compiler knows the macros;
#  - the calls converted are those the tool converts when given -I;
#  - every file compiles afterwards with q5pairs.h, and a second run has
#    nothing left to convert.
# Exit 77 (skipped) without gcc, cmake or the Xt/Motif headers.
# Q5_COMPILE_PROGRAMS sets how many programs are generated (default 20).
set -u
shopt -s nullglob
tool=$1
python=${2:-$(command -v python3 || true)}
here=$(cd "${BASH_SOURCE[0]%/*}" && pwd)
programs=${Q5_COMPILE_PROGRAMS:-20}

command -v gcc >/dev/null 2>&1 || { echo "SKIP: gcc not found"; exit 77; }
command -v cmake >/dev/null 2>&1 || { echo "SKIP: cmake not found"; exit 77; }
if ! printf '#include <X11/Intrinsic.h>\n#include <Xm/Xm.h>\n' |
    gcc -fsyntax-only -x c - >/dev/null 2>&1; then
  echo "SKIP: the Xt/Motif headers are missing (Debian: libxt-dev libmotif-dev)"
  exit 77
fi
generator=()
command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }

# project NAME SOURCES INCLUDE: a CMake project compiling SOURCES/*.c with
# INCLUDE and this directory (q5toolkit.h) on the include path; its
# database is written to $scratch/NAME-build.
project() {
  local name=$1 sources=$2 include=$3
  cat >"$scratch/$name.cmake" <<EOF
cmake_minimum_required(VERSION 3.16)
project($name C)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)
file(GLOB programs "$sources/*.c")
add_library(programs OBJECT \${programs})
target_include_directories(programs PRIVATE "$include" "$here")
target_compile_options(programs PRIVATE -std=gnu99)
EOF
  mkdir -p "$scratch/$name-project"
  cp "$scratch/$name.cmake" "$scratch/$name-project/CMakeLists.txt"
  cmake -S "$scratch/$name-project" -B "$scratch/$name-build" "${generator[@]}" \
      >"$scratch/$name-cmake.log" 2>&1 || { cat "$scratch/$name-cmake.log"; return 1; }
  [ -s "$scratch/$name-build/compile_commands.json" ]
}

# check_tree LABEL TREE INCLUDE
check_tree() {
  local label=$1 tree=$2 include=$3 f rc summary
  echo
  echo "== $label: $(ls "$tree"/*.c | wc -l) programs"
  project "$label" "$tree" "$include" || { fail "$label: cmake wrote no compilation database"; return; }
  # What the tool does without the compiler: with -I (the calls it
  # converts and leaves) and without (more left, for macros not seen).
  cp -r "$tree" "$scratch/$label-with-I"
  "$tool" --check -I "$include" "$scratch/$label-with-I" >/dev/null 2>"$scratch/$label-with-I.err"
  local with_i with_i_left plain_left
  with_i=$(grep -oE '[0-9]+ calls? to convert' "$scratch/$label-with-I.err" | grep -oE '^[0-9]+')
  with_i_left=$(grep -oE '[0-9]+ left as' "$scratch/$label-with-I.err" | grep -oE '^[0-9]+')
  "$tool" --check "$tree" >/dev/null 2>"$scratch/$label-plain.err"
  plain_left=$(grep -oE '[0-9]+ left as' "$scratch/$label-plain.err" | grep -oE '^[0-9]+')
  local unseen
  unseen=$(grep -c "definition was not seen" "$scratch/$label-plain.err")

  "$tool" -i --verbose --verify -p "$scratch/$label-build" "$tree" >/dev/null 2>"$scratch/$label.err"
  rc=$?
  summary=$(grep -E '^q5upgrade: .*files? examined' "$scratch/$label.err")
  echo "q5upgrade -i --verify -p BUILD (exit $rc):"
  echo "  $summary"
  grep -E 'converted unproven \(' "$scratch/$label.err" | sed "s|$scratch/||; s/^/  /" | head -n 8
  grep -E ': (warning|error): ' "$scratch/$label.err" | sed "s|$scratch/||g; s/^/  /"
  # Calls left as they stand make -i end 1; anything else is trouble.
  [ "$rc" = 0 ] || [ "$rc" = 1 ] || fail "$label: exit $rc"
  grep -q ' 0 failed, ' <<<"$summary" || fail "$label: a file failed"
  grep -q 'q5-unproven' "$scratch/$label.err" && fail "$label: a call the tool planned was disproven"
  local proven unproven left
  proven=$(grep -oE '[0-9]+ proven' <<<"$summary" | grep -oE '^[0-9]+')
  unproven=$(grep -oE '[0-9]+ converted unproven' <<<"$summary" | grep -oE '^[0-9]+')
  left=$(grep -oE '[0-9]+ left as' <<<"$summary" | grep -oE '^[0-9]+')
  [ "${proven:-0}" -gt 0 ] || fail "$label: nothing proven"
  [ $((proven + unproven)) = "${with_i:-0}" ] ||
    fail "$label: $proven proven + $unproven unproven calls, ${with_i:-0} converted with -I"
  # The calls left for a macro not seen are converted now, or left for
  # what the macro really is, as with -I.
  grep -q "definition was not seen" "$scratch/$label.err" &&
    fail "$label: a call is still left for a macro not seen"
  [ "$left" = "${with_i_left:-0}" ] || fail "$label: $left calls left, ${with_i_left:-0} with -I"
  echo "  calls left: ${plain_left:-0} without -I ($unseen for a macro not seen), ${with_i_left:-0} with -I, $left with --verify"

  for f in "$tree"/*.c; do
    gcc -fsyntax-only -std=gnu99 -I "$include" -I "$here" -include "$here/q5pairs.h" \
        -Werror=int-conversion -Werror=incompatible-pointer-types \
        -Werror=implicit-function-declaration "$f" >"$scratch/gcc.log" 2>&1 ||
      { fail "$label: ${f#$scratch/} does not compile after conversion"; head -n 5 "$scratch/gcc.log"; }
  done
  "$tool" -q --check --verify -p "$scratch/$label-build" "$tree" >"$scratch/$label.again" 2>/dev/null
  [ -s "$scratch/$label.again" ] && fail "$label: a second run still converts: $(head -n 3 "$scratch/$label.again")"
  return 0
}

cp -r "$here/samples" "$scratch/samples"
check_tree samples "$scratch/samples" "$scratch/samples"

if [ -n "$python" ]; then
  "$python" "$here/generate_programs.py" "$scratch/generated" "$programs" >/dev/null ||
    fail "generate_programs.py failed"
  check_tree generated "$scratch/generated/src" "$scratch/generated/include"
fi

[ $status = 0 ] && echo ok
exit $status
