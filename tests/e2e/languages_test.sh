#!/usr/bin/env bash
# The demo starting in Russian with the language chooser: every text in both
# languages, switching back and forth on the Welcome page, and a screenshot of
# each page of the install road in each language.
source "$(dirname "$0")/lib.sh"
e2e_begin languages

product=$(script_value ProductName)
company=$(script_value CompanyName)
pack_variant russian SetupLangID=1000 SetupUseLang=True
start_setup russian
expect_page Welcome
expect_all_captions ru "$product" "$company"
expect_eq "$(drv selected cbLangSel)" "1 Русский" "language chooser"
expect_state cbLangSel "visible enabled"

# shoot_road LANG: screenshots of Welcome, Selection, Licence and Folders, then
# back to Welcome.
shoot_road() {
  shot "welcome-$1"
  click bbtnNext
  shot "selection-$1"
  click bbtnNext
  click rbLicOK
  shot "license-$1"
  click bbtnNext
  expect_page Folders
  expect_caption bbtnNext "$(text "$1" 4)"
  shot "folders-$1"
  click bbtnBack
  click bbtnBack
  click bbtnBack
  expect_page Welcome
}
shoot_road ru

# English at once: every control, the window caption included.
select_item cbLangSel 0
expect_all_captions en "$product" "$company"
expect_eq "$(drv selected cbLangSel)" "0 English" "language chooser"
expect_buttons disabled enabled enabled
shoot_road en

# And back to Russian; the licence view keeps its text.
licence=$(drv caption redLicense)
select_item cbLangSel 1
expect_all_captions ru "$product" "$company"
expect_eq "$(drv caption redLicense)" "$licence" "licence text after switching"
click bbtnNext
expect_caption bbtnNext "$(text ru 2)"
expect_page Selection

e2e_end
