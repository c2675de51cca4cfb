#!/usr/bin/env bash
# Runs a Windows test executable in the build tree's throwaway prefix (the
# kind testbed.sh made for it: see OVRA_PREFIX_KIND there).
# Usage: wine-run.sh BUILD_DIR program.exe [args...]
build=$(cd "$1" && pwd); shift
# shellcheck disable=SC1091
. "$(dirname "$0")/wine-env.sh"
ovra_bed "$build"
# shellcheck disable=SC1091
[ -f "$OVRA_BED/testbed.env" ] && . "$OVRA_BED/testbed.env"
# Wine starts helper processes (services, the desktop) that outlive the
# program and inherit its output; give them a file, not the caller's pipe,
# so whoever reads our output sees its end when the program ends.
out=$(mktemp "$build/wine-run.XXXXXX")
wine "$@" >"$out" 2>&1 </dev/null
status=$?
cat "$out"
# A program that ends before it writes anything leaves ctest an empty log:
# say at least how it ended.
if [ "$status" -ne 0 ] && [ ! -s "$out" ]; then
  echo "wine-run: $1 ended with status $status and no output"
fi
rm -f "$out"
exit $status
