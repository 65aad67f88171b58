#!/usr/bin/env bash
# Clock table: how the engine spends the time of each common clock (first move, self-play, the
# budget it was given, the largest share of its clock one move took, time losses), with the same
# table for a Debian engine beside it when one is installed. Fails when a clock runs out.
set -euo pipefail
cd "$(dirname "$0")/.."
ENGINE="${1:-build/orvo}"
PLIES="${PLIES:-60}"
ROW_SECONDS="${ROW_SECONDS:-60}"
python3 bench/time_check.py "$ENGINE" --plies "$PLIES" --row-seconds "$ROW_SECONDS"
# The reference runs single-threaded, as Orvo does.
for ref in /usr/games/glaurung /usr/games/stockfish; do
  if [ -x "$ref" ]; then
    python3 bench/time_check.py "$ref" --plies "$PLIES" --row-seconds "$ROW_SECONDS" --no-xboard --option Threads=1 || true
    break
  fi
done
