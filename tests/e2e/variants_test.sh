#!/usr/bin/env bash
# Small variants of the demo (no licence, Russian without the chooser, no logo)
# and the bare setup program with no payload at all.
source "$(dirname "$0")/lib.sh"
e2e_begin variants

product=$(script_value ProductName)
company=$(script_value CompanyName)

# Without a licence the licence page is skipped both ways.
pack_variant no-license SetupLicense=
start_setup no-license
click bbtnNext
click bbtnNext
expect_page Folders
expect_caption bbtnNext "&Install"
expect_buttons enabled enabled enabled
click bbtnBack
expect_page Selection
expect_caption bbtnNext "&Next >"
expect_buttons enabled enabled enabled
click bbtnCancel
expect_closed

# Russian with the chooser off: Russian texts, no chooser, no label.
pack_variant russian-fixed SetupLangID=1000 SetupUseLang=False
start_setup russian-fixed
expect_all_captions ru "$product" "$company"
expect_state lbLangSel "hidden enabled"
expect_state cbLangSel "hidden enabled"
shot welcome-ru-fixed
click bbtnCancel
expect_closed

# A language base without texts: empty captions, the chooser shows English and
# leads to a real language.
pack_variant odd-language SetupLangID=7 SetupUseLang=True
start_setup odd-language
expect_title ""
expect_caption bbtnNext ""
expect_caption lbWelcomeInfo1 ""
expect_eq "$(drv selected cbLangSel)" "0 English" "language chooser"
select_item cbLangSel 1
expect_all_captions ru "$product" "$company"
click bbtnCancel
expect_closed

# Without a logo the page area moves up by the logo's height.
pack_variant no-logo TopLogo=
start_setup no-logo
expect_state imgTopLogo "hidden enabled"
expect_layout nologo
shot welcome-no-logo
click bbtnNext
click bbtnNext
shot license-no-logo
click bbtnCancel
expect_closed

# The bare setup program: the wizard opens with empty product names, English,
# no chooser, no licence, no logo and no folder.
start_setup "$SETUP_STUB"
expect_page Welcome
expect_all_captions en "" ""
expect_caption lbThankInstalledName "."
expect_state cbLangSel "hidden enabled"
expect_state imgTopLogo "hidden enabled"
expect_layout nologo
shot welcome-empty
click bbtnNext
expect_state rbRemove "visible disabled unchecked"
click bbtnNext
expect_page Folders
expect_caption edDestFolder ""
expect_buttons enabled disabled enabled
shot folders-empty
click bbtnBack
expect_page Selection
expect_buttons enabled enabled enabled
click bbtnCancel
expect_closed

e2e_end
