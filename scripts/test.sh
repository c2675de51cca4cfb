#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${OVRA_BUILD_DIR:-build}

bash scripts/build.sh

# The command-line heuristics, fuzzed natively for a bounded time; its long
# report goes to a file and only the totals are shown.
mkdir -p "$build"
if ! bash scripts/fuzz.sh 30 > "$build/fuzz.log" 2>&1; then
  tail -n 60 "$build/fuzz.log"
  echo "fuzzing found a fault; the failing input is in $build/fuzz/"
  exit 1
fi
grep -E '^Done [0-9]+ runs' "$build/fuzz.log" | sed 's/^/fuzz: /'

ctest --test-dir "$build" --output-on-failure
