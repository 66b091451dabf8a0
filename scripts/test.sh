#!/usr/bin/env bash
# Sets up what is missing, builds everything and runs every test: the platform-free
# code natively under AddressSanitizer and UBSan, then the Windows builds (32- and
# 64-bit) under Wine, each in a Wine session of its own (prefix, server, private X
# display) so that both are tested at once. On a host that cannot execute 32-bit code
# (or with QUILLON_NO_32BIT=1) the 32-bit build gets its static checks only.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
source scripts/lib/wine-host.sh

for preset in native win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

ctest --test-dir build/native --output-on-failure

report_skipped_32bit_runs "every win32 test that runs under Wine; the win32 build gets only its
      static checks (imports, exports, the Windows checks, the download's contents), the win64 build
      is tested in full."

# One Windows build's tests. Its own session keeps the two builds' windows, focus,
# registry and machine-wide lock apart; the 32-bit build's is the usual build/wineprefix.
test_windows_build() {
  local preset=$1
  if [ "$preset" = win32 ] && [ "$QUILLON_HOST_32BIT" != 1 ]; then
    echo "== Windows static checks ($preset) =="
    ctest --test-dir "build/$preset" --output-on-failure -L static
    return
  fi
  echo "== Windows tests ($preset) =="
  (
    if [ "$preset" != win32 ]; then export QUILLON_SESSION_PREFIX="$PWD/build/wineprefix-$preset"; fi
    source scripts/lib/wine-session.sh
    trap stop_wine_session EXIT
    start_wine_session --display
    status=0
    ctest --test-dir "build/$preset" --output-on-failure || status=1
    # The window tests leave a screenshot of the open window to look at.
    for shot in "build/$preset"/screenshots/*.bmp; do
      if [ -e "$shot" ]; then convert "$shot" "${shot%.bmp}.png" && rm -f "$shot"; fi
    done
    exit $status
  )
}

status=0
test_windows_build win32 >build/test-win32.log 2>&1 &
win32_tests=$!
test_windows_build win64 >build/test-win64.log 2>&1 &
win64_tests=$!
wait "$win32_tests" || status=1
wait "$win64_tests" || status=1
cat build/test-win32.log build/test-win64.log
exit $status
