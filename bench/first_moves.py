#!/usr/bin/env python3
"""First moves of a fresh process: match runners start a new engine for every game, so the first
searches of a game are searched by a process that has just started. For each table size, every run
starts the engine afresh (uci, setoption, isready), sets up a short opening and lets it play the
next few plies at 10 s + 0.1 s, sending position/go wtime/btime/winc/binc as a GUI does. For each
search of the game: its time from "go" to "bestmove", the budget the engine gave itself (Orvo's own
figure, read from its match.log), its speed and depth (of its last info line). Medians over the runs.
Start-up answers are timed too: from starting the process to "uciok", "isready" to "readyok", and
for xboard from starting the process to the "feature ... done=1" answer of "protover 2".

usage: first_moves.py ENGINE [--runs N] [--searches N] [--tc BASE+INC] [--hash MB,MB,...]
                      [--newgame] [--opening "e2e4 e7e5 ..."] [--no-xboard]
A table size of 0 leaves the engine's default. Exit status 1 when the engine failed to answer."""

import argparse
import os
import re
import shutil
import statistics
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from harness.board import Board  # noqa: E402
from harness.engine import Engine  # noqa: E402
from time_check import budgets_from_log  # noqa: E402


def ms_until(e, prefix, since, timeout=30):
    """Milliseconds from since to the line that starts with prefix (None: it never came)."""
    lines = e.until(prefix, timeout)
    return (time.monotonic() - since) * 1000 if lines else None


def one_game(command, hash_mb, args):
    """One fresh process (in a scratch folder of its own): its start-up answers and its first searches."""
    started = time.monotonic()
    e = Engine(command)
    e.send("uci")
    uciok = ms_until(e, "uciok", started)
    if hash_mb:
        e.send(f"setoption name Hash value {hash_mb}")
    asked = time.monotonic()
    e.send("isready")
    readyok = ms_until(e, "readyok", asked)
    if args.newgame:
        e.send("ucinewgame")
    board = Board()
    moves = []
    for text in args.opening.split():
        board.play(text)
        moves.append(text)
    clocks = {True: args.base_ms, False: args.base_ms}
    searches = []
    for _ in range(args.searches):
        side = board.white
        e.send("position startpos" + (" moves " + " ".join(moves) if moves else ""))
        began = time.monotonic()
        e.send(f"go wtime {int(clocks[True])} btime {int(clocks[False])} winc {args.inc_ms} binc {args.inc_ms}")
        lines = e.until("bestmove", clocks[side] / 1000 + 30)
        used = (time.monotonic() - began) * 1000
        if not lines:
            break
        last = [x for x in lines if x.startswith("info") and re.search(r"\bnps \d+", x)]
        nps = re.search(r"\bnps (\d+)", last[-1]) if last else None
        depth = re.search(r"\bdepth (\d+)", last[-1]) if last else None
        searches.append({"wall": used, "nps": int(nps.group(1)) if nps else None,
                         "depth": int(depth.group(1)) if depth else None})
        clocks[side] += args.inc_ms - used
        words = lines[-1].split()
        m = board.parse(words[1] if len(words) > 1 else "")
        if m is None:
            break
        board.play(m)
        moves.append(m)
    e.quit()
    for s, budget in zip(searches, budgets_from_log(e.cwd)):
        s["budget"] = budget
    shutil.rmtree(e.cwd, ignore_errors=True)
    return {"uciok": uciok, "readyok": readyok, "searches": searches}


def xboard_answer(command):
    """Milliseconds from starting the process to the done=1 feature of "protover 2"."""
    started = time.monotonic()
    e = Engine(command)
    e.send("xboard")
    e.send("protover 2")
    ms = None
    deadline = time.monotonic() + 30
    while ms is None:
        lines = e.until("feature", max(0.0, deadline - time.monotonic()))
        if not lines:
            break
        if "done=1" in lines[-1]:
            ms = (time.monotonic() - started) * 1000
    e.quit()
    shutil.rmtree(e.cwd, ignore_errors=True)
    return ms


def median(values):
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else None


def top(values):
    values = [v for v in values if v is not None]
    return max(values) if values else None


def cell(v, width):
    return f"{v:>{width}.0f}" if v is not None else f"{'-':>{width}}"


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("engine")
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--searches", type=int, default=3)
    ap.add_argument("--tc", default="10+0.1")
    ap.add_argument("--hash", default="0,16", help="table sizes in MB, 0 = the engine's default")
    ap.add_argument("--newgame", action="store_true", help="send ucinewgame after isready")
    ap.add_argument("--opening", default="e2e4 e7e5 g1f3 b8c6")
    ap.add_argument("--no-xboard", action="store_true")
    args = ap.parse_args()
    base, _, inc = args.tc.partition("+")
    args.base_ms = float(base) * 1000
    args.inc_ms = int(float(inc or 0) * 1000)

    print(f"first moves of a fresh process: {args.engine}, {args.tc}, median of {args.runs} runs")
    failed = False
    for mb in (int(x) for x in args.hash.split(",")):
        games = [one_game(args.engine, mb, args) for _ in range(args.runs)]
        failed = failed or any(len(g["searches"]) < args.searches or g["uciok"] is None for g in games)
        label = f"Hash {mb} MB" if mb else "default table"
        uciok = [g["uciok"] for g in games]
        readyok = [g["readyok"] for g in games]
        print(f"{label}: uciok {cell(median(uciok), 0)} ms (at most {cell(top(uciok), 0)}), "
              f"isready->readyok {cell(median(readyok), 0)} ms (at most {cell(top(readyok), 0)})")
        print(f"  {'search':>6} {'wall ms':>8} {'budget ms':>9} {'nodes/s':>9} {'depth':>5}   wall ms of each run")
        for i in range(args.searches):
            rows = [g["searches"][i] for g in games if len(g["searches"]) > i]
            print(f"  {i + 1:>6} {cell(median(r['wall'] for r in rows), 8)} "
                  f"{cell(median(r.get('budget') for r in rows), 9)} {cell(median(r['nps'] for r in rows), 9)} "
                  f"{cell(median(r['depth'] for r in rows), 5)}   {' '.join(cell(r['wall'], 0) for r in rows)}")
        sys.stdout.flush()
    if not args.no_xboard:
        answers = [xboard_answer(args.engine) for _ in range(args.runs)]
        failed = failed or any(a is None for a in answers)
        print(f"xboard: start to protover 2 done=1 {cell(median(answers), 0)} ms "
              f"(each run: {', '.join(cell(a, 0) for a in answers)})")
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
