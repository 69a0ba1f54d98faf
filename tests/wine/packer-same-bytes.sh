#!/usr/bin/env bash
# Packs the demo with the cross-built velkpack.exe under Wine and checks that the
# installer is byte for byte the one the native packer wrote; then the same for
# a zstd installer of a product with enough small files (this repository's
# sources) for a dictionary.
# Usage: packer-same-bytes.sh VELKPACK.EXE SCRIPT STUB NATIVE_INSTALLER NATIVE_VELKPACK
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
export WINE_ROOT=${WINE_ROOT:-$root/build/wine}
source "$root/scripts/wine-env.sh"
exe=$1 script=$2 stub=$3 expected=$4 native=$5
out=${expected%.exe}-wine.exe
rm -f "$out"
"$WINE64" "$exe" pack "$(wine_path "$script")" --stub "$(wine_path "$stub")" -o "$(wine_path "$out")"
cmp "$expected" "$out"
echo "velkpack.exe under Wine wrote the same $(stat -c %s "$out") bytes as the native packer"

work=$(mktemp -d "${TMPDIR:-/tmp}/packer-same-bytes.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/files"
cp -r "$root/package" "$root/packer" "$root/setup" "$root/actions" "$stub" "$work/files/"
"$native" new "$work/files" --script "$work/setup.ini" --product "Same Bytes" >/dev/null
"$native" pack "$work/setup.ini" --stub "$stub" --compression zstd -o "$work/native.exe" | grep -q "^Dictionary" ||
  { echo "FAIL: the zstd installer has no dictionary" >&2; exit 1; }
"$native" verify "$work/native.exe" >/dev/null
"$WINE64" "$exe" pack "$(wine_path "$work/setup.ini")" --stub "$(wine_path "$stub")" --compression zstd \
  -o "$(wine_path "$work/wine.exe")" >/dev/null
cmp "$work/native.exe" "$work/wine.exe"
echo "the zstd installer too: the same $(stat -c %s "$work/wine.exe") bytes"
