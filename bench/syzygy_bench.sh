#!/usr/bin/env bash
# Endgame tables at work: Orvo converts a dozen won endings against Stockfish with and without
# the Syzygy tables (wins, draws, losses, length of the wins), then its tablebase hits per second
# and the cost of the tables to its nodes per second. About ten minutes; --quick plays one
# position per ending. --engine PATH (or ORVO_BENCH_ENGINE) names another build for a trial run.
set -euo pipefail
cd "$(dirname "$0")/.."
engine=${ORVO_BENCH_ENGINE:-build/orvo}
previous=
for arg in "$@"; do
  [ "$previous" = --engine ] && engine=$arg
  case $arg in --engine=*) engine=${arg#--engine=} ;; esac
  previous=$arg
done
tables=../shared/syzygy

skip() { echo "syzygy_bench: skipped ($1)"; exit 0; }
command -v python3 >/dev/null || skip "python3 not installed"
[ -x /usr/games/stockfish ] || skip "stockfish not installed"
compgen -G "$tables/*.rtbw" >/dev/null || skip "no Syzygy tables in $tables"
[ -x "$engine" ] || skip "$engine not built; run make build"
python3 bench/syzygy_match.py --engine "$engine" --tables "$tables" "$@"
