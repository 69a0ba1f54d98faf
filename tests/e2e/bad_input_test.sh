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
hkcu="HKCU\\Software\\$company\\$product"
hklm="HKLM\\Software\\$company\\$product"
uninstall_key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product"
raw=$E2E_GROUP_DIR/raw
mkdir -p "$raw"

pack_installer demo "$DEMO_SCRIPT"

# faulty NAME RESEDIT-ARGS...: a copy of the demo installer with one resource
# replaced or removed.
faulty() {
  local exe=$E2E_GROUP_DIR/$1.exe
  shift
  cp "$E2E_GROUP_DIR/demo.exe" "$exe"
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

# welcome_to_folders [licence]: from Welcome to the folder page.
welcome_to_folders() {
  click bbtnNext
  click bbtnNext
  if [ "${1:-}" == licence ]; then
    expect_page License
    click rbLicOK
    click bbtnNext
  fi
  expect_page Folders
}

# install_from_folders: Next on the folder page, up to the finished page.
install_from_folders() {
  click bbtnNext
  drv wait-page Installed 60 >/dev/null || fail "the installed page did not come: $(drv page 2>&1)"
  E2E_CHECKS=$((E2E_CHECKS + 1))
  ! drv find-messagebox 0 >/dev/null 2>&1 || fail "a message box came during the install: $(drv messagebox-text 2>&1)"
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

# ---- payload files: one missing, one damaged, among good ones ---------------
# The damaged one's target holds an older file, which must stay as it was.
resource_of "USER GUIDE.TXT" | head -c 20 >"$raw/guide-cut"
faulty files-damaged remove README.TXT
"$RESEDIT" "$E2E_GROUP_DIR/files-damaged.exe" set "USER GUIDE.TXT" "$raw/guide-cut" || die "resedit failed"
mkdir -p "$app/Docs"
echo "old guide" >"$app/Docs/User Guide.txt"
start_setup files-damaged
welcome_to_folders licence
install_from_folders
shot files-damaged-installed
click bbtnCancel
expect_clean_end "files missing and damaged"
expect_gone "$app/ReadMe.txt"
expect_content "$app/Docs/User Guide.txt" "old guide"
expect_same_file "$src/docs/first-steps.txt" "$app/Docs/Première étape.txt"
expect_reg "$hkcu" InstallPath "REG_SZ C:\\Program Files\\$company\\$product"
expect_reg "$hklm" Version "REG_SZ 1.0.0.0"
expect_same_file "$E2E_GROUP_DIR/files-damaged.exe" "$app/uninstall.exe"
expect_no_partial_files

# ---- targets in the way: one open without sharing, one read-only -------------
# Both stay unchanged without a message; the other files are installed.
echo "old readme" >"$app/ReadMe.txt"
echo "old guide" >"$app/Docs/User Guide.txt"
"$WINE64" attrib +r "$(wine_path "$app/Docs/User Guide.txt")" >/dev/null 2>&1
rm -f "$app/Docs/Première étape.txt"
mkfifo "$raw/unlock"
"$WINE64" "$SYSFAULT" lock "$(wine_path "$app/ReadMe.txt")" <"$raw/unlock" >"$raw/lock.out" 2>&1 &
locker=$!
exec {unlock}>"$raw/unlock"
wait_until 30 grep -q locked "$raw/lock.out"
grep -q locked "$raw/lock.out" || die "the file was not locked: $(cat "$raw/lock.out")"
start_setup demo
welcome_to_folders licence
install_from_folders
click bbtnCancel
expect_clean_end "targets locked and read-only"
exec {unlock}>&-
wait "$locker" || fail "the locking helper failed: $(cat "$raw/lock.out")"
expect_content "$app/ReadMe.txt" "old readme"
expect_content "$app/Docs/User Guide.txt" "old guide"
expect_same_file "$src/docs/first-steps.txt" "$app/Docs/Première étape.txt"
expect_reg "$hklm" Version "REG_SZ 1.0.0.0"
expect_no_partial_files

# ---- removal when the installed files are already gone -----------------------
rm -f "$app/ReadMe.txt" "$app/Docs/Première étape.txt"
start_setup "$app/uninstall.exe"
click bbtnNext
click rbRemove
click bbtnNext
drv wait-page Removed 60 >/dev/null || fail "the removed page did not come: $(drv page 2>&1)"
shot removed-files-gone
click bbtnCancel
expect_clean_end "removal with the files gone"
for key in "$hkcu" "$hklm" "$uninstall_key"; do expect_key_gone "$key"; done
expect_gone "$HOME/$product.lnk"
# The read-only file cannot be deleted and stays.
expect_content "$app/Docs/User Guide.txt" "old guide"
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
