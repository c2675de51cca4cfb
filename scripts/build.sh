#!/usr/bin/env bash
# Installs what is missing, configures the two cross builds and builds the
# given targets (everything when none are given) in both:
#   ${OVRA_BUILD_DIR:-build}/x64   OvraHivemend64.exe and its tests
#   ${OVRA_BUILD_DIR:-build}/x86   OvraHivemend.exe, its tests and the packages
#   build.sh [target...]
# Both are always built: cross-compiling needs no 32-bit support from the
# host, only running the x86 program does.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${OVRA_BUILD_DIR:-build}

if [ "$(id -u)" -eq 0 ]; then
  bash scripts/setup.sh
else
  sudo bash scripts/setup.sh
fi

x64=$build/x64 x86=$build/x86
cmake -S . -B "$x64" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DOVRA_WERROR=ON >/dev/null
cmake -S . -B "$x86" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DOVRA_WERROR=ON \
      -DOVRA_PEER_PROGRAM="$(cd "$x64" && pwd)/OvraHivemend64.exe" >/dev/null
for tree in "$x64" "$x86"; do
  if [ $# -eq 0 ]; then
    cmake --build "$tree" -j"$(nproc)"
  else
    cmake --build "$tree" -j"$(nproc)" --target "$@"
  fi
done
