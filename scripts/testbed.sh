#!/usr/bin/env bash
# The test bed: a throwaway Wine prefix inside the build tree, a persistent
# wineserver for it, and an Xvfb display when there is none.
#   testbed.sh start BUILD_DIR   (re)create the prefix and start the servers
#   testbed.sh stop  BUILD_DIR   stop them again
# The prefix is 64-bit for the x64 tree; for the x86 tree it is 32-bit unless
# OVRA_PREFIX_KIND=win64 asks for a 32-bit program on 64-bit Windows (WOW64).
set -uo pipefail
action=$1
build=$(cd "$2" && pwd)
# shellcheck disable=SC1091
. "$(dirname "$0")/wine-env.sh"
ovra_bed "$build"
bed=$OVRA_BED
prefix=$WINEPREFIX
envfile=$bed/testbed.env

stop_servers() {
  if [ -d "$prefix" ]; then wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1; fi
  if [ -f "$bed/xvfb.pid" ]; then
    kill "$(cat "$bed/xvfb.pid")" >/dev/null 2>&1
    rm -f "$bed/xvfb.pid"
  fi
}

start_servers() {
  stop_servers
  rm -rf "$prefix"
  mkdir -p "$bed"
  : > "$envfile"
  if [ "$OVRA_ARCH" = x64 ] && [ "$OVRA_KIND" = win32 ]; then
    echo "testbed: a 64-bit program cannot run in a 32-bit prefix"; return 1
  fi
  if [ "$OVRA_KIND" = win32 ] || [ "$OVRA_ARCH" = x86 ]; then
    reason=$(ovra_i386_refusal)
    [ -z "$reason" ] || { echo "testbed: cannot test the x86 build: $reason"; return 1; }
  fi
  display=${DISPLAY:-}
  if [ -z "$display" ]; then
    # Let Xvfb pick a free display number and tell us which.
    rm -f "$bed/xvfb.display"
    setsid Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp \
      9>"$bed/xvfb.display" >/dev/null 2>&1 </dev/null &
    echo $! > "$bed/xvfb.pid"
    for _ in $(seq 100); do [ -s "$bed/xvfb.display" ] && break; sleep 0.1; done
    [ -s "$bed/xvfb.display" ] || { echo "testbed: Xvfb did not start"; return 1; }
    display=:$(tr -d '\n' < "$bed/xvfb.display")
  fi
  echo "export DISPLAY=$display" >> "$envfile"
  export DISPLAY=$display
  wineboot --init || { echo "testbed: wineboot failed"; return 1; }
  wineserver -w
  # Extra drive letters of every other kind, for the path tests.
  mkdir -p "$bed/drives/removable" "$bed/drives/cdrom" "$bed/drives/network"
  ln -sfn "$bed/drives/removable" "$prefix/dosdevices/r:"
  ln -sfn "$bed/drives/cdrom"     "$prefix/dosdevices/s:"
  ln -sfn "$bed/drives/network"   "$prefix/dosdevices/n:"
  wine reg add 'HKLM\Software\Wine\Drives' /v r: /d floppy  /f >/dev/null 2>&1
  wine reg add 'HKLM\Software\Wine\Drives' /v s: /d cdrom   /f >/dev/null 2>&1
  wine reg add 'HKLM\Software\Wine\Drives' /v n: /d network /f >/dev/null 2>&1
  # Test windows want no window manager. Left managed, each top-level window
  # that is hidden or destroyed makes Wine wait two seconds for one (Xvfb
  # has none).
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  # A crashing test must fail, not wait for someone to close Wine's crash dialog.
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  wineserver -k; wineserver -w
  # Keep the server alive for the whole run so every test starts fast.
  setsid "$WINESERVER" -p >/dev/null 2>&1 </dev/null
  echo "testbed: $OVRA_ARCH build in a $OVRA_KIND prefix $prefix, display $display"
}

case "$action" in
start)
  # Everything that outlives this script (Xvfb, wineserver, Wine's services)
  # must not hold the caller's output open, or ctest would wait for it.
  mkdir -p "$bed"
  start_servers >"$bed/testbed.log" 2>&1 </dev/null
  status=$?
  cat "$bed/testbed.log"
  exit $status
  ;;
stop)
  stop_servers
  echo "testbed: stopped"
  ;;
*)
  echo "usage: $0 start|stop BUILD_DIR"; exit 2 ;;
esac
