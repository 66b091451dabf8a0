#!/usr/bin/env bash
# Prints Quillon's speed and size figures under Wine against the simulated chipset.
# Not a test: it only measures. Usage: bash bench/bench.sh [runs] [other quillon.exe]
# Measures the 32-bit product where this host executes 32-bit code, otherwise (or with
# QUILLON_NO_32BIT=1) the 64-bit build in its place; the table says which. Another
# build of the program (a copy made before a change) is measured in the same turns, so
# that a before and after share the host's load.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-15}
other=${2:+$(realpath "$2")}
bash scripts/setup.sh
source scripts/lib/wine-session.sh
preset=$(wine_run_preset)
report_skipped_32bit_runs "the 32-bit product's timings; the 64-bit build is measured instead."
targets=(quillon io_sim bench_empty_program bench_empty_window bench_form_window bench_launch_timer)
for p in $(printf '%s\n' "$preset" win32 | sort -u); do
  cmake --preset "$p" >/dev/null
  cmake --build --preset "$p" --target "${targets[@]}" >/dev/null
done

build=build/$preset
# The simulated chipset stays in here (the log and the snapshot go to the prefix's
# machine folder).
work=$PWD/build/bench-run
rm -rf "$work" && mkdir -p "$work"
cp examples/sample.qln "$work/full.qln"
trap stop_wine_session EXIT
start_wine_session --display

export WINEPATH; WINEPATH=$(windows_path "$build/sim")
export QUILLON_SIM_STATE; QUILLON_SIM_STATE=$(windows_path "$work/chipset.txt")
timer="$PWD/$build/bench/bench_launch_timer.exe"
quillon=$(windows_path "$build/bin/quillon.exe")
empty=$(windows_path "$build/bench/bench_empty_program.exe")
empty_window=$(windows_path "$build/bench/bench_empty_window.exe")
form_window=$(windows_path "$build/bench/bench_form_window.exe")
full=$(windows_path "$work/full.qln")
other_exe=""
if [ -n "$other" ]; then
  cp "$other" "$work/other_quillon.exe"
  other_exe=$(windows_path "$work/other_quillon.exe")
fi

medians() { (cd "$work" && "$QUILLON_WINE" "$timer" "$@" 2>/dev/null) | tr -d '\r' | paste -sd' '; }
ratio() { python3 -c "print(f'{$1 / $2:.2f}')"; }
kib() { python3 -c "print(f'{$(stat -c %s "$1") / 1024:.1f}')"; }

# Wine's own services are still settling after the start: let them, before measuring.
medians exit 5 "$empty" "" "$quillon" "$full" >/dev/null

read -r apply_ms empty_ms other_apply_ms <<<"$(medians exit "$runs" "$quillon" "$full" "$empty" "" \
  ${other_exe:+"$other_exe" "$full"})"
read -r window_ms empty_window_ms form_window_ms other_window_ms <<<"$(medians idle "$runs" "$quillon" "" \
  "$empty_window" "" "$form_window" "" ${other_exe:+"$other_exe" ""})"

# One more silent apply, with the simulated chipset logging its port calls and Wine
# naming every DLL it loads, in order.
log="$work/ports.log"
(cd "$work" && QUILLON_SIM_LOG=$(windows_path "$log") WINEDEBUG=+loaddll \
  "$QUILLON_WINE" "$quillon" "$full" 2>"$work/loaddll.txt" >/dev/null)
port_calls=$(wc -l <"$log")
loaded=$(sed -n 's/.*Loaded L"\([^"]*\)".*/\1/p' "$work/loaddll.txt" | sed 's/.*\\//' |
  tr 'A-Z' 'a-z' | awk '!seen[$0]++' | paste -sd' ')

imports() {
  x86_64-w64-mingw32-objdump -p "$1" | awk '/DLL Name:/ {print $3}' | sort | paste -sd' '
}

row() { printf '  %-32s %-12s %-12s %s\n' "$@"; }
echo "Quillon benchmark: $preset build under Wine ($($QUILLON_WINE --version)), median of $runs runs"
row "measure" "quillon" "baseline" "ratio (goal)"
row "silent apply / empty program" "$apply_ms ms" "$empty_ms ms" \
  "$(ratio "$apply_ms" "$empty_ms") (<= 1.10)"
row "window ready / empty window" "$window_ms ms" "$empty_window_ms ms" \
  "$(ratio "$window_ms" "$empty_window_ms") (<= 1.25)"
# The same window's controls and entries with no logic behind them: the floor.
row "window ready / form, no logic" "$window_ms ms" "$form_window_ms ms" \
  "$(ratio "$window_ms" "$form_window_ms") (<= 1.10)"
if [ -n "$other" ]; then
  row "other build: silent apply" "$other_apply_ms ms" "$empty_ms ms" "$(ratio "$other_apply_ms" "$empty_ms")"
  row "other build: window / no logic" "$other_window_ms ms" "$form_window_ms ms" \
    "$(ratio "$other_window_ms" "$form_window_ms")"
fi
for p in $(printf '%s\n' win32 "$preset" | sort -u); do
  row "stripped quillon.exe ($p)" "$(kib "build/$p/bin/quillon.exe") KiB" "" "(<= 192 KiB)"
done
row "port calls per silent apply" "$port_calls" "" "(30 checks + 36)"
echo "  imports of quillon.exe ($preset): $(imports "$build/bin/quillon.exe")"
echo "  DLLs loaded by a silent apply: $loaded"
