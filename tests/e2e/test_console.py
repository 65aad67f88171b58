#!/usr/bin/env python3
"""Console play over pipes: the greeting, moves answered by the engine at a fixed depth, an
illegal move refused with the position unchanged, quit, the end of input, and a self-played
ending that finishes with an announcement."""

import os
import re
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from driver_harness import Checks, Engine, MOVE_LINE, replay_is_legal  # noqa: E402

RANK_LINE = re.compile(r"^([1-8])  ((?:[-PNBRQKpnbrqk] ){8}) [1-8]$")


def read_diagram(eng, checks, what):
    """Reads the next board diagram; returns its eight rank lines (rank 8 first) or None."""
    ranks = []
    m, got = eng.expect(r"^8  ", 20)
    if not checks.check(m is not None, f"{what}: no board diagram", got):
        return None
    ranks.append(got[-1])
    for _ in range(7):
        m, got = eng.expect(RANK_LINE.pattern, 5)
        if m is None:
            break
        ranks.append(got[-1])
    checks.check(len(ranks) == 8, f"{what}: diagram incomplete", ranks)
    return ranks


def game(binary, checks):
    eng = Engine(binary, ["-fd", "3"])
    eng.send("hello")  # the first word only tells the protocol
    m, got = eng.expect(r"^Hello! I am Orvo$")
    checks.check(m is not None, "console greeting", got)
    m, got = eng.expect(r"^MAXDEPTH = 3$")
    checks.check(m is not None, "MAXDEPTH line shows the fixed depth", got)
    start = read_diagram(eng, checks, "greeting")
    checks.check(start is not None and start[0].startswith("8  r n b q k b n r"), "start diagram", start)
    m, got = eng.expect(r"^Enter Move: $")
    checks.check(m is not None, "first prompt", got)

    moves = []
    for mine in ["e2e4", "d2d4"]:
        eng.send(mine)
        moves.append(mine)
        m, got = eng.expect(MOVE_LINE, 30)
        if not checks.check(m is not None, f"engine answers {mine}", got):
            break
        moves.append(m.group(2))
        m, got = eng.expect(r"^Game Score -?\d+$")
        checks.check(m is not None, "Game Score line after the engine's move", got)
        eng.expect(r"^Enter Move: $")
    checks.check(replay_is_legal(binary, moves), f"the game's moves are legal: {moves}")

    # A move White cannot make now: refused, and the position is the same as before it.
    eng.send("displayboard")
    before = read_diagram(eng, checks, "before the illegal move")
    eng.send("e2e4")
    m, got = eng.expect(r"^Illegal move: e2e4$")
    checks.check(m is not None, "an illegal move is refused", got)
    eng.send("displayboard")
    after = read_diagram(eng, checks, "after the illegal move")
    checks.check(before == after and before is not None, "the refused move changed nothing", (before or []) + (after or []))

    eng.send("quit")
    m, got = eng.expect(r"^Bye, Thanks for the match\.$", 10)
    checks.check(m is not None, "quit says goodbye", got)
    checks.check(eng.wait(10) == 0, "quit ends the program with status 0")


def end_of_input(binary, checks):
    """Closing standard input in the middle of a game ends the process."""
    eng = Engine(binary, ["-fd", "2"])
    eng.send("hello")
    eng.send("e2e4")
    eng.expect(MOVE_LINE, 30)
    eng.close_input()
    checks.check(eng.wait(10) == 0, "end of input ends the console game")


def clock_and_analysis(binary, checks):
    """Without options the console plays on a clock; an out-of-range depth is refused; analysis
    ends on "exit" and the game goes on, then "quit" ends the program."""
    eng = Engine(binary)
    eng.send("hello")
    m, got = eng.expect(r"40 moves in 5 minutes", 10)
    checks.check(m is not None, "console greeting names the default clock", got)
    eng.send("sd 200")
    m, got = eng.expect(r"^Error \(the depth must be 1 to 100", 10)
    checks.check(m is not None, "sd 200 refused", got)
    for bad in ("strength", "strength weak"):
        eng.send(bad)
        m, got = eng.expect(r"^Error \(strength needs a rating from \d+ to \d+, or full\): strength", 10)
        checks.check(m is not None, f"'{bad}' gets a message", got)
    for level, answer in (("1200", r"a rating of about 1200\."), ("full", r"full strength\.")):
        eng.send("strength " + level)
        m, got = eng.expect(r"^The engine plays at " + answer + "$", 10)
        checks.check(m is not None, f"strength {level} is confirmed", got)
    eng.send("analyze")
    m, got = eng.expect(r"^\d+ -?\d+ \d+ \d+ ", 20)
    checks.check(m is not None, "console analysis shows its thinking", got)
    eng.send("exit")
    m, got = eng.expect(r"^Enter Move: $", 10)
    checks.check(m is not None, "exit ends the console analysis", got)
    eng.send("quit")
    checks.check(eng.wait(10) == 0, "quit after the analysis")


def self_play_ending(binary, checks):
    """King and queen against king, engine playing both sides: the game ends by itself with an
    announcement, then the program ends."""
    workdir = tempfile.mkdtemp(prefix="orvo_e2e_")
    with open(os.path.join(workdir, "kqk.fen"), "w") as f:
        f.write("8/8/8/4k3/8/8/3QK3/8 w - - 0 1\n")
    eng = Engine(binary, ["-sp", "-fd", "3", "-lpf", "kqk.fen"], cwd=workdir)
    eng.send("hello")
    m, got = eng.expect(r"^(White mates!|Black mates!|Stalemate|1/2-1/2 \{Draw by (50 Move Rule|repetition|insufficient material)\})$", 120)
    checks.check(m is not None, "self play ends with an announcement", got)
    m, got = eng.expect(r"^Bye, Thanks for the match\.$", 30)
    checks.check(m is not None, "the program ends after the game", got)
    checks.check(eng.wait(10) == 0, "exit status 0 after the game")
    moves = [mm.group(2) for mm in (re.match(MOVE_LINE, line) for line in eng.seen) if mm]
    checks.check(len(moves) > 0 and replay_is_legal(binary, moves, "8/8/8/4k3/8/8/3QK3/8 w - - 0 1"),
                 f"self-play moves are legal ({len(moves)} moves)")


def main():
    binary = sys.argv[1]
    checks = Checks()
    game(binary, checks)
    end_of_input(binary, checks)
    clock_and_analysis(binary, checks)
    self_play_ending(binary, checks)
    return checks.report("test_console")


if __name__ == "__main__":
    sys.exit(main())
