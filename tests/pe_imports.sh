#!/usr/bin/env bash
# Prints what a Windows program imports, one function a line: "DLL function load" for
# the import table the loader binds at start, "DLL function delay" for the delay-import
# table the program binds on first call. DLL names in capitals.
# Usage: pe_imports.sh <llvm-readobj> <program>
set -euo pipefail
"$1" --coff-imports "$2" | awk '
  /^Import \{/ { kind = "load"; next }
  /^DelayImport \{/ { kind = "delay"; next }
  /^\}/ { kind = ""; dll = ""; next }
  kind != "" && $1 == "Name:" && dll == "" { dll = toupper($2); next }
  kind != "" && $1 == "Symbol:" && dll != "" && $2 !~ /^\(/ { print dll, $2, kind }'
