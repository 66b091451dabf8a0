#!/usr/bin/env bash
# Prints Quillon's speed and size figures under Wine against the simulated chipset.
# Not a test: it only measures. Usage: bash bench/bench.sh [runs]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-15}
bash scripts/setup.sh
source scripts/wine-session.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target quillon io_sim bench_empty_program bench_empty_window \
  bench_launch_timer >/dev/null

work=build/bench-run
rm -rf "$work" && mkdir -p "$work"
cp examples/sample.qln "$work/full.qln"
trap stop_wine_session EXIT
start_wine_session --display

win() { winepath -w "$1"; }
export WINEPATH; WINEPATH=$(win build/win32/sim)
export QUILLON_SIM_STATE; QUILLON_SIM_STATE=$(win "$work/chipset.txt")
timer="build/win32/bench/bench_launch_timer.exe"
quillon=$(win build/win32/bin/quillon.exe)
empty=$(win build/win32/bench/bench_empty_program.exe)
empty_window=$(win build/win32/bench/bench_empty_window.exe)
full=$(win "$work/full.qln")

median() { wine "$timer" "$@" 2>/dev/null | tr -d '\r'; }
ratio() { python3 -c "print(f'{$1 / $2:.2f}')"; }

apply_ms=$(median exit "$runs" "$quillon" "$full")
empty_ms=$(median exit "$runs" "$empty")
window_ms=$(median idle "$runs" "$quillon")
empty_window_ms=$(median idle "$runs" "$empty_window")

log="$work/ports.log"
QUILLON_SIM_LOG=$(win "$log") wine build/win32/bin/quillon.exe "$full" 2>/dev/null
port_calls=$(wc -l <"$log")

size=$(stat -c %s build/win32/bin/quillon.exe)
imports=$(x86_64-w64-mingw32-objdump -p build/win32/bin/quillon.exe 2>/dev/null |
  awk '/DLL Name:/ {print $3}' | sort | paste -sd' ')

echo "Quillon benchmark (Wine, median of $runs runs)"
printf '  silent apply:     %8.2f ms   empty program: %8.2f ms   ratio %s (goal <= 1.10)\n' \
  "$apply_ms" "$empty_ms" "$(ratio "$apply_ms" "$empty_ms")"
printf '  window ready:     %8.2f ms   empty window:  %8.2f ms   ratio %s (goal <= 1.25)\n' \
  "$window_ms" "$empty_window_ms" "$(ratio "$window_ms" "$empty_window_ms")"
printf '  port calls per silent apply: %s (goal 36)\n' "$port_calls"
printf '  quillon.exe size: %s bytes = %s KiB (goal <= 128 KiB)\n' "$size" "$((size / 1024))"
printf '  imports: %s\n' "$imports"
