#!/usr/bin/env bash
# Real key strokes on the demo wizard: Esc clicks Cancel on every page of the
# install road, Alt+F4 does nothing, and both roads can be walked by keyboard
# alone.
source "$(dirname "$0")/lib.sh"
e2e_begin keys

pack_installer demo "$DEMO_SCRIPT"

# go_to_page N: from Welcome, N pages on (the licence accepted on the way).
go_to_page() {
  local i
  for ((i = 0; i < $1; i++)); do
    [ "$i" -eq 2 ] && click rbLicOK
    click bbtnNext
  done
}

focus_moved() { [ "$(drv focused 2>&1)" != "$1" ]; }
focus_on() { [ "$(drv focused 2>&1)" == "$1" ]; }
state_is() { [ "$(drv state "$1" 2>&1)" == "$2" ]; }

# press_then KEY PAGE FOCUSED: the key leads to PAGE, where FOCUSED has the focus.
press_then() {
  press_key "$1"
  drv wait-page "$2" 60 >/dev/null || fail "$1 did not lead to $2: $(drv page 2>&1)"
  wait_until 30 focus_on "$3" || fail "on $2 the focus is on $(drv focused 2>&1), not $3"
}

for pages in 0 1 2 3; do
  start_setup demo
  go_to_page "$pages"
  # Keys are taken in order: once the Tab after Alt+F4 has moved the focus,
  # Alt+F4 has been taken too, and the window must still be open.
  activate_wizard
  focus=$(drv focused)
  press_key alt+F4 Tab
  wait_until 30 focus_moved "$focus" || fail "Tab after Alt+F4 on page $pages left the focus on $focus"
  expect_open "Alt+F4 on page $pages"
  press_key Escape
  expect_closed "Esc on page $pages"
done

# The install road by keyboard alone: the licence view lets Tab go, a page
# shown gives a control the focus, and Enter presses Finish.
app="$WINEPREFIX/drive_c/Program Files/$(script_value CompanyName)/$(script_value ProductName)"
start_setup demo
activate_wizard
wait_until 30 focus_on bbtnNext || fail "Welcome starts with the focus on $(drv focused 2>&1)"
press_then alt+n Selection bbtnNext
press_then alt+n License redLicense
for key in Tab shift+Tab ctrl+Tab; do
  focus=$(drv focused)
  press_key "$key"
  wait_until 30 focus_moved "$focus" || fail "$key left the focus on $focus"
done
expect_eq "$(drv focused)" rbLicOK "focus after Tab, Shift+Tab and Ctrl+Tab"
press_key space
wait_until 30 state_is bbtnNext "visible enabled" || fail "Space did not accept the licence"
expect_state rbLicOK "visible enabled checked"
press_then alt+n Folders bbtnNext
press_then alt+i Installed bbtnCancel
press_key Return
expect_closed "Enter on the finished page"
expect_exists "$app/ReadMe.txt"

# The removal: chosen with the arrow keys, finished with Enter.
start_setup demo
activate_wizard
press_then alt+n Selection bbtnNext
press_key Tab
wait_until 30 focus_on rbInstall || fail "Tab on Selection went to $(drv focused 2>&1)"
press_key Down
expect_caption_soon bbtnNext "&Remove"
expect_state rbRemove "visible enabled checked"
press_then alt+r Removed bbtnCancel
press_key Return
expect_closed "Enter on the removed page"
expect_gone "$app/ReadMe.txt"

e2e_end
