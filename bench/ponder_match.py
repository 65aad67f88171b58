#!/usr/bin/env python3
"""A UCI match in which Orvo ponders, driven as a GUI drives a pondering engine.

Orvo gets `setoption name Ponder value true`. After each of its moves that names an expected
reply ("bestmove X ponder Y") the runner sends the position with X and Y played and
`go ponder` with the clocks. When the opponent then plays Y, Orvo gets `ponderhit`; otherwise
`stop`, its bestmove is dropped, and a new `position` and `go` follow. Orvo's clock runs from the
opponent's move: the time from `ponderhit` (or `stop`) to its bestmove is taken off it. The opponent
(Orvo itself by default, or another UCI engine) does not ponder.

Every move is checked on the runner's board (the rules of tests/e2e/harness), clocks are kept as in
uci_match.py, and a bestmove that does not come within the clock left plus a grace second loses on
time; after a ponderhit the runner then sends `isready` to see whether more input wakes the engine.

usage: ponder_match.py ENGINE [OPPONENT] [--games N] [--tc BASE+INC] [--option NAME=VALUE]
                       [--opponent-option NAME=VALUE] [--margin MS] [--max-plies N] [--quiet]
Engines are command lines (split on spaces); OPPONENT defaults to ENGINE. Prints the score, time
losses, illegal moves, ponder hits and misses and the longest move after a ponderhit. Exit status
1 when Orvo lost a game on time or by an illegal or missing move, 0 otherwise."""

import argparse
import os
import shutil
import statistics
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from uci_match import OPENINGS, credit, start  # noqa: E402  (it also puts tests/e2e on the path)
from harness.board import Board  # noqa: E402

GRACE = 1.0   # seconds past an empty clock before a missing bestmove counts


class Stats:
    def __init__(self):
        self.hits = self.misses = self.no_ponder = self.bad_ponder = self.woken = 0
        self.after_hit = []     # ms from ponderhit to bestmove
        self.after_stop = []    # ms from stop to the dropped bestmove of a missed guess


def bestmove(engine, seconds):
    """(move, ponder move or None), or None when no bestmove came within seconds."""
    lines = engine.until("bestmove", seconds)
    if lines is None:
        return None
    words = lines[-1].split()
    move = words[1] if len(words) > 1 else ""
    return move, (words[3] if len(words) > 3 and words[2] == "ponder" else None)


def stop_pondering(engine, stats):
    """Ends a ponder search; its bestmove is dropped. False when none came."""
    engine.send("stop")
    began = time.monotonic()
    got = bestmove(engine, 10)
    stats.after_stop.append((time.monotonic() - began) * 1000)
    return got is not None


def play_game(orvo, opponent, orvo_white, opening, args, stats):
    """(result, reason, moves, whether Orvo lost by time or by an illegal or missing move)."""
    board = Board()
    moves = opening.split()
    for text in moves:
        board.play(text)
    clock = {True: args.base_ms, False: args.base_ms}
    for e in (orvo, opponent):
        e.send("ucinewgame")
        e.ready()
    guess = None    # the reply Orvo ponders on

    def clocks(left=None):
        w = clock[True] if left is None or not board.white else left
        b = clock[False] if left is None or board.white else left
        return f"wtime {max(1, int(w))} btime {max(1, int(b))} winc {args.inc_ms} binc {args.inc_ms}"

    while True:
        over = board.outcome() or (("1/2-1/2", "adjudicated at the ply limit") if len(moves) >= args.max_plies else None)
        if over:
            if guess is not None and not stop_pondering(orvo, stats):
                return over[0], over[1] + "; no bestmove after stop", moves, True
            return over[0], over[1], moves, False
        side = board.white
        mover = orvo if side == orvo_white else opponent
        loser = "0-1" if side else "1-0"
        hit = False
        began = time.monotonic()
        if mover is orvo and guess is not None:
            if moves[-1] == guess:
                hit = True
                stats.hits += 1
                orvo.send("ponderhit")
            else:
                stats.misses += 1
                if not stop_pondering(orvo, stats):
                    return loser, f"{orvo.name} sent no bestmove after stop", moves, True
            guess = None
        if not hit:
            left = clock[side] - (time.monotonic() - began) * 1000
            mover.send("position startpos moves " + " ".join(moves))
            mover.send("go " + clocks(left))
        got = bestmove(mover, max(0.0, clock[side] + args.margin) / 1000 + GRACE)
        used = (time.monotonic() - began) * 1000
        if got is None:
            if hit:
                mover.send("isready")
                stats.woken += bestmove(mover, 2) is not None
                stats.after_hit.append(used)
            why = "after a ponderhit" if hit else "after go"
            return loser, f"{mover.name} lost on time: no bestmove {why} within {used:.0f} ms", moves, mover is orvo
        if hit:
            stats.after_hit.append(used)
        clock[side] -= used
        if clock[side] < -args.margin:
            return (loser, f"{mover.name} lost on time ({used:.0f} ms used{' after a ponderhit' if hit else ''}, "
                           f"{clock[side]:.0f} ms left)", moves, mover is orvo)
        clock[side] += args.inc_ms
        text, reply = got
        m = board.parse(text)
        if m is None:
            return loser, f"{mover.name} played an illegal move {text!r}", moves, mover is orvo
        board.play(m)
        moves.append(m)
        if mover is not orvo or board.outcome():
            continue
        if reply is None:
            stats.no_ponder += 1
        elif board.parse(reply) is None:
            stats.bad_ponder += 1
        else:
            guess = board.parse(reply)
            orvo.send("position startpos moves " + " ".join(moves + [guess]))
            orvo.send("go ponder " + clocks())


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("engine")
    ap.add_argument("opponent", nargs="?")
    ap.add_argument("--games", type=int, default=20)
    ap.add_argument("--tc", default="10+0.1")
    ap.add_argument("--option", action="append", default=[])
    ap.add_argument("--opponent-option", action="append", default=[])
    ap.add_argument("--margin", type=int, default=0, help="ms a clock may go below zero before it counts")
    ap.add_argument("--max-plies", type=int, default=400)
    ap.add_argument("--quiet", action="store_true")
    args = ap.parse_args()
    base, _, inc = args.tc.partition("+")
    args.base_ms = float(base) * 1000
    args.inc_ms = int(float(inc or 0) * 1000)

    orvo = start(args.engine, args.option + ["Ponder=true"])
    opponent = start(args.opponent or args.engine, args.opponent_option)
    orvo.name += " [ponder]"
    stats = Stats()
    score = {orvo: 0.0, opponent: 0.0}
    losses = {orvo: 0, opponent: 0}
    faults = 0
    for g in range(args.games):
        orvo_white = g % 2 == 0
        white, black = (orvo, opponent) if orvo_white else (opponent, orvo)
        result, reason, moves, orvo_fault = play_game(orvo, opponent, orvo_white, OPENINGS[(g // 2) % len(OPENINGS)],
                                                      args, stats)
        faults += orvo_fault
        loser = credit(score, white, black, result)
        if loser and ("on time" in reason or "illegal" in reason or "no bestmove" in reason):
            losses[loser] += 1
        if not args.quiet:
            print(f"game {g + 1}: {white.name} - {black.name} {result} ({reason}, {len(moves)} plies); "
                  f"ponder hits so far {stats.hits}, misses {stats.misses}", flush=True)
        # An engine that does not answer isready is not fit for the next game: a new process.
        for old, command, options in ((orvo, args.engine, args.option + ["Ponder=true"]),
                                      (opponent, args.opponent or args.engine, args.opponent_option)):
            if not old.ready(5):
                name = old.name
                old.kill()
                shutil.rmtree(old.cwd, ignore_errors=True)
                old.__dict__.update(start(command, options).__dict__)
                old.name = name
    for e in (orvo, opponent):
        e.quit()
        shutil.rmtree(e.cwd, ignore_errors=True)

    after = stats.after_hit
    print(f"final: {orvo.name} {score[orvo]:g} - {score[opponent]:g} {opponent.name} in {args.games} games at {args.tc}")
    print(f"  time losses or illegal/missing moves: {orvo.name} {losses[orvo]}, {opponent.name} {losses[opponent]}")
    print(f"  ponder hits {stats.hits}, misses {stats.misses}"
          f"{f' ({100 * stats.hits / (stats.hits + stats.misses):.0f} % hits)' if stats.hits + stats.misses else ''}; "
          f"bestmoves without a ponder move {stats.no_ponder}, with an illegal one {stats.bad_ponder}")
    if after:
        print(f"  after a ponderhit: median {statistics.median(after):.0f} ms, largest {max(after):.0f} ms")
    if stats.after_stop:
        print(f"  stop of a missed guess: median {statistics.median(stats.after_stop):.1f} ms, "
              f"largest {max(stats.after_stop):.1f} ms")
    if stats.woken:
        print(f"  bestmove came only after more input (isready) following a ponderhit: {stats.woken} times")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
