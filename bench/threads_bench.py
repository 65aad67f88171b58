#!/usr/bin/env python3
"""Search on several cores: the time each engine needs to reach a fixed depth on five positions,
and its nodes per second, with 1, 2 (and, where the machine has the cores, 4 and 8) threads, and
the ratios to one thread. Orvo and the installed peers run in the same go, so the ratios compare
engines under the same machine load. Peers that are not installed are skipped.

A search on more than one thread takes a different path every time, and the time to a depth of one
position can vary twofold from run to run: every engine goes over the positions THREADS_REPS times
(default 3) and the mean is shown. Each position is searched from an empty table.

Environment: THREADS_REPS, THREADS_ENGINES (comma-separated subset of the peers),
ORVO_BENCH_ENGINE (the Orvo binary, default build/orvo).
"""

import os
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from harness.engine import Engine  # noqa: E402

# Each position with the depth Orvo searches it to.
POSITIONS = [
    ("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 15),
    ("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 12),
    ("8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 16),
    ("r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP1B1PPP/R2QKB1R w KQ - 0 8", 14),
    ("2r2rk1/1bqnbpp1/1p1ppn1p/pP6/N1P1P3/P2B1N1P/1B2QPP1/R2R2K1 b - - 0 1", 14),
]

# name, binary, depth on every position (None: Orvo's own depths above)
ENGINES = [
    ("orvo", os.environ.get("ORVO_BENCH_ENGINE", "build/orvo"), None),
    ("glaurung", "/usr/games/glaurung", 14),
    ("stockfish", "/usr/games/stockfish", 18),
    ("ethereal-chess", "/usr/games/ethereal-chess", 15),
]

REPS = max(1, int(os.environ.get("THREADS_REPS", "3")))


def thread_counts():
    cores = os.cpu_count() or 1
    return [n for n in (1, 2, 4, 8) if n == 1 or n <= cores]


def to_depth(binary, threads, depth):
    """(seconds, nodes) per position, each the mean over REPS runs from an empty table."""
    engine = Engine([binary], cwd=tempfile.mkdtemp(prefix="orvo_threads_"))
    if engine.uci({"Threads": str(threads), "Hash": "64"}) is None:
        raise RuntimeError(f"{binary}: no uciok")
    seconds = [0.0] * len(POSITIONS)
    nodes = [0] * len(POSITIONS)
    for _ in range(REPS):
        for i, (fen, own_depth) in enumerate(POSITIONS):
            engine.send("ucinewgame")
            engine.ready()
            engine.send("position fen " + fen)
            began = time.monotonic()
            engine.send(f"go depth {depth or own_depth}")
            lines = engine.until("bestmove", 600)
            seconds[i] += (time.monotonic() - began) / REPS
            if lines is None:
                raise RuntimeError(f"{binary}: no bestmove")
            counted = [int(l.split(" nodes ")[1].split()[0]) for l in lines if " nodes " in l]
            nodes[i] += (counted[-1] if counted else 0) // REPS
    engine.quit()
    return seconds, nodes


def main():
    wanted = os.environ.get("THREADS_ENGINES")
    counts = thread_counts()
    print(f"{len(POSITIONS)} positions, mean of {REPS} runs; seconds to the depth on each position, their sum,")
    print("and the sum's ratio to one thread's (sooner) with the ratio of nodes per second (x nps)")
    print(f"{'engine':16}{'threads':>8}{'depth':>7}  {'seconds per position':34}{'sum':>7}{'knps':>7}{'sooner':>8}{'x nps':>7}")
    for name, binary, depth in ENGINES:
        if name != "orvo":
            if not os.path.exists(binary):
                print(f"{name:16}skipped (not installed)")
                continue
            if wanted and name not in wanted.split(","):
                continue
        base = None
        for threads in counts:
            seconds, nodes = to_depth(binary, threads, depth)
            total = sum(seconds)
            nps = sum(nodes) / total if total > 0 else 0
            if base is None:
                base = (total, nps)
            each = " ".join(f"{x:6.2f}" for x in seconds)
            print(f"{name:16}{threads:>8}{depth or 'own':>7}  {each:34}{total:7.2f}{nps / 1000:7.0f}"
                  f"{base[0] / total:8.2f}{nps / base[1] if base[1] else 0:7.2f}", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
