#!/usr/bin/env bash
# Installs what building and testing Ovra Hivemend needs on Debian 12.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

packages=(
  g++-mingw-w64-i686-posix   # the 32-bit Windows cross compiler
  g++-mingw-w64-x86-64-posix # the 64-bit Windows cross compiler
  cmake make
  wine wine64 wine32:i386    # runs the program and its tests (64-bit loader everywhere,
                             # 32-bit where the host kernel runs i386 code)
  xvfb x11-utils x11-apps xdotool imagemagick   # windows without a display, screenshots
  googletest                 # test framework, built from source with the cross compiler
  clang libclang-rt-14-dev   # native fuzzing of the command-line parser
  python3 python3-pil        # resource generator
  nsis zip                   # installer and portable package
  locales                    # a Japanese locale, for tests under a double-byte code page
  fonts-wqy-microhei         # Chinese glyphs for the demo and its screenshots (Wine's fonts have none)
)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  updated=0
else
  updated=1
fi

for p in "${packages[@]}"; do
  have "$p" || need+=("$p")
done

if [ ${#need[@]} -eq 0 ]; then
  echo "setup: everything is installed"
else
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
  echo "setup: installed ${need[*]}"
fi

# Wine takes the ANSI code page from the Unix locale: ja_JP.UTF-8 gives 932.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
  grep -qx 'ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
  echo "setup: generated the locale ja_JP.UTF-8"
fi
