#!/usr/bin/env bash
# Makes the release into dist/: velksetup-VERSION-linux-x86_64.tar.gz,
# velksetup-VERSION-windows-x86_64.zip and velksetup_VERSION_amd64.deb, the
# version being the CMake project's. Two runs from the same commit give the
# same bytes: every time stamp is the commit's (SOURCE_DATE_EPOCH), owners are
# root, entries are in name order.
# Usage: release.sh [--reuse-builds]
#   --reuse-builds  take setup.exe and velkpack.exe from the cross tree as it
#                   is (CI has built it) instead of bringing it up to date
# BUILD_DIR (default build/) holds the trees, DIST_DIR (default dist/) gets
# the release. The Linux packer comes from a tree of its own, build/release:
# without sanitizers, its C++ runtime and zlib linked in.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
dist=${DIST_DIR:-$root/dist}
reuse=false
case "${1:-}" in
  --reuse-builds) reuse=true ;;
  "") ;;
  *) echo "usage: $0 [--reuse-builds]" >&2; exit 2 ;;
esac
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -c safe.directory='*' -C "$root" log -1 --format=%ct) ||
    { echo "release.sh: not a git checkout: set SOURCE_DATE_EPOCH to the release's time" >&2; exit 1; }
fi
export SOURCE_DATE_EPOCH
export TZ=UTC LC_ALL=C

if $reuse; then
  for file in setup/setup.exe packer/velkpack.exe; do
    [ -f "$build/win/$file" ] || { echo "no $build/win/$file to reuse" >&2; exit 1; }
  done
else
  cmake -S "$root" -B "$build/win" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build/win" --target setup velkpack
fi
# The optimisation of the tested native tree; installing strips the debug information.
release_tree() {  # DOCDIR: where the README, docs and examples go
  cmake -S "$root" -B "$build/release" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSETUP_SANITIZE=OFF \
    -DSETUP_STATIC_RUNTIME=ON -DSETUP_WIN_BUILD_DIR="$build/win" -DSETUP_INSTALL_DOCDIR="$1" >/dev/null
}
release_tree .
cmake --build "$build/release" --target velkpack
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/release/CMakeCache.txt")
name=velksetup-$version

stage=$build/release-stage
rm -rf "$stage"
install() { cmake --install "$@" >/dev/null; }
install "$build/release" --prefix "$stage/linux/$name" --strip
install "$build/win" --prefix "$stage/windows/$name"
release_tree share/doc/velksetup
DESTDIR=$stage/deb install "$build/release" --prefix /usr --strip

# The package's control file: its dependencies are the C library versions
# that the packer's symbols ask for.
packer=$stage/deb/usr/bin/velkpack
glibc=$(objdump -T "$packer" | grep -o 'GLIBC_[0-9.]*' | sed 's/GLIBC_//' | sort -V | tail -n1)
mkdir -p "$stage/deb/DEBIAN"
cat >"$stage/deb/DEBIAN/control" <<CONTROL
Package: velksetup
Version: $version
Architecture: amd64
Maintainer: VelkSetup developers <velksetup@example.org>
Installed-Size: $(du -sk --apparent-size "$stage/deb/usr" | cut -f1)
Depends: libc6 (>= $glibc)
Section: devel
Priority: optional
Description: packer of self-contained installers for Windows desktop products
 velkpack puts a product's files into one Windows program file, setup.exe,
 which carries them as resources, walks the user through a wizard in
 English or Russian, installs the product and removes it again.
 .
 This package holds the packer (velkpack), the setup program it packs
 into, the CMake package VelkSetup (velksetup_add_installer) and the
 documentation with examples.
CONTROL
(cd "$stage/deb" && find usr -type f | sort | xargs md5sum >DEBIAN/md5sums)

# Fixed times and modes for everything that goes into an archive.
find "$stage" -type d -exec chmod 755 {} +
find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

mkdir -p "$dist"
tarball=$dist/$name-linux-x86_64.tar.gz zip=$dist/$name-windows-x86_64.zip deb=$dist/velksetup_${version}_amd64.deb
rm -f "$tarball" "$zip" "$deb"
tar --sort=name --mtime="@$SOURCE_DATE_EPOCH" --owner=0 --group=0 --numeric-owner --format=gnu \
  -C "$stage/linux" -cf - "$name" | gzip -9n >"$tarball"
(cd "$stage/windows" && find "$name" | sort | zip -X -q -9 -@ "$zip")
dpkg-deb --root-owner-group -Zxz --build "$stage/deb" "$deb" >/dev/null
for file in "$tarball" "$zip" "$deb"; do
  echo "$(sha256sum "$file" | cut -c1-16)  $(stat -c %s "$file") bytes  $file"
done
