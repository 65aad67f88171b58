#!/usr/bin/env bash
# Runs every benchmark script of this folder (bench/*_bench.sh) against the Release build.
set -euo pipefail
cd "$(dirname "$0")/.."
for script in bench/*_bench.sh; do
  [ -e "$script" ] || continue
  [ "$script" = bench/run_bench.sh ] && continue
  echo "== $script"
  bash "$script"
done
