#!/usr/bin/env python3
"""Console play over pipes: the greeting, moves answered by the engine at a fixed depth, an
illegal move refused with the position unchanged, quit, the end of input, and a self-played
ending that finishes with an announcement."""

import os
import re
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness.board import line_is_legal  # noqa: E402
from harness.checks import Checks  # noqa: E402
from harness.engine import MOVE_LINE, Engine  # noqa: E402

RANK_LINE = re.compile(r"^([1-8])  ((?:[-PNBRQKpnbrqk] ){8}) [1-8]$")


def read_diagram(eng, checks, what):
    """Reads the next board diagram; returns its eight rank lines (rank 8 first) or None."""
    ranks = []
    m = checks.expect(f"{what}: a board diagram", eng, r"^8  ", 20)
    if not m:
        return None
    ranks.append(m.string)
    for _ in range(7):
        m, got = eng.expect(RANK_LINE.pattern, 5)
        if m is None:
            break
        ranks.append(got[-1])
    checks.check(f"{what}: the whole diagram", len(ranks) == 8, ranks)
    return ranks


def game(binary, checks):
    eng = Engine([binary, "-fd", "3"], stderr_to_stdout=True, prompts=True)
    eng.send("hello")  # the first word only tells the protocol
    checks.expect("console greeting", eng, r"^Hello! I am Orvo$")
    checks.expect("MAXDEPTH line shows the fixed depth", eng, r"^MAXDEPTH = 3$")
    start = read_diagram(eng, checks, "greeting")
    checks.check("start diagram", start is not None and start[0].startswith("8  r n b q k b n r"), start)
    checks.expect("first prompt", eng, r"^Enter Move: $")

    moves = []
    for mine in ["e2e4", "d2d4"]:
        eng.send(mine)
        moves.append(mine)
        m = checks.expect(f"engine answers {mine}", eng, MOVE_LINE, 30)
        if not m:
            break
        moves.append(m.group(2))
        checks.expect("Game Score line after the engine's move", eng, r"^Game Score -?\d+$")
        eng.expect(r"^Enter Move: $")
    checks.check(f"the game's moves are legal: {moves}", line_is_legal(moves))

    # A move White cannot make now: refused, and the position is the same as before it.
    eng.send("displayboard")
    before = read_diagram(eng, checks, "before the illegal move")
    checks.answer("an illegal move is refused", eng, "e2e4", r"^Illegal move: e2e4$")
    eng.send("displayboard")
    after = read_diagram(eng, checks, "after the illegal move")
    checks.check("the refused move changed nothing", before == after and before is not None,
                 (before or []) + (after or []))

    checks.answer("quit says goodbye", eng, "quit", r"^Bye, Thanks for the match\.$", 10)
    checks.check("quit ends the program with status 0", eng.wait(10) == 0)


def end_of_input(binary, checks):
    """Closing standard input in the middle of a game ends the process."""
    eng = Engine([binary, "-fd", "2"], stderr_to_stdout=True, prompts=True)
    eng.send("hello")
    eng.send("e2e4")
    eng.expect(MOVE_LINE, 30)
    eng.close_input()
    checks.check("end of input ends the console game", eng.wait(10) == 0)


def clock_and_analysis(binary, checks):
    """Without options the console plays on a clock; an out-of-range depth is refused; analysis
    ends on "exit" and the game goes on, then "quit" ends the program."""
    eng = Engine([binary], stderr_to_stdout=True, prompts=True)
    checks.answer("console greeting names the default clock", eng, "hello", r"40 moves in 5 minutes", 10)
    checks.answer("sd 200 refused", eng, "sd 200", r"^Error \(the depth must be 1 to 100", 10)
    checks.answer("console analysis shows its thinking", eng, "analyze", r"^\d+ -?\d+ \d+ \d+ ", 20)
    checks.answer("exit ends the console analysis", eng, "exit", r"^Enter Move: $", 10)
    eng.send("quit")
    checks.check("quit after the analysis", eng.wait(10) == 0)


def self_play_ending(binary, checks):
    """King and queen against king, engine playing both sides: the game ends by itself with an
    announcement, then the program ends."""
    workdir = tempfile.mkdtemp(prefix="orvo_e2e_")
    with open(os.path.join(workdir, "kqk.fen"), "w") as f:
        f.write("8/8/8/4k3/8/8/3QK3/8 w - - 0 1\n")
    eng = Engine([binary, "-sp", "-fd", "3", "-lpf", "kqk.fen"], cwd=workdir, stderr_to_stdout=True,
                 prompts=True)
    ending = (r"^(White mates!|Black mates!|Stalemate|"
              r"1/2-1/2 \{Draw by (50 Move Rule|repetition|insufficient material)\})$")
    checks.answer("self play ends with an announcement", eng, "hello", ending, 120)
    checks.expect("the program ends after the game", eng, r"^Bye, Thanks for the match\.$", 30)
    checks.check("exit status 0 after the game", eng.wait(10) == 0)
    moves = [mm.group(2) for mm in (re.match(MOVE_LINE, line) for line in eng.seen) if mm]
    checks.check(f"self-play moves are legal ({len(moves)} moves)",
                 len(moves) > 0 and line_is_legal(moves, "8/8/8/4k3/8/8/3QK3/8 w - - 0 1"))


def main():
    binary, checks = sys.argv[1], Checks("test_console")
    for test in (game, end_of_input, clock_and_analysis, self_play_ending):
        test(binary, checks)
    return checks.report()


if __name__ == "__main__":
    sys.exit(main())
