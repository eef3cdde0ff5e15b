#!/usr/bin/env bash
# The layers of src/: a folder includes only itself and the folders below
# it, the engine's two engines keep apart, and no source file grows past 500 lines (a file that long holds more
# than one job). Prints each offence; exits 1 if there is any.
set -u
cd "$(dirname "$0")/../../src" || exit 2
declare -A below=(
  [base]=""
  [engine]="base"
  [io]="base engine"
  [diagnose]="base engine"
  [verify]="base engine io diagnose"
  [classic]="base engine io"
  [tree]="base engine io diagnose verify"
)
bad=0
for layer in "${!below[@]}"; do
  [ -d "$layer" ] || { echo "missing layer folder: src/$layer"; bad=1; continue; }
  while IFS=: read -r file line include; do
    target=$(sed -E 's|.*#include "([a-z_]+)/.*|\1|' <<<"$include")
    [ "$target" = "$layer" ] && continue
    case " ${below[$layer]} " in
      *" $target "*) ;;
      *) echo "src/$file:$line: $layer includes $target, which is not below it"; bad=1 ;;
    esac
  done < <(grep -rnE '^#include "[a-z_]+/' "$layer")
done
# The engine holds two engines over one call table: the text rules
# (engine/text, the classic forms and --unsafe-fixes) and the token reader
# (engine/reader, the tree's conversion). Neither includes the other.
for pair in "text reader" "reader text"; do
  read -r from to <<<"$pair"
  while IFS=: read -r file line _; do
    echo "src/$file:$line: engine/$from includes engine/$to: the two engines stay apart"; bad=1
  done < <(grep -rnE "^#include \"engine/$to/" "engine/$from")
done
for dir in */; do
  [ -n "${below[${dir%/}]+set}" ] || { echo "src/$dir is no layer: name it in tests/layout/check_layers.sh"; bad=1; }
done
while read -r lines file; do
  [ "$file" = total ] && continue
  [ "$lines" -gt 500 ] && { echo "src/$file: $lines lines, more than 500"; bad=1; }
done < <(find . -name '*.cpp' -o -name '*.h' | sed 's|^\./||' | xargs wc -l)
[ "$bad" = 0 ] && echo "layers: every include points down, every file within 500 lines"
exit "$bad"
