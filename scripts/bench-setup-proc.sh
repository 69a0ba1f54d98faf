#!/usr/bin/env bash
# Benchmark of loading the setup project (not a test): builds an unsanitised
# release bench_setup_proc in $BUILD_DIR/bench/native and prints its figures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bench=${BUILD_DIR:-$root/build}/bench/native
cmake -S "$root" -B "$bench" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSETUP_SANITIZE=OFF >/dev/null
cmake --build "$bench" --target bench_setup_proc >/dev/null
"$bench/tests/bench/bench_setup_proc"
