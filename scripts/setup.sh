#!/usr/bin/env bash
# Installs what building and testing Quillon needs on Debian. Safe to run again:
# it only calls apt when a tool is missing. Works on hosts with and without 32-bit
# execution (scripts/lib/wine-host.sh); the 32-bit Wine loader is wanted only where it runs.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/wine-host.sh

need_cmd() { command -v "$1" >/dev/null 2>&1; }
need_file() { [ -e "$1" ]; }

# A host that can run the 32-bit loader, or has none yet, wants it; one where it is
# installed and fails (or QUILLON_NO_32BIT=1) does without.
want_wine32=0
if [ "$QUILLON_HOST_32BIT" = 1 ] ||
   { [ "${QUILLON_NO_32BIT:-0}" != 1 ] && [ ! -e /usr/lib/wine/wine ]; }; then
  want_wine32=1
fi

missing=0
# ld.lld links quillon.exe, llvm-dlltool makes the short import libraries it delay-loads
# from, llvm-readobj shows the tests both import tables (toolchain/README.md).
for c in cmake ninja clang++ i686-w64-mingw32-g++-win32 x86_64-w64-mingw32-g++-win32 \
         ld.lld llvm-dlltool llvm-readobj \
         wine wineserver Xvfb xauth convert xwd xset xdotool; do
  need_cmd "$c" || { echo "setup: missing $c"; missing=1; }
done
files=(/usr/src/googletest/CMakeLists.txt /usr/lib/wine/wine64
       /usr/share/wine/fonts/ms_sans_serif.ttf)
[ "$want_wine32" = 1 ] && files+=(/usr/lib/wine/wine)
for f in "${files[@]}"; do
  need_file "$f" || { echo "setup: missing $f"; missing=1; }
done
# The fuzzer's runtime sits wherever this clang keeps its own: asked of clang itself.
fuzzer_links() {
  need_cmd clang++ && echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' |
    clang++ -fsanitize=fuzzer -x c++ - -o /dev/null >/dev/null 2>&1
}
fuzzer_links || { echo "setup: clang++ cannot link a fuzzer (libFuzzer runtime missing)"; missing=1; }

if [ "$missing" = 1 ]; then
  SUDO=""
  [ "$(id -u)" = 0 ] || SUDO="sudo"
  packages=(cmake ninja-build clang libclang-rt-dev lld llvm googletest
            g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32
            wine wine64 fonts-wine xvfb xauth x11-apps x11-xserver-utils imagemagick
            xdotool)
  if [ "$want_wine32" = 1 ]; then
    packages+=(wine32:i386)
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
      $SUDO dpkg --add-architecture i386
    fi
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
  # What was just installed decides again which Wine this host runs.
  unset QUILLON_HOST_32BIT QUILLON_WINE QUILLON_NO_32BIT_REASON
  detect_wine_host
fi

# A Japanese locale: Wine takes the ANSI code page from LC_ALL/LANG, and the paths of
# code page 932 are tested in a prefix started with it. Made once, where it is missing.
japanese_locale_present() { locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; }
if ! japanese_locale_present; then
  SUDO=""
  [ "$(id -u)" = 0 ] || SUDO="sudo"
  if ! need_cmd localedef || [ ! -e /usr/share/i18n/locales/ja_JP ]; then
    $SUDO apt-get update -q || echo "setup: apt-get update reported errors, going on"
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q locales
  fi
  echo "setup: generating the locale ja_JP.UTF-8"
  $SUDO localedef -i ja_JP -c -f UTF-8 ja_JP.UTF-8 || true
  japanese_locale_present || { echo "setup: the locale ja_JP.UTF-8 could not be made" >&2; exit 1; }
fi

# Installed is not enough: the Wine chosen for this host must start.
if ! version=$("$QUILLON_WINE" --version 2>&1); then
  echo "setup: Wine does not run on this host: $QUILLON_WINE --version says: $version" >&2
  exit 1
fi
