#!/usr/bin/env python3
"""The EPD runner: -ts searches every line at depth 3 (no -fd given) and prints the count of
lines; lines that are no position are skipped with a message; -pev only evaluates."""

import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness.checks import Checks  # noqa: E402

RESULT = re.compile(r"^(\d+) (-?\d+)   ( [a-h][1-8][a-h][1-8][qrbn]? .*|\(no legal move\))$")


def run(binary, args, cwd, timeout=120):
    proc = subprocess.run([os.path.abspath(binary)] + args, input=b"go\n", stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, cwd=cwd, timeout=timeout)
    return proc.returncode, proc.stdout.decode(errors="replace").splitlines()


def main():
    binary, root = sys.argv[1], sys.argv[2]
    data = os.path.join(root, "tests", "data")
    checks = Checks("test_epd")

    three = os.path.join(data, "driver_three.epd")
    code, lines = run(binary, ["-ts", three], data)
    checks.check(f"-ts exits with 0 (got {code})", code == 0, lines)
    checks.check("file-opened line", f"## file opened {three}" in lines, lines)
    results = [RESULT.match(line) for line in lines]
    results = [m for m in results if m]
    checks.check(f"three searched lines (got {len(results)})", len(results) == 3, lines)
    checks.check("each line searched to depth 3, printed in decimal", all(m.group(1) == "3" for m in results), lines)
    with open(three) as f:
        for epd in f.read().splitlines():
            checks.check(f"the line is echoed: {epd[:30]}...", epd in lines, lines)
    checks.check("the final count is 3", lines and lines[-1] == "3", lines[-3:])
    if len(results) == 3:
        checks.check("the back-rank mate is found", results[1].group(3).startswith(" a1a8"), lines)

    mixed = os.path.join(data, "driver_mixed.epd")
    code, lines = run(binary, ["-ts", mixed, "-fd", "2"], data)
    checks.check(f"-ts on a file with bad lines exits with 0 (got {code})", code == 0, lines[-5:])
    skipped = [line for line in lines if line.startswith("Line ") and "skipped" in line]
    checks.check(f"three bad lines skipped with a message (got {len(skipped)})", len(skipped) == 3, skipped)
    results = [m for m in (RESULT.match(line) for line in lines) if m]
    checks.check("the two good lines searched at the given depth",
                 len(results) == 2 and all(m.group(1) == "2" for m in results), lines[-12:])
    checks.check("all five lines counted", lines and lines[-1] == "5", lines[-3:])

    code, lines = run(binary, ["-pev", three], data)
    checks.check("-pev exits with 0", code == 0, lines[-5:])
    checks.check("-pev searches nothing", not any(RESULT.match(line) for line in lines), lines)
    checks.check("-pev shows every position", sum(1 for line in lines if line.startswith("8  ")) == 3, lines)
    checks.check("-pev counts the lines", lines and lines[-1] == "3", lines[-3:])

    code, lines = run(binary, ["-ts", os.path.join(data, "driver_no_such_file.epd")], data)
    checks.check("a missing suite file: message and status 1",
                 code == 1 and any(line.startswith("ERROR: opening file ") for line in lines), lines)
    return checks.report()


if __name__ == "__main__":
    sys.exit(main())
