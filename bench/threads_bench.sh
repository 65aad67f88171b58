#!/usr/bin/env bash
# Orvo and the installed peers on 1, 2 (4, 8 where the cores are there) threads: time to a fixed
# depth on four positions and nodes per second, with the ratios to one thread, from one run.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v python3 >/dev/null || { echo "threads_bench: skipped (python3 not installed)"; exit 0; }
python3 bench/threads_bench.py
