#!/usr/bin/env bash
# Makes the download, checks what it holds and unpacks it into a fresh folder with a
# stand-in io.dll, as a user would with the real one, for package_test to start.
# Usage: unpack_package.sh <cmake> <build dir> <package name> <stand-in io.dll> <folder>
set -euo pipefail
cmake=$1 build=$2 name=$3 port_library=$4 folder=$5

"$cmake" --build "$build" --target zip >/dev/null
zip="$build/$name.zip"
[ -f "$zip" ] || { echo "no $zip"; exit 1; }

rm -rf "$folder" && mkdir -p "$folder"
(cd "$folder" && "$cmake" -E tar xf "$zip")
contents=$(cd "$folder" && find . -type f | sed 's|^\./||' | sort | paste -sd' ')
expected="$name/README.txt $name/fast.qln $name/quillon.exe $name/sample.qln"
if [ "$contents" != "$expected" ]; then
  echo "$name.zip holds: $contents"
  echo "expected:        $expected"
  exit 1
fi
guide="$folder/$name/README.txt"
lines=$(wc -l <"$guide")
crlf_lines=$(grep -c $'\r$' "$guide" || true)
if [ "$lines" = 0 ] || [ "$lines" != "$crlf_lines" ]; then
  echo "README.txt: $crlf_lines of $lines lines end in CR LF"
  exit 1
fi
cp "$port_library" "$folder/$name/io.dll"
echo "$name.zip: $expected; unpacked in $folder with a stand-in io.dll"
echo "1 passed, 0 failed"
