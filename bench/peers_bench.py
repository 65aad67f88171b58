#!/usr/bin/env python3
"""Orvo side by side with the classical engines installed on this machine.

Every engine gets the same three positions for a timed `go infinite` (one thread), and the
nodes of its last `info` line give its nodes per second; perft 6 from the start position is
timed for the engines that count perft. Everything runs in one go, so the ratios compare
engines under the same machine load. Engines that are not installed are skipped.

Environment: PEERS_SECONDS (search time per position, default 5), PEERS_REPS (repetitions,
default 1; the table shows the median), PEERS_ENGINES (comma-separated subset of the peers),
ORVO_BENCH_ENGINE (the Orvo binary, default build/orvo), ORVO_BENCH_BASELINE (earlier
Orvo binaries to measure alongside, comma-separated, for before-and-after comparisons).
"""

import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from harness.engine import Engine  # noqa: E402

POSITIONS = [
    ("start", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"),
    ("kiwipete", "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"),
    ("endgame", "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1"),
]
PERFT_DEPTH = 6
PERFT_LEAVES = 119060324

# name, binary, UCI options to set, how it counts perft (None: it does not)
PEERS = [
    ("glaurung", "/usr/games/glaurung", {"Threads": "1"}, None),
    ("toga2", "/usr/games/toga2", {}, None),
    ("stockfish", "/usr/games/stockfish", {"Threads": "1"}, "go perft"),
    ("ethereal-chess", "/usr/games/ethereal-chess", {"Threads": "1"}, "perft"),
]


def read_until(engine, predicate, timeout):
    """(arrival time, line) of the lines up to and including the first that satisfies predicate."""
    lines = engine.until(lambda line: predicate(line.strip()), timeout)
    if lines is None:
        raise RuntimeError(f"{engine.name}: no answer in time")
    return [(stamp, line.strip()) for stamp, line in zip(engine.stamps[-len(lines):], lines)]


def uci_start(argv, options, cwd):
    engine = Engine(argv, cwd=cwd)
    if engine.uci(options) is None:
        raise RuntimeError(f"{engine.name}: no uciok or readyok")
    return engine


def search_nps(engine, fen, seconds):
    engine.send("ucinewgame")
    engine.send(f"position fen {fen}")
    engine.send("isready")
    read_until(engine, lambda l: l == "readyok", 30)
    start = time.monotonic()
    engine.send("go infinite")
    time.sleep(seconds)
    engine.send("stop")
    lines = read_until(engine, lambda l: l.startswith("bestmove"), 30)
    nodes, when = None, None
    for stamp, line in lines:
        m = re.search(r"\bnodes (\d+)", line)
        if line.startswith("info") and m:
            nodes, when = int(m.group(1)), stamp
    if nodes is None:
        raise RuntimeError("no info line with nodes")
    return nodes / (when - start)


def orvo_perft(binary, cwd):
    start = time.monotonic()
    out = subprocess.run([binary, "-perft", "-fd", str(PERFT_DEPTH)], cwd=cwd, stdin=subprocess.DEVNULL,
                         capture_output=True, text=True, timeout=600).stdout
    elapsed = time.monotonic() - start
    m = re.search(r"(\d+) Leaf Nodes at Depth", out)
    return elapsed, (int(m.group(1)) if m else None)


def peer_perft(argv, options, style, cwd):
    engine = uci_start(argv, options, cwd)
    try:
        engine.send("position startpos")
        engine.send("isready")
        read_until(engine, lambda l: l == "readyok", 30)
        start = time.monotonic()
        if style == "go perft":
            engine.send(f"go perft {PERFT_DEPTH}")
            lines = read_until(engine, lambda l: l.startswith("Nodes searched"), 600)
            leaves = int(lines[-1][1].split(":")[1])
        else:
            engine.send(f"perft {PERFT_DEPTH}")
            lines = read_until(engine, lambda l: l.isdigit() or re.search(r"\b\d{6,}\b", l) is not None, 600)
            leaves = int(re.findall(r"\d{6,}", lines[-1][1])[-1])
        return lines[-1][0] - start, leaves
    finally:
        engine.quit()


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    orvo = os.path.abspath(os.environ.get("ORVO_BENCH_ENGINE", os.path.join(root, "build", "orvo")))
    if not os.access(orvo, os.X_OK):
        print(f"peers_bench: {orvo} not built (run make build)")
        return 1
    seconds = float(os.environ.get("PEERS_SECONDS", "5"))
    reps = int(os.environ.get("PEERS_REPS", "1"))
    wanted = os.environ.get("PEERS_ENGINES")
    peers = [p for p in PEERS if (not wanted or p[0] in wanted.split(",")) and shutil.which(p[1])]
    skipped = [p[0] for p in PEERS if p not in peers and (not wanted or p[0] in wanted.split(","))]
    engines = [("orvo", orvo, {}, "orvo")] + peers
    baselines = [b for b in os.environ.get("ORVO_BENCH_BASELINE", "").split(",") if b]
    for i, binary in enumerate(baselines):
        label = "orvo-baseline" if len(baselines) == 1 else os.path.basename(binary)
        engines.insert(1 + i, (label, os.path.abspath(binary), {}, "orvo"))
    work = tempfile.mkdtemp(prefix="orvo-peers-")
    nps = {name: {pos: [] for pos, _ in POSITIONS} for name, *_ in engines}
    perft = {name: [] for name, _, _, style in engines if style}
    try:
        for _ in range(reps):
            # Interleave the engines position by position so a change in load hits all alike.
            running = {name: uci_start([binary], options, work) for name, binary, options, _ in engines}
            try:
                for pos, fen in POSITIONS:
                    for name in running:
                        nps[name][pos].append(search_nps(running[name], fen, seconds))
            finally:
                for engine in running.values():
                    engine.quit()
            for name, binary, options, style in engines:
                if not style:
                    continue
                elapsed, leaves = (orvo_perft(binary, work) if style == "orvo"
                                   else peer_perft([binary], options, style, work))
                if leaves != PERFT_LEAVES:
                    print(f"peers_bench: {name} perft {PERFT_DEPTH} gave {leaves} leaves, not {PERFT_LEAVES}")
                perft[name].append(elapsed)
    finally:
        shutil.rmtree(work, ignore_errors=True)

    med = statistics.median
    print(f"Side by side, one thread each, go infinite {seconds:g} s per position, "
          f"median of {reps} run(s); nodes per second in millions")
    head = f"{'engine':<16}" + "".join(f"{pos:>10}" for pos, _ in POSITIONS) + f"{'perft 6':>10}"
    print(head)
    for name, *_ in engines:
        row = f"{name:<16}" + "".join(f"{med(nps[name][pos]) / 1e6:>9.2f}M" for pos, _ in POSITIONS)
        row += f"{med(perft[name]):>9.2f}s" if name in perft else f"{'-':>10}"
        print(row)
    for name, *_ in engines[1:]:
        ratios = "".join(f"{med(nps['orvo'][pos]) / med(nps[name][pos]):>10.2f}" for pos, _ in POSITIONS)
        pr = (f"{med(perft[name]) / med(perft['orvo']):>10.2f}" if name in perft else f"{'-':>10}")
        print(f"{'orvo / ' + name:<16}{ratios}{pr}")
    print("(ratio rows: Orvo's nodes per second over the peer's; perft column: the peer's time over Orvo's)")
    if skipped:
        print("skipped (not installed): " + ", ".join(skipped))
    return 0


if __name__ == "__main__":
    sys.exit(main())
