# Sourced, never run (scripts/lib/ holds only such files): finds out once per run
# whether this host executes 32-bit code, and which Wine to use.
#
# Build hosts come both ways. Where the kernel runs 32-bit programs, Debian's `wine`
# wrapper (which prefers the 32-bit loader) runs both Windows builds. Where it does not,
# that loader fails with "Exec format error", so Wine is started only through the
# 64-bit loader, in a 64-bit prefix, and the 32-bit programs are built and checked
# statically but not run. QUILLON_NO_32BIT=1 makes a host that could behave as one that
# cannot, to try that path.
#
# Exports QUILLON_HOST_32BIT (1 or 0), QUILLON_WINE (the command that starts Windows
# programs) and, where 32-bit runs are skipped, QUILLON_NO_32BIT_REASON.

detect_wine_host() {
  [ -n "${QUILLON_HOST_32BIT:-}" ] && [ -n "${QUILLON_WINE:-}" ] && return 0
  local loader32=/usr/lib/wine/wine error
  if [ "${QUILLON_NO_32BIT:-0}" = 1 ]; then
    QUILLON_HOST_32BIT=0
    QUILLON_NO_32BIT_REASON="QUILLON_NO_32BIT=1 asks to run as on a host without 32-bit execution"
  elif [ ! -e "$loader32" ]; then
    QUILLON_HOST_32BIT=0
    QUILLON_NO_32BIT_REASON="the 32-bit Wine loader $loader32 is not installed"
  elif error=$("$loader32" --version 2>&1 >/dev/null); then
    QUILLON_HOST_32BIT=1
  else
    QUILLON_HOST_32BIT=0
    QUILLON_NO_32BIT_REASON="this host cannot execute 32-bit code ($loader32: ${error:-failed})"
    QUILLON_NO_32BIT_REASON=${QUILLON_NO_32BIT_REASON//$'\n'/ }
  fi
  if [ "$QUILLON_HOST_32BIT" = 1 ]; then
    QUILLON_WINE=wine
  else
    QUILLON_WINE=/usr/lib/wine/wine64
    # Programs Wine starts by itself use the 64-bit loader too.
    export WINELOADER=$QUILLON_WINE
  fi
  export QUILLON_HOST_32BIT QUILLON_WINE QUILLON_NO_32BIT_REASON
}

# The preset whose programs this host runs under Wine: the product where it can.
wine_run_preset() {
  if [ "$QUILLON_HOST_32BIT" = 1 ]; then echo win32; else echo win64; fi
}

# Says once, plainly, what a host without 32-bit execution leaves out.
report_skipped_32bit_runs() {
  [ "$QUILLON_HOST_32BIT" = 1 ] && return 0
  echo "NOTE: 32-bit Windows programs are not run: $QUILLON_NO_32BIT_REASON."
  echo "      Skipped: $1"
}

detect_wine_host
