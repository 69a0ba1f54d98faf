#!/usr/bin/env bash
# The folder picker from the destination page: a folder chosen in its tree
# becomes the destination, and the install puts the files, the registry data
# built on <SetupPath>, the uninstaller copy and its registry command there.
# The removal then takes everything from there and nothing from the script's
# default folder, which holds files of the same names.
source "$(dirname "$0")/lib.sh"
e2e_begin browse

product=$(script_value ProductName)
company=$(script_value CompanyName)
pack_variant rooted 'SetupPath=C:\'
chosen="$WINEPREFIX/drive_c/Chosen"
mkdir -p "$chosen"
default="$WINEPREFIX/drive_c"
mkdir -p "$default/Docs"
for file in ReadMe.txt "Docs/User Guide.txt" "Docs/Première étape.txt"; do echo "another product's" >"$default/$file"; done

start_setup rooted
welcome_to_folders licence
expect_caption edDestFolder 'C:\'

# In the picker's tree: (C:), then type the name.
open_picker
picker_to_first_folder_of_c
xdotool type --delay 150 Chosen
expect_eq "$(drv wait-tree-selection Chosen 2>&1)" Chosen "folder selected in the picker"
shot_screen picker-chosen
drv messagebox-click 1 >/dev/null || fail "the folder picker has no OK button"
expect_caption_soon edDestFolder 'C:\Chosen'
expect_buttons enabled enabled enabled

# Back and forth keeps the chosen folder: it is the project's folder now.
click bbtnBack
click bbtnNext
expect_caption edDestFolder 'C:\Chosen'

click bbtnNext
drv wait-page Installed 60 >/dev/null || fail "the installed page did not come: $(drv page 2>&1)"
click bbtnCancel
expect_closed "Finish"

src=$(dirname "$DEMO_SCRIPT")
expect_same_file "$src/files/ReadMe.txt" "$chosen/ReadMe.txt"
expect_same_file "$src/files/docs/user-guide.txt" "$chosen/Docs/User Guide.txt"
expect_reg "HKCU\\Software\\$company\\$product" InstallPath 'REG_SZ C:\Chosen'
expect_reg "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product" UninstallString \
  'REG_SZ C:\Chosen\uninstall.exe'
expect_same_file "$E2E_GROUP_DIR/rooted.exe" "$chosen/uninstall.exe"
expect_reg "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product" InstallLocation 'REG_SZ C:\Chosen'
expect_exists "$HOME/$product.lnk"

# ---- removal with the uninstaller copy, from the chosen folder ----------------
start_setup "$chosen/uninstall.exe"
click bbtnNext
click rbRemove
click bbtnNext
drv wait-page Removed 60 >/dev/null || fail "the removed page did not come: $(drv page 2>&1)"
expect_no_messagebox "during the removal"
click bbtnCancel
expect_closed "Finish after removal"
for file in ReadMe.txt "Docs/User Guide.txt" "Docs/Première étape.txt"; do
  expect_gone "$chosen/$file"
  expect_eq "$(cat "$default/$file" 2>&1)" "another product's" "the default folder's $file"
done
user=$(ls "$WINEPREFIX/drive_c/users" | grep -v -x Public | head -n1)
programs="$WINEPREFIX/drive_c/users/$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
for link in "$HOME/$product.lnk" "$programs/$product.lnk" "$programs/$company/$product/User Guide.lnk" \
  "$programs/$company/$product/First Steps.lnk"; do
  expect_gone "$link"
done
for key in "HKCU\\Software\\$company\\$product" "HKLM\\Software\\$company\\$product" \
  "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product"; do
  E2E_CHECKS=$((E2E_CHECKS + 1))
  reg_key_exists "$key" && fail "the key $key is still there"
done

e2e_end
