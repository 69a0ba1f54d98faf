#!/usr/bin/env bash
# What each part of setup.exe costs: links it once more with a map file and
# writes the table to bench/size.md.   BUILD_DIR=... bench/size.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
win=${BUILD_DIR:-$root/build}/win
cmake --build "$win" --target setup >/dev/null
map=$win/setup/setup.map
link=$(cd "$win" && ninja -t commands setup/setup.exe | tail -n1)
link=${link#: && }
link=${link% && :}
(cd "$win" && eval "${link/ -o setup\/setup.exe / -o setup\/setup-map.exe -Wl,-Map,setup\/setup.map }")
{
  echo "# What each part of setup.exe costs"
  echo
  echo "setup.exe without payload: $(stat -c %s "$win/setup/setup.exe") bytes ($(date -u +%F))."
  echo "Bytes each library and input file adds to the program, from the linker's map;"
  echo "\"program\" holds the program's own objects and its resources."
  echo
  python3 "$root/bench/size.py" "$map" 25
} | tee "$root/bench/size.md"
