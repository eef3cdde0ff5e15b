#!/usr/bin/env bash
# check_corpus.sh PYTHON MEASURE GENERATOR: generates the corpus (40 files),
# measures the diagnostics and fails unless every call that loses code is
# flagged and no call outside the planted hazards gets a warning.
set -u
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$1" "$3" "$scratch/corpus" 40 || exit 1
"$2" --hazards "$scratch/corpus/hazards.tsv" --print-others "$scratch"/corpus/*.c | tee "$scratch/report.txt"
losing=$(sed -n 's/^calls losing tokens \([0-9]*\), flagged \([0-9]*\)$/\1 \2/p' "$scratch/report.txt")
others=$(sed -n 's/.*planted hazards, \([0-9]*\) on other calls.*/\1/p' "$scratch/report.txt")
set -- $losing
[ -n "${1:-}" ] && [ "$1" = "$2" ] || { echo "FAIL: a loss without a warning"; exit 1; }
[ "$others" = 0 ] || { echo "FAIL: warnings on plain calls"; exit 1; }
echo ok
