#!/usr/bin/env bash
# Renders every page of the program under Xvfb into docs/screenshots/, in
# each look: welcome, progress, results (all sections and one section), the
# repair's closing message, the backup list and the restore page. The light
# look's files are named after the page (welcome.png), the dark look's end
# in -dark, the high-contrast look's in -contrast. Every look runs in a
# freshly seeded prefix of its own in the build tree.
#   OVRA_SHOTS_LOOKS   the looks to render (default "light dark high-contrast")
#   OVRA_SHOTS_DIR     where the PNGs go (default docs/screenshots)
#   OVRA_SHOTS_BUILD=0 takes the build tree as it is, without building
set -euo pipefail
cd "$(dirname "$0")/.."
build=${OVRA_BUILD_DIR:-build}
out=${OVRA_SHOTS_DIR:-$PWD/docs/screenshots}
looks=${OVRA_SHOTS_LOOKS:-light dark high-contrast}
prefix=$PWD/$build/shots-prefix

[ "${OVRA_SHOTS_BUILD:-1}" = 0 ] || bash scripts/build.sh OvraHivemend ovra_tour ovra_look_host
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

mkdir -p "$out"
for look in $looks; do
  bash scripts/demo-prefix.sh "$prefix" "$tree" "$OVRA_DEMO_KIND" --rebuild
  app="$prefix/drive_c/Program Files/Ovra Hivemend"
  program="$app/$OVRA_PROGRAM" suffix=
  case $look in
    light) ;;
    dark)
      # What Windows 10 and 11 write when the user picks dark applications.
      wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize' \
        /v AppsUseLightTheme /t REG_DWORD /d 0 /f >/dev/null 2>&1
      suffix=-dark ;;
    high-contrast)
      # Wine cannot switch high contrast on: the program's own frame runs in
      # that look under Windows' "High Contrast Black" colours.
      cp "$tree/tests/ovra_look_host.exe" "$app/"
      program="$app/ovra_look_host.exe" suffix=-contrast ;;
    *) echo "screenshots: unknown look $look" >&2; exit 2 ;;
  esac
  echo "screenshots: the $look look"
  shots=$PWD/$build/shots-$look
  rm -rf "$shots"
  wine "$program" >/dev/null 2>&1 </dev/null &
  pid=$!
  bash scripts/tour-shots.sh "$tree" "$shots" full
  wait "$pid" || true
  for png in "$shots"/*.png; do
    name=$(basename "$png" .png)
    mv "$png" "$out/$name$suffix.png"
    echo "screenshot: $out/$name$suffix.png"
  done
done
