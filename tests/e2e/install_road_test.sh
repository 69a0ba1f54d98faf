#!/usr/bin/env bash
# The demo installer (licence, logo, English, language chooser) on the install
# road up to the folder page: pages, buttons, the licence rule, texts, layout,
# and Cancel closing the window on every page without a question.
source "$(dirname "$0")/lib.sh"
e2e_begin install_road

product=$(script_value ProductName)
company=$(script_value CompanyName)
pack_installer demo "$DEMO_SCRIPT"
start_setup demo

# Welcome, as created.
expect_page Welcome
expect_eq "$(drv client-size)" "520 350" "client area"
expect_all_captions en "$product" "$company"
expect_buttons disabled enabled enabled
expect_state imgTopLogo "visible enabled"
expect_state lbLangSel "visible enabled"
expect_state cbLangSel "visible enabled"
expect_eq "$(drv selected cbLangSel)" "0 English" "language chooser"
expect_caption StaticText1 "   Velk Group "
expect_state StaticText1 "visible disabled"
for label in lbCopyType lbCopyItem lbRemoveType lbRemoveItem; do expect_caption "$label" ""; done
expect_layout logo
expect_rect bbtnBack "250 320 75 25"
expect_rect bbtnNext "325 320 75 25"
expect_rect bbtnCancel "440 320 75 25"
shot welcome-en

# Selection: Install preselected, Remove disabled on a machine without the product.
click bbtnNext
expect_page Selection
expect_buttons enabled enabled enabled
expect_state rbInstall "visible enabled checked"
expect_state rbRemove "visible disabled unchecked"
expect_caption bbtnNext "&Next >"
shot selection-en

# Licence: Next only while the licence is accepted.
click bbtnNext
expect_page License
expect_eq "$(drv caption redLicense)" "$(tr -d '\r' <"$(dirname "$DEMO_SCRIPT")/$(script_value SetupLicense)")" \
  "licence text"
expect_state rbLicOK "visible enabled unchecked"
expect_state rbLicCancel "visible enabled unchecked"
expect_buttons enabled disabled enabled
shot license-en
click rbLicOK
expect_state bbtnNext "visible enabled"
click rbLicCancel
expect_state bbtnNext "visible disabled"
expect_state rbLicOK "visible enabled unchecked"
click rbLicOK
expect_state bbtnNext "visible enabled"
shot license-accepted-en

# Folders: Next reads Install and shows the default folder.
click bbtnNext
expect_page Folders
expect_caption bbtnNext "&Install"
expect_caption edDestFolder 'C:\Program Files\Demo Company\Demo Product'
expect_buttons enabled enabled enabled
shot folders-en

# Browse opens the folder picker owned by the wizard; Cancel changes nothing.
click bbtnBrowse
expect_eq "$(drv find-messagebox 2>&1)" "Browse folders" "folder picker caption"
shot_screen browse-en
drv messagebox-click 2 >/dev/null || fail "the folder picker has no Cancel button"
expect_caption edDestFolder 'C:\Program Files\Demo Company\Demo Product'
expect_buttons enabled enabled enabled

# Back keeps the licence choice; Next reads Next again.
click bbtnBack
expect_page License
expect_caption bbtnNext "&Next >"
expect_state rbLicOK "visible enabled checked"
expect_buttons enabled enabled enabled
click bbtnBack
expect_page Selection
expect_buttons enabled enabled enabled
click bbtnBack
expect_page Welcome
expect_buttons disabled enabled enabled

# Forward again: the licence is still accepted, so Next leads on at once.
click bbtnNext
click bbtnNext
expect_page License
expect_state bbtnNext "visible enabled"
click rbLicCancel
click bbtnBack
expect_page Selection
expect_state bbtnNext "visible enabled"
click bbtnNext
expect_page License
expect_state rbLicCancel "visible enabled checked"
expect_state bbtnNext "visible disabled"

# Cancel closes at once on this page and on every other page of the road.
click bbtnCancel
expect_closed
for pages in 0 1 3; do
  start_setup demo
  for ((i = 0; i < pages; i++)); do
    [ "$i" -eq 2 ] && click rbLicOK
    click bbtnNext
  done
  click bbtnCancel
  expect_closed
done

# The close box closes too.
start_setup demo
click bbtnNext
drv close-box >/dev/null
expect_closed

e2e_end
