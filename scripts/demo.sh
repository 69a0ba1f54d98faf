#!/usr/bin/env bash
# Installs what is missing, builds everything, packs the demo product into an
# installer and starts it under Wine. Without a display it walks the install
# road by itself on a private Xvfb display and writes a screenshot of every
# page to build/demo/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" demo

out="$root/build/demo"
mkdir -p "$out"
installer="$out/DemoSetup.exe"
"$root/build/native/packer/velkpack" pack "$root/examples/demo/setup.ini" \
  --stub "$root/build/win/setup/setup.exe" -o "$installer"

export WINE_ROOT="$root/build/wine"
[ -d "$WINE_ROOT/prefix" ] || "$root/scripts/wine-prefix.sh"
if [ -n "${DISPLAY:-}" ]; then
  exec "$root/scripts/wine-run.sh" "$installer"
fi

read -r display xvfb_pid < <("$root/scripts/xvfb.sh" start)
trap '"$root/scripts/xvfb.sh" stop "$xvfb_pid"' EXIT
export DISPLAY=$display
source "$root/scripts/wine-env.sh"
"$WINE64" "$installer" >"$out/setup.log" 2>&1 &
setup_pid=$!

drv() { "$WINE64" "$root/build/win/tests/e2e/driver/wizdriver.exe" "$@"; }
shot() {
  drv paint >/dev/null
  import -window root "$out/$1.png"
  echo "Screenshot: $out/$1.png"
}
drv wait-window 30 >/dev/null
shot 1-welcome
drv click bbtnNext >/dev/null && shot 2-selection
drv click bbtnNext >/dev/null && drv click rbLicOK >/dev/null && shot 3-license
drv click bbtnNext >/dev/null && shot 4-folders
drv click bbtnNext >/dev/null && drv wait-page Installed 60 >/dev/null && shot 5-installed
drv click bbtnCancel >/dev/null
drv wait-gone 20 >/dev/null
wait "$setup_pid"
echo "Installed into $WINEPREFIX/drive_c/Program Files/Demo Company/Demo Product"
