#!/usr/bin/env bash
# Sets up what is missing, builds everything and runs every test: the platform-free
# code natively under AddressSanitizer and UBSan, then the Windows builds (32- and
# 64-bit) under Wine with a private X display.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
source scripts/wine-session.sh

for preset in native win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

ctest --test-dir build/native --output-on-failure

trap stop_wine_session EXIT
start_wine_session --display
status=0
for preset in win32 win64; do
  echo "== Windows tests ($preset) =="
  ctest --test-dir "build/$preset" --output-on-failure || status=1
  # The window tests leave a screenshot of the open window to look at.
  for shot in "build/$preset"/screenshots/*.bmp; do
    if [ -e "$shot" ]; then convert "$shot" "${shot%.bmp}.png" && rm -f "$shot"; fi
  done
done
exit $status
