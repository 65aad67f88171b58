#!/usr/bin/env python3
"""Complete self-play games through the engine built with a sanitizer (AddressSanitizer and
UndefinedBehaviorSanitizer, or ThreadSanitizer), at a fast clock: one engine plays both sides over
UCI, another over xboard. Every move is checked against an independent implementation of the
rules, and a sanitizer report (or any crash) fails the test. "--threads N" makes the games with
pondering and over xboard search with N threads; "--all-threads" every game. With the Syzygy
tables beside the project, a UCI game from a five-piece ending reads them at the root and in the
tree."""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from harness.board import Board  # noqa: E402
from harness.checks import Checks  # noqa: E402
from harness.engine import Engine, xboard_move  # noqa: E402

MAX_PLIES = 120  # a long game; shuffling endings end on the fifty-move rule or here
CHECKS = Checks("sanitizer games")
check = CHECKS.check


def game_over(board):
    return not board.legal_moves() or board.half >= 100


def sanitizer_report(line):
    return "Sanitizer" in line or "runtime error" in line


def uci_game(binary, ponder, threads=1, fen=None, tables=None):
    engine = Engine([binary])
    engine.send("uci")
    engine.until("uciok")
    if ponder:
        engine.send("setoption name Ponder value true")
    engine.send(f"setoption name Threads value {threads}")
    if tables:
        engine.send(f"setoption name SyzygyPath value {tables}")
    engine.send("ucinewgame")
    board, moves = (Board(fen) if fen else Board()), []
    start = f"position fen {fen}" if fen else "position startpos"
    clock = [1000, 1000]
    while len(moves) < MAX_PLIES and not game_over(board):
        engine.send(start + " moves " + " ".join(moves) if moves else start)
        move = engine.bestmove(f"go wtime {clock[0]} btime {clock[1]} winc 10 binc 10", timeout=30)
        if move not in board.legal_moves():
            check(f"UCI game{' with ponder' if ponder else ''}: move {len(moves) + 1} is legal", False,
                  f"{move} after {' '.join(moves)}")
            break
        moves.append(move)
        board.play(move)
    else:
        check(f"UCI game{' with ponder' if ponder else ''}: {len(moves)} legal moves", True)
    code = engine.quit()
    check(f"UCI game{' with ponder' if ponder else ''}: clean exit", code == 0, f"exit code {code}")


def next_move(engine, timeout=30):
    """The engine's next move, "end" when it announced the end of the game (a repetition, say), or
    None when it sent neither (or a sanitizer report) in time."""
    while True:
        line = engine.line(timeout)
        if line is None or sanitizer_report(line):
            return None
        if xboard_move(line):
            return xboard_move(line)
        if line.startswith(("1-0", "0-1", "1/2-1/2")) or "mates!" in line or line == "Stalemate":
            return "end"


def xboard_game(binary, threads=1):
    """The engine in xboard mode playing both sides (it moves after every "go")."""
    engine = Engine([binary], stderr_to_stdout=True)
    for line in ("xboard", "protover 2", f"cores {threads}", "new", "post", "level 0 0:02 0", "time 200",
                 "otim 1e99", "force"):
        engine.send(line)
    board, moves, legal = Board(), [], True
    while len(moves) < MAX_PLIES and not game_over(board):
        engine.send("go")
        move = next_move(engine)
        if move == "end":
            break
        if move is None or move not in board.legal_moves():
            legal = check(f"xboard game: move {len(moves) + 1} is legal", False, f"{move} after {' '.join(moves)}")
            break
        engine.send("force")  # the engine plays the other side as well: it moves after each go
        moves.append(move)
        board.play(move)
        engine.send("time 200")
    if legal:
        check(f"xboard game: {len(moves)} legal moves", True)
    code = engine.quit(20)
    engine.until(lambda line: False, 5)  # the rest of the output, up to its end
    reports = [line for line in engine.seen if sanitizer_report(line)]
    check("xboard game: clean exit, no sanitizer report", code == 0 and not reports, (code, reports[:3]))


def main():
    binary = os.path.abspath(sys.argv[1])
    threads = int(sys.argv[sys.argv.index("--threads") + 1]) if "--threads" in sys.argv else 1
    uci_game(binary, ponder=False, threads=threads if "--all-threads" in sys.argv else 1)
    uci_game(binary, ponder=True, threads=threads)
    xboard_game(binary, threads)
    tables = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "shared",
                                           "syzygy"))
    if os.path.exists(os.path.join(tables, "KQvKR.rtbw")):
        uci_game(binary, ponder=False, threads=threads, fen="8/8/2k5/8/2n5/2r5/8/K2Q4 w - - 0 1", tables=tables)
    else:
        print(f"skipped: the game with endgame tables (none in {tables})")
    sys.exit(CHECKS.report())


if __name__ == "__main__":
    main()
