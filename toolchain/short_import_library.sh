#!/usr/bin/env bash
# Makes a short import library for one system DLL, which lld can delay-load (it cannot
# delay-load from the long import libraries MinGW-w64 ships). Every function the
# system import library offers goes in, so a new call of the program needs no list
# kept by hand.
# Usage: short_import_library.sh <nm> <llvm-dlltool> <i386|i386:x86-64> <system lib> <dll> <output>
set -euo pipefail
nm=$1 dlltool=$2 machine=$3 system_library=$4 dll=$5 output=$6

# 32-bit slots are __imp__Name@bytes (standard call) or __imp__Name, 64-bit ones
# __imp_Name: the name after the prefix is the .def file's entry.
case $machine in
  i386) prefix=__imp__ ;;
  *) prefix=__imp_ ;;
esac
{
  echo "LIBRARY $dll"
  echo "EXPORTS"
  "$nm" "$system_library" 2>/dev/null |
    awk -v prefix="$prefix" 'NF >= 2 && $(NF-1) == "I" && index($NF, prefix) == 1 { print substr($NF, length(prefix) + 1) }' |
    sort -u
} >"$output.def"
if [ "$(wc -l <"$output.def")" -lt 3 ]; then
  echo "short_import_library: no imports found in $system_library" >&2
  exit 1
fi
# -k: the loader looks a function up by its plain name, the program calls it decorated.
rm -f "$output"
"$dlltool" -m "$machine" -k -d "$output.def" -l "$output"
