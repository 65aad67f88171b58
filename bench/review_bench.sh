#!/usr/bin/env bash
# The review of saved games: the time of a forty-move game at the default depth with one and two
# threads, and the share of the blunder marks that a search four plies deeper confirms (about ten
# minutes). ENGINE defaults to the Release build; without it the benchmark is skipped.
set -euo pipefail
cd "$(dirname "$0")/.."
ENGINE="${1:-build/orvo}"
if [ ! -x "$ENGINE" ]; then
  echo "review_bench: skipped ($ENGINE not built; run make build)"
  exit 0
fi
python3 bench/review_bench.py "$ENGINE" ${REVIEW_BENCH_ARGS:-}
