#!/usr/bin/env bash
# Real key strokes on the demo wizard: Esc clicks Cancel on every page of the
# install road, Alt+F4 does nothing.
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

e2e_end
