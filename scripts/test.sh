#!/usr/bin/env bash
# Installs what is missing, builds both trees and runs every test through ctest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
cd "$root/build/native"
ctest --output-on-failure -j2
