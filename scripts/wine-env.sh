# Sourced, not run. Picks Wine's loader and server for a prefix kind and
# defines `wine`, `wineserver`, `wineboot` and `winepath` to use them.
#   . scripts/wine-env.sh
#   ovra_wine_env win64|win32 PREFIX
#   ovra_host_runs_i386   (status 0 when this host can execute 32-bit code)
#
# Debian's `wine` launcher takes the 32-bit loader whenever its file is
# executable, even on a kernel that refuses i386 code ("Exec format error").
# So the loader is chosen here: the 64-bit one for a 64-bit prefix (it starts
# the 32-bit loader itself for a 32-bit program, where the host allows), the
# 32-bit one for a 32-bit prefix. One 64-bit server serves both kinds.

OVRA_WINE_LIB=${OVRA_WINE_LIB:-/usr/lib/wine}

# True when the host really runs i386 code: ask the 32-bit loader itself.
# Packages say nothing here; the kernel's IA-32 emulation decides.
ovra_host_runs_i386() {
  [ -x "$OVRA_WINE_LIB/wine" ] && "$OVRA_WINE_LIB/wine" --version >/dev/null 2>&1
}

# One line saying why 32-bit runs are impossible here, or nothing.
ovra_i386_refusal() {
  if [ ! -x "$OVRA_WINE_LIB/wine" ]; then
    echo "Wine's 32-bit loader is not installed"
  elif ! "$OVRA_WINE_LIB/wine" --version >/dev/null 2>&1; then
    echo "this host cannot execute 32-bit code ($("$OVRA_WINE_LIB/wine" --version 2>&1 | tail -n 1))"
  fi
}

ovra_wine_env() {
  local kind=$1
  export WINEPREFIX=$2 WINEARCH=$kind WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if [ "$kind" = win64 ]; then
    export WINELOADER=$OVRA_WINE_LIB/wine64
  else
    export WINELOADER=$OVRA_WINE_LIB/wine
  fi
  if [ -x "$OVRA_WINE_LIB/wineserver64" ]; then
    export WINESERVER=$OVRA_WINE_LIB/wineserver64
  else
    export WINESERVER=$OVRA_WINE_LIB/wineserver32
  fi
}

wine() { "$WINELOADER" "$@"; }
wineserver() { "$WINESERVER" "$@"; }
wineboot() { "$WINELOADER" wineboot "$@"; }
winepath() { "$WINELOADER" winepath "$@"; }

# The test bed of a build tree for one prefix kind: sets OVRA_ARCH and
# OVRA_PROGRAM (from the tree), OVRA_KIND (OVRA_PREFIX_KIND, or the tree's
# own kind) and OVRA_BED, the folder holding the prefix and its servers'
# state, and points Wine at that prefix.
ovra_bed() {
  local build=$1
  # shellcheck disable=SC1091
  . "$build/ovra-build.env"
  OVRA_KIND=${OVRA_PREFIX_KIND:-}
  if [ -z "$OVRA_KIND" ]; then
    if [ "$OVRA_ARCH" = x64 ]; then OVRA_KIND=win64; else OVRA_KIND=win32; fi
  fi
  OVRA_BED=$build/bed-$OVRA_KIND
  ovra_wine_env "$OVRA_KIND" "$OVRA_BED/prefix"
}
