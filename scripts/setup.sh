#!/usr/bin/env bash
# Installs what building and testing Quillon needs on Debian. Safe to run again:
# it only calls apt when a tool is missing.
set -euo pipefail

need_cmd() { command -v "$1" >/dev/null 2>&1; }
need_file() { [ -e "$1" ]; }

missing=0
for c in cmake ninja clang++ i686-w64-mingw32-g++-posix x86_64-w64-mingw32-g++-posix \
         wine wineserver Xvfb xauth convert xwd xset xdotool; do
  need_cmd "$c" || { echo "setup: missing $c"; missing=1; }
done
for f in /usr/src/googletest/CMakeLists.txt /usr/lib/wine/wine /usr/lib/wine/wine64 \
         /usr/share/wine/fonts/ms_sans_serif.ttf \
         /usr/lib/llvm-14/lib/clang/14.0.6/lib/linux/libclang_rt.fuzzer-x86_64.a; do
  need_file "$f" || { echo "setup: missing $f"; missing=1; }
done
[ "$missing" = 0 ] && exit 0

SUDO=""
[ "$(id -u)" = 0 ] || SUDO="sudo"
packages=(cmake ninja-build clang libclang-rt-14-dev googletest
          g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
          wine wine32:i386 wine64 fonts-wine xvfb xauth x11-apps x11-xserver-utils imagemagick
          xdotool)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
# A mirror caught mid-sync can fail one index; the install below copes with that.
$SUDO apt-get update -q || echo "setup: apt-get update reported errors, going on"
export DEBIAN_FRONTEND=noninteractive
if ! $SUDO apt-get install -y -q "${packages[@]}"; then
  # When the security index of one architecture is missing, the 32-bit Wine libraries
  # cannot match the 64-bit ones; taking both from the release itself keeps them equal.
  release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  $SUDO apt-get install -y -q -t "$release" "${packages[@]}"
fi
