#!/usr/bin/env bash
# A product folder made into an installer with the packer alone: velkpack new
# writes the starter script, pack and verify follow; the installer installs the
# harvested tree with the uninstall entry of the list of programs and removes
# it again. Then a harvested folder of 10,000 files packs and installs.
source "$(dirname "$0")/lib.sh"
e2e_begin starter_script

fixtures=${WIZDRIVER%/e2e/driver/wizdriver.exe}/fixtures
product="Starter Product"
company="Starter Company"
src=$E2E_GROUP_DIR/product
mkdir -p "$src/docs/api" "$src/empty"
cp "$fixtures/demoapp.exe" "$src/"
printf 'read me\r\n' >"$src/ReadMe.txt"
printf 'guide\r\n' >"$src/docs/Première étape.txt"
printf 'api\r\n' >"$src/docs/api/readme.txt"  # the same name as ReadMe.txt in resource terms
: >"$src/docs/placeholder.cfg"  # an empty file, installed over a longer older one

cd "$E2E_GROUP_DIR" || die "no group folder"
[ -n "$VELKPACK" ] && [ -x "$VELKPACK" ] || { log "SKIP: the packer is not built"; exit 77; }
"$VELKPACK" new product --script setup.ini --product "$product" --company "$company" --version 2.1 >new.log 2>&1 ||
  die "velkpack new failed: $(cat new.log)"
pack_installer starter "$E2E_GROUP_DIR/setup.ini"
E2E_CHECKS=$((E2E_CHECKS + 1))
grep -q "5 file(s), .* 0 warning(s)" starter.pack.log || fail "packing the starter script: $(cat starter.pack.log)"
E2E_CHECKS=$((E2E_CHECKS + 1))
"$VELKPACK" verify starter.exe >verify.log 2>&1 || fail "verify: $(cat verify.log)"

app="$WINEPREFIX/drive_c/Program Files/$company/$product"
app_windows="C:\\Program Files\\$company\\$product"
uninstall_key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product"
version_key="HKLM\\Software\\$company\\$product"

# ---- install road: no licence page in a starter script --------------------------
mkdir -p "$app/docs"
echo "an older placeholder" >"$app/docs/placeholder.cfg"
start_setup starter
click bbtnNext
click bbtnNext
expect_page Folders
expect_caption edDestFolder "$app_windows"
click bbtnNext
drv wait-page Installed 60 >/dev/null || fail "the installed page did not come: $(drv page 2>&1)"
shot installed

expect_same_file "$src/demoapp.exe" "$app/demoapp.exe"
expect_same_file "$src/ReadMe.txt" "$app/ReadMe.txt"
expect_same_file "$src/docs/Première étape.txt" "$app/docs/Première étape.txt"
expect_same_file "$src/docs/api/readme.txt" "$app/docs/api/readme.txt"
expect_same_file "$src/docs/placeholder.cfg" "$app/docs/placeholder.cfg"
E2E_CHECKS=$((E2E_CHECKS + 1))
[ -d "$app/empty" ] || fail "the empty folder was not made"
expect_reg "$version_key" Version "REG_SZ 2.1"
expect_reg "$uninstall_key" DisplayName "REG_SZ $product"
expect_reg "$uninstall_key" DisplayVersion "REG_SZ 2.1"
expect_reg "$uninstall_key" Publisher "REG_SZ $company"
expect_reg "$uninstall_key" UninstallString "REG_SZ $app_windows\\uninstall.exe"
expect_reg "$uninstall_key" DisplayIcon "REG_SZ $app_windows\\demoapp.exe"
expect_reg "$uninstall_key" InstallLocation "REG_SZ $app_windows"
expect_reg "$uninstall_key" NoModify "REG_DWORD 0x1"
size=$(cat "$src/demoapp.exe" "$src/ReadMe.txt" "$src/docs/Première étape.txt" "$src/docs/api/readme.txt" | wc -c)
expect_reg "$uninstall_key" EstimatedSize "REG_DWORD $(printf '0x%x' $(((size + 1023) / 1024)))"
click bbtnCancel
expect_closed "Finish"
expect_same_file "$E2E_GROUP_DIR/starter.exe" "$app/uninstall.exe"
expect_exists "$HOME/$product.lnk"

# ---- remove road, with the uninstaller copy -----------------------------------------
start_setup "$app/uninstall.exe"
click bbtnNext
expect_state rbRemove "visible enabled unchecked"
click rbRemove
click bbtnNext
drv wait-page Removed 60 >/dev/null || fail "the removed page did not come: $(drv page 2>&1)"
shot removed
click bbtnCancel
expect_closed "Finish after removal"
for file in demoapp.exe ReadMe.txt "docs/Première étape.txt" docs/api/readme.txt docs/placeholder.cfg; do
  expect_gone "$app/$file"
done
expect_gone "$HOME/$product.lnk"
for key in "$uninstall_key" "$version_key"; do
  E2E_CHECKS=$((E2E_CHECKS + 1))
  reg_key_exists "$key" && fail "the key $key is still there"
done

# ---- 10,000 harvested files in 100 folders -------------------------------------------
many=$E2E_GROUP_DIR/many
for ((d = 0; d < 100; d++)); do
  mkdir -p "$many/part$d"
  for ((f = 0; f < 100; f++)); do echo "$d.$f" >"$many/part$d/file$f.txt"; done
done
"$VELKPACK" new many --script many.ini --company Many --product Files >many.log 2>&1 || die "new failed: $(cat many.log)"
pack_installer many "$E2E_GROUP_DIR/many.ini"
E2E_CHECKS=$((E2E_CHECKS + 1))
grep -q "10000 file(s), .* 0 warning(s)" many.pack.log || fail "packing 10,000 files: $(tail -n1 many.pack.log)"
start_setup many
click bbtnNext
click bbtnNext
click bbtnNext
drv wait-page Installed 240 >/dev/null || fail "10,000 files: the installed page did not come: $(drv page 2>&1)"
expect_eq "$(find "$WINEPREFIX/drive_c/Program Files/Many/Files" -type f | wc -l)" 10000 "files installed"
expect_same_file "$many/part99/file99.txt" "$WINEPREFIX/drive_c/Program Files/Many/Files/part99/file99.txt"
click bbtnCancel
expect_closed "Finish after 10,000 files"

e2e_end
