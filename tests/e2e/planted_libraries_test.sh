#!/usr/bin/env bash
# Libraries planted beside the installer under the names of libraries it or the
# system libraries it uses would load: a walk through every page of both roads,
# the folder picker included, runs without loading any of them. The names are
# a fixed list and every library that the loader's own trace shows the
# installer loading after its start-up. Wine prefers its own builtin
# libraries, so each name is set to prefer a native copy, as Windows would.
# One name is left out: Wine's user32 imports version.dll as the process
# starts, before any of the program's code runs, which Windows' does not. That
# the program itself imports nothing but known system libraries, the import
# check below shows.
source "$(dirname "$0")/lib.sh"
e2e_begin planted_libraries

fixtures=${WIZDRIVER%/e2e/driver/wizdriver.exe}/fixtures
planted_names="riched20.dll msftedit.dll comctl32.dll uxtheme.dll dwmapi.dll cryptbase.dll propsys.dll profapi.dll
               userenv.dll winmm.dll oleacc.dll dbghelp.dll secur32.dll sspicli.dll netapi32.dll wtsapi32.dll
               shfolder.dll usp10.dll msimg32.dll"

# plant DIR: a copy of the planted library under every name in DIR.
plant() {
  local name
  for name in $planted_names; do cp "$fixtures/planted.dll" "$1/$name"; done
}

# The names whose planted copy ran in DIR.
planted_that_ran() { (cd "$1" && ls -- *.ran 2>/dev/null | sed 's/\.ran$//' | tr 'A-Z\n' 'a-z ' ); }

# traced_libraries TRACE PROGRAM: the lower-case file names of the libraries
# that the processes of PROGRAM loaded, from a loader trace (lines
# "PID:TID:trace:loaddll:... Loaded L"PATH" ..."), the system's own only.
traced_libraries() {
  local pid
  for pid in $(grep -F "\\$2\"" "$1" | grep -F 'Loaded L"' | cut -d: -f1 | sort -u); do
    grep "^$pid:" "$1" | grep -o 'Loaded L"C:\\\\windows\\\\[^"]*"' | sed 's/"$//; s/.*\\//' | tr 'A-Z' 'a-z'
  done | sort -u
}

overrides() {
  local name list=$WINEDLLOVERRIDES
  for name in $planted_names; do list+=";${name%.dll}=n,b"; done
  echo "$list"
}

# The control case: a program that loads a library by name alone takes the
# planted copy from its own folder, so the marks do show what was loaded.
probe=$E2E_GROUP_DIR/probe
mkdir -p "$probe"
cp "$fixtures/loadprobe.exe" "$probe/"
plant "$probe"
WINEDLLOVERRIDES=$(overrides) "$WINE64" "$probe/loadprobe.exe" dwmapi.dll >/dev/null 2>&1
expect_eq "$(planted_that_ran "$probe")" "dwmapi.dll " "planted libraries the probe loaded"

# Known system libraries only, each loaded from the system folder before any of
# the program's code runs; everything else is loaded once the search is limited.
# The probe imports the same, so its start-up is the installer's.
imports_of() { x86_64-w64-mingw32-objdump -p "$1" | awk '/DLL Name:/ { print tolower($3) }' | sort | tr '\n' ' '; }
expect_eq "$(imports_of "$SETUP_STUB")" "advapi32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll shell32.dll user32.dll " \
  "libraries the installer imports"
expect_eq "$(imports_of "$fixtures/loadprobe.exe")" "$(imports_of "$SETUP_STUB")" "libraries the probe imports"

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

# walk LOG: every page of both roads from $downloads/setup.exe: the install
# road with the picker opened and cancelled, then, started again, the removal.
# The installer's output of both runs goes to LOG.
walk() {
  : >"$1"
  start_setup "$downloads/setup.exe"
  welcome_to_folders licence
  open_picker
  shot_screen picker
  drv messagebox-click 2 >/dev/null || fail "the folder picker has no Cancel button"
  click bbtnNext
  drv wait-page Installed 60 >/dev/null || fail "the installed page did not come: $(drv page 2>&1)"
  click bbtnCancel
  setup_ended || fail "the installer did not end after Finish"
  expect_reg "HKCU\\Software\\SetupTests\\ImportServer" Registered "REG_DWORD 0x1"
  cat "$E2E_GROUP_DIR/setup.log" >>"$1"
  start_setup "$downloads/setup.exe"
  click bbtnNext
  click rbRemove
  click bbtnNext
  drv wait-page Removed 60 >/dev/null || fail "the removed page did not come: $(drv page 2>&1)"
  click bbtnCancel
  setup_ended || fail "the installer did not end after the removal"
  cat "$E2E_GROUP_DIR/setup.log" >>"$1"
}

# First a walk with nothing planted, under the loader's trace: whatever the
# installer loads after its start-up, which is what the probe loads before its
# code runs, joins the planted names.
SETUP_WINEDEBUG=+pid,+loaddll walk "$E2E_GROUP_DIR/walk.trace"
WINEDEBUG=+pid,+loaddll "$WINE64" "$probe/loadprobe.exe" 2>"$E2E_GROUP_DIR/probe.trace"
later=$(comm -23 <(traced_libraries "$E2E_GROUP_DIR/walk.trace" setup.exe) \
                 <(traced_libraries "$E2E_GROUP_DIR/probe.trace" loadprobe.exe))
E2E_CHECKS=$((E2E_CHECKS + 1))
[ -n "$later" ] || fail "the trace shows no library loaded after start-up"
log "loaded after start-up: $(echo $later)"
planted_names+=" $later"

# Then the same walk with all of them planted beside the installer.
plant "$downloads"
WINEDLLOVERRIDES=$(overrides) walk "$E2E_GROUP_DIR/walk.log"
expect_eq "$(planted_that_ran "$downloads")" "" "planted libraries the installer loaded"

e2e_end
