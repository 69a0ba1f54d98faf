#!/usr/bin/env bash
# Configures and builds the three trees: build/native (core, packer, unit tests),
# build/win (setup.exe and the Win32 test programs, cross-compiled) and
# build/fuzz (the fuzz targets, built with clang; build/native runs them).
# Usage: build.sh         everything
#        build.sh demo    only what scripts/demo.sh runs: setup.exe, the wizard
#                         driver and the native packer
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

cmake -S "$root" -B "$build/win" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
configure_native() {
  cmake -S "$root" -B "$build/native" -G Ninja -DSETUP_WIN_BUILD_DIR="$build/win" -DSETUP_FUZZ_BUILD_DIR="$build/fuzz" >/dev/null
}

if [ "${1:-}" = demo ]; then
  cmake --build "$build/win" --target setup wizdriver
  configure_native
  cmake --build "$build/native" --target velkpack
  exit
fi

cmake --build "$build/win"
cmake -S "$root" -B "$build/fuzz" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DSETUP_FUZZ=ON >/dev/null
cmake --build "$build/fuzz"
configure_native
cmake --build "$build/native"
