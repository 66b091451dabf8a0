#!/usr/bin/env bash
# Checks, without running anything, that quillon.exe starts on one Windows and binds
# every function it needs there: its header asks for no later Windows; every function
# it imports, at load time or delay-loaded on first call, is one that Windows exports
# by the table tests/data/windows_exports.txt (an import the table does not know fails
# too); its manifest puts each element in the namespace the manifest readers of Vista
# and later (and Wine's) take it in, and names no element the check does not know.
# Usage: check_windows_imports.sh <llvm-readobj> <program> <table> 98se|me|2000|xp
set -euo pipefail
readobj=$1 exe=$2 table=$3 windows=$4

case $windows in
  98se) name="Windows 98 SE" header=410 family=9x level=98 ;;
  me)   name="Windows ME"    header=490 family=9x level=me ;;
  2000) name="Windows 2000"  header=500 family=nt level=2000 ;;
  xp)   name="Windows XP"    header=501 family=nt level=xp ;;
  *) echo "usage: $0 <llvm-readobj> <program> <table> 98se|me|2000|xp" >&2; exit 2 ;;
esac

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bash "$(dirname "$0")/pe_imports.sh" "$readobj" "$exe" >"$work/imports"
if [ ! -s "$work/imports" ]; then
  echo "no imports found in $exe"
  exit 1
fi
status=0

# The header: the loader refuses a program that asks for a later Windows (the first
# 64-bit one, XP x64, is 5.2).
"$readobj" --file-headers "$exe" | awk -v limit="$header" -v name="$name" '
  $1 == "Magic:" && !magic { magic = $2 }
  $1 ~ /^Major(OperatingSystem|Subsystem)Version:$/ { major[$1] = $2 }
  $1 ~ /^Minor(OperatingSystem|Subsystem)Version:$/ { minor[$1] = $2 }
  END {
    if (magic == "0x20B") limit = (limit >= 501) ? 502 : 0
    split("OperatingSystem Subsystem", kinds, " ")
    for (k = 1; k <= 2; k++) {
      v = major["Major" kinds[k] "Version:"] * 100 + minor["Minor" kinds[k] "Version:"]
      if (v > limit) {
        printf "header asks for Windows %d.%d (%s version), more than %s takes\n", int(v / 100), v % 100, kinds[k], name
        bad = 1
      }
    }
    exit bad
  }' || status=1

# Every import against the table. The generations in order, so that "since 98" holds
# for 98 and ME, "since 2000" for 2000 and XP.
awk -v family="$family" -v level="$level" -v name="$name" '
  BEGIN {
    split("95 98 me", nine); for (i in nine) rank9x[nine[i]] = i
    split("nt3 nt4 nt4sp6 2000 xp vista", nt); for (i in nt) rankNt[nt[i]] = i
  }
  FNR == NR {
    if ($0 ~ /^#/ || NF < 5) next
    since9x[$1 " " $2] = $3; sinceNt[$1 " " $2] = $4; next
  }
  {
    key = $1 " " $2
    if (!(key in since9x)) {
      printf "%s %s (%s): not in the table of what each Windows exports; look it up and add it\n", $1, $2, $3
      bad = 1; next
    }
    since = (family == "9x") ? since9x[key] : sinceNt[key]
    rank = (family == "9x") ? rank9x[since] : rankNt[since]
    limit = (family == "9x") ? rank9x[level] : rankNt[level]
    if (since == "-" || rank == "" || rank > limit) {
      printf "%s %s (%s): not in %s\n", $1, $2, $3, name
      bad = 1
    }
  }
  END { exit bad }' "$table" "$work/imports" || status=1

# The manifest, as the resource holds it, element by element with the namespace each
# is in. Windows before XP read no manifest; XP reads only the assembly identity and
# the dependencies, and ignores what it does not know.
LC_ALL=C tr '\r\n' '  ' <"$exe" | LC_ALL=C grep -ao '<assembly[^>]*urn:schemas-microsoft-com:asm.v1.*</assembly>' |
  awk '
  BEGIN {
    RS = "<"
    v1 = "urn:schemas-microsoft-com:asm.v1"; v3 = "urn:schemas-microsoft-com:asm.v3"
    compat = "urn:schemas-microsoft-com:compatibility.v1"
    smi2005 = "http://schemas.microsoft.com/SMI/2005/WindowsSettings"
    split("assembly assemblyIdentity description", e); for (i in e) allowed[e[i] " " v1] = 1
    split("trustInfo security requestedPrivileges requestedExecutionLevel application windowsSettings", e)
    for (i in e) allowed[e[i] " " v3] = 1
    split("compatibility application supportedOS", e); for (i in e) allowed[e[i] " " compat] = 1
    allowed["dpiAware " smi2005] = 1
    depth = 0; ns[0] = ""
  }
  /^[!?]/ || NF == 0 { next }
  /^\// { depth--; next }
  {
    tag = $0; sub(/>.*/, "", tag)
    element = tag; sub(/[ \/].*/, "", element)
    here = ns[depth]
    if (match(tag, /xmlns="[^"]*"/)) here = substr(tag, RSTART + 7, RLENGTH - 8)
    if (!((element " " here) in allowed)) {
      printf "manifest: <%s> in namespace \"%s\", where no Windows reads it\n", element, here
      bad = 1
    }
    seen[element] = 1
    if (tag !~ /\/$/) ns[++depth] = here
  }
  END {
    if (!seen["assembly"]) { print "manifest: none found"; bad = 1 }
    exit bad
  }' || status=1

if [ $status = 0 ]; then
  count=$(wc -l <"$work/imports")
  delayed=$(awk '$3 == "delay"' "$work/imports" | wc -l)
  echo "$count imports ($delayed of them delay-loaded) exist on $name; the header asks for no" \
       "later Windows; the manifest's elements are in their namespaces"
  echo "1 passed, 0 failed"
fi
exit $status
