#!/usr/bin/env bash
# Installs what is missing, configures the cross build and builds the given
# targets (everything when none are given) in ${OVRA_BUILD_DIR:-build}.
#   build.sh [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${OVRA_BUILD_DIR:-build}

if [ "$(id -u)" -eq 0 ]; then
  bash scripts/setup.sh
else
  sudo bash scripts/setup.sh
fi

cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DOVRA_WERROR=ON >/dev/null
if [ $# -eq 0 ]; then
  cmake --build "$build" -j"$(nproc)"
else
  cmake --build "$build" -j"$(nproc)" --target "$@"
fi
