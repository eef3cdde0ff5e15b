#!/usr/bin/env bash
# Builds the libFuzzer target and runs it, starting from a scratch copy of
# the seed corpus so the committed one never grows. The known regressions
# are replayed as seeds. Any finding (crash, sanitizer report, failed check,
# hang, memory limit) makes the script exit non-zero; its input is kept in
# build/fuzz/findings/.
#
#   fuzz/run.sh [SECONDS]             both cores, for SECONDS (default 120)
#   fuzz/run.sh --seed S --runs N     one process, N inputs from seed S: the
#                                     same inputs every time (what CI runs)
set -euo pipefail

seconds=120 seed= runs=
while [ $# -gt 0 ]; do
  case $1 in
    --seed) seed=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    *) seconds=$1; shift ;;
  esac
done
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

findings=$root/build/fuzz/findings
log=$root/build/fuzz/fuzz.log
mkdir -p "$findings"
work=$(mktemp -d "${TMPDIR:-/tmp}/q5upgrade-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/corpus"
cp fuzz/corpus/* "$work/corpus/"

common=(-ignore_crashes=0 -ignore_timeouts=0 -ignore_ooms=0 -dict=fuzz/q5upgrade.dict
        -max_len=4096 -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$findings/")
if [ -n "$runs" ]; then
  # A fixed seed and count: a run that passed here passes anywhere.
  mode=(-seed="${seed:-1}" -runs="$runs")
else
  # Fork mode shares one corpus between the two workers and, with the
  # ignore options off, stops with a non-zero status on the first crash,
  # hang or out-of-memory (by default it would go on past the last two).
  mode=(-fork=2 -max_total_time="$seconds")
fi
set +e
build/fuzz/fuzz/q5upgrade_fuzzer "$work/corpus" fuzz/regressions "${common[@]}" "${mode[@]}" 2>&1 | tee "$log"
status=${PIPESTATUS[0]}
set -e

executions=$(grep -oE '^#[0-9]+' "$log" | tail -n 1 | tr -d '#')
echo "total executions: ${executions:-0}"
if [ "$status" -ne 0 ]; then
  echo "fuzzing found a problem (status $status); inputs in $findings, log in $log" >&2
fi
exit "$status"
