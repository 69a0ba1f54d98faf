#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Idempotent: it only
# calls apt-get when something is missing. Run as root (CI and the dev machines are).
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config zlib1g-dev libdeflate-dev libzstd-dev dpkg-dev googletest libgtest-dev
  g++-mingw-w64-x86-64-posix mingw-w64-tools
  wine wine64 xvfb xdotool imagemagick x11-utils locales nsis zip unzip
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
