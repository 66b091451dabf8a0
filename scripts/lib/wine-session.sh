# Sourced by the build scripts: a private Wine prefix under build/, one warm
# wineserver and a private X display, all ended by stop_wine_session. A Wine that
# cannot work here (prefix, server, display) stops the script with one message.
QUILLON_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$QUILLON_ROOT/scripts/lib/wine-host.sh"
# A caller that runs two sessions at once names the second one's prefix.
export WINEPREFIX="${QUILLON_SESSION_PREFIX:-$QUILLON_ROOT/build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
unset WINEPATH

XVFB_PID=""
WINE_LOG="$WINEPREFIX-session.log"

wine_failed() {
  echo "wine: $1" >&2
  if [ -s "$WINE_LOG" ]; then
    echo "wine: last lines of $WINE_LOG:" >&2
    tail -n 5 "$WINE_LOG" | sed 's/^/  /' >&2
  fi
  stop_wine_session
  exit 1
}

# The Windows form of a path, for Windows programs' arguments and variables.
windows_path() { "$QUILLON_WINE" winepath -w "$1" 2>>"$WINE_LOG"; }

# Creates the prefix, once, with the fonts the window wants.
prepare_wine_prefix() {
  mkdir -p "$QUILLON_ROOT/build"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine: creating the prefix in $WINEPREFIX (once)" >&2
    "$QUILLON_WINE" wineboot -i </dev/null >>"$WINE_LOG" 2>&1 || true
    wineserver -w || true
    [ -f "$WINEPREFIX/system.reg" ] ||
      wine_failed "cannot create the prefix $WINEPREFIX with $QUILLON_WINE"
  fi
  # This Wine looks for the fonts of fonts-wine (MS Sans Serif, Tahoma ...) only in the
  # prefix's own Fonts folder; without them every window falls back to other faces.
  local fonts="$WINEPREFIX/drive_c/windows/Fonts"
  if [ -d /usr/share/wine/fonts ] && [ ! -e "$fonts/ms_sans_serif.ttf" ]; then
    mkdir -p "$fonts"
    cp /usr/share/wine/fonts/* "$fonts/"
  fi
}

start_wine_session() {
  mkdir -p "$QUILLON_ROOT/build"
  : >"$WINE_LOG"
  prepare_wine_prefix
  if [ "${1:-}" = "--display" ]; then
    local fd_file
    fd_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fd_file" 2>>"$WINE_LOG" &
    XVFB_PID=$!
    for _ in $(seq 50); do [ -s "$fd_file" ] && break; sleep 0.1; done
    local display
    display=$(tr -d '\n' <"$fd_file")
    rm -f "$fd_file"
    [ -n "$display" ] && kill -0 "$XVFB_PID" 2>/dev/null ||
      wine_failed "cannot start the private X display (Xvfb)"
    export DISPLAY=":$display"
  fi
  wineserver -p >>"$WINE_LOG" 2>&1 || wine_failed "cannot start the wineserver for $WINEPREFIX"
  # Start Wine's own services now, detached from our output: started later by a test,
  # they would inherit ctest's pipes and keep it waiting until the server ends.
  "$QUILLON_WINE" wineboot </dev/null >>"$WINE_LOG" 2>&1 ||
    wine_failed "cannot start Windows programs with $QUILLON_WINE"
  # No window manager runs on the private display: a window Wine leaves to one waits
  # two seconds for it each time it closes.
  if ! grep -q '"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
    "$QUILLON_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
      </dev/null >>"$WINE_LOG" 2>&1 || true
  fi
  # A crashing test program must end with its backtrace in the test's output, not wait
  # on the private display for someone to close Wine's crash dialog.
  if ! grep -q '"ShowCrashDialog"=dword:00000000' "$WINEPREFIX/user.reg" 2>/dev/null; then
    "$QUILLON_WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
      </dev/null >>"$WINE_LOG" 2>&1 || true
  fi
}

stop_wine_session() {
  wineserver -k 2>/dev/null || true
  if [ -n "$XVFB_PID" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
  fi
}
