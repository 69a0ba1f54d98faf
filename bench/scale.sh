#!/usr/bin/env bash
# Our installer at scale: install and removal of 10,000 small files and of one
# 500 MB file, with time and peak memory; writes bench/results-scale.md.
#
#   BUILD_DIR=/work/main/build-bench bench/scale.sh     # RUNS=N runs each (default 3)
set -euo pipefail
BENCH_MODE=scale RUNS=${RUNS:-3} exec "$(dirname "$0")/run.sh"
