#!/bin/sh
# Benchmark q5upgrade against cat on generated inputs; see bench/README.md.
# Usage: bench/run.sh [--quick] [BINARY]   (python3, standard library only)
exec python3 "$(dirname "$0")/bench.py" "$@"
