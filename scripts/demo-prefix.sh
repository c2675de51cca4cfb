#!/usr/bin/env bash
# Creates a Wine prefix seeded with the demo registry and installs the built
# program and its help file into it.
#   demo-prefix.sh PREFIX BUILD_TREE win32|win64 [--rebuild]
# BUILD_TREE is the x86 tree for a 32-bit prefix, the x64 tree for a 64-bit
# one. The prefix is made anew with --rebuild, when it was never seeded, or
# when it was seeded for the other kind.
set -euo pipefail
prefix=$1 tree=$2 kind=$3
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck disable=SC1091
. "$here/wine-env.sh"
ovra_wine_env "$kind" "$prefix"
# shellcheck disable=SC1091
. "$tree/ovra-build.env"

if [ "${4:-}" = "--rebuild" ] || [ "$(cat "$prefix/.ovra-seeded" 2>/dev/null)" != "$kind" ]; then
  echo "demo: creating a seeded $kind prefix in $prefix"
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$prefix"
  mkdir -p "$prefix"
  wineboot --init >/dev/null 2>&1
  wineserver -w
  /usr/bin/python3 "$here/demo-seed.py" "$prefix" "$prefix/seed.reg"
  wine regedit /s "$(winepath -w "$prefix/seed.reg")" >/dev/null 2>&1
  wineserver -w
  echo "$kind" > "$prefix/.ovra-seeded"
fi

app="$prefix/drive_c/Program Files/Ovra Hivemend"
mkdir -p "$app"
cp "$tree/$OVRA_PROGRAM" "$here/../resources/help.html" "$app/"
