#!/usr/bin/env bash
# Sets up, builds, creates a demo prefix with a realistic registry that has
# problems in every section, and starts the program in it.
#   bash scripts/demo.sh            start the program (on $DISPLAY, or under
#                                   Xvfb with screenshots when there is none)
#   bash scripts/demo.sh --rebuild  throw the demo prefix away and make it anew
#   OVRA_DEMO_ARCH=x64 bash scripts/demo.sh   the 64-bit program even where
#                                   the host runs 32-bit code
# The demo prefix is demo/wineprefix in this checkout; ~/.wine is never used.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${OVRA_BUILD_DIR:-build}
demo=$PWD/demo
prefix=$demo/wineprefix

bash scripts/build.sh OvraHivemend ovra_tour

# shellcheck disable=SC1091
. scripts/wine-env.sh
# shellcheck disable=SC1091
. scripts/demo-arch.sh
ovra_demo_arch demo
tree=$(cd "$build/$OVRA_DEMO_ARCH" && pwd)
ovra_wine_env "$OVRA_DEMO_KIND" "$prefix"
xvfb_pid=
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" >/dev/null 2>&1 || true; fi
}
trap cleanup EXIT

headless=0
if [ -z "${DISPLAY:-}" ]; then
  headless=1
  mkdir -p "$demo"
  Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp 9>"$demo/xvfb.display" >/dev/null 2>&1 </dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$demo/xvfb.display" ] && break; sleep 0.1; done
  export DISPLAY=:$(tr -d '\n' < "$demo/xvfb.display")
fi

bash scripts/demo-prefix.sh "$prefix" "$tree" "$OVRA_DEMO_KIND" "${1:-}"
# shellcheck disable=SC1091
. "$tree/ovra-build.env"
program="$prefix/drive_c/Program Files/Ovra Hivemend/$OVRA_PROGRAM"

if [ "$headless" -eq 0 ]; then
  echo "demo: starting Ovra Hivemend"
  wine "$program"
  exit 0
fi

shots=$demo/screenshots
rm -rf "$shots"
wine "$program" >/dev/null 2>&1 </dev/null &
pid=$!
bash scripts/tour-shots.sh "$tree" "$shots" scan
wait "$pid" || true
echo "demo: there is no display, so the program ran under Xvfb and a scan was driven through it."
echo "demo: screenshots of the welcome, progress and result pages are in $shots"
