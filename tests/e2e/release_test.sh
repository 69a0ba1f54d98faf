#!/usr/bin/env bash
# The release as a maker gets it. scripts/release.sh, reusing this build's
# cross tree, makes the tarball, the zip and the Debian package; a second run
# gives the same bytes. From the unpacked tarball alone, with nothing of the
# build on the paths, the demo packs without --stub and with its version
# defined, and the CMake example builds its installer; the package's packer
# and the zip's velkpack.exe (under Wine) run without --stub too.
source "$(dirname "$0")/lib.sh"
e2e_begin release

build=$(dirname "${SETUP_STUB%/setup/setup.exe}")
work=$E2E_GROUP_DIR
release() {
  BUILD_DIR=$build DIST_DIR=$work/$1 "$SETUP_SOURCE_DIR/scripts/release.sh" --reuse-builds >"$work/$1.log" 2>&1 ||
    die "release.sh failed: $(tail -n 20 "$work/$1.log")"
}
release dist
tarball=$(echo "$work"/dist/velksetup-*-linux-x86_64.tar.gz)
version=${tarball##*/velksetup-}
version=${version%-linux-x86_64.tar.gz}
for file in "velksetup-$version-windows-x86_64.zip" "velksetup_${version}_amd64.deb"; do
  expect_exists "$work/dist/$file"
done

export PATH=/usr/local/bin:/usr/bin:/bin
mkdir -p "$work/unpacked" "$work/out"
tar -xzf "$tarball" -C "$work/unpacked"
tree=$work/unpacked/velksetup-$version
velkpack=$tree/bin/velkpack
cd "$work/out" || die "no output folder"

# ---- the tarball's packer: the C++ runtime linked in, the demo with its version defined ----
expect_eq "$("$velkpack" --version)" "velkpack $version" "velkpack --version"
expect_eq "$(ldd "$velkpack" | grep -cE 'libstdc|libgcc_s|libz|libasan|libubsan')" 0 "libraries besides the C library"
"$velkpack" pack "$tree/examples/demo/setup.ini" -o demo.exe -D ProductVersion=9.9.9 >pack.log 2>pack.err
expect_eq "$?:$(cat pack.err)" "0:" "packing the demo without --stub: status and standard error"
"$velkpack" verify demo.exe >verify.log 2>&1 || fail "verify: $(cat verify.log)"
expect_eq "$("$velkpack" inspect demo.exe | grep '^Product:')" \
  "Product: Demo Product 9.9.9 by Demo Company, installed to <SetupLocation>\\<CompanyName>\\<ProductName>" "inspect"

# ---- the CMake example against the unpacked tree ----
cmake -S "$tree/examples/cmake-product" -B hello -G Ninja -DCMAKE_PREFIX_PATH="$tree" >hello.log 2>&1 &&
  cmake --build hello >>hello.log 2>&1 || fail "the CMake example did not build: $(tail -n 20 hello.log)"
"$velkpack" verify hello/HelloSetup.exe >/dev/null 2>&1 || fail "the example's installer does not verify"
"$velkpack" inspect hello/HelloSetup.exe | grep -q "^Payload (type VELKZSTD" ||
  fail "COMPRESSION zstd did not reach the packer"
expect_eq "$("$velkpack" inspect hello/HelloSetup.exe | grep -E '^Product:|^  1\. hello\.exe')" \
  "Product: Hello Product 2.4.1 by Hello Company, installed to <SetupLocation>\\<CompanyName>\\<ProductName>
  1. hello.exe -> <SetupPath>\\hello.exe" "the example's installer"

# ---- the Debian package ----
dpkg-deb -x "$work/dist/velksetup_${version}_amd64.deb" deb
expect_eq "$(deb/usr/bin/velkpack --version)" "velkpack $version" "the package's velkpack --version"
info=$(dpkg-deb --info "$work/dist/velksetup_${version}_amd64.deb")
for field in "Maintainer: " "Depends: libc6 (>= " "Description: packer of self-contained installers"; do
  E2E_CHECKS=$((E2E_CHECKS + 1))
  grep -qF " $field" <<<"$info" || fail "dpkg-deb --info lacks $field: $info"
done
expect_exists deb/usr/lib/cmake/VelkSetup/VelkSetupConfig.cmake

# ---- the zip's velkpack.exe under Wine: the same installer ----
unzip -q "$work/dist/velksetup-$version-windows-x86_64.zip" -d win
"$WINE64" "win/velksetup-$version/bin/velkpack.exe" pack "$(wine_path "$tree/examples/demo/setup.ini")" \
  -o "$(wine_path win-demo.exe)" -D ProductVersion=9.9.9 >wine.log 2>&1 || fail "velkpack.exe: $(cat wine.log)"
E2E_CHECKS=$((E2E_CHECKS + 1))
cmp -s demo.exe win-demo.exe || fail "velkpack.exe wrote another installer than velkpack"

# ---- a second run: the same bytes ----
release dist-again
for file in "${tarball##*/}" "velksetup-$version-windows-x86_64.zip" "velksetup_${version}_amd64.deb"; do
  E2E_CHECKS=$((E2E_CHECKS + 1))
  cmp "$work/dist/$file" "$work/dist-again/$file" || fail "$file differs between two runs"
done

e2e_end
