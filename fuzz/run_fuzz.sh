#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer and runs each for the given number of seconds
# (default 20) from its seed corpus. Without clang or the libFuzzer runtime it says "skipped".
# Usage: fuzz/run_fuzz.sh [seconds] [target ...]
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
shift || true
targets=${*:-fen move_text uci xboard epd command_line pgn}

probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' > "$probe/p.cpp"
if ! command -v clang++ > /dev/null || ! clang++ -fsanitize=fuzzer,address,undefined "$probe/p.cpp" -o "$probe/p" 2> /dev/null; then
  echo "fuzz targets: skipped (clang++ with the libFuzzer runtime is not installed)"
  exit 0
fi

cmake -S fuzz -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ > /dev/null || exit 1
cmake --build build-fuzz -j "$(nproc)" > build-fuzz/build.log 2>&1 || { tail -30 build-fuzz/build.log; exit 1; }

failed=0
for t in $targets; do
  work=build-fuzz/corpus/$t
  mkdir -p "$work" build-fuzz/findings
  # New inputs go to the work corpus; the seeds in the repository stay as they are.
  if build-fuzz/fuzz_$t -max_total_time="$seconds" -max_len=4096 -timeout=30 -print_final_stats=1 \
      -artifact_prefix=build-fuzz/findings/$t- "$work" fuzz/corpus/$t > build-fuzz/$t.log 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' build-fuzz/$t.log)
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' build-fuzz/$t.log)
    echo "fuzz_$t: ok, $runs inputs in ${seconds} s ($speed per second)"
  else
    echo "fuzz_$t: FAILED (see build-fuzz/$t.log and build-fuzz/findings)"
    grep -E 'ERROR|runtime error|invariant broken' build-fuzz/$t.log | head -5
    failed=1
  fi
done
exit $failed
