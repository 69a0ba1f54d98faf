#!/usr/bin/env bash
# Installers with damaged payload and systems in the way: each is started and
# walked, and must end by its own Cancel, Finish or error path (exit status 0,
# no crash), on the right page or message, without losing anything else.
# The faulty installers are the demo with one resource rewritten by resedit;
# locked files and denied registry keys come from sysfault.exe.
source "$(dirname "$0")/lib.sh"
: "${RESEDIT:?}" "${SYSFAULT:?}"
e2e_begin bad_input

product=$(script_value ProductName)
company=$(script_value CompanyName)
src=$(dirname "$DEMO_SCRIPT")/files
app="$WINEPREFIX/drive_c/Program Files/$company/$product"
win_app="C:\\Program Files\\$company\\$product"
hkcu="HKCU\\Software\\$company\\$product"
hklm="HKLM\\Software\\$company\\$product"
uninstall_key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product"
raw=$E2E_GROUP_DIR/raw
small=$E2E_GROUP_DIR/small-volume
mkdir -p "$raw" "$small"
# A lock's sleep and a small volume, if the test stops.
trap '[ -f "$raw/holder" ] && kill "$(cat "$raw/holder")" 2>/dev/null; mountpoint -q "$small" && umount "$small"
      e2e_cleanup' EXIT

pack_installer demo "$DEMO_SCRIPT"

# faulty NAME RESEDIT-ARGS...: a copy of the demo installer (or of
# $FAULTY_FROM.exe) with one resource replaced or removed.
faulty() {
  local exe=$E2E_GROUP_DIR/$1.exe
  shift
  cp "$E2E_GROUP_DIR/${FAULTY_FROM:-demo}.exe" "$exe"
  "$RESEDIT" "$exe" "$@" || die "resedit $* failed"
}

# The raw bytes of a resource of the good installer.
resource_of() { "$RESEDIT" "$E2E_GROUP_DIR/demo.exe" get "$1"; }

# Deterministic bytes that are no zlib stream.
noise() { perl -e 'srand(7); print map { chr(int(rand(256))) } 1..$ARGV[0]' "$1"; }

# on WINDOW COMMAND...: a driver command (or check) aimed at one of several wizards.
on() {
  local WIZDRIVER_WINDOW=$1
  export WIZDRIVER_WINDOW
  shift
  "$@"
}

# The installer ended by itself with exit status 0 after its window closed.
expect_clean_end() {
  local status
  E2E_CHECKS=$((E2E_CHECKS + 1))
  drv wait-gone >/dev/null 2>&1 || { fail "$1: the wizard window is still open"; return; }
  wait "$SETUP_PID"
  status=$?
  SETUP_PID=""
  ((status == 0)) || fail "$1: the setup program ended with status $status"
}

expect_key_gone() {
  E2E_CHECKS=$((E2E_CHECKS + 1))
  reg_key_exists "$1" && fail "the key $1 is there"
}

expect_content() { expect_eq "$(cat "$1" 2>&1)" "$2" "content of ${1##*/}"; }

# No file left behind by an interrupted write (the partial files beside a target).
expect_no_partial_files() {
  E2E_CHECKS=$((E2E_CHECKS + 1))
  local left
  left=$(find "$app" -name '~*' 2>/dev/null)
  [ -z "$left" ] || fail "partial files left: $left"
}

# install_from_folders: Next on the folder page, up to the finished page.
install_from_folders() {
  click bbtnNext
  drv wait-page Installed 60 >/dev/null || fail "the installed page did not come: $(drv page 2>&1)"
  expect_no_messagebox "during the install"
}

# expect_box TEXT WHAT: a box owned by the wizard, captioned with its title
# (in the language $BOX_LANG, English by default), says TEXT.
expect_box() {
  expect_eq "$(drv find-messagebox 30 2>&1)" "$(format_text "$(text "${BOX_LANG:-en}" 0)" "$product")" "$2: box caption"
  expect_eq "$(drv messagebox-text 2>&1)" "$1" "$2: box text"
}

# The install stopped on the copying page, and nothing after the file counts as installed.
expect_stopped_and_close() {
  expect_page CopyFiles
  expect_buttons disabled disabled disabled
  drv close-box >/dev/null
  expect_clean_end "$1"
  expect_reg "$hklm" Version missing
}

# lock FILE: sysfault holds FILE open without sharing until unlock ends its
# input. The input is a pipe from a sleep, so no other program (an installer
# started meanwhile) holds the pipe and keeps the lock.
lock() {
  : >"$raw/lock.out"
  ( sleep 3600 & echo $! >"$raw/holder"; wait ) |
    "$WINE64" "$SYSFAULT" lock "$(wine_path "$1")" >"$raw/lock.out" 2>&1 &
  locker=$!
  wait_until 30 grep -q locked "$raw/lock.out"
  grep -q locked "$raw/lock.out" || die "the file was not locked: $(cat "$raw/lock.out")"
}
unlock() {
  kill "$(cat "$raw/holder")" && rm "$raw/holder"
  wait "$locker" || fail "the locking helper failed: $(cat "$raw/lock.out")"
}

# install_stops_at TEXT WHAT: from Welcome, the install ends with the error road's box saying TEXT.
install_stops_at() {
  welcome_to_folders licence
  click bbtnNext
  expect_box "$1" "$2"
  shot_screen "${2// /-}"
  drv messagebox-click 1 >/dev/null || fail "$2: the error box has no OK button"
  expect_stopped_and_close "$2"
}

# ---- the setup script damaged: the wizard runs on an empty project ------------
head -c 3 </dev/zero >"$raw/three-bytes"
: >"$raw/empty"
script=$(resource_of SETUPINFO | base64 -w0)
base64 -d <<<"$script" | head -c $(($(base64 -d <<<"$script" | wc -c) / 2)) >"$raw/truncated"
{ printf '\xff\xff\xff\x7f'; base64 -d <<<"$script" | tail -c +5; } >"$raw/huge-size"
noise 2000 >"$raw/noise"

faulty script-missing remove SETUPINFO
for fault in empty truncated huge-size three-bytes noise; do faulty "script-$fault" set SETUPINFO "$raw/$fault"; done

for fault in missing empty truncated huge-size three-bytes noise; do
  start_setup "script-$fault"
  expect_title "$(format_text "$(text en 0)" "")"
  [ $fault == truncated ] && shot script-damaged-welcome
  if [ $fault == missing ]; then
    click bbtnNext
    expect_state rbRemove "visible disabled unchecked"
    click bbtnBack
  fi
  welcome_to_folders licence
  expect_caption edDestFolder ""
  expect_buttons enabled disabled enabled
  [ $fault == truncated ] && shot script-damaged-folders
  click bbtnCancel
  expect_clean_end "damaged setup script ($fault)"
done
expect_gone "$WINEPREFIX/drive_c/Program Files/$company"
expect_key_gone "$hkcu"

# ---- the licence damaged: no licence page, the install goes on ----------------
resource_of LICINFO | head -c 40 >"$raw/licence-cut"
faulty licence-damaged set LICINFO "$raw/licence-cut"
start_setup licence-damaged
expect_title "$(format_text "$(text en 0)" "$product")"
welcome_to_folders
expect_caption edDestFolder "C:\\Program Files\\$company\\$product"
click bbtnCancel
expect_clean_end "damaged licence"

# ---- a logo that is no bitmap: the wizard shows an empty logo strip ---------
noise 300 >"$raw/logo"
faulty logo-damaged set --bitmap TOPLOGO "$raw/logo"
start_setup logo-damaged
expect_page Welcome
expect_layout logo
shot logo-damaged
welcome_to_folders licence
click bbtnCancel
expect_clean_end "logo that is no bitmap"

# ---- a missing or damaged payload file: the installer says so and stops -------
faulty file-missing remove README.TXT
start_setup file-missing
install_stops_at "The installer is damaged: the data for '$win_app\\ReadMe.txt' is missing or damaged" "payload missing"
expect_gone "$app/ReadMe.txt"
expect_gone "$app/Docs/User Guide.txt"

# In a Russian wizard the box speaks Russian.
pack_variant demo-ru SetupLangID=1000
FAULTY_FROM=demo-ru faulty file-missing-ru remove README.TXT
start_setup file-missing-ru
BOX_LANG=ru install_stops_at "$(format_text "$(text ru 63)" "$win_app\ReadMe.txt")" "payload missing, Russian"

# The damaged file's target holds an older file, which must stay as it was.
resource_of "USER GUIDE.TXT" | head -c 20 >"$raw/guide-cut"
faulty file-damaged set "USER GUIDE.TXT" "$raw/guide-cut"
mkdir -p "$app/Docs"
echo "old guide" >"$app/Docs/User Guide.txt"
start_setup file-damaged
install_stops_at "The installer is damaged: the data for '$win_app\\Docs\\User Guide.txt' is missing or damaged" \
  "payload damaged"
expect_same_file "$src/ReadMe.txt" "$app/ReadMe.txt"
expect_content "$app/Docs/User Guide.txt" "old guide"
expect_gone "$app/Docs/Première étape.txt"
expect_no_partial_files

# ---- a target held open without sharing: Retry and Cancel --------------------
# Cancel stops the install; Retry after the holder lets go installs the file.
echo "old readme" >"$app/ReadMe.txt"
lock "$app/ReadMe.txt"
held="Failed to write '$win_app\\ReadMe.txt': Sharing violation."
start_setup demo
welcome_to_folders licence
click bbtnNext
expect_box "$held" "held file"
shot_screen held-file-retry
drv messagebox-click 2 >/dev/null || fail "the retry box has no Cancel button"
E2E_CHECKS=$((E2E_CHECKS + 1))
! drv find-messagebox 2 >/dev/null 2>&1 || fail "a second box after Cancel: $(drv messagebox-text 2>&1)"
expect_stopped_and_close "Cancel on the held file"
expect_content "$app/ReadMe.txt" "old readme"

start_setup demo
welcome_to_folders licence
click bbtnNext
expect_box "$held" "held file, second install"
unlock
drv messagebox-click 4 >/dev/null || fail "the retry box has no Retry button"
drv wait-page Installed 60 >/dev/null || fail "Retry did not lead to the installed page: $(drv page 2>&1)"
click bbtnCancel
expect_clean_end "Retry after the holder let go"
expect_same_file "$src/ReadMe.txt" "$app/ReadMe.txt"
expect_same_file "$src/docs/user-guide.txt" "$app/Docs/User Guide.txt"
expect_reg "$hklm" Version "REG_SZ 1.0.0.0"
expect_no_partial_files

# ---- a read-only target: the install names it and stops -----------------------
"$WINE64" attrib +r "$(wine_path "$app/Docs/User Guide.txt")" >/dev/null 2>&1
"$WINE64" reg delete "$hklm" /f >/dev/null 2>&1
start_setup demo
install_stops_at "Failed to write '$win_app\\Docs\\User Guide.txt': Access denied." "read-only target"
expect_same_file "$src/docs/user-guide.txt" "$app/Docs/User Guide.txt"

# ---- removal goes on past what it cannot remove, then lists it ----------------
# Installed again whole; then one file held open, one read-only, one already gone.
"$WINE64" attrib -r "$(wine_path "$app/Docs/User Guide.txt")" >/dev/null 2>&1
start_setup demo
welcome_to_folders licence
install_from_folders
click bbtnCancel
expect_clean_end "install before the removal"
"$WINE64" attrib +r "$(wine_path "$app/Docs/User Guide.txt")" >/dev/null 2>&1
rm -f "$app/Docs/Première étape.txt"
lock "$app/ReadMe.txt"
start_setup "$app/uninstall.exe"
click bbtnNext
click rbRemove
click bbtnNext
expect_box "Failed to remove '$win_app\\ReadMe.txt': Sharing violation."$'\n'"Failed to remove '$win_app\\Docs\\User Guide.txt': Access denied." \
  "what the removal left"
shot_screen removal-left
expect_page RemoveFiles
drv messagebox-click 1 >/dev/null || fail "the list has no OK button"
drv wait-page Removed 60 >/dev/null || fail "the removed page did not come: $(drv page 2>&1)"
shot removed-files-gone
click bbtnCancel
expect_clean_end "removal with files in the way"
unlock
for key in "$hkcu" "$hklm" "$uninstall_key"; do expect_key_gone "$key"; done
expect_gone "$HOME/$product.lnk"
expect_content "$app/ReadMe.txt" "$(cat "$src/ReadMe.txt")"
expect_same_file "$src/docs/user-guide.txt" "$app/Docs/User Guide.txt"
"$WINE64" attrib -r "$(wine_path "$app/Docs/User Guide.txt")" >/dev/null 2>&1
rm -rf "$WINEPREFIX/drive_c/Program Files/$company"

# ---- two installers of the product at once ----------------------------------
# Both install the same bytes; each ends cleanly and the result is whole.
start_setup demo
first=$(drv handle)
first_pid=$SETUP_PID
SETUP_PID=""
welcome_to_folders licence
start_setup demo
second_window() { second=$(drv handle 2>/dev/null) && [ "$second" != "$first" ]; }
wait_until 30 second_window || die "the second wizard did not come up"
on "$second" welcome_to_folders licence
on "$first" drv post-click bbtnNext >/dev/null
on "$second" drv post-click bbtnNext >/dev/null
for window in "$first" "$second"; do
  on "$window" drv wait-page Installed 60 >/dev/null || fail "installer $window did not finish: $(on "$window" drv page 2>&1)"
done
on "$first" click bbtnCancel
on "$second" click bbtnCancel
on "$second" expect_clean_end "the second of two installers"
SETUP_PID=$first_pid
on "$first" expect_clean_end "the first of two installers"
expect_same_file "$src/ReadMe.txt" "$app/ReadMe.txt"
expect_same_file "$src/docs/user-guide.txt" "$app/Docs/User Guide.txt"
expect_same_file "$src/docs/first-steps.txt" "$app/Docs/Première étape.txt"
expect_same_file "$E2E_GROUP_DIR/demo.exe" "$app/uninstall.exe"
expect_reg "$hklm" Version "REG_SZ 1.0.0.0"
expect_no_partial_files

rm -rf "$WINEPREFIX/drive_c/Program Files/$company"
for key in "$hkcu" "$hklm" "$uninstall_key"; do "$WINE64" reg delete "$key" /f >/dev/null 2>&1; done

# ---- a destination on a volume without room: told before anything is written ----
# Drive S: is a 1 MB volume; the product needs 3 MB there.
if mount -t tmpfs -o size=1m tmpfs "$small" 2>/dev/null; then
  ln -sfn "$small" "$WINEPREFIX/dosdevices/s:"
  roomless=$E2E_GROUP_DIR/roomless
  cp -r "$(dirname "$DEMO_SCRIPT")" "$roomless"
  head -c 3000000 /dev/zero >"$roomless/files/big.bin"
  printf '%s\r\n' "FileLocation4=files\\big.bin" "FileDispName4=Big.bin" "FileSetupPath4=<AppFiles>\\Big.bin" \
    "FileDoSetup4=True" >>"$roomless/setup.ini"
  perl -i -pe 's/^<SetupPath>=.*?(\r?)$/<SetupPath>=S:\\Roomless$1/' "$roomless/setup.ini"
  pack_installer roomless "$roomless/setup.ini"
  start_setup roomless
  welcome_to_folders licence
  click bbtnNext
  expect_box "$(format_text "$(text en 60)" "S:\\Roomless" 3 1)" "no room"
  shot_screen no-room
  drv messagebox-click 1 >/dev/null || fail "the box has no OK button"
  expect_page Folders
  expect_buttons enabled enabled enabled
  click bbtnCancel
  expect_clean_end "no room on the destination's volume"
  expect_eq "$(ls -A "$small")" "" "the small volume"
  rm "$WINEPREFIX/dosdevices/s:"
  umount "$small"
else
  log "SKIP: no tmpfs can be mounted here (not root?); the no-room check did not run"
fi

# ---- a registry key whose security lets the user only read it (last: it stays) -
# The machine-wide product key: the values of the user's key come first and stay.
"$WINE64" "$SYSFAULT" deny-key "$hklm" || die "the key could not be denied"
start_setup demo
welcome_to_folders licence
click bbtnNext
expect_eq "$(drv find-messagebox 30 2>&1)" "$(format_text "$(text en 0)" "$product")" "error box caption"
expect_eq "$(drv messagebox-text 2>&1)" "Failed to set data for ''" "error box text"
shot_screen denied-key
# The bar shows where the run stopped: five values written, the sixth (the
# key's default value, hence the empty name) refused.
expect_eq "$(drv progress pbCopyFilesInfo)" "0 12 5" "copy progress bar at the error"
drv messagebox-click 1 >/dev/null || fail "the error box has no OK button"
expect_page CopyFiles
expect_buttons disabled disabled disabled
drv close-box >/dev/null
expect_clean_end "denied registry key"
expect_same_file "$src/ReadMe.txt" "$app/ReadMe.txt"
expect_reg "$hkcu" InstallPath "REG_SZ C:\\Program Files\\$company\\$product"
expect_reg "$hklm" Version missing

e2e_end
