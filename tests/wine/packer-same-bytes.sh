#!/usr/bin/env bash
# Packs the demo with the cross-built velkpack.exe under Wine and checks that the
# installer is byte for byte the one the native packer wrote.
# Usage: packer-same-bytes.sh VELKPACK.EXE SCRIPT STUB NATIVE_INSTALLER
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
export WINE_ROOT=${WINE_ROOT:-$root/build/wine}
source "$root/scripts/wine-env.sh"
exe=$1 script=$2 stub=$3 expected=$4
out=${expected%.exe}-wine.exe
rm -f "$out"
"$WINE64" "$exe" pack "$(wine_path "$script")" --stub "$(wine_path "$stub")" -o "$(wine_path "$out")"
cmp "$expected" "$out"
echo "velkpack.exe under Wine wrote the same $(stat -c %s "$out") bytes as the native packer"
