#!/usr/bin/env python3
"""A small xboard protocol 2 match runner over pipes.

It plays games between two xboard engines under a clock (time/otim, level), keeps its own board
to check every move, ends games by mate, stalemate, the fifty-move rule, threefold repetition or
bare material, and takes moves back inside the games the way a GUI does:
  - "remove" to the engine that waits for its opponent, "force" + "undo" to the other one;
  - "force" to an engine that is thinking (it must stop without moving), then "undo" to both.
After every takeback the game goes on from the restored position, so an engine that kept another
position answers with a move the runner refuses.

usage: xboard_match.py [--games N] [--base SEC] [--inc SEC] [--takebacks N] [--seed S]
                       ENGINE1 [ENGINE2]
ENGINE2 defaults to ENGINE1. Exit status 0 when no game had an illegal move, a time loss or a
protocol error; the summary line counts the takebacks made."""

import argparse
import os
import random
import shlex
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from harness.board import Board  # noqa: E402
from harness.engine import Engine  # noqa: E402


class ProtocolError(Exception):
    pass


class Player(Engine):
    """An xboard engine in a game: what it offered, whether it is in force mode, its pings."""

    def __init__(self, command):
        super().__init__(command)
        self.features = {}
        self.force = True
        self.ping = 0
        self.usermove = False

    def read(self, deadline):
        """The next line, "" at the deadline; ProtocolError when the engine has ended."""
        line = self.line(max(0.0, deadline - time.monotonic()))
        if line is None and self.ended:
            raise ProtocolError(f"{self.name}: engine ended")
        return line or ""

    def start(self):
        self.send("xboard")
        self.send("protover 2")
        deadline = time.monotonic() + 10
        while True:
            line = self.read(deadline)
            if not line and time.monotonic() >= deadline:
                raise ProtocolError(f"{self.name}: no 'feature done=1' within 10 s")
            if line.startswith("feature "):
                for item in shlex.split(line[8:]):
                    key, _, value = item.partition("=")
                    self.features[key] = value
                    self.send(f"accepted {key}")
                if self.features.get("done") == "1":
                    break
        if self.features.get("ping") != "1":
            raise ProtocolError(f"{self.name}: feature ping=1 missing")
        self.usermove = self.features.get("usermove") == "1"
        if self.features.get("myname"):
            self.name = self.features["myname"]

    def move(self, text):
        self.send(f"usermove {text}" if self.usermove else text)

    def sync(self, seconds=10):
        """ping/pong; returns the moves that the engine sent before the pong."""
        self.ping += 1
        self.send(f"ping {self.ping}")
        deadline = time.monotonic() + seconds
        moves = []
        while True:
            line = self.read(deadline)
            if not line and time.monotonic() >= deadline:
                raise ProtocolError(f"{self.name}: no pong {self.ping}")
            if line == f"pong {self.ping}":
                return moves
            if line.startswith("move "):
                moves.append(line.split()[1])
            check_error(self, line)


def check_error(engine, line):
    # "result" is sent after the game; an engine that does not know it loses nothing.
    if line.startswith("Error") and line.endswith(": result"):
        return
    if line.startswith("Error") or line.startswith("Illegal move") or line.startswith("tellusererror"):
        raise ProtocolError(f"{engine.name}: {line}")


# ---- One game ----------------------------------------------------------------------------

class Game:
    def __init__(self, white, black, args, rng):
        self.e = {True: white, False: black}
        self.args = args
        self.rng = rng
        self.board = Board()
        self.history = [self.board.copy()]
        self.moves = []
        self.clock = {True: args.base, False: args.base}
        self.takebacks = 0
        self.takeback_plies = set(rng.sample(range(6, 60), args.takebacks)) if args.takebacks else set()

    def play(self):
        for e in self.e.values():
            e.send("new")
            e.send("force")
            e.send(f"level 0 {int(self.args.base // 60)}:{int(self.args.base % 60):02d} {self.args.inc:g}")
            e.send("post")
            e.force = True
            e.sync()
        while True:
            result = self.game_over()
            if result:
                return result
            if len(self.moves) in self.takeback_plies:
                self.takeback_plies.discard(len(self.moves))
                self.take_back()
                continue
            result = self.turn()
            if result:
                return result

    def game_over(self):
        over = self.board.outcome()
        if over:
            return over
        if len(self.moves) >= self.args.max_plies:
            return ("1/2-1/2", "adjudicated")
        return None

    def turn(self):
        side = self.board.white
        mover, other = self.e[side], self.e[not side]
        cs = lambda s: max(1, int(self.clock[s] * 100))
        mover.send(f"time {cs(side)}")
        mover.send(f"otim {cs(not side)}")
        started = time.monotonic()
        if mover.force:
            mover.send("go")
            mover.force = False
        elif self.moves:
            mover.move(self.moves[-1])
        else:
            mover.send("go")
        deadline = started + self.clock[side] + 5
        while True:
            line = mover.read(deadline)
            if not line and time.monotonic() >= deadline:
                return ("0-1" if side else "1-0", f"{mover.name} lost on time (no move)")
            check_error(mover, line)
            if line.startswith("move "):
                text = line.split()[1]
                break
        used = time.monotonic() - started
        self.clock[side] -= used
        if self.clock[side] < 0:
            return ("0-1" if side else "1-0", f"{mover.name} lost on time ({-self.clock[side]:.2f} s over)")
        self.clock[side] += self.args.inc
        m = self.board.parse(text.lower())
        if m is None:
            raise ProtocolError(f"{mover.name}: illegal move {text} after {' '.join(self.moves)}")
        self.push(text, m)
        if other.force:
            other.move(text)
        return None

    def push(self, text, m):
        self.board.play(m)
        self.history.append(self.board.copy())
        self.moves.append(text)

    def pop(self, plies):
        del self.moves[-plies:]
        del self.history[-plies:]
        self.board = self.history[-1].copy()

    def take_back(self):
        """Before the side to move has been asked for its move: the last mover waits for its
        opponent, the side to move has not yet seen the last move (it is forwarded in turn())
        unless it is in force mode."""
        side = self.board.white
        mover, last = self.e[side], self.e[not side]
        self.takebacks += 1
        if self.rng.random() < 0.5 and not mover.force and not last.force and len(self.moves) >= 2:
            # The GUI's "retract move": remove to the engine that just moved; the other one has not
            # seen that move and takes back only its own.
            last.send("remove")
            last.sync()
            mover.send("force")
            mover.send("undo")
            mover.sync()
            mover.force = True
            self.pop(2)
            return
        # Interrupt a search: the side to move starts thinking, then gets "force" and must stop
        # without moving. A move sent before "force" arrived is taken back too.
        if mover.force:
            mover.send("go")
        else:
            mover.move(self.moves[-1])
        time.sleep(self.rng.uniform(0.05, 0.4))
        mover.send("force")
        extra = mover.sync()
        for text in extra:
            m = self.board.parse(text.lower())
            if m is None:
                raise ProtocolError(f"{mover.name}: illegal move {text} after {' '.join(self.moves)}")
            self.push(text, m)
        plies = min(len(extra) + self.rng.choice((1, 2)), len(self.moves))
        # The side that was thinking has seen every move; the other one all but the extra ones.
        for _ in range(plies):
            mover.send("undo")
        last.send("force")
        for _ in range(max(0, plies - len(extra))):
            last.send("undo")
        if plies < len(extra):
            raise ProtocolError("takeback shorter than the moves sent after force")
        mover.sync()
        last.sync()
        mover.force = last.force = True
        self.pop(plies)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("engines", nargs="+")
    ap.add_argument("--games", type=int, default=2)
    ap.add_argument("--base", type=float, default=30.0, help="seconds per game per side")
    ap.add_argument("--inc", type=float, default=0.3)
    ap.add_argument("--takebacks", type=int, default=3, help="takebacks per game")
    ap.add_argument("--max-plies", type=int, default=300)
    ap.add_argument("--seed", type=int, default=1)
    args = ap.parse_args()
    commands = args.engines if len(args.engines) > 1 else args.engines * 2
    rng = random.Random(args.seed)
    engines = [Player(c) for c in commands[:2]]
    failures = 0
    score = [0.0, 0.0]
    takebacks = 0
    try:
        for e in engines:
            e.start()
        for g in range(args.games):
            white, black = (engines[0], engines[1]) if g % 2 == 0 else (engines[1], engines[0])
            game = Game(white, black, args, rng)
            try:
                result, reason = game.play()
            except ProtocolError as err:
                result, reason = "*", f"PROTOCOL ERROR: {err}"
                failures += 1
            if "lost on time" in reason:
                failures += 1
            takebacks += game.takebacks
            for e in engines:
                e.send(f"result {result} {{{reason}}}")
            if result == "1-0":
                score[engines.index(white)] += 1
            elif result == "0-1":
                score[engines.index(black)] += 1
            elif result == "1/2-1/2":
                score[0] += 0.5
                score[1] += 0.5
            print(f"game {g + 1}: {white.name} - {black.name} {result} {{{reason}}} "
                  f"{len(game.moves)} plies, {game.takebacks} takebacks: {' '.join(game.moves)}", flush=True)
    finally:
        for e in engines:
            e.quit()
    print(f"score {engines[0].name} {score[0]} - {score[1]} {engines[1].name}; takebacks {takebacks}; "
          f"failures {failures}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
