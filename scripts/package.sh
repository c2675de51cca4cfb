#!/usr/bin/env bash
# Builds what users get, both programs in each:
#   build/x86/OvraHivemend-Setup.exe      the installer (x86; installs the
#                                         64-bit program on 64-bit Windows)
#   build/x86/OvraHivemend-portable.zip   OvraHivemend.exe, OvraHivemend64.exe, help.html
# and the 64-bit installer of the 64-bit program that hosts without 32-bit
# support test: build/x64/OvraHivemend-Setup64.exe.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${OVRA_BUILD_DIR:-build}

bash scripts/build.sh release_package
ls -l "$build/x86/OvraHivemend-Setup.exe" "$build/x86/OvraHivemend-portable.zip" "$build/x64/OvraHivemend-Setup64.exe"
