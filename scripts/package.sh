#!/usr/bin/env bash
# Builds the installer and the portable zip:
#   build/OvraHivemend-Setup.exe      (makensis, from scripts/installer/)
#   build/OvraHivemend-portable.zip   (OvraHivemend.exe and help.html)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${OVRA_BUILD_DIR:-build}

bash scripts/build.sh release_package
ls -l "$build/OvraHivemend-Setup.exe" "$build/OvraHivemend-portable.zip"
