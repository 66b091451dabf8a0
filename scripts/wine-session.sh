# Sourced by the build scripts: a private Wine prefix under build/, one warm
# wineserver and a private X display, all ended by stop_wine_session.
QUILLON_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="$QUILLON_ROOT/build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
unset WINEPATH

XVFB_PID=""

start_wine_session() {
  mkdir -p "$QUILLON_ROOT/build"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine: creating the prefix in $WINEPREFIX (once)"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
  # This Wine looks for the fonts of fonts-wine (MS Sans Serif, Tahoma ...) only in the
  # prefix's own Fonts folder; without them every window falls back to other faces.
  local fonts="$WINEPREFIX/drive_c/windows/Fonts"
  if [ -d /usr/share/wine/fonts ] && [ ! -e "$fonts/ms_sans_serif.ttf" ]; then
    mkdir -p "$fonts"
    cp /usr/share/wine/fonts/* "$fonts/"
  fi
  if [ "${1:-}" = "--display" ]; then
    local fd_file
    fd_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fd_file" 2>/dev/null &
    XVFB_PID=$!
    for _ in $(seq 50); do [ -s "$fd_file" ] && break; sleep 0.1; done
    export DISPLAY=":$(tr -d '\n' <"$fd_file")"
    rm -f "$fd_file"
  fi
  wineserver -p
  # Start Wine's own services now, detached from our output: started later by a test,
  # they would inherit ctest's pipes and keep it waiting until the server ends.
  wine wineboot </dev/null >/dev/null 2>&1 || true
  # No window manager runs on the private display: a window Wine leaves to one waits
  # two seconds for it each time it closes.
  if ! grep -q '"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 || true
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
