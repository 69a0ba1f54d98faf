#!/usr/bin/env bash
# Paths as users have them. Started from a folder whose name the ANSI code page
# cannot hold, the installer installs completely and its uninstaller copy
# removes the product, under the code pages 1252 and 1251. A folder chosen in
# the picker, or a New folder name, that the code page cannot hold is refused
# with one message, and the destination stays as it was.
source "$(dirname "$0")/lib.sh"
e2e_begin paths

product=$(script_value ProductName)
company=$(script_value CompanyName)
app="$WINEPREFIX/drive_c/Program Files/$company/$product"
src=$(dirname "$DEMO_SCRIPT")/files
pack_installer demo "$DEMO_SCRIPT"
# The demo names a file in the code page 1252 ("Première étape.txt"), whose data
# an installer run under 1251 cannot find by that name (it says so and stops);
# the run under 1251 installs a copy of the demo whose names are ASCII.
cp -r "$(dirname "$DEMO_SCRIPT")" "$E2E_GROUP_DIR/ascii"
perl -i -pe 's/Premi\xe8re \xe9tape/First steps/g' "$E2E_GROUP_DIR/ascii/setup.ini"
pack_installer ascii "$E2E_GROUP_DIR/ascii/setup.ini"

# A Russian locale of the run's own gives Wine the code page 1251.
export LOCPATH=$E2E_GROUP_DIR/locales
mkdir -p "$LOCPATH"
localedef -i ru_RU -f UTF-8 "$LOCPATH/ru_RU.UTF-8" >/dev/null 2>&1 || die "the Russian locale cannot be made"

# road_from_folder LOCALE FOLDER INSTALLER: the installer copied into FOLDER
# (below the users' folder) and started there under LOCALE installs the demo;
# then its uninstaller copy removes it.
road_from_folder() {
  local locale=$1 downloads="$WINEPREFIX/drive_c/users/$2/Downloads"
  mkdir -p "$downloads"
  cp "$E2E_GROUP_DIR/$3.exe" "$downloads/setup.exe"
  LC_ALL=$locale start_setup "$downloads/setup.exe"
  expect_title "$(format_text "$(text en 0)" "$product")"
  welcome_to_folders licence
  click bbtnNext
  drv wait-page Installed 60 >/dev/null || fail "$2: the installed page did not come: $(drv page 2>&1)"
  click bbtnCancel
  expect_closed "$2: Finish"
  expect_same_file "$src/ReadMe.txt" "$app/ReadMe.txt"
  expect_same_file "$src/docs/user-guide.txt" "$app/Docs/User Guide.txt"
  expect_same_file "$downloads/setup.exe" "$app/uninstall.exe"

  LC_ALL=$locale start_setup "$app/uninstall.exe"
  click bbtnNext
  click rbRemove
  click bbtnNext
  drv wait-page Removed 60 >/dev/null || fail "$2: the removed page did not come: $(drv page 2>&1)"
  click bbtnCancel
  expect_closed "$2: Finish after removal"
  expect_gone "$app/ReadMe.txt"
  expect_gone "$app/Docs/User Guide.txt"
}
road_from_folder C.UTF-8 "Иван" demo            # Cyrillic, outside the code page 1252
road_from_folder ru_RU.UTF-8 "Ελένη" ascii      # Greek, outside the code page 1251

# ---- names outside the code page in the folder picker ---------------------------
pack_variant rooted 'SetupPath=C:\'
mkdir -p "$WINEPREFIX/drive_c/0Выбор"  # sorts first below C:
start_setup rooted
welcome_to_folders licence
expect_caption edDestFolder 'C:\'

# expect_refusal TEXT SHOT: one message box with TEXT over the wizard or picker; OK closes it.
expect_refusal() {
  expect_eq "$(drv find-messagebox 2>&1)" "$(format_text "$(text en 0)" "$product")" "refusal box caption"
  expect_eq "$(drv messagebox-text 2>&1)" "$1" "refusal box text"
  shot_screen "$2"
  drv messagebox-click 1 >/dev/null || fail "the refusal box has no OK button"
}

# A folder whose name the code page cannot hold, chosen and confirmed.
open_picker
picker_to_first_folder_of_c
expect_eq "$(drv wait-tree-selection 0Выбор 2>&1)" 0Выбор "folder selected in the picker"
drv messagebox-click 1 >/dev/null || fail "the folder picker has no OK button"
expect_refusal "$(text en 57)" unusable-folder
expect_caption edDestFolder 'C:\'
expect_buttons enabled enabled enabled

# A New folder name that the code page cannot hold: no folder is made.
open_picker
drv dialog-button "New folder" >/dev/null || fail "the picker has no New folder button"
drv dialog-text 100 "Новая" >/dev/null || fail "the name prompt has no name field"
drv messagebox-click 1 >/dev/null || fail "the name prompt has no OK button"
expect_refusal "$(text en 58)" unusable-new-folder
expect_gone "$WINEPREFIX/drive_c/Новая"
drv messagebox-click 2 >/dev/null || fail "the folder picker has no Cancel button"
expect_caption edDestFolder 'C:\'
click bbtnCancel
expect_closed "Cancel"

# ---- a reinstall deep down: every path up to the system's limit works ----------
# A product of two files in a folder of 247 characters, the longest a folder
# may have: its files' paths come to 253, and the system's own temporary names
# no longer fit beside them.
deep_name=$(printf 'd%.0s' {1..120})\\$(printf 'e%.0s' {1..123})
deep_dir=$E2E_GROUP_DIR/deep
mkdir -p "$deep_dir"
echo "first file" >"$deep_dir/a.txt"
echo "second file" >"$deep_dir/b.txt"
printf '%s\r\n' "[SetupInfo]" "<CompanyName>=Deep Company" "<ProductName>=Deep" "<SetupPath>=C:\\$deep_name" \
  "[SetupFileGroups]" "FileGroupName1=<AppFiles>" "FileGroupPath1=<SetupPath>" "[SetupFileValues]" \
  "FileLocation1=a.txt" "FileDispName1=a.txt" "FileSetupPath1=<AppFiles>\\a.txt" "FileDoSetup1=True" \
  "FileLocation2=b.txt" "FileDispName2=b.txt" "FileSetupPath2=<AppFiles>\\b.txt" "FileDoSetup2=True" \
  "[SetupRegValues]" "RegValueLocation1=<HKEY_CURRENT_USER>\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Deep" \
  "RegValueName1=UninstallString" "RegValueType1=<String>" "RegValueValue1=C:\\Deep\\uninstall.exe" >"$deep_dir/setup.ini"
pack_installer deep "$deep_dir/setup.ini"
deep_app="$WINEPREFIX/drive_c/${deep_name//\\//}"
install_deep() {
  start_setup deep
  welcome_to_folders
  click bbtnNext
  drv wait-page Installed 60 >/dev/null || fail "$1: the installed page did not come: $(drv page 2>&1)"
  expect_no_messagebox "during the $1"
  click bbtnCancel
  expect_closed "$1: Finish"
  expect_same_file "$deep_dir/a.txt" "$deep_app/a.txt"
  expect_same_file "$deep_dir/b.txt" "$deep_app/b.txt"
}
install_deep "first install"
echo "old" >"$deep_app/a.txt"
echo "old" >"$deep_app/b.txt"
install_deep "reinstall"

e2e_end
