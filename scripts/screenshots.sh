#!/usr/bin/env bash
# Renders every page of the program under Xvfb into docs/screenshots/:
# welcome, progress, results (all sections and one section), the repair's
# closing message, the backup list and the restore page. Uses a freshly
# seeded prefix of its own in the build tree.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${OVRA_BUILD_DIR:-build}
out=$PWD/docs/screenshots
prefix=$PWD/$build/shots-prefix

bash scripts/build.sh OvraHivemend ovra_tour
# shellcheck disable=SC1091
. scripts/wine-env.sh
# shellcheck disable=SC1091
. scripts/demo-arch.sh
ovra_demo_arch screenshots
tree=$(cd "$build/$OVRA_DEMO_ARCH" && pwd)
ovra_wine_env "$OVRA_DEMO_KIND" "$prefix"
# shellcheck disable=SC1091
. "$tree/ovra-build.env"
mkdir -p "$build"
Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp 9>"$build/shots.display" >/dev/null 2>&1 </dev/null &
xvfb_pid=$!
trap 'wineserver -k >/dev/null 2>&1 || true; kill $xvfb_pid >/dev/null 2>&1 || true' EXIT
for _ in $(seq 100); do [ -s "$build/shots.display" ] && break; sleep 0.1; done
export DISPLAY=:$(tr -d '\n' < "$build/shots.display")

bash scripts/demo-prefix.sh "$prefix" "$tree" "$OVRA_DEMO_KIND" --rebuild
wine "$prefix/drive_c/Program Files/Ovra Hivemend/$OVRA_PROGRAM" >/dev/null 2>&1 </dev/null &
pid=$!
mkdir -p "$out"
bash scripts/tour-shots.sh "$tree" "$out" full
wait "$pid" || true
