#!/usr/bin/env bash
# Checks that quillon.exe asks for no more than Windows XP SP3, without running
# anything. Its header names the oldest Windows it starts on: at most 5.1 (5.2 for a
# 64-bit program, the first 64-bit Windows). Every system function it imports, at load
# time or delay-loaded on first call, must exist there: a C++ file that takes the
# address of each is compiled against the Windows headers at the XP level
# (_WIN32_WINNT 0x0501), where MinGW-w64 hides what came later. The C runtime's
# functions are not versioned in the headers; they are held against a list of those
# XP's msvcrt.dll lacks.
# Windows 2000 SP4 (0x0500) is checked the same way and reported, not required.
# Usage: check_xp_imports.sh <c++ compiler> <llvm-readobj> <quillon.exe>
set -euo pipefail
compiler=$1 readobj=$2 exe=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# "DLL function load|delay" per import by name.
bash "$(dirname "$0")/pe_imports.sh" "$readobj" "$exe" >"$work/imports"
if [ ! -s "$work/imports" ]; then
  echo "no imports found in $exe"
  exit 1
fi

status=0

# The header: XP refuses a program that asks for a later Windows.
"$readobj" --file-headers "$exe" | awk '
  $1 == "Magic:" && !magic { magic = $2 }
  $1 ~ /^Major(OperatingSystem|Subsystem)Version:$/ { major[$1] = $2 }
  $1 ~ /^Minor(OperatingSystem|Subsystem)Version:$/ { minor[$1] = $2 }
  END {
    limit = (magic == "0x20B") ? 502 : 501
    split("OperatingSystem Subsystem", kinds, " ")
    for (k = 1; k <= 2; k++) {
      v = major["Major" kinds[k] "Version:"] * 100 + minor["Minor" kinds[k] "Version:"]
      if (v > limit) {
        printf "header asks for Windows %d.%d (%s version), more than %d.%d\n", int(v / 100), v % 100, kinds[k], int(limit / 100), limit % 100
        bad = 1
      }
    }
    exit bad
  }' || status=1

# The C runtime: nothing of the secure, locale or 64-bit-offset families that came
# with Vista's msvcrt.dll, nor these single newcomers.
post_xp_crt=" _fseeki64 _ftelli64 strnlen wcsnlen _set_invalid_parameter_handler
  _get_invalid_parameter_handler _create_locale _free_locale _get_current_locale
  _configthreadlocale _aligned_msize _recalloc _set_abort_behavior _set_purecall_handler
  _get_errno _set_errno _get_doserrno "
while read -r dll name _; do
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
  echo '#include <shlobj.h>'
  echo 'void* const kImported[] = {'
  awk '$1 != "MSVCRT.DLL" { printf "    reinterpret_cast<void*>(&::%s),  // %s, %s\n", $2, $1, $3 }' "$work/imports"
  echo '};'
} >"$work/imports.cpp"

compiles_at() {  # <_WIN32_WINNT> <file> <log>
  LC_ALL=C "$compiler" -std=c++17 -fsyntax-only -D_WIN32_WINNT="$1" -DWINVER="$1" -D_WIN32_IE=0x0500 \
    "$2" >"$3" 2>&1
}

missing_names() {  # <log>: the names the compiler did not know
  grep -o "'::[A-Za-z0-9_]*' has not been declared\|'[A-Za-z0-9_]*' was not declared" "$1" |
    grep -o "'[:A-Za-z0-9_]*'" | tr -d ":'" | sort -u | paste -sd' '
}

also_2000=" (and on Windows 2000 SP4)"
if ! compiles_at 0x0501 "$work/imports.cpp" "$work/xp.log"; then
  echo "imports not all in Windows XP: $(missing_names "$work/xp.log")"
  sed -n '1,20p' "$work/xp.log"
  status=1
elif ! compiles_at 0x0500 "$work/imports.cpp" "$work/w2k.log"; then
  echo "note: imports need more than Windows 2000: $(missing_names "$work/w2k.log")"
  also_2000=""
fi

count=$(wc -l <"$work/imports")
if [ $status = 0 ]; then
  delayed=$(awk '$3 == "delay"' "$work/imports" | wc -l)
  echo "$count imports ($delayed of them delay-loaded) exist on Windows XP SP3$also_2000;" \
       "the header asks for no later Windows"
  echo "1 passed, 0 failed"
fi
exit $status
