#!/usr/bin/env bash
# Benchmark of our installer against NSIS installers (makensis, 64-bit Unicode,
# zlib non-solid and solid) on the same payloads under Wine; prints the table and
# writes it to bench/results.md. Not a test: it measures whatever is built.
#
#   BUILD_DIR=/work/main/build-bench bench/run.sh       # about 15 minutes
#   RUNS=3 bench/run.sh                                  # fewer runs per figure (default 5)
#
# Builds what it needs first: the cross tree in $BUILD_DIR/win (setup.exe, the
# wizard driver, the bench helpers) and an unsanitised release packer in
# $BUILD_DIR/bench/native. Payloads, installers and the Wine prefix live in
# $BUILD_DIR/bench.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
mode=${BENCH_MODE:-main}

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build/win" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build/win" --target setup wizdriver benchcopy benchinflate >/dev/null
cmake -S "$root" -B "$build/bench/native" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSETUP_SANITIZE=OFF >/dev/null
cmake --build "$build/bench/native" --target velkpack >/dev/null

exec python3 "$root/bench/bench.py" "$mode" --root "$root" --build "$build" --runs "${RUNS:-5}"
