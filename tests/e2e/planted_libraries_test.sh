#!/usr/bin/env bash
# Libraries planted beside the installer under the names of libraries it or the
# system libraries it uses would load: a whole install road, the folder picker
# included, runs without loading any of them. Wine prefers its own builtin
# libraries, so each name is set to prefer a native copy, as Windows would.
# Two names are left out because Wine's own system libraries load them in ways
# Windows does not: its user32 imports version.dll as the process starts, and
# its uxtheme loads msimg32.dll beside the program when it first draws. That the
# program itself imports neither, nor anything but known system libraries, the
# import check below shows.
source "$(dirname "$0")/lib.sh"
e2e_begin planted_libraries

fixtures=${WIZDRIVER%/e2e/driver/wizdriver.exe}/fixtures
planted_names="riched20 msftedit comctl32 uxtheme dwmapi cryptbase propsys profapi userenv
               winmm oleacc dbghelp secur32 sspicli netapi32 wtsapi32 shfolder usp10"

# plant DIR: a copy of the planted library under every name in DIR.
plant() {
  local name
  for name in $planted_names; do cp "$fixtures/planted.dll" "$1/$name.dll"; done
}

# The names whose planted copy ran in DIR.
planted_that_ran() { (cd "$1" && ls -- *.dll.ran 2>/dev/null | sed 's/\.dll\.ran$//' | tr '\n' ' '); }

overrides=$WINEDLLOVERRIDES
for name in $planted_names; do overrides+=";$name=n,b"; done

# The control case: a program that loads a library by name alone takes the
# planted copy from its own folder, so the marks do show what was loaded.
probe=$E2E_GROUP_DIR/probe
mkdir -p "$probe"
cp "$fixtures/loadprobe.exe" "$probe/"
plant "$probe"
WINEDLLOVERRIDES=$overrides "$WINE64" "$probe/loadprobe.exe" dwmapi.dll >/dev/null 2>&1
expect_eq "$(planted_that_ran "$probe")" "dwmapi " "planted libraries the probe loaded"

# Known system libraries only, each loaded from the system folder before any of
# the program's code runs; everything else is loaded once the search is limited.
imports=$(x86_64-w64-mingw32-objdump -p "$SETUP_STUB" | awk '/DLL Name:/ { print tolower($3) }' | sort | tr '\n' ' ')
expect_eq "$imports" "advapi32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll shell32.dll user32.dll " \
  "libraries the installer imports"

# The installer in a folder full of planted libraries, walked to its end. Its
# product has a DLL server that imports one of the planted names, a system
# library that nothing else loads: registering it takes the system's copy.
product_dir=$E2E_GROUP_DIR/product
cp -r "$(dirname "$DEMO_SCRIPT")" "$product_dir"
cp "$fixtures/importserver.dll" "$product_dir/files/"
printf '%s\r\n' "FileLocation4=files\\importserver.dll" "FileDispName4=ImportServer.dll" \
  "FileSetupPath4=<AppFiles>\\ImportServer.dll" "FileDoSetup4=True" "FileDoRegister4=True" >>"$product_dir/setup.ini"
downloads=$E2E_GROUP_DIR/downloads
mkdir -p "$downloads"
pack_installer demo "$product_dir/setup.ini"
mv "$E2E_GROUP_DIR/demo.exe" "$downloads/setup.exe"
plant "$downloads"
WINEDLLOVERRIDES=$overrides start_setup "$downloads/setup.exe"
click bbtnNext
click bbtnNext
click rbLicOK
click bbtnNext
expect_page Folders
click bbtnBrowse
expect_eq "$(drv find-messagebox 2>&1)" "Browse folders" "folder picker caption"
shot_screen picker
drv messagebox-click 2 >/dev/null || fail "the folder picker has no Cancel button"
click bbtnNext
drv wait-page Installed 60 >/dev/null || fail "the installed page did not come: $(drv page 2>&1)"
shot installed
click bbtnCancel
setup_ended || fail "the installer did not end after Finish"
expect_eq "$(planted_that_ran "$downloads")" "" "planted libraries the installer loaded"
expect_reg "HKCU\\Software\\SetupTests\\ImportServer" Registered "REG_DWORD 0x1"

e2e_end
