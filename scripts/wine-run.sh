#!/usr/bin/env bash
# Runs a Windows program in the prefix under WINE_ROOT and returns its exit code.
# Usage: wine-run.sh PROGRAM.exe [ARGS...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export WINE_ROOT=${WINE_ROOT:-$root/build/wine}
source "$root/scripts/wine-env.sh"
exec "$WINE64" "$@"
