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

for pages in 0 1 2 3; do
  start_setup demo
  go_to_page "$pages"
  press_key alt+F4
  expect_open "Alt+F4 on page $pages"
  # The keys reach the window: Esc right after closes it.
  press_key Escape
  expect_closed 5 "Esc on page $pages"
done

e2e_end
