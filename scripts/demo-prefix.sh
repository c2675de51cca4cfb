#!/usr/bin/env bash
# Creates a 32-bit Wine prefix seeded with the demo registry and installs the
# built program and its help file into it.
#   demo-prefix.sh PREFIX BUILD_DIR [--rebuild]
# The prefix is made anew with --rebuild or when it was never seeded.
set -euo pipefail
prefix=$1 build=$2
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=$prefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

if [ "${3:-}" = "--rebuild" ] || [ ! -f "$prefix/.ovra-seeded" ]; then
  echo "demo: creating a seeded prefix in $prefix"
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$prefix"
  mkdir -p "$prefix"
  wineboot --init >/dev/null 2>&1
  wineserver -w
  /usr/bin/python3 "$here/demo-seed.py" "$prefix" "$prefix/seed.reg"
  wine regedit /s "$(winepath -w "$prefix/seed.reg")" >/dev/null 2>&1
  wineserver -w
  touch "$prefix/.ovra-seeded"
fi

app="$prefix/drive_c/Program Files/Ovra Hivemend"
mkdir -p "$app"
cp "$build/OvraHivemend.exe" "$here/../resources/help.html" "$app/"
