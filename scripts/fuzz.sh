#!/usr/bin/env bash
# Long run of the settings-number fuzzer: bash scripts/fuzz.sh [seconds, default 600]
# Builds the native preset, then fuzzes on both cores. Inputs it finds collect in
# build/native/tests/fuzz/number_text_corpus; a failing input is saved in build/fuzz.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
bash scripts/setup.sh
cmake --preset native >/dev/null
cmake --build --preset native --target number_text_fuzzer
mkdir -p build/fuzz
work=build/native/tests/fuzz/number_text_corpus
mkdir -p "$work"
./build/native/tests/fuzz/number_text_fuzzer -max_total_time="$seconds" -fork=2 \
  -artifact_prefix=build/fuzz/ "$work" tests/fuzz/corpus
