#!/usr/bin/env python3
"""Search on several cores: the time each engine needs to reach a fixed depth on four positions,
and its nodes per second, with 1, 2 (and, where the machine has the cores, 4 and 8) threads, and
the ratios to one thread. Orvo and the installed peers run in the same go, so the ratios compare
engines under the same machine load. Peers that are not installed are skipped.

Environment: THREADS_DEPTH_ORVO (default 12), THREADS_ENGINES (comma-separated subset of the
peers), ORVO_BENCH_ENGINE (the Orvo binary, default build/orvo).
"""

import os
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from harness.engine import Engine  # noqa: E402

POSITIONS = [
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "2r2rk1/1bqnbpp1/1p1ppn1p/pP6/N1P1P3/P2B1N1P/1B2QPP1/R2R2K1 b - - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
]

# name, binary, depth reached on each position
ENGINES = [
    ("orvo", os.environ.get("ORVO_BENCH_ENGINE", "build/orvo"), int(os.environ.get("THREADS_DEPTH_ORVO", "12"))),
    ("glaurung", "/usr/games/glaurung", 14),
    ("stockfish", "/usr/games/stockfish", 18),
    ("ethereal-chess", "/usr/games/ethereal-chess", 15),
]


def thread_counts():
    cores = os.cpu_count() or 1
    return [n for n in (1, 2, 4, 8) if n == 1 or n <= cores]


def to_depth(binary, threads, depth):
    """(seconds, nodes) summed over the positions, each searched from an empty table."""
    engine = Engine([binary], cwd=tempfile.mkdtemp(prefix="orvo_threads_"))
    if engine.uci({"Threads": str(threads), "Hash": "64"}) is None:
        raise RuntimeError(f"{binary}: no uciok")
    seconds = nodes = 0
    for fen in POSITIONS:
        engine.send("ucinewgame")
        engine.ready()
        engine.send("position fen " + fen)
        began = time.monotonic()
        engine.send(f"go depth {depth}")
        lines = engine.until("bestmove", 600)
        seconds += time.monotonic() - began
        if lines is None:
            raise RuntimeError(f"{binary}: no bestmove")
        counted = [int(l.split(" nodes ")[1].split()[0]) for l in lines if " nodes " in l]
        nodes += counted[-1] if counted else 0
    engine.quit()
    return seconds, nodes


def main():
    wanted = os.environ.get("THREADS_ENGINES")
    counts = thread_counts()
    print(f"{'engine':16}{'threads':>8}{'depth':>7}{'seconds':>10}{'knps':>9}{'sooner':>9}{'x nps':>8}")
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
            nps = nodes / seconds if seconds > 0 else 0
            if base is None:
                base = (seconds, nps)
            print(f"{name:16}{threads:>8}{depth:>7}{seconds:>10.2f}{nps / 1000:>9.0f}"
                  f"{base[0] / seconds:>9.2f}{nps / base[1] if base[1] else 0:>8.2f}", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
