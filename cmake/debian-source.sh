#!/usr/bin/env bash
# Fetches and unpacks a Debian source package, for a cross build of a library
# that Debian packages only natively.
# Usage: debian-source.sh PACKAGE=VERSION WORK_DIR SOURCE_DIR
# apt works from a sources list of its own in WORK_DIR (deb-src entries for the
# machine's own mirrors), with its lists and caches there too, so the machine's
# apt configuration and state stay as they are. When the mirror no longer holds
# that exact version, the newest source of the same upstream version it holds
# is taken, with a warning.
set -euo pipefail
package=${1%%=*} version=${1#*=} work=$2 source_dir=$3

apt_dir=$work/apt
rm -rf "$apt_dir"
mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
: >"$apt_dir/sources.list"
for list in /etc/apt/sources.list.d/*.sources; do
  if [ -f "$list" ]; then sed 's/^Types:.*/Types: deb-src/' "$list" >"$apt_dir/sources.list.d/$(basename "$list")"; fi
done
for list in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
  if [ -f "$list" ]; then sed -n 's/^deb\s/deb-src /p' "$list" >>"$apt_dir/sources.list"; fi
done
apt_options=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
             -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache" -o "APT::Sandbox::User=root")
apt-get "${apt_options[@]}" -qq update

download=$work/download
rm -rf "$download"
mkdir -p "$download"
fetch() { (cd "$download" && apt-get "${apt_options[@]}" -qq source --download-only "$package=$1" >/dev/null 2>&1); }
if ! fetch "$version"; then
  upstream=${version%-*} wanted=$version version=
  for candidate in $(apt-cache "${apt_options[@]}" showsrc "$package" | sed -n 's/^Version: //p' |
                     awk -v u="$upstream" 'index($0, u "-") == 1' | sort -V -r -u); do
    [ "$candidate" != "$wanted" ] && fetch "$candidate" && { version=$candidate; break; }
  done
  [ -n "$version" ] || { echo "debian-source.sh: the mirror holds no source of $package $upstream" >&2; exit 1; }
  echo "debian-source.sh: warning: the mirror has no source of $package $wanted; building $version" >&2
fi

rm -rf "$source_dir"
# apt has checked the files against the mirror's signed index; dpkg-source's
# own signature check has no keyring here and only says so.
dpkg-source -q -x "$download/${package}_${version#*:}.dsc" "$source_dir" >"$work/dpkg-source.log" 2>&1 ||
  { cat "$work/dpkg-source.log" >&2; exit 1; }
echo "$package $version" >"$source_dir/.debian-source-version"
