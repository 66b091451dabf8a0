#!/usr/bin/env bash
# Starts a Windows program under the Wine this host can run (scripts/lib/wine-host.sh):
# the test runner of the Windows builds. Run from scripts/test.sh it finds the session's
# prefix (or a variant's, scripts/wine-variant.sh) in WINEPREFIX. Run by a plain ctest,
# it takes the same private prefix under build/, made once if missing, and never
# Wine's default ~/.wine.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ -z "${WINEPREFIX:-}" ]; then
  source "$root/scripts/lib/wine-session.sh"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    # Tests run side by side must not make the prefix twice.
    mkdir -p "$root/build"
    exec 9>"$root/build/wineprefix.lock"
    flock 9
    WINE_LOG="$root/build/wine-exec.log"
    prepare_wine_prefix
    flock -u 9
    exec 9>&-
  fi
else
  source "$root/scripts/lib/wine-host.sh"
fi
exec "$QUILLON_WINE" "$@"
