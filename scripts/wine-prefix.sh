#!/usr/bin/env bash
# Creates a fresh, booted Wine prefix under WINE_ROOT (default: build/wine).
# The tests call it once per run; programs that capture output must only start
# after the boot, since the prefix's background processes inherit its output.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export WINE_ROOT=${WINE_ROOT:-$root/build/wine}
source "$root/scripts/wine-env.sh"

"$WINESERVER" -k 2>/dev/null || true
rm -rf "$WINEPREFIX" "$HOME"
mkdir -p "$HOME"
"$WINE64" wineboot -i >/dev/null 2>&1
# A crashing program should exit, not wait on a dialog.
"$WINE64" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
"$WINESERVER" -w
echo "Wine prefix ready: $WINEPREFIX"
