#!/usr/bin/env bash
# The benchmark: builds the tools, seeds a fresh throwaway prefix inside the
# build tree (never ~/.wine), times the program's scan, backup, restore and
# result page against their floor and against Wine's own reg tool in one
# run, prints one "RATIO <name> <value> target<=<target>" line per figure and
# writes docs/performance.md.
#   bash bench/run.sh   (7 runs a figure; OVRA_BENCH_RUNS=N for another number, at least 5)
# It measures the x64 build in a 64-bit prefix, which every host runs;
# OVRA_BENCH_ARCH=x86 measures the x86 build in a 32-bit prefix instead,
# where the host runs 32-bit code.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${OVRA_BENCH_BUILD:-$root/build-bench}
runs=${OVRA_BENCH_RUNS:-7}
[ "$runs" -ge 5 ] || runs=5

# shellcheck disable=SC1091
. scripts/wine-env.sh
arch=${OVRA_BENCH_ARCH:-x64}
case "$arch" in
x64) kind=win64 toolchain=cmake/mingw-x86_64.cmake ;;
x86)
  kind=win32 toolchain=cmake/mingw-i686.cmake
  reason=$(ovra_i386_refusal)
  [ -z "$reason" ] || { echo "bench: cannot measure the x86 build: $reason"; exit 1; }
  ;;
*) echo "bench: OVRA_BENCH_ARCH must be x64 or x86"; exit 2 ;;
esac
echo "bench: the $arch build in a $kind prefix"
build=$build/$arch
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=$toolchain -DOVRA_WERROR=ON >/dev/null
cmake --build "$build" -j2 --target ovra_seed ovra_bench >/dev/null

prefix=$build/benchprefix
out=$build/bench-out
rm -rf "$out"
mkdir -p "$out"
ovra_wine_env "$kind" "$prefix"

xvfb_pid=
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" >/dev/null 2>&1 || true; fi
}
trap cleanup EXIT

if [ -d "$prefix" ]; then wineserver -k >/dev/null 2>&1 || true; fi
rm -rf "$prefix"
if [ -z "${DISPLAY:-}" ]; then
  # The result view is timed painting a real window.
  setsid Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp 9>"$out/xvfb.display" >/dev/null 2>&1 </dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$out/xvfb.display" ] && break; sleep 0.1; done
  export DISPLAY=:$(tr -d '\n' <"$out/xvfb.display")
fi
uptime >"$out/load-before.txt"
echo "bench: creating and seeding $prefix"
wineboot --init >/dev/null 2>&1
# No window manager on Xvfb: left managed, every window destroyed at a
# process's end makes Wine wait two seconds for one.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null
wineserver -w
setsid "$WINESERVER" -p >/dev/null 2>&1 </dev/null
wine "$build/bench/ovra_seed.exe" >"$out/seed.txt" 2>"$out/seed.err" </dev/null

bench() { wine "$build/bench/ovra_bench.exe" "$@" </dev/null 2>>"$out/bench.err"; }
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
# Appends "RUNS name t1 t2 ..." for a shell command run $runs times.
time_runs() {
  local name=$1; shift
  local line="RUNS $name" t0
  for _ in $(seq "$runs"); do
    t0=$(now_ms)
    "$@"
    line="$line $(( $(now_ms) - t0 ))"
  done
  echo "$line" >>"$out/tools.txt"
}

echo "bench: scan against the floor ($((2 * runs + 1)) runs each)"
# Scan and floor differ by less than the shared machine's load varies: they
# get more pairs of runs than the other figures.
bench scan $((2 * runs + 1)) >"$out/scan.txt"

# The keys the checks read, for reg query.
query_keys=(
  'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders'
  'HKLM\SOFTWARE\Classes'
  'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths'
  'HKCU\SOFTWARE\Microsoft\Windows\ShellNoRoam\MUICache'
  'HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Fonts'
  'HKLM\SOFTWARE\Microsoft\Windows\Help'
  'HKLM\SOFTWARE\Microsoft\Windows\HTML Help'
  'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDLLs'
  'HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
  'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
  'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Installer\Folders'
  'HKCU\Software\Classes'
  'HKCU\Software\Microsoft\Windows\CurrentVersion\App Paths'
  'HKCU\Software\Microsoft\Windows NT\CurrentVersion\AppCompatFlags\Layers'
  'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AppCompatFlags\Layers'
  'HKCU\Software\Microsoft\Windows NT\CurrentVersion\AppCompatFlags\Compatibility Assistant\Store'
  'HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
  'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall'
  'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer\ShellIconOverlayIdentifiers'
  'HKLM\Software\Microsoft\Windows\CurrentVersion\Shell Extensions\Approved'
  'HKLM\SOFTWARE\RegisteredApplications'
  'HKCU\AppEvents\Schemes\Apps'
)
echo "QUERY_KEYS ${#query_keys[@]}" >>"$out/tools.txt"

echo "bench: reg's own start-up cost, reg query, and the scan as a whole process"
# reg's start-up cost: importing a file that holds only the header starts
# reg, reads a file and changes nothing. (A query of a missing key costs
# more, because reg then loads and prints its error text.)
backups=$build/bench/backups
mkdir -p "$backups"
backups_win=$(winepath -w "$backups" 2>/dev/null | tr -d '\r')
printf 'Windows Registry Editor Version 5.00\r\n\r\n' | iconv -t UTF-16 >"$backups/empty.reg"
reg_start() { wine reg import "$backups_win\\empty.reg" >/dev/null 2>&1 </dev/null; }
reg_query_all() {
  for k in "${query_keys[@]}"; do
    wine reg query "$k" /s >/dev/null 2>&1 </dev/null || echo "bench: reg query $k failed" >&2
  done
}
scan_process() { bench scanonce >/dev/null; }
reg_start
time_runs reg_start_ms reg_start
time_runs reg_query_ms reg_query_all
time_runs scan_process_ms scan_process

echo "bench: backup against reg export"
bench backup "$runs" >"$out/backup.txt"
mapfile -t export_keys < <(sed -n 's/^KEY //p' "$out/backup.txt" | tr -d '\r')
echo "EXPORT_KEYS ${#export_keys[@]}" >>"$out/tools.txt"
reg_export_all() {
  local i=0
  for k in "${export_keys[@]}"; do
    wine reg export "$k" "$backups_win\\export$i.reg" /y >/dev/null 2>&1 </dev/null || echo "bench: reg export $k failed" >&2
    i=$((i + 1))
  done
}
time_runs reg_export_ms reg_export_all
echo "INFO export_bytes $(cat "$backups"/export*.reg | wc -c)" >>"$out/tools.txt"

echo "bench: restore against reg import"
bench restore "$runs" >"$out/restore.txt"
# Each import starts, like each restore, from the repaired registry: the
# records are taken out first, untimed.
reg_import_all() {
  local i=0 t0
  # A reg import that failed in the round before leaves a record's key
  # missing, and deleting it fails: said, and the timing goes on.
  bench delete >/dev/null || echo "bench: taking the records out before reg import failed" >&2
  t0=$(now_ms)
  for k in "${export_keys[@]}"; do
    wine reg import "$backups_win\\export$i.reg" >/dev/null 2>&1 </dev/null || echo "bench: reg import $k failed" >&2
    i=$((i + 1))
  done
  echo -n " $(( $(now_ms) - t0 ))" >>"$out/import.txt"
}
: >"$out/import.txt"
for _ in $(seq "$runs"); do reg_import_all; done
echo "RUNS reg_import_ms$(cat "$out/import.txt")" >>"$out/tools.txt"

echo "bench: result view, grouping and memory"
bench views "$runs" >"$out/views.txt"
bench memory >"$out/memory.txt"
uptime >"$out/load-after.txt"

python3 bench/report.py "$out" "$runs" docs/performance.md "$arch" "$kind"
