#!/usr/bin/env bash
# The one entry point of every benchmark. Not tests: they measure whatever is
# built. Each mode builds what it needs first, unsanitised and in release form,
# under $BUILD_DIR (default build/).
#
#   bench/run.sh main        our installer against NSIS installers (makensis, 64-bit
#                            Unicode, zlib non-solid and solid) on the same payloads
#                            under Wine, judged against bench/goals.json; writes
#                            bench/results.md and results.json (about 25 minutes);
#                            EARLIER_STUB=path/to/setup.exe also times installs made
#                            with that earlier build's setup program (packed by
#                            EARLIER_PACKER=path/to/velkpack, default this build's),
#                            in the same rounds, the order turned round every round,
#                            and prints the ratio for either order
#   bench/run.sh product     PRODUCT=folder: a real product's classic and zstd
#                            installers against NSIS's solid LZMA one: sizes, and
#                            zstd against classic installs in paired rounds (and,
#                            with EARLIER_STUB, this build's classic against the
#                            earlier one's); writes bench/results-product.md
#   bench/run.sh scale       ours on 10,000 small files and on one 500 MB file;
#                            writes bench/results-scale.md and results-scale.json
#   bench/run.sh packer      velkpack against makensis on 200 files / 30 MB, printed
#   bench/run.sh setup-proc  loading the setup project (Google Benchmark), printed
#   bench/run.sh size        what each part of setup.exe costs; writes bench/size.md
#
#   BUILD_DIR=/work/main/build-bench RUNS=3 bench/run.sh main   # runs per figure (default 5; scale 3)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
mode=${1:-main}

configure_win() {
  cmake -S "$root" -B "$build/win" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
}

build_native() {
  cmake -S "$root" -B "$build/bench/native" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSETUP_SANITIZE=OFF >/dev/null
  cmake --build "$build/bench/native" --target "$@" >/dev/null
}

# The linker's map of setup.exe, linked once more, read by bench/size.py.
measure_size() {
  local win=$build/win link
  configure_win
  cmake --build "$win" --target setup >/dev/null
  link=$(cd "$win" && ninja -t commands setup/setup.exe | tail -n1)
  link=${link#: && }
  link=${link% && :}
  (cd "$win" && eval "${link/ -o setup\/setup.exe / -o setup\/setup-map.exe -Wl,-Map,setup\/setup.map }")
  {
    echo "# What each part of setup.exe costs"
    echo
    echo "setup.exe without payload: $(stat -c %s "$win/setup/setup.exe") bytes ($(date -u +%F))."
    echo "Bytes each library and input file adds to the program, from the linker's map;"
    echo "\"program\" holds the program's own objects and its resources."
    echo
    python3 "$root/bench/size.py" "$win/setup/setup.map" 25
  } | tee "$root/bench/size.md"
}

"$root/scripts/install-deps.sh"
case "$mode" in
  main | scale | packer | product)
    configure_win
    cmake --build "$build/win" --target setup wizdriver benchcopy benchinflate >/dev/null
    build_native velkpack
    runs=${RUNS:-$([ "$mode" == scale ] && echo 3 || echo 5)}
    [ "$mode" != product ] || [ -d "${PRODUCT:-}" ] || { echo "product: set PRODUCT to the product folder" >&2; exit 2; }
    exec python3 "$root/bench/bench.py" "$mode" --root "$root" --build "$build" --runs "$runs" \
      ${EARLIER_STUB:+--earlier-stub "$EARLIER_STUB"} ${EARLIER_PACKER:+--earlier-packer "$EARLIER_PACKER"} \
      ${PRODUCT:+--product "$PRODUCT"}
    ;;
  setup-proc)
    build_native bench_setup_proc
    exec "$build/bench/native/tests/bench/bench_setup_proc"
    ;;
  size) measure_size ;;
  *)
    echo "usage: $0 main | scale | packer | product | setup-proc | size" >&2
    exit 2
    ;;
esac
