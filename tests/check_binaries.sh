#!/usr/bin/env bash
# Checks what the built binaries show the loader: io.dll exports the thirteen port
# functions by their plain names, and quillon.exe imports nothing but KERNEL32 and the
# C runtime: the window system and the registry are bound on first use, so that the
# silent apply loads neither.
# Usage: check_binaries.sh <objdump> <io.dll> <quillon.exe>
set -euo pipefail
objdump=$1 dll=$2 exe=$3

expected="ClrPortBit GetPortBit IsDriverInstalled LeftPortShift NotPortBit PortDWordIn PortDWordOut
PortIn PortOut PortWordIn PortWordOut RightPortShift SetPortBit"
exports=$("$objdump" -p "$dll" | sed -n 's/^[[:space:]]*\[ *[0-9]*\] \([^ ]*\)$/\1/p' | sort | paste -sd' ')
expected=$(echo $expected | tr ' ' '\n' | sort | paste -sd' ')
if [ "$exports" != "$expected" ]; then
  echo "io.dll exports: $exports"
  echo "expected:       $expected"
  exit 1
fi

loaded_at_start=" KERNEL32.DLL MSVCRT.DLL "
bound_on_first_use=" USER32.DLL GDI32.DLL ADVAPI32.DLL SHELL32.DLL COMDLG32.DLL COMCTL32.DLL "
status=0
while read -r dll_name function; do
  case "$loaded_at_start" in *" $dll_name "*) continue ;; esac
  case "$bound_on_first_use" in
    *" $dll_name "*) echo "quillon.exe imports $function from $dll_name at load time:" \
                          "add it to app/lazy_imports.cpp" ;;
    *) echo "quillon.exe imports $dll_name, which is not a system DLL" ;;
  esac
  status=1
done < <("$objdump" -p "$exe" | awk '
  /DLL Name:/ { dll = toupper($3); next }
  /^[[:space:]]*$/ { dll = "" }
  dll != "" && NF == 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ { print dll, $3 }')
[ $status = 0 ] && echo "1 passed, 0 failed"
exit $status
