#!/usr/bin/env bash
# Clock self-check: self-play under shrinking UCI clocks; prints the longest search against the
# time that was left for it. Fails when the engine runs out of time.
set -euo pipefail
cd "$(dirname "$0")/.."
python3 bench/time_check.py "${1:-build/orvo}" 60 10000+100 1000+10
