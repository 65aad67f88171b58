#!/usr/bin/env python3
"""A malformed FEN under UCI, xboard and the console: each front end refuses it in its own one
line, and the game in progress goes on (1. e4 stays on the board)."""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness.board import START_FEN  # noqa: E402
from harness.checks import Checks  # noqa: E402
from harness.engine import Engine  # noqa: E402

CHECKS = Checks("test_fen_input")
check = CHECKS.check
PLACEMENT = START_FEN.split()[0]
AFTER_E4 = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1"


def uci(path):
    engine = Engine([path])
    engine.uci()
    engine.send("position startpos moves e2e4")
    for fields, reason in [("x KQkq - 0 1", "the side to move is not w or b"),
                           ("w XYZ - 0 1", "the castling field is not - or letters of KQkq"),
                           ("w KQkq z9 0 1", "the en passant field is not - or a square on the third or sixth rank"),
                           ("w KQkq - abc xyz", "the half-move clock is not a whole number")]:
        CHECKS.answer(f"UCI refuses '{fields}'", engine, f"position fen {PLACEMENT} {fields}",
                      rf"^info string Invalid FEN \({reason}\); the previous position is kept$", 5)
    CHECKS.answer("UCI keeps the game after the refusals", engine, "d", rf"^Fen: {AFTER_E4}$", 5)
    check("UCI quit", engine.quit() == 0)


def xboard(path):
    engine = Engine([path])
    for line in ["xboard", "protover 2", "force", "e2e4", f"setboard {PLACEMENT} w KQkq z9 0 1"]:
        engine.send(line)
    CHECKS.expect("xboard refuses the FEN", engine, r"^tellusererror Illegal position$", 5)
    # Black's reply is legal only if 1. e4 is still on the board.
    engine.send("e7e5")
    engine.send("ping 1")
    lines = engine.until("pong 1", 5)
    check("xboard keeps the game: e7e5 is played", lines is not None and not any("Illegal" in l for l in lines),
          engine.got)
    check("xboard quit", engine.quit() == 0)


def console(path):
    engine = Engine([path, "-fd", "1"], prompts=True)
    fen = f"{PLACEMENT} w KQkq - 0 xyz"
    for line in ["force", "e2e4", "setboard " + fen, "e7e5", "quit"]:
        engine.send(line)
    CHECKS.expect("the console refuses the FEN", engine,
                  rf"^Error \(the move number is not a whole number\): {fen}$", 5)
    lines = engine.until("Bye", 5)
    check("the console keeps the game: e7e5 is played",
          lines is not None and not any(l.startswith("Illegal move") for l in lines), engine.got)
    check("console quit", engine.wait() == 0)


def main():
    path = os.path.abspath(sys.argv[1])
    uci(path)
    xboard(path)
    console(path)
    sys.exit(CHECKS.report())


if __name__ == "__main__":
    main()
