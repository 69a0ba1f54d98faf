#!/usr/bin/env bash
# Runs a fuzz target for a fixed number of inputs with a fixed seed, starting
# from its seed corpus; new inputs go to a scratch folder removed afterwards.
# A crashing input is left in the working folder as crash-<hash>; an input
# counts as hanging only after two minutes, however busy the machine.
# Usage: run-fuzz.sh TARGET SEED_DIR RUNS
set -euo pipefail
target=$1 seeds=$2 runs=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$target" -runs="$runs" -seed=1 -timeout=120 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$PWD/" "$work" "$seeds"
