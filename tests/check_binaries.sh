#!/usr/bin/env bash
# Checks what the built binaries show the loader: io.dll exports the thirteen port
# functions by their plain names; quillon.exe binds at start nothing but KERNEL32,
# ADVAPI32 (the port lock's access list) and the C runtime, and the window system and
# the file dialog on first use (delay-loaded), so that a silent apply loads neither.
# Usage: check_binaries.sh <objdump> <llvm-readobj> <io.dll> <quillon.exe>
set -euo pipefail
objdump=$1 readobj=$2 dll=$3 exe=$4

expected="ClrPortBit GetPortBit IsDriverInstalled LeftPortShift NotPortBit PortDWordIn PortDWordOut
PortIn PortOut PortWordIn PortWordOut RightPortShift SetPortBit"
exports=$("$objdump" -p "$dll" | sed -n 's/^[[:space:]]*\[ *[0-9]*\] \([^ ]*\)$/\1/p' | sort | paste -sd' ')
expected=$(echo $expected | tr ' ' '\n' | sort | paste -sd' ')
if [ "$exports" != "$expected" ]; then
  echo "io.dll exports: $exports"
  echo "expected:       $expected"
  exit 1
fi

loaded_at_start=" KERNEL32.DLL MSVCRT.DLL ADVAPI32.DLL "
bound_on_first_use=" USER32.DLL GDI32.DLL COMDLG32.DLL SHELL32.DLL "
listed() { case "$2" in *" $1 "*) return 0 ;; *) return 1 ;; esac; }
status=0
while read -r dll_name function kind; do
  if [ "$kind" = load ] && listed "$dll_name" "$loaded_at_start"; then continue; fi
  if [ "$kind" = delay ] && listed "$dll_name" "$bound_on_first_use"; then continue; fi
  if listed "$dll_name" "$bound_on_first_use"; then
    echo "quillon.exe imports $function from $dll_name at load time:" \
         "the link lost its --delayload (toolchain/README.md)"
  elif listed "$dll_name" "$loaded_at_start"; then
    echo "quillon.exe delay-loads $function from $dll_name, which every run loads anyway"
  else
    echo "quillon.exe imports $function from $dll_name, a DLL it is not meant to need"
  fi
  status=1
done < <(bash "$(dirname "$0")/pe_imports.sh" "$readobj" "$exe")
[ $status = 0 ] && echo "1 passed, 0 failed"
exit $status
