#!/usr/bin/env bash
# Runs a command with a tiny drive T: in the build tree's test prefix that
# holds a copy of the program and its help file and little room besides.
#   tiny-drive.sh BUILD_DIR command [args...]
# Where this machine lets us mount a small file system (tmpfs, as root), T: is
# a volume that really fills up; elsewhere T: is a plain folder and every file
# written under the command is limited in size instead, so the same writes
# fail part way. OVRA_TINY_DRIVE tells the command which: "volume" or "limit".
set -uo pipefail
build=$(cd "$1" && pwd); shift
# shellcheck disable=SC1091
. "$(dirname "$0")/wine-env.sh"
ovra_bed "$build"
drive=$OVRA_BED/drives/tiny
link=$WINEPREFIX/dosdevices/t:

umount "$drive" >/dev/null 2>&1
rm -rf "$drive"
mkdir -p "$drive"
# Room for the two files (in whole pages) and 64 KiB more.
kb=8
for f in "$build/$OVRA_PROGRAM" "$build/help.html"; do
  kb=$(( kb + ( $(stat -c %s "$f") + 4095 ) / 4096 * 4 ))
done
kb=$(( kb + 64 ))
if mount -t tmpfs -o size=${kb}k,mode=0755 ovra-tiny "$drive" >/dev/null 2>&1; then
  kind=volume
else
  kind=limit
fi
cp "$build/$OVRA_PROGRAM" "$build/help.html" "$drive/"
ln -sfn "$drive" "$link"
echo "tiny drive: $kind ($kb KiB)"

(
  export OVRA_TINY_DRIVE=$kind
  if [ "$kind" = limit ]; then
    # A write past the limit fails with an error instead of ending the writer.
    trap '' XFSZ
    ulimit -f 64
  fi
  exec "$@"
)
status=$?

rm -f "$link"
if [ "$kind" = volume ]; then umount "$drive"; fi
rm -rf "$drive"
exit $status
