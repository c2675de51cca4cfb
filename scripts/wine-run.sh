#!/usr/bin/env bash
# Runs a Windows test executable in the build tree's throwaway prefix.
# Usage: wine-run.sh BUILD_DIR program.exe [args...]
build=$1; shift
export WINEPREFIX=$build/wineprefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# shellcheck disable=SC1091
[ -f "$build/testbed.env" ] && . "$build/testbed.env"
# Wine starts helper processes (services, the desktop) that outlive the
# program and inherit its output; give them a file, not the caller's pipe,
# so whoever reads our output sees its end when the program ends.
out=$(mktemp "$build/wine-run.XXXXXX")
wine "$@" >"$out" 2>&1 </dev/null
status=$?
cat "$out"
rm -f "$out"
exit $status
