#!/usr/bin/env bash
# Runs a Windows program like wine-run.sh, but on a private Xvfb display, for
# tests that open windows. The prefix's background processes of earlier runs,
# which started without a display, are waited for first, so that new ones
# start on this display; they are ended again afterwards.
# Usage: wine-run-display.sh PROGRAM.exe [ARGS...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export WINE_ROOT=${WINE_ROOT:-$root/build/wine}
source "$root/scripts/wine-env.sh"

"$WINESERVER" -w
read -r display xvfb_pid < <("$root/scripts/xvfb.sh" start)
cleanup() {
  "$WINESERVER" -k 2>/dev/null || true
  "$WINESERVER" -w 2>/dev/null || true
  "$root/scripts/xvfb.sh" stop "$xvfb_pid"
}
trap cleanup EXIT
DISPLAY=$display "$WINE64" "$@"
