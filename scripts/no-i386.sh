#!/usr/bin/env bash
# Runs a command as on a host whose kernel refuses 32-bit code (IA-32
# emulation off): inside a private mount namespace, Wine's 32-bit loader and
# preloader are replaced by an executable the kernel rejects with "Exec
# format error", exactly as such a host rejects every i386 program.
#   sudo bash scripts/no-i386.sh bash scripts/test.sh
# Needs root (unshare -m). Nothing outside the command's namespace changes.
set -euo pipefail
lib=${OVRA_WINE_LIB:-/usr/lib/wine}
if [ "${1:-}" != "--inside" ]; then
  exec unshare -m --propagation private bash "$0" --inside "$@"
fi
shift
fake=$(mktemp -d)
# A 64-bit ELF header that names the i386 machine: no binary format handler
# takes it, so execve fails with ENOEXEC.
cp /bin/true "$fake/refused"
printf '\x03\x00' | dd of="$fake/refused" bs=1 seek=18 conv=notrunc status=none
chmod +x "$fake/refused"
for f in wine wine-preloader; do
  [ -e "$lib/$f" ] && mount --bind "$fake/refused" "$lib/$f"
done
"$lib/wine" --version >/dev/null 2>&1 && { echo "no-i386: the 32-bit loader still runs"; exit 1; }
echo "no-i386: Wine's 32-bit loader now fails as on such a host"
"$@"
