#!/usr/bin/env bash
# The test bed: a throwaway 32-bit Wine prefix inside the build tree, a
# persistent wineserver for it, and an Xvfb display when there is none.
#   testbed.sh start BUILD_DIR   (re)create the prefix and start the servers
#   testbed.sh stop  BUILD_DIR   stop them again
set -uo pipefail
action=$1
build=$(cd "$2" && pwd)
prefix=$build/wineprefix
envfile=$build/testbed.env

export WINEPREFIX=$prefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

stop_servers() {
  if [ -d "$prefix" ]; then wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1; fi
  if [ -f "$build/xvfb.pid" ]; then
    kill "$(cat "$build/xvfb.pid")" >/dev/null 2>&1
    rm -f "$build/xvfb.pid"
  fi
}

start_servers() {
  stop_servers
  rm -rf "$prefix"
  : > "$envfile"
  display=${DISPLAY:-}
  if [ -z "$display" ]; then
    # Let Xvfb pick a free display number and tell us which.
    rm -f "$build/xvfb.display"
    setsid Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp \
      9>"$build/xvfb.display" >/dev/null 2>&1 </dev/null &
    echo $! > "$build/xvfb.pid"
    for _ in $(seq 100); do [ -s "$build/xvfb.display" ] && break; sleep 0.1; done
    [ -s "$build/xvfb.display" ] || { echo "testbed: Xvfb did not start"; return 1; }
    display=:$(tr -d '\n' < "$build/xvfb.display")
  fi
  echo "export DISPLAY=$display" >> "$envfile"
  export DISPLAY=$display
  wineboot --init || { echo "testbed: wineboot failed"; return 1; }
  wineserver -w
  # Extra drive letters of every other kind, for the path tests.
  mkdir -p "$build/drives/removable" "$build/drives/cdrom" "$build/drives/network"
  ln -sfn "$build/drives/removable" "$prefix/dosdevices/r:"
  ln -sfn "$build/drives/cdrom"     "$prefix/dosdevices/s:"
  ln -sfn "$build/drives/network"   "$prefix/dosdevices/n:"
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
  setsid wineserver -p >/dev/null 2>&1 </dev/null
  echo "testbed: prefix $prefix ready on display $display"
}

case "$action" in
start)
  # Everything that outlives this script (Xvfb, wineserver, Wine's services)
  # must not hold the caller's output open, or ctest would wait for it.
  start_servers >"$build/testbed.log" 2>&1 </dev/null
  status=$?
  cat "$build/testbed.log"
  exit $status
  ;;
stop)
  stop_servers
  echo "testbed: stopped"
  ;;
*)
  echo "usage: $0 start|stop BUILD_DIR"; exit 2 ;;
esac
