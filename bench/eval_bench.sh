#!/usr/bin/env bash
# Evaluation speed of the Release build (evaluations per second).
set -euo pipefail
cd "$(dirname "$0")/.."
./build/eval_speed
