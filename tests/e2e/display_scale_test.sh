#!/usr/bin/env bash
# The wizard at 150 % and 200 % display scale (the prefix's LogPixels 144 and
# 192): the client area and every control scaled, the install road to the
# finished page at both scales, the folder picker with its name prompt and a
# move to a monitor of another scale and back at 150 %, the remove road at
# 200 %. Screenshots of every page shown.
export XVFB_SCREEN=2048x1536x24  # room for the wizard at 200 %
source "$(dirname "$0")/lib.sh"
e2e_begin display_scale

set_display_scale() {
  "$WINE64" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1 ||
    die "cannot set the display scale $1"
}

# scaled DPI PIXELS: PIXELS of the 96-DPI design at DPI, to the nearest pixel.
scaled() { echo $(((2 * $2 * $1 + 96) / 192)); }

# expect_scaled_layout DPI: the client area and every control at DPI.
expect_scaled_layout() {
  expect_eq "$(drv client-size)" "$(scaled "$1" 520) $(scaled "$1" 350)" "client area at $1 DPI"
  expect_layout - "$1"
}

pack_installer demo "$DEMO_SCRIPT"
declare -A button_row=([144]="375 480 113 38|488 480 112 38|660 480 113 38"
                       [192]="500 640 150 50|650 640 150 50|880 640 150 50")
for dpi in 144 192; do
  set_display_scale $dpi
  start_setup demo
  expect_scaled_layout $dpi
  IFS='|' read -r back next cancel <<<"${button_row[$dpi]}"
  expect_rect bbtnBack "$back"
  expect_rect bbtnNext "$next"
  expect_rect bbtnCancel "$cancel"
  expect_rect imgTopLogo "0 0 $(scaled $dpi 520) $(scaled $dpi 53)"
  shot welcome-$dpi
  click bbtnNext
  expect_page Selection
  expect_layout - $dpi
  shot selection-$dpi
  click bbtnNext
  click rbLicOK
  shot license-$dpi
  click bbtnNext
  expect_page Folders
  expect_layout - $dpi
  expect_rect edDestFolder "$(scaled $dpi 60) $(scaled $dpi 221) $(($(scaled $dpi 380) - $(scaled $dpi 60))) $(($(scaled $dpi 242) - $(scaled $dpi 221)))"
  shot folders-$dpi
  if [ $dpi == 144 ]; then
    # The picker scales itself, its New folder button with it, and so does the name prompt.
    open_picker
    xdotool key --delay 200 Tab Tab
    wait_until 30 picker_tree_focused || die "Tab, Tab did not reach the picker's tree: $(drv focused 2>&1)"
    xdotool key --delay 150 Home Down Down
    expect_eq "$(drv wait-tree-selection Documents 2>&1)" Documents "folder selected in the picker"
    drv dialog-button "New folder" >/dev/null || fail "no New folder button in the picker"
    expect_eq "$(drv find-messagebox 2>&1)" "Создание новой папки" "name prompt over the picker"
    shot_screen picker-and-name-prompt-$dpi
    drv messagebox-click 2 >/dev/null || fail "the name prompt did not close"
    drv messagebox-click 2 >/dev/null || fail "the picker did not close"
    # Moved to a monitor at 100 % the wizard is as it is there, and back at 150 % as before.
    drv dpi-change 96 >/dev/null || fail "no DPI change to 96"
    expect_scaled_layout 96
    shot folders-moved-to-96
    drv dpi-change 144 >/dev/null || fail "no DPI change to 144"
    expect_scaled_layout 144
    shot folders-moved-back-to-144
  fi
  click bbtnNext
  drv wait-page Installed 60 >/dev/null || fail "the installed page did not come: $(drv page 2>&1)"
  expect_layout - $dpi
  shot installed-$dpi
  click bbtnCancel
  expect_closed "Finish at $dpi DPI"
done

# The remove road at 200 %.
start_setup demo
click bbtnNext
click rbRemove
shot selection-remove-192
click bbtnNext
drv wait-page Removed 60 >/dev/null || fail "the removed page did not come: $(drv page 2>&1)"
expect_layout - 192
shot removed-192
click bbtnCancel
expect_closed "Finish after the removal"

e2e_end
