#!/usr/bin/env bash
# Checks that every system function quillon.exe calls exists on Windows XP SP3, without
# running anything: a C++ file that takes the address of each imported function is
# compiled against the Windows headers at the XP level (_WIN32_WINNT 0x0501), where
# MinGW-w64 hides what came later, and so are the functions the program binds on first
# use (app/lazy_imports.cpp). The C runtime's functions are not versioned in the
# headers; they are held against a list of those XP's msvcrt.dll lacks.
# Windows 2000 SP4 (0x0500) is checked the same way and reported, not required.
# Usage: check_xp_imports.sh <c++ compiler> <objdump> <quillon.exe> <source dir>
set -euo pipefail
compiler=$1 objdump=$2 exe=$3 source_dir=$4

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# "DLL function" per import by name.
"$objdump" -p "$exe" | awk '
  /DLL Name:/ { dll = toupper($3); next }
  /^[[:space:]]*$/ { dll = "" }
  dll != "" && NF == 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ { print dll, $3 }' >"$work/imports"
if [ ! -s "$work/imports" ]; then
  echo "no imports found in $exe"
  exit 1
fi

status=0

# The C runtime: nothing of the secure, locale or 64-bit-offset families that came
# with Vista's msvcrt.dll, nor these single newcomers.
post_xp_crt=" _fseeki64 _ftelli64 strnlen wcsnlen _set_invalid_parameter_handler
  _get_invalid_parameter_handler _create_locale _free_locale _get_current_locale
  _configthreadlocale _aligned_msize _recalloc _set_abort_behavior _set_purecall_handler
  _get_errno _set_errno _get_doserrno "
while read -r dll name; do
  [ "$dll" = MSVCRT.DLL ] || continue
  case "$name" in
    *_s | *_l | _*_s_l) echo "msvcrt.dll $name: not in Windows XP's C runtime"; status=1 ;;
    *) case "$post_xp_crt" in *[[:space:]]"$name"[[:space:]]*)
         echo "msvcrt.dll $name: not in Windows XP's C runtime"; status=1 ;; esac ;;
  esac
done <"$work/imports"

# Every other import: its address, taken at the header level of the system checked.
{
  echo '#include <windows.h>'
  echo '#include <commdlg.h>'
  echo '#include <commctrl.h>'
  echo 'void* const kImported[] = {'
  awk '$1 != "MSVCRT.DLL" { printf "    reinterpret_cast<void*>(&::%s),  // %s\n", $2, $1 }' "$work/imports"
  echo '};'
} >"$work/imports.cpp"

compiles_at() {  # <_WIN32_WINNT> <file> <log>
  LC_ALL=C "$compiler" -std=c++17 -fsyntax-only -D_WIN32_WINNT="$1" -DWINVER="$1" -D_WIN32_IE=0x0500 \
    -I"$source_dir" "$2" >"$3" 2>&1
}

missing_names() {  # <log>: the names the compiler did not know
  grep -o "'::[A-Za-z0-9_]*' has not been declared\|'[A-Za-z0-9_]*' was not declared" "$1" |
    grep -o "'[:A-Za-z0-9_]*'" | tr -d ":'" | sort -u | paste -sd' '
}

also_2000=" (and on Windows 2000 SP4)"
for file in "$work/imports.cpp" "$source_dir/app/lazy_imports.cpp"; do
  what="quillon.exe's imports"
  [ "$file" = "$work/imports.cpp" ] || what="functions bound on first use (app/lazy_imports.cpp)"
  if ! compiles_at 0x0501 "$file" "$work/xp.log"; then
    echo "$what not all in Windows XP: $(missing_names "$work/xp.log")"
    sed -n '1,20p' "$work/xp.log"
    status=1
  elif ! compiles_at 0x0500 "$file" "$work/w2k.log"; then
    echo "note: $what need more than Windows 2000: $(missing_names "$work/w2k.log")"
    also_2000=""
  fi
done

count=$(wc -l <"$work/imports")
if [ $status = 0 ]; then
  echo "$count imports and the functions bound on first use exist on Windows XP SP3$also_2000"
  echo "1 passed, 0 failed"
fi
exit $status
