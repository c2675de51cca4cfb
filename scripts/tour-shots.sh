#!/usr/bin/env bash
# Runs the tour against a running program and turns each "shot" it asks
# for into a PNG of the main window, taken from the X display. Wine's loader
# and prefix are the caller's (wine-env.sh).
#   tour-shots.sh BUILD_TREE OUT_DIR scan|full
set -uo pipefail
build=$1 out=$2 mode=$3
# shellcheck disable=SC1091
. "$(dirname "$0")/wine-env.sh"
mkdir -p "$out"
wine "$build/tests/ovra_tour.exe" "$(winepath -w "$out")" "$mode" </dev/null | while read -r kind name x y w h; do
  if [ "$kind" = saved ]; then
    # The tour read this one from the system's screen itself (a menu).
    convert "$out/$name.bmp" "$out/$name.png" && rm -f "$out/$name.bmp"
    echo "screenshot: $out/$name.png"
    continue
  fi
  [ "$kind" = shot ] || { echo "$kind $name $x $y $w $h"; continue; }
  xwd -root -silent | convert xwd:- -crop "${w}x${h}+${x}+${y}" +repage "$out/$name.png"
  echo "screenshot: $out/$name.png"
  touch "$out/$name.done"
done
exit "${PIPESTATUS[0]}"
