#!/usr/bin/env bash
# Benchmark of the packer (not a test): generates a product of 200 files, 30 MB
# (half incompressible random data, half text), packs it with velkpack and with
# NSIS's makensis (non-solid zlib, the same files), and prints both times and
# output sizes. Builds an unsanitised release velkpack in $BUILD_DIR/bench.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
bench=$build/bench
stub=$build/win/setup/setup.exe
files=200
file_size=$((30 * 1024 * 1024 / files))

if ! command -v makensis >/dev/null; then
  echo "Installing nsis ..."
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends nsis >/dev/null ||
    { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends nsis >/dev/null; }
fi
if [ ! -f "$stub" ]; then
  cmake -S "$root" -B "$build/win" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build/win" --target setup >/dev/null
fi
cmake -S "$root" -B "$bench/native" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSETUP_SANITIZE=OFF >/dev/null
cmake --build "$bench/native" --target velkpack >/dev/null
velkpack=$bench/native/packer/velkpack

# The product: the same bytes on every run (fixed seeds).
product=$bench/product
rm -rf "$product" && mkdir -p "$product/data"
python3 - "$product" "$files" "$file_size" <<'PY'
import random, sys
product, files, size = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
rng = random.Random(20260101)
words = ["".join(rng.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 11))) for _ in range(5000)]
script = ["/* Benchmark product */", "[SetupInfo]", "<CompanyName>=Bench Company", "<ProductName>=Bench",
          "<SetupPath>=<ProgramFilesDir>\\Bench", "[SetupFileValues]"]
nsis = ['Name "Bench"', 'OutFile "nsis-setup.exe"', "SetCompressor zlib", 'InstallDir "$PROGRAMFILES\\Bench"',
        "RequestExecutionLevel user", "Section", "SetOutPath $INSTDIR"]
for n in range(1, files + 1):
    name = f"file{n:03}." + ("bin" if n % 2 else "txt")
    with open(f"{product}/data/{name}", "wb") as out:
        if n % 2:
            out.write(rng.randbytes(size))
        else:
            text, length = [], 0
            while length < size:
                line = " ".join(rng.choice(words) for _ in range(rng.randint(4, 14))) + ".\r\n"
                text.append(line)
                length += len(line)
            out.write("".join(text).encode()[:size])
    script += [f"FileLocation{n}=data\\{name}", f"FileDispName{n}={name}", f"FileSetupPath{n}=<SetupPath>\\{name}",
               f"FileDoSetup{n}=True", f"FileDoRegister{n}=False"]
    nsis.append(f'File "data\\{name}"'.replace("\\", "/"))
nsis.append("SectionEnd")
open(f"{product}/setup.ini", "w", newline="\r\n").write("\n".join(script) + "\n")
open(f"{product}/bench.nsi", "w").write("\n".join(nsis) + "\n")
PY

seconds() { date +%s.%N; }
start=$(seconds)
"$velkpack" pack "$product/setup.ini" --stub "$stub" -o "$product/velk-setup.exe" | tail -1
middle=$(seconds)
(cd "$product" && makensis -V1 bench.nsi)
end=$(seconds)

input=$(du -cb "$product"/data/* | tail -1 | cut -f1)
velk_size=$(stat -c %s "$product/velk-setup.exe")
nsis_size=$(stat -c %s "$product/nsis-setup.exe")
python3 - "$input" "$start" "$middle" "$end" "$velk_size" "$nsis_size" "$(nproc)" <<'PY'
import sys
data, t0, t1, t2, velk, nsis, cores = int(sys.argv[1]), *map(float, sys.argv[2:5]), int(sys.argv[5]), int(sys.argv[6]), sys.argv[7]
print(f"input: 200 files, {data} bytes; {cores} cores")
print(f"velkpack: {t1 - t0:6.2f} s, {velk:>10} bytes")
print(f"makensis: {t2 - t1:6.2f} s, {nsis:>10} bytes")
print(f"time velkpack/makensis: {(t1 - t0) / (t2 - t1):.2f}; size velkpack/makensis: {100 * velk / nsis:.1f} %")
PY
