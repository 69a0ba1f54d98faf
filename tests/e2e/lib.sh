# Library of the end-to-end tests: each test script sources it, calls e2e_begin,
# starts an installer under Wine on a private Xvfb display, drives the wizard
# through wizdriver.exe and asserts on what it reads back.
#
#   source "$(dirname "$0")/lib.sh"
#   e2e_begin mygroup                      # output folder, Xvfb, clean Wine prefix
#   pack_installer demo "$DEMO_SCRIPT"; start_setup demo
#   click bbtnNext; expect_page Selection; expect_caption bbtnNext "&Next >"
#   shot selection-en                      # $E2E_GROUP_DIR/selection-en.png
#   e2e_end                                # stops everything, exit status
#
# Environment (set by ctest): SETUP_SOURCE_DIR, SETUP_STUB, WIZDRIVER, VELKPACK,
# WINE_ROOT (the run's booted prefix), E2E_OUT (output folder in the build tree).
# A check that fails is reported with its line and the run goes on; e2e_end
# exits 1 when any check failed. Exit code 77 means skipped (packer not built).

set -uo pipefail
export LC_ALL=C.UTF-8

: "${SETUP_SOURCE_DIR:?}" "${SETUP_STUB:?}" "${WIZDRIVER:?}" "${WINE_ROOT:?}" "${E2E_OUT:?}"
VELKPACK=${VELKPACK:-}
DEMO_SCRIPT=$SETUP_SOURCE_DIR/examples/demo/setup.ini
source "$SETUP_SOURCE_DIR/tests/e2e/texts.sh"

E2E_FAILURES=0
E2E_CHECKS=0
SETUP_PID=""
XVFB_PID=""
E2E_PREFIX_COPY=""

log() { printf '%s\n' "$*" >&2; }

# Names the test script's line that led to the failure.
fail() {
  log "FAIL (${BASH_SOURCE[-1]##*/}:${BASH_LINENO[-2]}): $*"
  E2E_FAILURES=$((E2E_FAILURES + 1))
}

# Stops the test at once (set-up problems that make further checks pointless).
die() {
  log "ERROR (${BASH_SOURCE[-1]##*/}:${BASH_LINENO[-2]}): $*"
  exit 1
}

# ---- set-up and tear-down -------------------------------------------------

# A copy of the run's booted prefix, so that every group starts on a machine
# where nothing is installed; the user folders are linked to the group's home.
copy_prefix() {
  local shared=$WINE_ROOT/prefix link
  [ -d "$shared" ] || die "no booted Wine prefix at $shared"
  export WINE_ROOT=$E2E_GROUP_DIR/wine
  source "$SETUP_SOURCE_DIR/scripts/wine-env.sh"
  WINEPREFIX=$shared "$WINESERVER" -w  # the registry is written out when its server ends
  rm -rf "$WINE_ROOT"
  mkdir -p "$HOME"
  E2E_PREFIX_COPY=$WINEPREFIX
  cp -a "$shared" "$WINEPREFIX" || die "cannot copy the Wine prefix"
  for link in "$WINEPREFIX"/drive_c/users/*/*; do
    [ -L "$link" ] && ln -sfn "$HOME" "$link"
  done
}

# e2e_begin GROUP: output folder $E2E_GROUP_DIR, Xvfb display, clean prefix.
e2e_begin() {
  E2E_GROUP_DIR=$E2E_OUT/$1
  rm -rf "$E2E_GROUP_DIR"
  mkdir -p "$E2E_GROUP_DIR"
  trap e2e_cleanup EXIT
  local display
  read -r display XVFB_PID < <("$SETUP_SOURCE_DIR/scripts/xvfb.sh" start) || die "Xvfb did not start"
  export DISPLAY=$display
  copy_prefix
  # The first Wine process of a session starts background processes that inherit
  # its output; start them here with none, so that no "$(drv ...)" waits on them.
  "$WINESERVER" -p 2>/dev/null
  "$WINE64" "$WIZDRIVER" wait-gone 0 >/dev/null 2>&1
  log "group $1: display $DISPLAY, prefix $WINEPREFIX"
}

e2e_cleanup() {
  stop_setup
  if [ -n "$E2E_PREFIX_COPY" ]; then
    "$WINESERVER" -k 2>/dev/null
    "$WINESERVER" -w 2>/dev/null
    [ -n "${E2E_KEEP_PREFIX:-}" ] || rm -rf "$E2E_PREFIX_COPY"
    E2E_PREFIX_COPY=""
  fi
  [ -n "$XVFB_PID" ] && "$SETUP_SOURCE_DIR/scripts/xvfb.sh" stop "$XVFB_PID"
  XVFB_PID=""
}

e2e_end() {
  e2e_cleanup
  trap - EXIT
  log "$E2E_CHECKS checks, $E2E_FAILURES failed; screenshots in $E2E_GROUP_DIR"
  ((E2E_FAILURES == 0))
  exit
}

# ---- installers -----------------------------------------------------------

# pack_installer NAME SCRIPT: packs SCRIPT into $E2E_GROUP_DIR/NAME.exe; skips
# the test (77) when the packer is not built.
pack_installer() {
  local out=$E2E_GROUP_DIR/$1.exe
  [ -n "$VELKPACK" ] && [ -x "$VELKPACK" ] || { log "SKIP: the packer is not built"; exit 77; }
  [ -f "$2" ] || die "no setup script $2"
  "$VELKPACK" pack "$2" --stub "$SETUP_STUB" -o "$out" >"$E2E_GROUP_DIR/$1.pack.log" 2>&1 ||
    die "packing $2 failed: $(cat "$E2E_GROUP_DIR/$1.pack.log")"
}

# pack_variant NAME KEY=VALUE...: packs $E2E_GROUP_DIR/NAME.exe from a copy of
# the demo product in $E2E_GROUP_DIR/NAME/ (so that the script's relative source
# paths still hold) whose script has the given product keys replaced (KEY
# without angle brackets, e.g. SetupLangID=1000).
pack_variant() {
  local name=$1 dir=$E2E_GROUP_DIR/$1 pair
  shift
  rm -rf "$dir"
  cp -r "$(dirname "$DEMO_SCRIPT")" "$dir"
  for pair in "$@"; do
    grep -q "^<${pair%%=*}>=" "$dir/setup.ini" || die "the demo script has no <${pair%%=*}> line"
    KEY="<${pair%%=*}>=" VALUE=${pair#*=} perl -i -pe 's/^\Q$ENV{KEY}\E.*?(\r?)$/$ENV{KEY}$ENV{VALUE}$1/' "$dir/setup.ini"
  done
  pack_installer "$name" "$dir/setup.ini"
}

# The value of a product key of the demo script, e.g. script_value ProductName.
script_value() {
  sed -n "s/^<$1>=\(.*\)$/\1/p" "${2:-$DEMO_SCRIPT}" | head -n1 | tr -d '\r'
}

# start_setup NAME|EXE: starts the installer (NAME: one packed above) in the
# background and waits for its window. SETUP_WINEDEBUG, when set, is Wine's
# debug channels for the installer alone (its output goes to setup.log).
start_setup() {
  local exe=$1
  [[ $exe == */* ]] || exe=$E2E_GROUP_DIR/$exe.exe
  stop_setup
  WINEDEBUG=${SETUP_WINEDEBUG:-$WINEDEBUG} "$WINE64" "$exe" >"$E2E_GROUP_DIR/setup.log" 2>&1 &
  SETUP_PID=$!
  drv wait-window 30 >/dev/null || die "the wizard window did not appear ($(cat "$E2E_GROUP_DIR/setup.log"))"
}

# Stops the installer started last, if it still runs.
stop_setup() {
  [ -n "$SETUP_PID" ] || return 0
  kill "$SETUP_PID" 2>/dev/null && wait "$SETUP_PID" 2>/dev/null
  SETUP_PID=""
}

# wait_until SECONDS COMMAND...: polls COMMAND until it succeeds; false when
# SECONDS pass first. Deadlines are generous: a busy machine can stall Wine for
# seconds, and a check must never fail by the machine's speed.
wait_until() {
  local end=$((SECONDS + $1))
  shift
  until "$@"; do
    ((SECONDS < end)) || return 1
    sleep 0.1
  done
}

setup_gone() { ! kill -0 "$SETUP_PID" 2>/dev/null; }

# Whether the installer process has ended (after its window closed).
setup_ended() {
  wait_until 30 setup_gone || return 1
  wait "$SETUP_PID" 2>/dev/null
  SETUP_PID=""
}

# ---- driving --------------------------------------------------------------

# drv COMMAND ARGS...: one driver command; its output on stdout.
drv() { "$WINE64" "$WIZDRIVER" "$@"; }

# drv_script: driver commands from stdin, one per line.
drv_script() { "$WINE64" "$WIZDRIVER" -; }

click() { drv click "$1" >/dev/null || fail "click $1 failed"; }
select_item() { drv select "$1" "$2" >/dev/null || fail "select $1 $2 failed"; }

# The wizard's X11 window into WIZARD_X_WINDOW. Callers ask until a deadline:
# on a busy machine one run of the driver has come back without it.
wizard_x_window() { WIZARD_X_WINDOW=$(drv x-window 2>/dev/null); }

# Makes the wizard the active window and waits until it has the keyboard focus.
activate_wizard() {
  wait_until 30 wizard_x_window || { fail "no wizard window to activate: $(drv x-window 2>&1)"; return 1; }
  xdotool windowfocus --sync "$WIZARD_X_WINDOW" 2>/dev/null
  drv focus >/dev/null
  drv wait-foreground >/dev/null || { fail "the wizard did not become the active window"; return 1; }
}

# press_key KEY...: real key strokes (xdotool names: Escape, alt+F4, Tab, Return)
# to the wizard window, once it takes them. The caller waits for their effect.
press_key() {
  activate_wizard || return
  xdotool key --delay 50 "$@"
}

# welcome_to_folders [licence]: from Welcome to the folder page (accepting the
# licence on the way).
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

# open_picker: Browse on the folder page; the picker is then the active window.
open_picker() {
  click bbtnBrowse
  expect_eq "$(drv find-messagebox 2>&1)" "$(text en 28)" "folder picker caption"
  xdotool windowfocus --sync "$(xdotool search --name "^$(text en 28)\$" | head -n1)" 2>/dev/null
  drv wait-foreground >/dev/null || die "the folder picker did not become the active window"
}

picker_tree_focused() { [ "$(drv focused 2>&1)" == SysTreeView32 ]; }

# picker_to_first_folder_of_c: the keyboard into the open picker's tree (Tab,
# Tab from OK), then to the first folder below (C:).
picker_to_first_folder_of_c() {
  xdotool key --delay 200 Tab Tab
  wait_until 30 picker_tree_focused || die "Tab, Tab did not reach the picker's tree: $(drv focused 2>&1)"
  xdotool key --delay 150 Home Down Down Down Down Right Down
}

# shot NAME: a screenshot of the wizard window as $E2E_GROUP_DIR/NAME.png.
shot() {
  wait_until 30 wizard_x_window || { fail "no wizard window for screenshot $1: $(drv x-window 2>&1)"; return; }
  drv paint >/dev/null
  import -window "$WIZARD_X_WINDOW" "$E2E_GROUP_DIR/$1.png" 2>/dev/null || fail "screenshot $1 failed"
}

# shot_screen NAME: the whole screen (the wizard and any dialog over it).
shot_screen() { import -window root "$E2E_GROUP_DIR/$1.png" 2>/dev/null || fail "screenshot $1 failed"; }

# ---- checks ---------------------------------------------------------------

# expect_eq ACTUAL EXPECTED WHAT
expect_eq() {
  E2E_CHECKS=$((E2E_CHECKS + 1))
  [ "$1" == "$2" ] || fail "$3: got '$1', expected '$2'"
}

expect_caption() { expect_eq "$(drv caption "$1" 2>&1)" "$2" "caption of $1"; }
# A caption that a step after the last driver command sets (e.g. once a dialog's modal loop ended).
expect_caption_soon() { expect_eq "$(drv wait-caption "$1" "$2" 2>&1)" "$2" "caption of $1"; }
expect_title() { expect_eq "$(drv title 2>&1)" "$1" "window caption"; }
expect_state() { expect_eq "$(drv state "$1" 2>&1)" "$2" "state of $1"; }
expect_page() { expect_eq "$(drv page 2>&1)" "$1" "shown page"; }
expect_rect() { expect_eq "$(drv rect "$1" 2>&1)" "$2" "rectangle of $1"; }

# expect_buttons BACK NEXT CANCEL: each "enabled" or "disabled" (the buttons are
# always visible).
expect_buttons() {
  expect_state bbtnBack "visible $1"
  expect_state bbtnNext "visible $2"
  expect_state bbtnCancel "visible $3"
}

# expect_no_messagebox WHAT: no message box is open (after a run that must show none).
expect_no_messagebox() {
  E2E_CHECKS=$((E2E_CHECKS + 1))
  ! drv find-messagebox 0 >/dev/null 2>&1 || fail "a message box came $1: $(drv messagebox-text 2>&1)"
}

# expect_closed [WHAT]: the window went away and the program ended.
expect_closed() {
  E2E_CHECKS=$((E2E_CHECKS + 1))
  drv wait-gone >/dev/null 2>&1 || { fail "${1:-}${1:+: }the wizard window is still open"; return; }
  setup_ended || fail "${1:-}${1:+: }the setup program still runs after its window closed"
}

# expect_open: the window is still there (e.g. after a key that must do nothing).
expect_open() {
  E2E_CHECKS=$((E2E_CHECKS + 1))
  drv wait-window 0 >/dev/null 2>&1 || fail "the wizard window closed: $1"
}

# expect_all_captions LANG PRODUCT COMPANY: every text-bearing control and the
# window caption show the texts of LANG, in one driver run.
expect_all_captions() {
  local lang=$1 product=$2 company=$3 names=() wanted=() name text got i
  while IFS=$'\t' read -r name text; do
    names+=("$name")
    wanted+=("$text")
  done < <(expected_captions "$lang" "$product" "$company")
  mapfile -t got < <(printf 'caption %s\n' "${names[@]}" | drv_script 2>&1)
  for i in "${!names[@]}"; do
    expect_eq "${got[i]-<no output>}" "${wanted[i]}" "$lang caption of ${names[i]}"
  done
  expect_title "$(format_text "$(text "$lang" 0)" "$product")"
}

# expect_layout [logo|nologo]: every control where the table puts it.
expect_layout() {
  local out
  E2E_CHECKS=$((E2E_CHECKS + 1))
  out=$(drv layout-check "$@" 2>&1) || fail "layout: $out"
}

# ---- the system after a run ----------------------------------------------------

# reg_data KEY NAME: "TYPE DATA" of a registry value ("(Default)": the unnamed
# one), or "missing".
reg_data() {
  local line query=(/v "$2")
  [ "$2" == "(Default)" ] && query=(/ve)
  line=$("$WINE64" reg query "$1" "${query[@]}" 2>/dev/null | tr -d '\r' | grep -F "    $2    ") || { echo missing; return; }
  line=${line#    "$2"    }
  echo "${line%%    *} ${line#*    }"
}
reg_key_exists() { "$WINE64" reg query "$1" >/dev/null 2>&1; }

expect_reg() { expect_eq "$(reg_data "$1" "$2")" "$3" "registry value $1 $2"; }
expect_same_file() {
  E2E_CHECKS=$((E2E_CHECKS + 1))
  cmp -s "$1" "$2" || fail "$2 differs from $1 (or is missing)"
}
expect_exists() {
  E2E_CHECKS=$((E2E_CHECKS + 1))
  [ -e "$1" ] || fail "missing: $1"
}
expect_gone() {
  E2E_CHECKS=$((E2E_CHECKS + 1))
  [ ! -e "$1" ] || fail "still there: $1"
}
