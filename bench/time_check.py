#!/usr/bin/env python3
"""Clock self-check: the engine plays both sides of games under UCI time controls with shrinking
clocks, and every search is timed from "go" to "bestmove" as a GUI would time it. Reports, per
time control, the longest search against the time that was left for it, and fails when a clock
runs out or the engine refuses one of its own moves.

usage: time_check.py <engine> [moves per side] [control ...]   (control: base_ms+inc_ms)"""

import os
import queue
import subprocess
import sys
import tempfile
import threading
import time


class Engine:
    def __init__(self, path):
        self.proc = subprocess.Popen([path], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, cwd=tempfile.mkdtemp(prefix="orvo_time_"),
                                     bufsize=0)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for raw in self.proc.stdout:
            self.lines.put(raw.decode(errors="replace").rstrip("\n"))
        self.lines.put(None)

    def send(self, text):
        self.proc.stdin.write((text + "\n").encode())

    def wait_for(self, prefix, timeout):
        """Lines up to the first that starts with prefix (None when the engine fell silent)."""
        seen, deadline = [], time.monotonic() + timeout
        while True:
            try:
                line = self.lines.get(timeout=max(0.0, deadline - time.monotonic()))
            except queue.Empty:
                return None
            if line is None:
                return None
            seen.append(line)
            if line.startswith(prefix):
                return seen


def play(path, moves_per_side, base, inc):
    engine = Engine(path)
    engine.send("uci")
    engine.wait_for("uciok", 10)
    engine.send("ucinewgame")
    engine.send("isready")
    engine.wait_for("readyok", 10)
    clocks = [base, base]
    worst = (0, 0, 0.0)            # used ms, ms left before the search, share
    lowest = base
    refused = []
    moves, games, searches = [], 1, 0
    for ply in range(2 * moves_per_side):
        side = ply % 2
        engine.send("position startpos" + (" moves " + " ".join(moves) if moves else ""))
        go = f"go wtime {max(clocks[0], 0)} btime {max(clocks[1], 0)} winc {inc} binc {inc}"
        began = time.monotonic()
        engine.send(go)
        lines = engine.wait_for("bestmove", timeout=clocks[side] / 1000 + 30)
        used = int((time.monotonic() - began) * 1000)
        searches += 1
        if lines is None:
            print(f"  no bestmove after {go}")
            clocks[side] = -1
            break
        refused += [line for line in lines if line.startswith("info string")]
        left = clocks[side]
        share = used / left if left > 0 else float("inf")
        if share > worst[2]:
            worst = (used, left, share)
        clocks[side] = left - used + inc
        lowest = min(lowest, clocks[side])
        if left - used <= 0:
            break
        move = lines[-1].split()[1]
        if move == "0000":
            # The game is over: a new one starts with the clocks as they are.
            moves, games = [], games + 1
        else:
            moves.append(move)
    engine.send("quit")
    engine.proc.wait(timeout=10)
    return dict(searches=searches, games=games, worst=worst, lowest=lowest, clocks=clocks, refused=refused)


def main():
    path = os.path.abspath(sys.argv[1])
    moves_per_side = int(sys.argv[2]) if len(sys.argv) > 2 else 60
    controls = sys.argv[3:] or ["10000+100", "1000+10"]
    failed = False
    for control in controls:
        base, inc = (int(x) for x in control.split("+"))
        r = play(path, moves_per_side, base, inc)
        used, left, share = r["worst"]
        flagged = min(r["clocks"]) <= 0
        print(f"{base / 1000:g} s + {inc / 1000:g} s: {r['searches']} searches in {r['games']} game(s); "
              f"longest search {used} ms with {left} ms left ({100 * share:.1f} %); "
              f"lowest clock after a move {r['lowest']} ms; {'LOST ON TIME' if flagged else 'no time loss'}")
        for line in r["refused"][:5]:
            print("  engine said:", line)
        failed = failed or flagged or bool(r["refused"])
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
