#!/usr/bin/env python3
"""Chess960 games between Orvo and another UCI engine, driven by python-chess as match runners and
bots drive engines: python-chess sends UCI_Chess960 and the Shredder-FEN start, checks every move
against its own rules, and the clocks are kept here (the time a move took comes off the mover's
clock, the increment is added, a clock below zero loses). Each start is played twice, colours
swapped.

usage: chess960_match.py ENGINE OPPONENT [--games N] [--tc BASE+INC] [--option-b NAME=VALUE]
                         [--seed S] [--max-plies N]
Exit status 1 when a game was lost on time, by an illegal move or by an engine fault; 0 otherwise.
Needs python-chess (../shared/python-chess beside the checkout is looked at)."""

import argparse
import logging
import os
import random
import shlex
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.normpath(os.path.join(HERE, "..", "..", "shared", "python-chess")))
try:
    import chess
    import chess.engine
except ImportError:
    print("chess960_match: skipped (python-chess not found)")
    sys.exit(0)


class WarningCounter(logging.Handler):
    """Counts what python-chess says about an engine's output at WARNING or above."""

    def __init__(self):
        super().__init__(logging.WARNING)
        self.lines = []

    def emit(self, record):
        self.lines.append(record.getMessage())


def play(engines, start, base, inc, max_plies):
    """One game from Chess960 start number `start`; engines maps True (White) and False to engines.
    Returns (result, reason, plies)."""
    board = chess.Board.from_chess960_pos(start)
    clock = {True: base, False: base}
    while True:
        outcome = board.outcome(claim_draw=True)
        if outcome:
            return outcome.result(), outcome.termination.name.lower(), board.ply()
        if board.ply() >= max_plies:
            return "1/2-1/2", "ply limit", board.ply()
        side = board.turn
        limit = chess.engine.Limit(white_clock=clock[True], black_clock=clock[False], white_inc=inc, black_inc=inc)
        began = time.monotonic()
        try:
            result = engines[side].play(board, limit)
        except (chess.engine.EngineError, chess.engine.EngineTerminatedError) as error:
            return ("0-1" if side else "1-0"), f"engine fault: {error}", board.ply()
        clock[side] -= time.monotonic() - began
        if clock[side] < 0:
            return ("0-1" if side else "1-0"), "time", board.ply()
        clock[side] += inc
        if result.move is None or result.move not in board.legal_moves:
            return ("0-1" if side else "1-0"), f"illegal move {result.move}", board.ply()
        board.push(result.move)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("engine")
    parser.add_argument("opponent")
    parser.add_argument("--games", type=int, default=40)
    parser.add_argument("--tc", default="10+0.1")
    parser.add_argument("--option-b", action="append", default=[])
    parser.add_argument("--seed", type=int, default=960)
    parser.add_argument("--max-plies", type=int, default=400)
    args = parser.parse_args()
    base, _, inc = args.tc.partition("+")
    base, inc = float(base), float(inc or 0)

    warnings = WarningCounter()
    logging.getLogger("chess.engine").addHandler(warnings)
    orvo = chess.engine.SimpleEngine.popen_uci(shlex.split(args.engine))
    other = chess.engine.SimpleEngine.popen_uci(shlex.split(args.opponent))
    other.configure(dict(o.split("=", 1) for o in args.option_b))
    starts = random.Random(args.seed).sample(range(960), (args.games + 1) // 2)
    score, faults, lines = 0.0, 0, []
    for game in range(args.games):
        start = starts[game // 2]
        orvo_white = game % 2 == 0
        result, reason, plies = play({orvo_white: orvo, not orvo_white: other}, start, base, inc, args.max_plies)
        points = {"1-0": 1.0, "0-1": 0.0}.get(result, 0.5)
        score += points if orvo_white else 1.0 - points
        lost_by_fault = reason == "time" or reason.startswith(("illegal", "engine fault"))
        faults += lost_by_fault
        lines.append(f"game {game + 1:2d}  start {start:3d}  Orvo {'White' if orvo_white else 'Black'}  "
                     f"{result:7s}  {reason}  ({plies} plies)")
        print(lines[-1], flush=True)
        if lost_by_fault:
            for engine in (orvo, other):
                engine.close()
            orvo = chess.engine.SimpleEngine.popen_uci(shlex.split(args.engine))
            other = chess.engine.SimpleEngine.popen_uci(shlex.split(args.opponent))
            other.configure(dict(o.split("=", 1) for o in args.option_b))
    for engine in (orvo, other):
        engine.quit()
    print(f"Orvo scored {score:g} of {args.games}; games lost on time, by an illegal move or a fault: {faults}; "
          f"python-chess warnings: {len(warnings.lines)}")
    for line in warnings.lines[:10]:
        print("  warning:", line)
    return 1 if faults or warnings.lines else 0


if __name__ == "__main__":
    sys.exit(main())
