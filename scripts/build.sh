#!/usr/bin/env bash
# Configures and builds both trees: build/native (core, packer, unit tests) and
# build/win (setup.exe and the Win32 test programs, cross-compiled).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

cmake -S "$root" -B "$build/win" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build/win"
cmake -S "$root" -B "$build/native" -G Ninja -DSETUP_WIN_BUILD_DIR="$build/win" >/dev/null
cmake --build "$build/native"
