#!/usr/bin/env bash
# The wizard at 150 % and 200 % display scale (the prefix's LogPixels 144 and
# 192): the client area and every control scaled, on the install road to the
# finished page, and at 150 % a move to a monitor at 100 % and back.
export XVFB_SCREEN=2048x1536x24  # room for the wizard at 200 %
source "$(dirname "$0")/lib.sh"
e2e_begin display_scale

# expect_scaled DPI "WIDTH HEIGHT": the client area, and every control where the table puts it at DPI.
expect_scaled() {
  expect_eq "$(drv client-size)" "$2" "client area at $1 DPI"
  expect_layout - "$1"
}

pack_installer demo "$DEMO_SCRIPT"
declare -A client=([144]="780 525" [192]="1040 700")
# Back and Next touch at every scale, though their widths differ at 150 %.
declare -A back=([144]="375 480 113 38" [192]="500 640 150 50")
declare -A next=([144]="488 480 112 38" [192]="650 640 150 50")
for dpi in 144 192; do
  "$WINE64" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d $dpi /f >/dev/null 2>&1 ||
    die "cannot set the display scale to $dpi DPI"
  start_setup demo
  expect_scaled $dpi "${client[$dpi]}"
  expect_rect bbtnBack "${back[$dpi]}"
  expect_rect bbtnNext "${next[$dpi]}"
  shot welcome-$dpi
  click bbtnNext
  shot selection-$dpi
  click bbtnNext
  click rbLicOK
  click bbtnNext
  expect_page Folders
  shot folders-$dpi
  if [ $dpi == 144 ]; then
    # Moved to a monitor at 100 % the wizard is as it is there, and back at 150 % as it was.
    drv dpi-change 96 >/dev/null || fail "no move to 96 DPI"
    expect_scaled 96 "520 350"
    shot folders-moved-to-96
    drv dpi-change 144 >/dev/null || fail "no move back to 144 DPI"
    expect_scaled 144 "780 525"
  fi
  click bbtnNext
  drv wait-page Installed 60 >/dev/null || fail "the installed page did not come: $(drv page 2>&1)"
  expect_layout - $dpi
  shot installed-$dpi
  click bbtnCancel
  expect_closed "Finish at $dpi DPI"
done

e2e_end
