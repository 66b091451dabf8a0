#!/usr/bin/env bash
# Sets up what is missing, builds everything and runs every test: the platform-free
# code natively under AddressSanitizer and UBSan, then the Windows builds (32- and
# 64-bit) under Wine with a private X display. On a host that cannot execute 32-bit
# code (or with QUILLON_NO_32BIT=1) the 32-bit build gets its static checks only.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
source scripts/lib/wine-session.sh

for preset in native win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

ctest --test-dir build/native --output-on-failure

trap stop_wine_session EXIT
start_wine_session --display
report_skipped_32bit_runs "every win32 test that runs under Wine; the win32 build gets only its
      static checks (imports, exports, Windows XP, the download's contents), the win64 build
      is tested in full."
status=0
for preset in win32 win64; do
  if [ "$preset" = win32 ] && [ "$QUILLON_HOST_32BIT" != 1 ]; then
    echo "== Windows static checks ($preset) =="
    ctest --test-dir "build/$preset" --output-on-failure -L static || status=1
    continue
  fi
  echo "== Windows tests ($preset) =="
  ctest --test-dir "build/$preset" --output-on-failure || status=1
  # The window tests leave a screenshot of the open window to look at.
  for shot in "build/$preset"/screenshots/*.bmp; do
    if [ -e "$shot" ]; then convert "$shot" "${shot%.bmp}.png" && rm -f "$shot"; fi
  done
done
exit $status
