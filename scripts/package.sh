#!/usr/bin/env bash
# Builds the installer and the portable zip:
#   build/OvraHivemend-Setup.exe      (makensis, from scripts/installer/)
#   build/OvraHivemend-portable.zip   (OvraHivemend.exe and help.html)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${OVRA_BUILD_DIR:-build}

if [ "$(id -u)" -eq 0 ]; then
  bash scripts/setup.sh
else
  sudo bash scripts/setup.sh
fi

cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DOVRA_WERROR=ON
cmake --build "$build" --target release_package -j"$(nproc)"
ls -l "$build/OvraHivemend-Setup.exe" "$build/OvraHivemend-portable.zip"
