#!/usr/bin/env bash
# Both roads end to end on the demo product with a program to start and a DLL
# server among its files: install into the default folder, Finish with chosen
# shortcut boxes, then remove with the uninstaller copy; a worker error; and a
# DLL server that refuses to register in a product without an uninstall entry.
source "$(dirname "$0")/lib.sh"
e2e_begin roads

fixtures=${WIZDRIVER%/e2e/driver/wizdriver.exe}/fixtures
product=$(script_value ProductName)
company=$(script_value CompanyName)

# copy_demo NAME PERL: a copy of the demo product in $E2E_GROUP_DIR/NAME whose
# script lines the perl expression edits (CR LF line ends kept).
copy_demo() {
  local dir=$E2E_GROUP_DIR/$1
  rm -rf "$dir"
  cp -r "$(dirname "$DEMO_SCRIPT")" "$dir"
  perl -i -pe "$2" "$dir/setup.ini"
}

# add_server NAME LIBRARY: the fixture library as file entry 4 of the product
# NAME, registered (keys are found from the top, not by section, so the new
# entry may follow the last section).
add_server() {
  cp "$fixtures/$2" "$E2E_GROUP_DIR/$1/files/"
  printf '%s\r\n' "FileLocation4=files\\$2" "FileDispName4=$2" "FileFolder4=<AppFiles>" \
    "FileSetupPath4=<AppFiles>\\$2" "FileDoSetup4=True" "FileDoRegister4=True" >>"$E2E_GROUP_DIR/$1/setup.ini"
}

# The demo whose first file is the demo program, which also installs the test
# DLL server, and whose installed-version marker is the product key's unnamed
# value.
pack_full_demo() {
  copy_demo full 's/^FileLocation1=.*?(\r?)$/FileLocation1=files\\demoapp.exe$1/;
                  s/^FileDispName1=.*?(\r?)$/FileDispName1=DemoApp.exe$1/;
                  s/^FileSetupPath1=.*?(\r?)$/FileSetupPath1=<AppFiles>\\DemoApp.exe$1/;
                  s/^RegCheckVersion6=False/RegCheckVersion6=True/; s/^RegCheckVersion7=True/RegCheckVersion7=False/'
  cp "$fixtures/demoapp.exe" "$E2E_GROUP_DIR/full/files/"
  add_server full demoserver.dll
  pack_installer full "$E2E_GROUP_DIR/full/setup.ini"
}

pack_full_demo
src=$E2E_GROUP_DIR/full
app="$WINEPREFIX/drive_c/Program Files/$company/$product"
user=$(ls "$WINEPREFIX/drive_c/users" | grep -v -x Public | head -n1)
start_menu="$WINEPREFIX/drive_c/users/$user/AppData/Roaming/Microsoft/Windows/Start Menu"
programs="$start_menu/Programs"
desktop=$HOME  # the prefix's user folders are linked to the run's home
hkcu="HKCU\\Software\\$company\\$product"
hklm="HKLM\\Software\\$company\\$product"
uninstall_key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product"
server_marker="HKCU\\Software\\SetupTests\\DemoServer"

# ---- install road -----------------------------------------------------------
start_setup full
click bbtnNext
expect_state rbRemove "visible disabled unchecked"
click bbtnNext
click rbLicOK
click bbtnNext
expect_page Folders
click bbtnNext
drv wait-page Installed 60 >/dev/null || fail "the installed page did not come: $(drv page 2>&1)"
expect_buttons disabled disabled enabled
expect_caption bbtnNext "&Next >"
expect_caption bbtnCancel "&Finish"
expect_eq "$(drv progress pbCopyFilesInfo)" "0 0 0" "copy progress bar after the run"
for box in cbAddIcon2Programs cbAddIcon2Desktop cbAddIcon2QuickStart; do expect_state $box "visible enabled checked"; done
expect_state cbAddIcon2Start "visible enabled unchecked"
expect_state cbRunProgram "visible enabled unchecked"
shot installed-en

expect_same_file "$src/files/demoapp.exe" "$app/DemoApp.exe"
expect_same_file "$src/files/demoserver.dll" "$app/demoserver.dll"
expect_same_file "$src/files/docs/user-guide.txt" "$app/Docs/User Guide.txt"
expect_same_file "$src/files/docs/first-steps.txt" "$app/Docs/Première étape.txt"
expect_reg "$server_marker" Registered "REG_DWORD 0x1"
expect_reg "$hkcu" InstallPath "REG_SZ C:\\Program Files\\$company\\$product"
expect_reg "$hkcu" WindowWidth "REG_DWORD 0x280"
expect_reg "$hkcu" ShowTips "REG_DWORD 0x1"
expect_reg "$hkcu" Signature "REG_BINARY 44454D4F"
E2E_CHECKS=$((E2E_CHECKS + 1))
reg_key_exists "$hkcu\\Recent Files" || fail "the key Recent Files was not created"
expect_reg "$hklm" "(Default)" "REG_SZ $(script_value ProductDescription)"
expect_reg "$hklm" Version "REG_SZ 1.0.0.0"
expect_reg "$uninstall_key" UninstallString "REG_SZ C:\\Program Files\\$company\\$product\\uninstall.exe"
expect_reg "$uninstall_key" Publisher "REG_SZ $company"

# Finish, by Esc, with the Start menu wanted, the Programs menu not, and the
# program started.
click cbAddIcon2Start
click cbAddIcon2Programs
click cbRunProgram
press_key Escape
expect_closed "Esc as Finish"
expect_exists "$desktop/$product.lnk"
expect_exists "$start_menu/$product.lnk"
expect_gone "$programs/$product.lnk"
expect_exists "$programs/$company/$product/User Guide.lnk"
expect_exists "$programs/$company/$product/First Steps.lnk"
expect_same_file "$E2E_GROUP_DIR/full.exe" "$app/uninstall.exe"
wait_until 30 test -e "$app/demoapp.txt"
expect_eq "$(cat "$app/demoapp.txt" 2>&1)" "C:\\Program Files\\$company\\$product" "folder the program was started in"

# ---- remove road, with the uninstaller copy ------------------------------------
start_setup "$app/uninstall.exe"
click bbtnNext
expect_state rbRemove "visible enabled unchecked"
click rbRemove
expect_caption bbtnNext "&Remove"
click bbtnNext
drv wait-page Removed 60 >/dev/null || fail "the removed page did not come: $(drv page 2>&1)"
expect_buttons disabled disabled enabled
expect_caption bbtnCancel "&Finish"
shot removed-en
click bbtnCancel
expect_closed "Finish after removal"

for file in DemoApp.exe demoserver.dll "Docs/User Guide.txt" "Docs/Première étape.txt"; do expect_gone "$app/$file"; done
expect_gone "$desktop/$product.lnk"
expect_gone "$start_menu/$product.lnk"
expect_gone "$programs/$company/$product/User Guide.lnk"
expect_reg "$server_marker" Registered missing
for key in "$hkcu" "$hklm" "$uninstall_key"; do
  E2E_CHECKS=$((E2E_CHECKS + 1))
  reg_key_exists "$key" && fail "the key $key is still there"
done
E2E_CHECKS=$((E2E_CHECKS + 1))
reg_key_exists "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall" ||
  fail "the list of all uninstall entries was deleted"

# A second start finds nothing installed.
start_setup "$E2E_GROUP_DIR/full.exe"
click bbtnNext
expect_state rbRemove "visible disabled unchecked"
click bbtnCancel
expect_closed

# ---- a worker error: one box, the wizard stays on the copying page -------------
# The first registry value goes to a key whose name is too long to create.
copy_demo broken 's/^(RegValueLocation1=.*?)(\r?)$/$1\\${\("k" x 300)}$2/'
pack_installer broken "$E2E_GROUP_DIR/broken/setup.ini"
start_setup broken
click bbtnNext
click bbtnNext
click rbLicOK
click bbtnNext
click bbtnNext
expect_eq "$(drv find-messagebox 30 2>&1)" "\"$product\" Setup Wizard" "error box caption"
expect_eq "$(drv messagebox-text 2>&1)" "Failed to set data for 'InstallPath'" "error box text"
shot_screen worker-error
drv messagebox-click 1 >/dev/null || fail "the error box has no OK button"
expect_page CopyFiles
expect_buttons disabled disabled disabled
# Keys are taken in order: once Alt+Space has opened the system menu, the Esc
# before it has been taken too, and the window must still be open.
press_key Escape alt+space
expect_eq "$(drv wait-menu open 2>&1)" open "the system menu after Esc"
expect_open "Esc with every button disabled"
press_key Escape
expect_eq "$(drv wait-menu closed 2>&1)" closed "the system menu after its Esc"
drv close-box >/dev/null
expect_closed "the close box after the error"
# The files came before the values; the version marker was never written.
expect_exists "$app/Docs/User Guide.txt"
start_setup broken
click bbtnNext
expect_state rbRemove "visible disabled unchecked"
click bbtnCancel
expect_closed

# ---- a DLL server that refuses to register, in a product without an uninstall entry --
# Abort ends the install with nothing after the library; Ignore goes on to the
# finished page, and Finish puts the uninstaller copy into the destination,
# never into the folder the installer was started from.
copy_demo refusing 's/^RegValueName9=UninstallString/RegValueName9=QuietUninstallString/'
add_server refusing refusingserver.dll
pack_installer refusing "$E2E_GROUP_DIR/refusing/setup.ini"
started_in=$E2E_GROUP_DIR/started-in
mkdir -p "$started_in"
cd "$started_in" || die "no folder $started_in"
for answer in abort ignore; do
  start_setup refusing
  welcome_to_folders licence
  click bbtnNext
  expect_eq "$(drv find-messagebox 30 2>&1)" "\"$product\" Setup Wizard" "registration box caption"
  expect_eq "$(drv messagebox-text 2>&1)" \
    "Failed to register 'C:\\Program Files\\$company\\$product\\refusingserver.dll': DllRegisterServer returned 0x80070005" \
    "registration box text"
  [ $answer == abort ] && shot_screen registration-refused
  if [ $answer == abort ]; then
    drv messagebox-click 3 >/dev/null || fail "the registration box has no Abort button"
    expect_page CopyFiles
    expect_buttons disabled disabled disabled
    expect_reg "$hklm" Version missing
    drv close-box >/dev/null
    expect_closed "the close box after Abort"
  else
    drv messagebox-click 5 >/dev/null || fail "the registration box has no Ignore button"
    drv wait-page Installed 60 >/dev/null || fail "Ignore did not lead to the installed page: $(drv page 2>&1)"
    expect_reg "$hklm" Version "REG_SZ 1.0.0.0"
    click bbtnCancel
    expect_closed "Finish after Ignore"
  fi
done
cd "$E2E_GROUP_DIR" || die "no group folder"
expect_eq "$(ls -A "$started_in")" "" "the folder the installer was started from"
expect_same_file "$E2E_GROUP_DIR/refusing.exe" "$app/refusing.exe"

e2e_end
