#!/usr/bin/env bash
# Validates the SARIF log of the diagnose golden cases with Microsoft's
# SARIF Multitool:  validate_sarif.sh Q5CORE_TESTS_BINARY
# The validator is taken from $Q5_SARIF_MULTITOOL, else from PATH
# (npm package @microsoft/sarif-multitool). Without it the test is skipped
# (exit 77). Fails on any error-level finding of the validator.
set -u
tests_binary=$1
tool=${Q5_SARIF_MULTITOOL:-$(command -v sarif-multitool || true)}
if [ -z "$tool" ] || [ ! -x "$tool" ]; then
    echo "sarif-multitool not installed: skipped"
    exit 77
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
Q5_SARIF_OUT=$scratch/q5.sarif "$tests_binary" --gtest_filter=Sarif.WritesALogFileForTheValidator >/dev/null || exit 1
[ -s "$scratch/q5.sarif" ] || { echo "no log written"; exit 1; }
(cd "$scratch" && "$tool" validate q5.sarif -o validation.sarif) >"$scratch/out.txt" 2>&1
status=$?
cat "$scratch/out.txt"
if [ $status -ne 0 ] || grep -q ': error ' "$scratch/out.txt"; then
    echo "FAIL: the validator reports errors"
    exit 1
fi
echo "ok: valid SARIF 2.1.0"
