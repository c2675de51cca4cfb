#!/usr/bin/env bash
# Fuzzes the command-line reader and the uninstall heuristics natively on Linux with
# libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer, for a bounded
# time. The corpus grows in the build tree, so later runs go on from it.
#   fuzz.sh [seconds]   (default 30)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
out=${OVRA_BUILD_DIR:-build}/fuzz
mkdir -p "$out/corpus"

clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -Wall -Wextra -Wpedantic -Werror -I tests/fuzz -I . \
  checks/ovraSweepline.cpp checks/ovraCommandLine.cpp platform/ovraProgramSearch.cpp platform/ovraCodePage.cpp \
  tests/fuzz/ovraFuzzWindows.cpp tests/fuzz/fuzz_sweepline.cpp \
  -o "$out/fuzz_sweepline"

# Start from the shapes real uninstall entries take.
n=0
while IFS= read -r seed; do
  n=$((n + 1))
  printf '%s' "$seed" > "$out/corpus/seed$n"
done <<'SEEDS'
MsiExec.exe /X{12345678-ABCD-1234-ABCD-123456789012}
C:\Program Files\App\uninst.exe /S
"C:\Program Files\App\uninst.exe" /S
C:\WINDOWS\IsUninst.exe -f"C:\Program Files\App\Uninst.isu"
C:\WINDOWS\IsUninst.exe -fC:\PROGRA~1\App\Uninst.isu -c"C:\PROGRA~1\App\setup.dll"
C:\WINDOWS\unwise.exe C:\Program Files\App\INSTALL.LOG
C:\App\uninst.bat C:\App\tool.exe
"C:\App\setup.exe" /remove "C:\Program Files\App\setup.log" 'C:\App\a.ini'
C:\App\run.com "C:\App\a.ini"
""
C:\App\uninst.exe C:\App\setup.ini /LOG=C:\Temp\u.log
C:\IsUninst.exe -fC:\Program Files\App\DeIsL1.isu
C:\Program Files\App\uninst.cmd /x
RunDll32.exe C:\Gone\setup.dll,Uninstall
rundll32.exe "C:\Program Files\App\helper.dll",Start /q
"C:\Gone\tray.exe" --minimized
fooun /x
SEEDS

UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
"$out/fuzz_sweepline" -max_total_time="$seconds" -max_len=4096 -dict=tests/fuzz/sweepline.dict \
  -print_final_stats=1 -artifact_prefix="$out/" "$out/corpus"
