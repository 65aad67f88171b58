#!/usr/bin/env python3
"""Clock table: how an engine spends the time of each common clock. For every row the engine
plays both sides of a game (one process, fresh clocks), every search timed from "go" to the move
as a GUI times it. Columns: the time used on the first move, the time it was budgeted (Orvo's own
figure, read from its match.log), the number of plies played and the mean time per ply, the
largest share of the remaining clock one move used, and the time losses (must be 0).

usage: time_check.py ENGINE [--plies N] [--row-seconds S] [--rows NAME,NAME,...] [--strict]
                     [--option NAME=VALUE]
The engine speaks UCI; the xboard row is skipped for an engine that does not speak xboard
(ENGINE given with --no-xboard). Exit status 1 when a clock ran out (or, with --strict, when the
engine refused one of its own moves)."""

import argparse
import os
import re
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from harness.board import Board  # noqa: E402
from harness.engine import Engine, xboard_move  # noqa: E402

# name, kind, base ms, increment ms, moves per session
ROWS = [
    ("movetime 100", "movetime", 100, 0, 0),
    ("movetime 1000", "movetime", 1000, 0, 0),
    ("movetime 3000", "movetime", 3000, 0, 0),
    ("10+0.1", "clock", 10000, 100, 0),
    ("3+1", "clock", 3000, 1000, 0),
    ("1+0.01", "clock", 1000, 10, 0),
    ("60+1", "clock", 60000, 1000, 0),
    ("40 moves in 5 min", "clock", 300000, 0, 40),
    ("xboard level 40 5 0", "xboard", 300000, 0, 40),
    ("movestogo 1 (5 s)", "last", 5000, 0, 1),
]


def budgets_from_log(folder):
    """Orvo's budget of every search, in order: the TimePerMove it logs with its initial budget."""
    path = os.path.join(folder, "match.log")
    if not os.path.exists(path):
        return []
    text = open(path, errors="replace").read()
    return [int(v) for v in re.findall(r" Initial NodesPeMove[^\n]*\n\s*Current TimerPerMove is (-?\d+)", text)]


def xboard_start(command):
    """Just enough xboard to play a game against itself: time, otim, go, move."""
    e = Engine(command)
    for line in ("xboard", "protover 2", "new", "easy", "nopost"):
        e.send(line)
    return e


def play_row(command, row, plies, row_seconds, options):
    name, kind, base, inc, mps = row
    if kind == "xboard":
        e = xboard_start(command)
        e.send(f"level {mps} {base // 60000} {inc // 1000}")
        e.send("go")  # plays White now; each later "go" plays the side to move
        folder = e.cwd
    else:
        e = Engine(command)
        e.uci(options)
        e.send("ucinewgame")
        e.ready()
        folder = e.cwd
    board = Board()
    moves = []
    clocks = [base, base]
    done = [0, 0]             # moves made in the current session, per side
    used_all, shares, losses, refused = [], [], 0, 0
    began_row = time.monotonic()
    for ply in range(plies):
        if time.monotonic() - began_row > row_seconds and ply >= 2:
            break
        side = 0 if board.white else 1
        left = clocks[side]
        if kind == "xboard":
            if ply > 0:
                e.send(f"time {max(int(clocks[side] / 10), 0)}")
                e.send(f"otim {max(int(clocks[1 - side] / 10), 0)}")
                start = time.monotonic()
                e.send("go")
            else:
                start = time.monotonic()
            lines = e.until(xboard_move, left / 1000 + 30)
            text = xboard_move(lines[-1]) if lines else None
        else:
            e.send("position startpos" + (" moves " + " ".join(moves) if moves else ""))
            if kind == "movetime":
                go = f"go movetime {base}"
            elif kind == "last":
                go = f"go wtime {base} btime {base} movestogo 1"
                left = base
            else:
                go = f"go wtime {int(clocks[0])} btime {int(clocks[1])} winc {inc} binc {inc}"
                if mps:
                    go += f" movestogo {mps - done[side]}"
            start = time.monotonic()
            e.send(go)
            lines = e.until("bestmove", left / 1000 + 30)
            text = lines[-1].split()[1] if lines and len(lines[-1].split()) > 1 else None
        used = (time.monotonic() - start) * 1000
        used_all.append(used)
        if kind in ("clock", "xboard", "last"):
            shares.append(used / left if left > 0 else 1.0)
            if used > left:
                losses += 1
        if kind in ("clock", "xboard"):
            clocks[side] = left - used + inc
            done[side] += 1
            if mps and done[side] == mps:
                clocks[side] += base
                done[side] = 0
            if clocks[side] <= 0:
                break
        m = board.parse(text)
        if m is None:
            refused += 1
            break
        board.play(m)
        moves.append(m)
        if not board.legal_moves() or board.half >= 100:
            break   # the game is over; the row ends with it
    e.quit()
    budgets = budgets_from_log(folder)
    return dict(first=used_all[0] if used_all else None, plies=len(used_all),
                mean=sum(used_all) / len(used_all) if used_all else 0,
                share=max(shares) if shares else None, losses=losses, refused=refused,
                budget=budgets[0] if budgets else None)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("engine")
    ap.add_argument("--plies", type=int, default=60)
    ap.add_argument("--row-seconds", type=float, default=90.0, help="stop a row's game after this long")
    ap.add_argument("--rows", default="", help="comma-separated row names (default: all)")
    ap.add_argument("--no-xboard", action="store_true")
    ap.add_argument("--strict", action="store_true")
    ap.add_argument("--option", action="append", default=[], help="UCI option NAME=VALUE")
    args = ap.parse_args()
    wanted = [r for r in ROWS if not args.rows or r[0] in args.rows.split(",")]
    if args.no_xboard:
        wanted = [r for r in wanted if r[1] != "xboard"]
    print(f"clock table for {args.engine}, up to {args.plies} plies of self-play a row")
    print(f"{'control':22} {'1st move':>9} {'budget':>7} {'plies':>5} {'mean/ply':>9} {'max share':>9} {'losses':>6}")
    failed = False
    for row in wanted:
        r = play_row(args.engine, row, args.plies, args.row_seconds, args.option)
        share = f"{100 * r['share']:.1f} %" if r["share"] is not None else "-"
        budget = str(r["budget"]) if r["budget"] is not None else "-"
        first = f"{r['first']:.0f}" if r["first"] is not None else "-"
        print(f"{row[0]:22} {first:>9} {budget:>7} {r['plies']:>5} {r['mean']:>9.0f} {share:>9} {r['losses']:>6}"
              + (f"  (refused {r['refused']} move)" if r["refused"] else ""), flush=True)
        failed = failed or r["losses"] > 0 or (args.strict and r["refused"] > 0)
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
