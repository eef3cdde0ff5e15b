#!/usr/bin/env bash
# check_compile.sh Q5UPGRADE [PYTHON]: compiles the sample programs and a
# generated corpus with gcc -fsyntax-only against the Xt/Motif headers, before
# and after the tree interface converts them in place, and fails if a file
# that compiled before does not compile after. After conversion every file is
# compiled with q5pairs.h, whose pair macros turn a malformed pair into an
# error. Prints each file's result, the tool's summary line (calls converted,
# calls left and why), what a second run with --check lists, and totals.
# Exit 77 (skipped) without gcc or the Xt/Motif headers.
# Q5_COMPILE_PROGRAMS sets how many programs are generated (default 40).
set -u
shopt -s nullglob
tool=$1
python=${2:-$(command -v python3 || true)}
here=$(cd "${BASH_SOURCE[0]%/*}" && pwd)
programs=${Q5_COMPILE_PROGRAMS:-40}

command -v gcc >/dev/null 2>&1 || { echo "SKIP: gcc not found"; exit 77; }
if ! printf '#include <X11/Intrinsic.h>\n#include <Xm/Xm.h>\n' |
    gcc -fsyntax-only -x c - >/dev/null 2>&1; then
  echo "SKIP: the Xt/Motif headers are missing (Debian: libxt-dev libmotif-dev)"
  exit 77
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cflags=(-fsyntax-only -std=gnu99 -I "$here" -Werror=int-conversion
        -Werror=incompatible-pointer-types -Werror=implicit-function-declaration)
status=0

# The pair header must refuse what it is there to refuse, or the check
# after conversion proves nothing.
pairs_case() {  # expect body
  printf '#include <string.h>\n#include <X11/Intrinsic.h>\n#include <Xm/Xm.h>\n#define PAIR_MACRO(c) XmNforeground, (c)\nvoid f(Widget w, Q5Object *o, Q5Tag *t)\n{\n    long l = 0;\n    %s\n}\n' \
    "$2" >"$scratch/pairs.c"
  if gcc "${cflags[@]}" -include "$here/q5pairs.h" "$scratch/pairs.c" >/dev/null 2>&1; then
    got=compiles
  else
    got=rejected
  fi
  if [ "$got" != "$1" ]; then
    echo "FAIL: q5pairs.h: '$2' $got"
    status=1
  fi
}
pairs_case compiles 'XtVaSetValues(w, Q5LT(XmNwidth, 3), XtVaTypedArg, XmNlabelString, XmRString, "x", 2, XtVaNestedList, (XtVarArgsList) t, Q5LT(XmNheight, l),(char *) NULL); Q5SetAttrs(o, Q5T(Q5A_Width, 1), Q5TAG_END); Q5TagGetS(t, Q5ST(Q5A_Width, &l), Q5TAG_END);'
pairs_case rejected 'XtVaSetValues(w, Q5LT(XmNwidth),(char *) NULL);'
pairs_case rejected 'XtVaSetValues(w, Q5LT(XmNwidth, 3, XmNheight),(char *) NULL);'
pairs_case rejected 'XtVaSetValues(w, Q5LT(XmRString, "x"), Q5LT(strlen("x") + 1, NULL));'
pairs_case rejected 'XtVaSetValues(w, Q5LT(PAIR_MACRO(l), XmNwidth),(char *) NULL);'
pairs_case rejected 'XtVaSetValues(w, Q5LT(8, "20c 10c"),(char *) NULL);'
pairs_case rejected 'Q5SetAttrs(o, Q5T("title", 1), Q5TAG_END);'
pairs_case rejected 'Q5TagGetS(t, Q5ST(&l, Q5A_Width), Q5TAG_END);'
pairs_case rejected 'XtVaSetValues(w,);'
pairs_case rejected 'XtVaSetValues(w, Q5LT(XtVaNestedList, (XtVarArgsList) t),(char *) NULL);'
pairs_case rejected 'XtVaSetValues(w, Q5LT(XtVaTypedArg, XmNlabelString), Q5LT(XmRString, "x"),(char *) NULL);'
[ $status = 0 ] && echo "q5pairs.h: a well-formed list compiles, 10 malformed ones do not"

# Does this build take -I DIR? Older ones answer with a usage error.
mkdir "$scratch/probe"
printf 'int probe;\n' >"$scratch/probe/probe.c"
"$tool" -I "$scratch/probe" --check "$scratch/probe/probe.c" >/dev/null 2>"$scratch/probe/err"
if grep -qiE "invalid option|unrecognized option|unknown option|--help' for more" "$scratch/probe/err"; then
  takes_I=no
  echo "q5upgrade does not take -I: the trees are converted without it"
else
  takes_I=yes
fi

# The first errors gcc gives for FILE (log LOG), located in FILE: an error
# inside q5pairs.h is shown at the pair macro that led there.
first_errors() {  # file log
  awk -v file="$1" -v top="$scratch/" '
    function show(line) { sub("^" top, "", line); print "      " line; if (++shown == 3) exit }
    index($0, file ":") == 1 && / error: / { show($0); pending = ""; next }
    / error: / { pending = $0; sub(/^.* error: /, "", pending); next }
    pending != "" && index($0, file ":") == 1 && /in expansion of macro/ {
      split($0, at, ": note: "); show(at[1] ": error: " pending " (" at[2] ")"); pending = ""
    }' "$2"
}

# check_tree LABEL TREE INCLUDE: converts TREE in place; INCLUDE is the
# directory of the headers of its programs (-I for gcc and the tool).
declare -A seen converted left before after broken
check_tree() {
  local label=$1 tree=$2 inc=$3 logs=$scratch/logs/$1 f name rc summary n
  local -a iflag=()
  [ $takes_I = yes ] && iflag=(-I "$inc")
  mkdir -p "$logs"
  local -a files=("$tree"/*.c)
  echo
  echo "== $label: ${#files[@]} programs in ${tree#$scratch/}"

  seen[$label]="?"
  if [ -n "$python" ]; then
    seen[$label]=$("$python" "$here/generate_programs.py" --count "$tree"/*.c "$tree"/*.h "$inc"/*.h 2>/dev/null)
  fi
  before[$label]=0 after[$label]=0 broken[$label]=0
  for f in "${files[@]}"; do
    name=$(basename "$f")
    if gcc "${cflags[@]}" -I "$inc" "$f" >"$logs/$name.before" 2>&1; then
      : >"$logs/$name.ok-before"
      before[$label]=$((before[$label] + 1))
    fi
  done

  "$tool" -i "${iflag[@]}" "$tree" >"$logs/convert.out" 2>"$logs/convert.err"
  rc=$?
  summary=$(grep -E '^q5upgrade: .*files? examined' "$logs/convert.err" | tail -n 1)
  echo "q5upgrade -i ${iflag[*]#$scratch/} (exit $rc):"
  echo "  ${summary:-(no summary line)}"
  grep -E ': error: ' "$logs/convert.err" | sed "s|$scratch/||g; s/^/  /"
  converted[$label]=$(grep -oE '[0-9]+ calls? converted' <<<"$summary" | grep -oE '^[0-9]+')
  left[$label]=$(grep -oE '[0-9]+ (calls? )?left' <<<"$summary" | grep -oE '^[0-9]+' | head -n 1)

  for f in "${files[@]}"; do
    name=$(basename "$f")
    local was=fails now=fails
    [ -e "$logs/$name.ok-before" ] && was=ok
    if gcc "${cflags[@]}" -I "$inc" -include "$here/q5pairs.h" "$f" >"$logs/$name.after" 2>&1; then
      now=ok
      after[$label]=$((after[$label] + 1))
    fi
    if [ $was = ok ] && [ $now = fails ]; then
      broken[$label]=$((broken[$label] + 1))
      printf '  %-22s before: ok     after: FAILS\n' "$name"
      first_errors "$f" "$logs/$name.after"
    elif [ $was = fails ]; then
      printf '  %-22s before: FAILS  (not a valid input; after: %s)\n' "$name" "$now"
      first_errors "$f" "$logs/$name.before"
    else
      printf '  %-22s before: ok     after: ok\n' "$name"
    fi
  done

  "$tool" --check "${iflag[@]}" "$tree" >"$logs/check.out" 2>"$logs/check.err"
  rc=$?
  n=$(grep -cE ': (warning|error|note):' "$logs/check.err")
  echo "second run, q5upgrade --check ${iflag[*]#$scratch/} (exit $rc): $(grep -c . "$logs/check.out") files listed, $n diagnostics"
  sed "s|$scratch/||; s/^/  listed: /" "$logs/check.out"
  grep -E ': (warning|error|note):' "$logs/check.err" | head -n 20 | sed "s|$scratch/||g; s/^/  /"
  [ "$n" -gt 20 ] && echo "  ... and $((n - 20)) more"
  grep -E '^q5upgrade: .*files? examined' "$logs/check.err" | tail -n 1 | sed 's/^/  /'
  return 0
}

cp -r "$here/samples" "$scratch/samples"
check_tree samples "$scratch/samples" "$scratch/samples"
labels=(samples)

if [ -n "$python" ]; then
  if "$python" "$here/generate_programs.py" "$scratch/generated" "$programs" >"$scratch/gen.out"; then
    echo
    sed 's/^/generate_programs.py: /' "$scratch/gen.out"
    labels+=(generated)
    check_tree generated "$scratch/generated/src" "$scratch/generated/include"
  else
    echo "FAIL: generate_programs.py failed"
    status=1
  fi
else
  echo "python3 not found: the generated programs are skipped"
fi

echo
echo "== totals"
printf '  %-32s' ""; for l in "${labels[@]}"; do printf '%12s' "$l"; done; echo
row() {  # title array
  printf '  %-32s' "$1"
  local -n values=$2
  for l in "${labels[@]}"; do printf '%12s' "${values[$l]:-n/a}"; done
  echo
}
row "table calls seen" seen
row "calls converted (tool)" converted
row "calls left (tool)" left
declare -A total
for l in "${labels[@]}"; do
  total[$l]=$(ls "$scratch/logs/$l"/*.before | wc -l)
  before[$l]="${before[$l]}/${total[$l]}"
  after[$l]="${after[$l]}/${total[$l]}"
done
row "files compiled before" before
row "files compiled after" after
row "files that stopped compiling" broken

for l in "${labels[@]}"; do
  if [ "${before[$l]%/*}" != "${total[$l]}" ]; then
    echo "FAIL: $l: a program does not compile before conversion (fix the program)"
    status=1
  fi
  if [ "${broken[$l]}" != 0 ]; then
    echo "FAIL: $l: ${broken[$l]} files compiled before q5upgrade -i and do not after"
    status=1
  fi
done
[ $status = 0 ] && echo ok
exit $status
