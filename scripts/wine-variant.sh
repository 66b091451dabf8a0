#!/usr/bin/env bash
# Runs one command in a variant of the session's Wine prefix: another system DPI,
# optionally without the window font (MS Sans Serif), optionally reporting another
# Windows version (Wine's own setting, e.g. win98: GetVersionEx then answers as that
# Windows does, though Wine keeps behaving as it always does).
#
#   wine-variant.sh [--windows VERSION] PREFIX DPI with-window-font|without-window-font COMMAND...
#
# PREFIX is made afresh each time: its own registry (so the DPI is set before its own
# wineserver starts) and drive C: of the session's prefix (WINEPREFIX, by default the
# one scripts/lib/wine-session.sh names), reached through links rather than copied. Without
# the window font, the Windows folder is rebuilt from links except for a Fonts folder
# of its own that lacks every MS Sans Serif file. Its server is ended afterwards.
set -euo pipefail
windows=
if [ "${1:-}" = --windows ]; then
  windows=${2:-}
  shift 2
fi
if [ $# -lt 4 ]; then
  echo "usage: $0 [--windows VERSION] PREFIX DPI with-window-font|without-window-font COMMAND..." >&2
  exit 2
fi
variant=$1 dpi=$2 fonts=$3
shift 3
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ -z "${WINEPREFIX:-}" ]; then source "$root/scripts/lib/wine-session.sh"; fi
base=$WINEPREFIX
if [ ! -f "$base/system.reg" ]; then
  echo "wine-variant: no Wine prefix at $base; start a session first (scripts/lib/wine-session.sh)" >&2
  exit 1
fi

case $variant in
  "" | / | "$base" | "$base"/*) echo "wine-variant: $variant cannot be the variant's prefix" >&2; exit 2 ;;
esac
if [ -f "$variant/system.reg" ]; then WINEPREFIX=$variant wineserver -k 2>/dev/null || true; fi
rm -rf "$variant"
mkdir -p "$variant/dosdevices"
cp "$base/system.reg" "$base/user.reg" "$base/userdef.reg" "$variant/"
# Without the stamp, Wine would take the prefix for an old one and update drive C:.
if [ -f "$base/.update-timestamp" ]; then cp "$base/.update-timestamp" "$variant/"; fi
ln -s / "$variant/dosdevices/z:"

case $fonts in
  with-window-font)
    ln -s "$base/drive_c" "$variant/dosdevices/c:"
    ;;
  without-window-font)
    mkdir -p "$variant/drive_c/windows/Fonts"
    for entry in "$base/drive_c"/*; do
      [ "$(basename "$entry")" = windows ] || ln -s "$entry" "$variant/drive_c/"
    done
    for entry in "$base/drive_c/windows"/*; do
      [ "$(basename "$entry")" = Fonts ] || ln -s "$entry" "$variant/drive_c/windows/"
    done
    for font in "$base/drive_c/windows/Fonts"/*; do
      case $(basename "$font") in
        ms_sans_serif.ttf | sserif*.fon | ssee*.fon | ssef*.fon) ;;
        *) cp "$font" "$variant/drive_c/windows/Fonts/" ;;
      esac
    done
    ln -s ../drive_c "$variant/dosdevices/c:"
    ;;
  *)
    echo "wine-variant: fonts must be with-window-font or without-window-font, not $fonts" >&2
    exit 2
    ;;
esac

# Sets one value in a section of a registry file the server has not loaded yet.
set_registry_value() { # file section value-line
  # Through the environment, where awk takes backslashes as they are.
  HEADER="[$2]" LINE=$3 NAME=${3%%=*} awk '
    BEGIN { header = ENVIRON["HEADER"]; line = ENVIRON["LINE"]; name = ENVIRON["NAME"] }
    function add() { if (!done) { print line; done = 1 } }
    /^\[/ { if (inside) add(); inside = (index($0, header) == 1) }
    inside && index($0, name "=") == 1 { next }
    inside && /^#time=/ { print; add(); next }
    { print }
    END { if (inside) add(); if (!done) { print ""; print header; print line } }
  ' "$1" >"$1.new"
  mv "$1.new" "$1"
}

# The system DPI, read when the server starts.
set_registry_value "$variant/user.reg" 'Control Panel\\Desktop' "$(printf '"LogPixels"=dword:%08x' "$dpi")"
if [ -n "$windows" ]; then
  set_registry_value "$variant/user.reg" 'Software\\Wine' "\"Version\"=\"$windows\""
fi
# What the session sets, in case its server has not written it to disk yet.
set_registry_value "$variant/user.reg" 'Software\\Wine\\X11 Driver' '"Managed"="N"'

export WINEPREFIX=$variant
trap 'wineserver -k 2>/dev/null || true' EXIT
wineserver -p
# Wine's own services start now, detached from the test's output (see scripts/lib/wine-session.sh),
# with the loader the command uses (wine, or wine64 where only 64-bit code runs).
loader=wine
case $(basename "$1") in wine*) loader=$1 ;; esac
"$loader" wineboot </dev/null >/dev/null 2>&1 || true
"$@"
