#!/usr/bin/env python3
"""Engine-against-engine match over UCI pipes, with the clocks kept by the runner.

The runner plays every move on its own board: a move that is not legal loses the game, a clock
that runs out loses it too, and mate, stalemate, repetition, the fifty-move rule and bare kings
end it as the rules say. Pairs of games start from the same opening with colours swapped.

usage: uci_match.py ENGINE_A ENGINE_B [--games N] [--tc BASE+INC] [--movetime MS] [--nodes N]
                    [--option-a NAME=VALUE] [--option-b NAME=VALUE] [--max-plies N] [--pgn FILE]
                    [--margin MS] [--fresh] [--quiet]
BASE and INC in seconds (10+0.1). Engines are command lines (split on spaces). With --fresh every
game starts both engines afresh, as most match runners do, and the report shows the time ENGINE_A
used on its first two moves of each game beside the budget it gave itself (from its match.log).

Exit status 0 when no game was lost on time or by an illegal move, 1 otherwise."""

import argparse
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from harness.board import Board  # noqa: E402
from harness.engine import Engine  # noqa: E402


def start(command, options):
    """An engine after the UCI start, with its options set."""
    engine = Engine(command)
    engine.uci(options)
    return engine


# ---- Games -----------------------------------------------------------------------------------

# Short, common openings so that games differ; each is played twice, colours swapped.
OPENINGS = [
    "e2e4 e7e5 g1f3 b8c6", "d2d4 d7d5 c2c4 e7e6", "e2e4 c7c5 g1f3 d7d6", "d2d4 g8f6 c2c4 g7g6",
    "e2e4 e7e6 d2d4 d7d5", "c2c4 e7e5 b1c3 g8f6", "e2e4 c7c6 d2d4 d7d5", "g1f3 d7d5 g2g3 g8f6",
    "d2d4 g8f6 c2c4 e7e6", "e2e4 e7e5 f1c4 g8f6", "e2e4 d7d5 e4d5 d8d5", "d2d4 d7d5 g1f3 g8f6",
    "e2e4 e7e5 g1f3 g8f6", "e2e4 c7c5 b1c3 b8c6", "e2e4 c7c5 g1f3 e7e6", "e2e4 c7c5 c2c3 g8f6",
    "e2e4 d7d6 d2d4 g8f6", "e2e4 g7g6 d2d4 f8g7", "e2e4 g8f6 e4e5 f6d5", "e2e4 e7e5 b1c3 g8f6",
    "e2e4 e7e5 f2f4 e5f4", "e2e4 e7e5 d2d4 e5d4", "e2e4 b8c6 d2d4 d7d5", "e2e4 c7c6 b1c3 d7d5",
    "d2d4 d7d5 c2c4 c7c6", "d2d4 d7d5 c2c4 d5c4", "d2d4 g8f6 c2c4 c7c5", "d2d4 g8f6 g1f3 g7g6",
    "d2d4 f7f5 g2g3 g8f6", "d2d4 e7e6 c2c4 f8b4", "d2d4 g8f6 c1g5 e7e6", "d2d4 d7d5 c1f4 g8f6",
    "d2d4 d7d6 e2e4 g8f6", "d2d4 c7c5 d4d5 e7e5", "c2c4 c7c5 g1f3 g8f6", "c2c4 g8f6 b1c3 e7e6",
    "c2c4 e7e6 g1f3 d7d5", "c2c4 g7g6 g2g3 f8g7", "g1f3 g8f6 c2c4 b7b6", "g1f3 c7c5 g2g3 b8c6",
    "g2g3 d7d5 f1g2 g8f6", "b2b3 e7e5 c1b2 b8c6", "f2f4 d7d5 g1f3 g8f6", "e2e3 e7e5 d2d4 e5d4",
    "b1c3 d7d5 e2e4 d5e4", "d2d4 e7e6 e2e4 c7c5", "e2e4 e7e5 g1f3 d7d6", "d2d4 g8f6 c2c4 d7d6",
]


def play_game(white, black, opening, args, log):
    board = Board()
    moves = opening.split()
    for text in moves:
        board.play(text)
    engines = {True: white, False: black}
    clock = {True: args.base_ms, False: args.base_ms}
    stats = {True: [0, 0.0, []], False: [0, 0.0, []]}    # moves, largest share of the clock used, ms per move
    for e in (white, black):
        e.send("ucinewgame")
        e.ready()
    while True:
        over = board.outcome()
        if over:
            return over[0], over[1], moves, stats
        if len(moves) >= args.max_plies:
            return "1/2-1/2", "adjudicated at the ply limit", moves, stats
        side = board.white
        e = engines[side]
        e.send("position startpos moves " + " ".join(moves))
        if args.movetime:
            go = f"go movetime {args.movetime}"
        elif args.nodes:
            go = f"go nodes {args.nodes}"
        else:
            go = (f"go wtime {int(clock[True])} btime {int(clock[False])} "
                  f"winc {args.inc_ms} binc {args.inc_ms}")
        began = time.monotonic()
        e.send(go)
        limit = (clock[side] + args.inc_ms) / 1000 + 10 if not args.movetime else args.movetime / 1000 + 10
        lines = e.until("bestmove", limit)
        used = (time.monotonic() - began) * 1000
        loser = "0-1" if side else "1-0"
        if lines is None:
            return loser, f"{e.name} sent no bestmove", moves, stats
        if not args.movetime and not args.nodes:
            share = used / clock[side] if clock[side] > 0 else 1.0
            stats[side][0] += 1
            stats[side][1] = max(stats[side][1], share)
            stats[side][2].append(used)
            clock[side] -= used
            if clock[side] < -args.margin:
                return loser, f"{e.name} lost on time ({int(used)} ms used, {int(clock[side])} ms left)", moves, stats
            clock[side] += args.inc_ms
        words = lines[-1].split()
        text = words[1] if len(words) > 1 else ""
        m = board.parse(text)
        if m is None:
            return loser, f"{e.name} played an illegal move {text!r}", moves, stats
        if log:
            log.write(f"{len(moves) + 1}: {e.name} {text} {int(used)} ms\n")
        board.play(m)
        moves.append(m)


def credit(score, white, black, result):
    """Adds a game's points to score (by player); returns the loser, or None after a draw."""
    if result == "1-0":
        score[white] += 1
    elif result == "0-1":
        score[black] += 1
    else:
        score[white] += 0.5
        score[black] += 0.5
    return black if result == "1-0" else white if result == "0-1" else None


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("engine_a")
    ap.add_argument("engine_b")
    ap.add_argument("--games", type=int, default=20)
    ap.add_argument("--tc", default="10+0.1")
    ap.add_argument("--movetime", type=int, default=0)
    ap.add_argument("--nodes", type=int, default=0)
    ap.add_argument("--option-a", action="append", default=[])
    ap.add_argument("--option-b", action="append", default=[])
    ap.add_argument("--max-plies", type=int, default=400)
    ap.add_argument("--margin", type=int, default=0, help="ms a clock may go below zero before it counts")
    ap.add_argument("--pgn")
    ap.add_argument("--fresh", action="store_true", help="start both engines afresh for every game")
    ap.add_argument("--quiet", action="store_true")
    args = ap.parse_args()
    base, _, inc = args.tc.partition("+")
    args.base_ms = float(base) * 1000
    args.inc_ms = int(float(inc or 0) * 1000)

    a = start(args.engine_a, args.option_a)
    b = start(args.engine_b, args.option_b)
    score = {a: 0.0, b: 0.0}
    time_losses = {a: 0, b: 0}
    illegal = {a: 0, b: 0}
    worst_share = {a: 0.0, b: 0.0}
    pgn = open(args.pgn, "w") if args.pgn else None
    for g in range(args.games):
        opening = OPENINGS[(g // 2) % len(OPENINGS)]
        if args.fresh and g > 0:
            # New processes under the old names, so that the tallies carry on.
            for old, command, options in ((a, args.engine_a, args.option_a), (b, args.engine_b, args.option_b)):
                old.quit()
                fresh = start(command, options)
                old.__dict__.update(fresh.__dict__)
        white, black = (a, b) if g % 2 == 0 else (b, a)
        result, reason, moves, stats = play_game(white, black, opening, args, None)
        if args.fresh and not args.quiet:
            from time_check import budgets_from_log
            side = white is a
            budgets = budgets_from_log(a.cwd)
            used = stats[side][2]
            print("  " + a.name + ": " + "; ".join(
                f"move {i + 1} {used[i]:.0f} ms of a {budgets[i]} ms budget" if i < len(budgets) else
                f"move {i + 1} {used[i]:.0f} ms" for i in range(min(2, len(used)))), flush=True)
        loser = credit(score, white, black, result)
        if loser and "on time" in reason:
            time_losses[loser] += 1
        if loser and ("illegal" in reason or "no bestmove" in reason):
            illegal[loser] += 1
        for side, e in ((True, white), (False, black)):
            worst_share[e] = max(worst_share[e], stats[side][1])
        if not args.quiet:
            print(f"game {g + 1}: {white.name} - {black.name} {result} ({reason}, {len(moves)} plies); "
                  f"score {a.name} {score[a]:g} - {score[b]:g} {b.name}", flush=True)
        if pgn:
            pgn.write(f'[White "{white.name}"]\n[Black "{black.name}"]\n[Result "{result}"]\n'
                      f'[Termination "{reason}"]\n\n{" ".join(moves)} {result}\n\n')
    if pgn:
        pgn.close()
    for e in (a, b):
        e.quit()
    print(f"final: {a.name} {score[a]:g} - {score[b]:g} {b.name} in {args.games} games at {args.tc}"
          if not (args.movetime or args.nodes) else
          f"final: {a.name} {score[a]:g} - {score[b]:g} {b.name} in {args.games} games")
    for e in (a, b):
        print(f"  {e.name}: time losses {time_losses[e]}, illegal or missing moves {illegal[e]}, "
              f"largest share of its clock used by one move {100 * worst_share[e]:.1f} %")
    sys.exit(1 if any(time_losses.values()) or any(illegal.values()) else 0)


if __name__ == "__main__":
    main()
