#!/usr/bin/env bash
# The cross-built velkpack.exe under Wine on Windows paths: a product below a
# folder whose name the ANSI code page cannot hold and whose path is longer
# than MAX_PATH. Its starter script and installer must be byte for byte those
# of the native packer; inspect and verify read the installer; a missing file
# is named with its script line, and no installer is written.
# Usage: packer-windows.sh VELKPACK.EXE VELKPACK STUB DEMO_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
export WINE_ROOT=${WINE_ROOT:-$root/build/wine}
source "$root/scripts/wine-env.sh"
exe=$1 native=$2 stub=$3 demo=$4
work=$(mktemp -d "${TMPDIR:-/tmp}/packer-windows.XXXXXX")
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
win() { "$WINE64" "$exe" "$@"; }

folder=$work/Ωmega
for i in 1 2 3; do folder+=/$(printf 'folder%d_%070d' "$i" 0); done
product="Produkt für Demo"  # names in the script must be in its code page; the folders above need not
mkdir -p "$folder/native" "$folder/windows"
cp -r "$demo/files" "$folder/native/$product"
echo "notes" >"$folder/native/$product/docs/Première étape.txt"
cp -r "$folder/native/." "$folder/windows/"
((${#folder} + 30 > 260)) || fail "the test path is not longer than MAX_PATH"

(cd "$folder/native" && "$native" new "$product" --script setup.ini --product "Demo" >/dev/null &&
  "$native" pack setup.ini --stub "$stub" -o setup.exe >/dev/null)
w=$(wine_path "$folder/windows")
win new "$w\\$product" --script "$w\\setup.ini" --product "Demo" >"$work/new.log"
cmp "$folder/native/setup.ini" "$folder/windows/setup.ini" || fail "the starter scripts differ"
win pack "$w\\setup.ini" --stub "$(wine_path "$stub")" -o "$w\\setup.exe" >"$work/pack.log"
cmp "$folder/native/setup.exe" "$folder/windows/setup.exe" || fail "the installers differ"

win verify "$w\\setup.exe" | grep -qF "$w\\setup.exe: OK" || fail "verify did not say OK"
win inspect "$w\\setup.exe" | tr -d '\r' | grep -q "^  1\. ReadMe.txt -> <$product>\\\\ReadMe.txt$" ||
  fail "inspect does not list the first file"

rm "$folder/windows/$product/ReadMe.txt"
if win pack "$w\\setup.ini" --stub "$(wine_path "$stub")" -o "$w\\broken.exe" >"$work/broken.log" 2>&1; then
  fail "packing with a missing file succeeded"
fi
line=$(grep -an '^FileLocation1=' "$folder/windows/setup.ini" | cut -d: -f1)
grep -qF "$w\\setup.ini:$line: error: FileLocation1: '$w\\$product\\ReadMe.txt' does not exist" "$work/broken.log" ||
  fail "the missing file is not named with its line: $(cat "$work/broken.log")"
[ ! -e "$folder/windows/broken.exe" ] || fail "an installer was written after an error"
echo "velkpack.exe under Wine: the same script and installer ($(stat -c %s "$folder/windows/setup.exe") bytes) on a" \
  "${#folder}-character path, inspect, verify and the missing file named with its line"
