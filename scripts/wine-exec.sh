#!/usr/bin/env bash
# Starts a Windows program under the Wine this host can run (scripts/wine-host.sh):
# the test runner of the Windows builds.
source "$(dirname "${BASH_SOURCE[0]}")/wine-host.sh"
exec "$QUILLON_WINE" "$@"
