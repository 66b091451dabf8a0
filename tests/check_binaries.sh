#!/usr/bin/env bash
# Checks what the built binaries show the loader: io.dll exports the thirteen port
# functions by their plain names, and quillon.exe imports nothing but system DLLs.
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

allowed=" KERNEL32.DLL USER32.DLL GDI32.DLL COMDLG32.DLL ADVAPI32.DLL COMCTL32.DLL MSVCRT.DLL "
status=0
for dll_name in $("$objdump" -p "$exe" | awk '/DLL Name:/ {print toupper($3)}'); do
  case "$allowed" in
    *" $dll_name "*) ;;
    *) echo "quillon.exe imports $dll_name, which is not a system DLL"; status=1 ;;
  esac
done
[ $status = 0 ] && echo "1 passed, 0 failed"
exit $status
