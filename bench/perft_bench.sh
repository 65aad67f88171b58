#!/usr/bin/env bash
# Perft speed of the Release engine: perft 6 from the start position, one middle-game position
# of the reference perft table and one Chess960 position, as total nodes per second, with the
# peak memory of the process. Each count is checked against the known one.
set -euo pipefail
cd "$(dirname "$0")/.."
engine=${ORVO_BENCH_ENGINE:-build/orvo}  # another build may be named for a trial run
table=tests/data/perft.tsv
enginepath=$(cd "$(dirname "$engine")" && pwd)/$(basename "$engine")
[ -x "$engine" ] || { echo "perft_bench: $engine not built (run make build)"; exit 1; }

workdir=$(mktemp -d)
trap 'rm -rf "$workdir"' EXIT

# run_perft LABEL EXPECTED_LEAVES ARGS...: runs the engine in a scratch folder (it writes its log
# there), prints leaves, total nodes, time, rate and peak memory.
run_perft() {
  local label=$1 expected=$2
  shift 2
  local out="$workdir/out.txt" timing="$workdir/time.txt"
  local start end
  start=$(date +%s.%N)
  if [ -x /usr/bin/time ]; then
    (cd "$workdir" && /usr/bin/time -v "$enginepath" "$@" >"$out" 2>"$timing" </dev/null)
  else
    (cd "$workdir" && "$enginepath" "$@" >"$out" 2>/dev/null </dev/null)
  fi
  end=$(date +%s.%N)
  local leaves total rss
  leaves=$(awk '/Leaf Nodes at Depth/ {print $1}' "$out")
  total=$(awk '/Total Nodes at Depth/ {print $1}' "$out")
  rss=$(awk -F': ' '/Maximum resident set size/ {print $2 " kB"}' "$timing" 2>/dev/null || true)
  local status=ok
  [ "$leaves" = "$expected" ] || status="WRONG (expected $expected leaves)"
  awk -v l="$label" -v lv="$leaves" -v t="$total" -v s="$start" -v e="$end" -v r="${rss:-n/a}" -v st="$status" \
    'BEGIN { d = e - s; if (d <= 0) d = 0.001;
             printf "%-28s leaves %12d  total %12d  %7.2f s  %6.2f M nodes/s  peak RSS %s  %s\n",
                    l, lv, t, d, t / d / 1e6, r, st }'
}

run_perft "startpos depth 6" 119060324 -perft -fd 6

# The middle-game row: cpw-pos6 at depth 4, loaded through a position file.
row=$(awk -F'\t' '$1 == "cpw-pos6" && $3 == 4' "$table")
fen=$(printf '%s\n' "$row" | cut -f2)
leaves=$(printf '%s\n' "$row" | cut -f4)
printf '%s\n' "$fen" >"$workdir/position.fen"
run_perft "cpw-pos6 depth 4" "$leaves" -lpf "$workdir/position.fen" -perft -fd 4

# Chess960: castling with the king on b1 beside its rook (count checked against Stockfish).
printf '%s\n' "rk5r/pppppppp/8/8/8/8/PPPPPPPP/RK5R w HAha - 0 1" >"$workdir/chess960.fen"
run_perft "chess960 depth 6" 169760753 -chess960 -lpf "$workdir/chess960.fen" -perft -fd 6
