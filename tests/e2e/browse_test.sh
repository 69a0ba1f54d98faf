#!/usr/bin/env bash
# The folder picker from the destination page: a folder chosen in its tree
# becomes the destination, and the install puts the files, the registry data
# built on <SetupPath>, the uninstaller copy and its registry command there.
source "$(dirname "$0")/lib.sh"
e2e_begin browse

product=$(script_value ProductName)
company=$(script_value CompanyName)
pack_variant rooted 'SetupPath=C:\'
chosen="$WINEPREFIX/drive_c/Chosen"
mkdir -p "$chosen"

start_setup rooted
click bbtnNext
click bbtnNext
click rbLicOK
click bbtnNext
expect_caption edDestFolder 'C:\'

# In the picker's tree (Tab, Tab from OK): My Computer, (C:), then type the name.
click bbtnBrowse
expect_eq "$(drv find-messagebox 2>&1)" "Browse folders" "folder picker caption"
picker=$(xdotool search --name "^Browse folders$" | head -n1)
[ -n "$picker" ] || die "no X window for the folder picker"
xdotool windowfocus --sync "$picker" 2>/dev/null
drv wait-foreground >/dev/null || die "the folder picker did not become the active window"
xdotool key --delay 200 Tab Tab
picker_tree_focused() { [ "$(drv focused 2>&1)" == SysTreeView32 ]; }
wait_until 30 picker_tree_focused || die "Tab, Tab did not reach the picker's tree: $(drv focused 2>&1)"
xdotool key --delay 150 Home Down Down Down Down Right Down
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

e2e_end
