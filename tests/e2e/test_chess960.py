#!/usr/bin/env python3
"""Chess960 over UCI: UCI_Chess960 switches castling between the king's two-square step and the
king taking its own rook, and a word of the other mode is refused with the position kept; go
perft counts a Chess960 position; a short game from a Chess960 start, every move and every
variation checked by python-chess's rules (skipped without python-chess)."""

import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness.checks import Checks  # noqa: E402
from harness.engine import Engine  # noqa: E402

CHECKS = Checks("test_chess960")
check = CHECKS.check
OPENING = "position startpos moves e2e4 e7e5 g1f3 b8c6 f1c4 g8f6"


def fen_after(eng, command):
    """The FEN "d" shows after command, and the info strings the command caused."""
    eng.send(command)
    eng.send("d")
    lines = eng.until("Fen: ", 10) or []
    return (lines[-1][5:] if lines else None), [l for l in lines if l.startswith("info string")]


def castling_words(binary):
    eng = Engine([binary])
    eng.uci()
    fen, said = fen_after(eng, OPENING + " e1g1")
    check("standard: e1g1 castles", fen and fen.startswith("r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQ1RK1 b kq"),
          (fen, said))
    fen, said = fen_after(eng, OPENING + " e1h1")
    check("standard: e1h1 is refused and the moves before it stand",
          bool(said) and "e1h1" in said[0] and fen and fen.endswith("w KQkq - 4 4"), (fen, said))
    eng.send("setoption name UCI_Chess960 value true")
    fen, said = fen_after(eng, OPENING + " e1h1")
    check("Chess960: e1h1 castles, rights written as rook files",
          fen and fen.startswith("r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQ1RK1 b ha"), (fen, said))
    fen, said = fen_after(eng, OPENING + " e1g1")
    check("Chess960: e1g1 is refused", bool(said) and "e1g1" in said[0] and fen and fen.endswith("w HAha - 4 4"),
          (fen, said))
    eng.send("position fen 2nnrbkr/p1qppppp/8/1ppb4/6PP/3PP3/PPP2P2/BQNNRBKR w HEhe - 1 9")
    eng.send("go perft 3")
    lines = eng.until("Nodes searched", 30) or []
    check("Chess960 perft 3", bool(lines) and lines[-1] == "Nodes searched: 18002", lines[-3:])
    eng.quit()


def short_game(binary, chess):
    """Twelve plies from start 4 (with its king on b1 beside a rook), the engine playing both sides."""
    board = chess.Board.from_chess960_pos(4)
    start = board.fen()
    eng = Engine([binary])
    eng.uci({"UCI_Chess960": "true"})
    moves = []
    for _ in range(12):
        eng.send(f"position fen {start} moves {' '.join(moves)}".rstrip())
        eng.send("go depth 5")
        lines = eng.until("bestmove", 30) or []
        move = lines[-1].split()[1] if lines else None
        pv = next((re.search(r" pv (.*)", l)[1] for l in reversed(lines) if " pv " in l), "")
        line_board = board.copy()
        try:
            for word in pv.split():
                line_board.push_uci(word)
            ok = chess.Move.from_uci(move) in board.legal_moves
        except ValueError:
            ok = False
        if not check(f"move {len(moves) + 1} and its variation are legal", ok, (move, pv, board.fen())):
            break
        board.push_uci(move)
        moves.append(move)
    eng.quit()


def main():
    binary = os.path.abspath(sys.argv[1])
    root = os.path.abspath(sys.argv[2]) if len(sys.argv) > 2 else os.path.join(os.path.dirname(__file__), "..", "..")
    castling_words(binary)
    sys.path.insert(0, os.path.normpath(os.path.join(root, "..", "shared", "python-chess")))
    try:
        import chess
    except ImportError:
        print("skipped: the game checked by python-chess (python-chess not found)")
        return CHECKS.report()
    short_game(binary, chess)
    return CHECKS.report()


if __name__ == "__main__":
    sys.exit(main())
