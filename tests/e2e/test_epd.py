#!/usr/bin/env python3
"""The EPD runner: -ts searches every line at depth 3 (no -fd given) and prints the count of
lines; lines that are no position are skipped with a message; -pev only evaluates."""

import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from driver_harness import Checks  # noqa: E402

RESULT = re.compile(r"^(\d+) (-?\d+)   ( [a-h][1-8][a-h][1-8][qrbn]? .*|\(no legal move\))$")


def run(binary, args, cwd, timeout=120):
    proc = subprocess.run([os.path.abspath(binary)] + args, input=b"go\n", stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, cwd=cwd, timeout=timeout)
    return proc.returncode, proc.stdout.decode(errors="replace").splitlines()


def main():
    binary, root = sys.argv[1], sys.argv[2]
    data = os.path.join(root, "tests", "data")
    checks = Checks()

    three = os.path.join(data, "driver_three.epd")
    code, lines = run(binary, ["-ts", three], data)
    checks.check(code == 0, f"-ts exits with 0 (got {code})", lines)
    checks.check(f"## file opened {three}" in lines, "file-opened line", lines)
    results = [RESULT.match(line) for line in lines]
    results = [m for m in results if m]
    checks.check(len(results) == 3, f"three searched lines (got {len(results)})", lines)
    checks.check(all(m.group(1) == "3" for m in results), "each line searched to depth 3, printed in decimal", lines)
    with open(three) as f:
        for epd in f.read().splitlines():
            checks.check(epd in lines, f"the line is echoed: {epd[:30]}...", lines)
    checks.check(lines and lines[-1] == "3", "the final count is 3", lines[-3:])
    if len(results) == 3:
        checks.check(results[1].group(3).startswith(" a1a8"), "the back-rank mate is found", lines)

    mixed = os.path.join(data, "driver_mixed.epd")
    code, lines = run(binary, ["-ts", mixed, "-fd", "2"], data)
    checks.check(code == 0, f"-ts on a file with bad lines exits with 0 (got {code})", lines[-5:])
    skipped = [line for line in lines if line.startswith("Line ") and "skipped" in line]
    checks.check(len(skipped) == 3, f"three bad lines skipped with a message (got {len(skipped)})", skipped)
    results = [m for m in (RESULT.match(line) for line in lines) if m]
    checks.check(len(results) == 2 and all(m.group(1) == "2" for m in results),
                 "the two good lines searched at the given depth", lines[-12:])
    checks.check(lines and lines[-1] == "5", "all five lines counted", lines[-3:])

    code, lines = run(binary, ["-pev", three], data)
    checks.check(code == 0, "-pev exits with 0", lines[-5:])
    checks.check(not any(RESULT.match(line) for line in lines), "-pev searches nothing", lines)
    checks.check(sum(1 for line in lines if line.startswith("8  ")) == 3, "-pev shows every position", lines)
    checks.check(lines and lines[-1] == "3", "-pev counts the lines", lines[-3:])

    code, lines = run(binary, ["-ts", os.path.join(data, "driver_no_such_file.epd")], data)
    checks.check(code == 1 and any(line.startswith("ERROR: opening file ") for line in lines),
                 "a missing suite file: message and status 1", lines)
    return checks.report("test_epd")


if __name__ == "__main__":
    sys.exit(main())
