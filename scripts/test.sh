#!/usr/bin/env bash
# Sets up the machine, builds both programs and runs every test with what
# this host can run: the x64 build in a 64-bit prefix always; where the host
# executes 32-bit code, also the x86 build in a 32-bit prefix and in a 64-bit
# prefix (a 32-bit program on 64-bit Windows).
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

# shellcheck disable=SC1091
. scripts/wine-env.sh
runs=("x64 win64")
reason=$(ovra_i386_refusal)
if [ -z "$reason" ]; then
  runs+=("x86 win32" "x86 win64")
  echo "test bed: x64 in a 64-bit prefix, x86 in a 32-bit prefix, x86 in a 64-bit prefix (WOW64)"
else
  echo "test bed: x64 only, in a 64-bit prefix; the x86 build is not run: $reason"
fi

passed=0 failed=0 status=0
for run in "${runs[@]}"; do
  read -r arch kind <<<"$run"
  echo "=== $arch build in a $kind prefix ==="
  log=$build/ctest-$arch-$kind.log
  OVRA_PREFIX_KIND=$kind ctest --test-dir "$build/$arch" --output-on-failure 2>&1 | tee "$log" || true
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1 || true)
  if [ -z "$line" ]; then
    echo "$arch/$kind: ctest gave no summary"; status=1; continue
  fi
  total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
  bad=$(sed -E 's/.* ([0-9]+) tests failed.*/\1/' <<<"$line")
  passed=$((passed + total - bad)) failed=$((failed + bad))
  [ "$bad" -eq 0 ] || status=1
done
echo "total: $passed passed, $failed failed"
exit $status
