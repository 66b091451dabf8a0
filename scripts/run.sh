#!/usr/bin/env bash
# Sets up what is missing, builds Quillon and starts it on the simulated chipset.
# With a display the window opens. Without one, the sample settings file is applied
# silently and the simulated registers are printed before and after.
# The chipset's state is kept in build/demo/chipset.txt between runs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
source scripts/wine-session.sh
for preset in win32 native; do cmake --preset "$preset" >/dev/null; done
cmake --build --preset win32 --target quillon io_sim
cmake --build --preset native --target show_registers

demo=build/demo
mkdir -p "$demo"
trap stop_wine_session EXIT
start_wine_session
export WINEPATH QUILLON_SIM_STATE
WINEPATH=$(winepath -w build/win32/sim)           # where the simulated io.dll is found
QUILLON_SIM_STATE=$(winepath -w "$demo/chipset.txt")
quillon="$PWD/build/win32/bin/quillon.exe"

if [ -n "${DISPLAY:-}" ] && xset q >/dev/null 2>&1; then
  echo "Starting Quillon on the simulated chipset (state: $demo/chipset.txt)."
  (cd "$demo" && wine "$quillon" "$@")
else
  echo "No display here, so no window: applying examples/sample.qln silently instead."
  echo
  echo "Simulated registers before:"
  build/native/sim/show_registers "$demo/chipset.txt"
  sample=$(winepath -w examples/sample.qln)
  (cd "$demo" && wine "$quillon" "$sample")
  echo
  echo "Simulated registers after:"
  build/native/sim/show_registers "$demo/chipset.txt"
fi
