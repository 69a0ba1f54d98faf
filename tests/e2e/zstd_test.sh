#!/usr/bin/env bash
# A zstd installer end to end: the demo with many small files (which share a
# dictionary) and one file larger than what is inflated ahead, packed with
# --compression zstd, installed through the wizard and removed again with its
# uninstaller copy; every file must arrive byte for byte and go again.
source "$(dirname "$0")/lib.sh"
e2e_begin zstd

product=$(script_value ProductName)
company=$(script_value CompanyName)
app="$WINEPREFIX/drive_c/Program Files/$company/$product"
src=$E2E_GROUP_DIR/product
extra=$src/files/extra

rm -rf "$src"
cp -r "$(dirname "$DEMO_SCRIPT")" "$src"
mkdir -p "$extra"
cp "$SETUP_SOURCE_DIR"/package/*.* "$SETUP_SOURCE_DIR"/packer/*.* "$extra/"
# 6 MB of text and noise: beyond what the inflate-ahead threads take, so the
# worker decodes it as it writes.
perl -e 'srand(3); for (1..96) { print $_ % 2 ? join("", map { chr(int(rand(256))) } 1..65536)
                                         : ("line of the large file $_\r\n" x 2500) }' >"$extra/large.bin"
"$VELKPACK" harvest "$src/files" --script "$src/setup.ini" >"$E2E_GROUP_DIR/harvest.log" 2>&1 ||
  die "harvest failed: $(cat "$E2E_GROUP_DIR/harvest.log")"
"$VELKPACK" pack "$src/setup.ini" --stub "$SETUP_STUB" --compression zstd -o "$E2E_GROUP_DIR/zstd.exe" \
  >"$E2E_GROUP_DIR/zstd.pack.log" 2>&1 || die "packing failed: $(cat "$E2E_GROUP_DIR/zstd.pack.log")"
E2E_CHECKS=$((E2E_CHECKS + 1))
grep -q "^Dictionary of the small files: " "$E2E_GROUP_DIR/zstd.pack.log" || fail "no dictionary was made"

# ---- install road -----------------------------------------------------------
start_setup zstd
welcome_to_folders licence
click bbtnNext
drv wait-page Installed 60 >/dev/null || fail "the installed page did not come: $(drv page 2>&1)"
expect_no_messagebox "during the install"
expect_same_file "$src/files/ReadMe.txt" "$app/ReadMe.txt"
expect_same_file "$src/files/docs/user-guide.txt" "$app/Docs/User Guide.txt"
for file in "$extra"/*; do expect_same_file "$file" "$app/extra/${file##*/}"; done
expect_reg "HKLM\\Software\\$company\\$product" Version "REG_SZ 1.0.0.0"
click bbtnCancel
expect_closed "Finish"

# ---- remove road, with the uninstaller copy ------------------------------------
start_setup "$app/uninstall.exe"
click bbtnNext
click rbRemove
click bbtnNext
drv wait-page Removed 60 >/dev/null || fail "the removed page did not come: $(drv page 2>&1)"
click bbtnCancel
expect_closed "Finish after removal"
expect_gone "$app/ReadMe.txt"
for file in "$extra"/*; do expect_gone "$app/extra/${file##*/}"; done

e2e_end
