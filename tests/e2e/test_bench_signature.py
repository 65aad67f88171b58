"""The bench signature: `orvo -bench -fd D` must search exactly the node count recorded in
bench/signature.txt ("D nodes"). A change that alters the search tree changes the count; update
the file on purpose when that is intended. `orvo bench`, as test frameworks run it, searches the
same depth and ends with the node count and the speed."""
import os
import re
import subprocess
import sys
import tempfile


def main():
    binary, root = os.path.abspath(sys.argv[1]), sys.argv[2]
    with open(os.path.join(root, "bench", "signature.txt")) as f:
        depth, expected = f.read().split()[:2]
    with tempfile.TemporaryDirectory() as work:
        run = subprocess.run([binary, "-bench", "-fd", depth], stdin=subprocess.DEVNULL,
                             capture_output=True, text=True, timeout=300, cwd=work)
        framework = subprocess.run([binary, "bench"], stdin=subprocess.DEVNULL,
                                   capture_output=True, text=True, timeout=300, cwd=work)
    if run.returncode != 0:
        sys.exit(f"bench exited with {run.returncode}:\n{run.stdout}\n{run.stderr}")
    lines = run.stdout.splitlines()
    header = next((i for i, l in enumerate(lines) if l.strip().startswith("Time Interior Nodes")), None)
    if header is None or header + 1 >= len(lines):
        sys.exit("no benchmark report in the output:\n" + run.stdout)
    fields = lines[header + 1].split()
    elapsed, interior, quiesce, total, nps = (int(x) for x in fields)
    if interior + quiesce != total:
        sys.exit(f"report does not add up: {fields}")
    if str(total) != expected:
        sys.exit(f"bench signature changed: depth {depth} searched {total} nodes, signature {expected}")
    for needed in ("Running benchmark 1 2 3 4 5 6", "Leaf Interior Nodes searched = ",
                   "Transposition Table Hits ", "Pawn misses "):
        if needed not in run.stdout:
            sys.exit(f"missing report line {needed!r}:\n{run.stdout}")
    last = framework.stdout.splitlines()[-2:]
    if (framework.returncode != 0 or len(last) != 2 or last[0] != f"Nodes searched: {expected}"
            or not re.fullmatch(r"Nodes/second: [1-9][0-9]*", last[1])):
        sys.exit(f"`orvo bench` exited with {framework.returncode}, ending {last}:\n{framework.stderr}")
    print(f"signature ok: depth {depth}, {total} nodes, {nps} nodes per second; `orvo bench` agrees")


if __name__ == "__main__":
    main()
