#!/usr/bin/env bash
# Installs what is missing, builds everything, packs the demo product into an
# installer and starts it under Wine. Without a display it runs on a private
# Xvfb display and writes a screenshot to build/demo/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"

out="$root/build/demo"
mkdir -p "$out"
packer="$root/build/native/packer/velkpack"
installer="$out/DemoSetup.exe"
if [ -x "$packer" ]; then
  "$packer" pack "$root/examples/demo/setup.ini" --stub "$root/build/win/setup/setup.exe" -o "$installer"
else
  echo "The packer is not built yet; starting the bare setup program." >&2
  cp "$root/build/win/setup/setup.exe" "$installer"
fi

export WINE_ROOT="$root/build/wine"
[ -d "$WINE_ROOT/prefix" ] || "$root/scripts/wine-prefix.sh"
if [ -n "${DISPLAY:-}" ]; then
  exec "$root/scripts/wine-run.sh" "$installer"
fi

read -r display xvfb_pid < <("$root/scripts/xvfb.sh" start)
trap '"$root/scripts/xvfb.sh" stop "$xvfb_pid"' EXIT
DISPLAY=$display "$root/scripts/wine-run.sh" "$installer" &
setup_pid=$!
sleep 5
DISPLAY=$display import -window root "$out/demo.png"
kill "$setup_pid" 2>/dev/null || true
echo "Screenshot: $out/demo.png"
