#!/usr/bin/env bash
# Orvo beside the classical engines installed here (glaurung, toga2, stockfish, ethereal-chess):
# nodes per second on three positions, perft 6 times and the ratios, all from one run.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v python3 >/dev/null || { echo "peers_bench: skipped (python3 not installed)"; exit 0; }
python3 bench/peers_bench.py
