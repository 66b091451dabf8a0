#!/usr/bin/env bash
# Sets up what is missing, builds Quillon and starts it on the simulated chipset.
# With a display the window opens. Without one, the sample settings file is applied
# silently and the simulated registers are printed before and after.
# The chipset's state is kept in build/demo/chipset.txt between runs. On a host that
# cannot execute 32-bit code (or with QUILLON_NO_32BIT=1) the 64-bit build is started.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
source scripts/lib/wine-session.sh
preset=$(wine_run_preset)
report_skipped_32bit_runs "the 32-bit product; the 64-bit build is started instead."
for p in "$preset" native; do cmake --preset "$p" >/dev/null; done
cmake --build --preset "$preset" --target quillon io_sim
cmake --build --preset native --target show_registers

demo=build/demo
mkdir -p "$demo"
trap stop_wine_session EXIT
start_wine_session
export WINEPATH QUILLON_SIM_STATE
WINEPATH=$(windows_path "build/$preset/sim")           # where the simulated io.dll is found
QUILLON_SIM_STATE=$(windows_path "$demo/chipset.txt")
quillon="$PWD/build/$preset/bin/quillon.exe"

if [ -n "${DISPLAY:-}" ] && xset q >/dev/null 2>&1; then
  echo "Starting Quillon ($preset) on the simulated chipset (state: $demo/chipset.txt)."
  (cd "$demo" && "$QUILLON_WINE" "$quillon" "$@")
else
  echo "No display here, so no window: applying examples/sample.qln silently instead ($preset)."
  echo
  echo "Simulated registers before:"
  build/native/sim/show_registers "$demo/chipset.txt"
  sample=$(windows_path examples/sample.qln)
  (cd "$demo" && "$QUILLON_WINE" "$quillon" "$sample")
  echo
  echo "Simulated registers after:"
  build/native/sim/show_registers "$demo/chipset.txt"
fi
