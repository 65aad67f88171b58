#!/usr/bin/env bash
# First moves of a fresh process: the first three searches of a game at 10+0.1 by an engine just
# started (default table and Hash 16), with the start-up answers. ENGINE defaults to the Release build.
set -euo pipefail
cd "$(dirname "$0")/.."
ENGINE="${1:-build/orvo}"
[ -x "$ENGINE" ] || { echo "first_moves_bench: $ENGINE not built (run make build)"; exit 1; }
python3 bench/first_moves.py "$ENGINE" --runs "${FIRST_MOVES_RUNS:-5}"
