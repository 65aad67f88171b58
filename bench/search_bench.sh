#!/usr/bin/env bash
# Search speed: nodes per second of the built-in benchmark at a depth that runs for a while,
# and the peak memory of the process (GNU time, when it is installed).
set -euo pipefail
cd "$(dirname "$0")/.."
DEPTH="${SEARCH_BENCH_DEPTH:-14}"
BIN=build/orvo
[ -x "$BIN" ] || { echo "search_bench: $BIN not built (run make build)"; exit 1; }
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
if [ -x /usr/bin/time ]; then
  (cd "$WORK" && /usr/bin/time -v "$OLDPWD/$BIN" -bench -fd "$DEPTH" </dev/null >out.txt 2>time.txt)
  PEAK=$(awk -F: '/Maximum resident set size/ {gsub(/ /, "", $2); print $2 " KB"}' "$WORK/time.txt")
else
  (cd "$WORK" && "$OLDPWD/$BIN" -bench -fd "$DEPTH" </dev/null >out.txt)
  PEAK="unknown (/usr/bin/time not installed)"
fi
REPORT=$(grep -A1 'Time Interior Nodes' "$WORK/out.txt" | tail -1)
read -r MS INTERIOR QUIESCE TOTAL NPS <<<"$REPORT"
echo "search bench depth $DEPTH: $TOTAL nodes in $MS ms, $NPS nodes per second"
echo "search bench peak memory: $PEAK"
