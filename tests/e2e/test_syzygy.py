#!/usr/bin/env python3
"""Syzygy endgame tables from ../shared/syzygy (skipped when the tables, or a build that reads them,
are missing). The move the engine plays in a dozen table positions keeps the result the `fathom`
tool gives (skipped without fathom or python-chess, which writes the moves as fathom does); won and
drawn positions show the tables' score; the fifty-move rule turns a win too slow for it into a
draw; no probe with castling rights; the engine plays on after <empty> and after a missing folder;
two threads with tables; xboard's egtpath; a folder with the WDL tables alone still filters."""

import os
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness.checks import Checks  # noqa: E402
from harness.engine import Engine, xboard_move  # noqa: E402

CHECKS = Checks("test_syzygy")
check = CHECKS.check
FATHOM = "/usr/games/fathom"

# Wins, draws and losses, either side to move; an en passant capture and a promotion among them.
POSITIONS = [
    "8/8/8/8/8/3k4/8/3KQ3 w - - 0 1",          # KQ v K: three queen moves only draw
    "8/8/8/4k3/8/8/8/R3K3 w - - 0 1",          # KR v K
    "8/8/8/4k3/8/8/8/3KBN2 w - - 0 1",         # KBN v K
    "8/8/4k3/8/4K3/4P3/8/8 w - - 0 1",         # KP v K, drawn
    "8/8/4k3/8/8/4K3/4P3/8 b - - 0 1",         # KP v K: only Ke5 draws
    "8/8/8/3k4/8/8/2r5/K2Q4 b - - 0 1",        # KR v KQ, lost
    "8/4p3/8/4k3/8/8/8/4K3 b - - 0 1",         # KP v K won by Black
    "3q4/8/8/3k4/8/8/3K4/3Q4 w - - 0 1",       # KQ v KQ: only king moves win
    "8/4P3/8/8/8/2k5/8/4K3 w - - 0 1",         # e8=N and e8=B only draw
    "8/8/8/8/8/3K4/8/3kq3 w - - 0 1",          # K v KQ, lost
    "8/8/8/8/4pP2/8/8/K6k b - f3 0 1",         # exf3 en passant among the wins
    "1k6/8/1K6/8/8/8/8/7R b - - 0 1",          # lost for Black
]


def referee(tables, fen):
    """fathom's verdict: (result, winning moves, drawing moves) in its algebraic notation."""
    out = subprocess.run([FATHOM, f"--path={tables}", fen], capture_output=True, text=True, timeout=60).stdout
    tag = lambda name: (re.search(rf'^\[{name} "(.*)"\]', out, re.M) or [None, ""])[1]
    moves = lambda name: set(m.strip() for m in tag(name).split(",") if m.strip())
    return tag("WDL"), moves("WinningMoves"), moves("DrawingMoves")


def san_of(chess, fen, move):
    """The move in fathom's notation: algebraic, without check marks."""
    return chess.Board(fen).san(chess.Move.from_uci(move)).rstrip("+#") if move else None


def last_score(lines):
    """("cp"|"mate", value, tbhits) of the last info line with a score."""
    for line in reversed(lines or []):
        m = re.search(r"score (cp|mate) (-?\d+).* tbhits (\d+)", line)
        if m:
            return m[1], int(m[2]), int(m[3])
    return None, 0, 0


def search(eng, fen, go="go depth 8", timeout=60):
    """The bestmove and the last scored info line's (kind, value, tbhits) for fen."""
    eng.send(f"position fen {fen}")
    eng.send(go)
    lines = eng.until("bestmove", timeout) or []
    words = lines[-1].split() if lines else []
    return (words[1] if len(words) > 1 else None), last_score(lines)


def won(score):
    return (score[0] == "cp" and score[1] >= 10000) or (score[0] == "mate" and score[1] > 0)


def keeps_the_result(binary, tables, chess):
    eng = Engine([binary])
    eng.uci({"SyzygyPath": tables})
    for fen in POSITIONS:
        result, winning, drawing = referee(tables, fen)
        move, score = search(eng, fen)
        san = san_of(chess, fen, move)
        expected = {"Win": winning, "Draw": drawing}.get(result)
        check(f"{fen}: {san} keeps the {result}", san is not None and (expected is None or san in expected),
              (result, winning, drawing, san))
        shown = {"Win": won(score), "Draw": score[:2] == ("cp", 0),
                 "Loss": (score[0] == "cp" and score[1] <= -10000) or (score[0] == "mate" and score[1] < 0)}
        check(f"{fen}: the score shows the {result}", shown.get(result, False), score)
    eng.quit()


def rules_and_settings(binary, tables):
    eng = Engine([binary])
    eng.uci({"SyzygyPath": tables})
    # Mate takes 9 plies: past the 100th of the fifty-move count the rule has drawn the game.
    slow = "8/8/8/8/8/3k4/8/3KQ3 w - - 95 60"
    _, score = search(eng, slow)
    check("a win the fifty-move rule takes away is a draw", score[:2] == ("cp", 0), score)
    eng.send("setoption name Syzygy50MoveRule value false")
    _, score = search(eng, slow)
    check("... and a win when the rule does not count", won(score), score)
    eng.send("setoption name Syzygy50MoveRule value true")
    _, score = search(eng, "4k3/8/8/8/8/8/8/R3K3 w Q - 0 1")
    check("castling rights: the tables are not asked", score[2] == 0, score)
    _, score = search(eng, "4k3/8/8/8/8/8/8/R3K3 w - - 0 1")
    check("without them they are", score[2] > 0, score)
    # A fifth piece: the tables answer inside the tree, after captures.
    _, score = search(eng, "8/8/8/3k4/8/2n5/2r5/K2Q4 w - - 0 1", "go depth 8")
    check("a five-piece search asks the tables after captures", score[2] > 0, score)

    eng.send("setoption name SyzygyPath value <empty>")
    check("<empty> after a valid path: no tables", eng.until(lambda l: "No Syzygy tables in use" in l, 10) is not None,
          eng.got)
    move, score = search(eng, POSITIONS[0])
    check("... and the engine plays on without them", move is not None and score[2] == 0, (move, score))
    eng.send("setoption name SyzygyPath value /no/such/folder")
    check("a missing folder is one line", eng.until(lambda l: "cannot be used" in l, 10) is not None, eng.got)
    move, score = search(eng, POSITIONS[0])
    check("... and the engine plays on", move is not None and score[2] == 0, (move, score))
    eng.quit()


def two_threads(binary, tables, chess):
    eng = Engine([binary])
    eng.uci({"SyzygyPath": tables, "Threads": 2})
    fen = POSITIONS[7]
    _, winning, _ = referee(tables, fen)
    move, score = search(eng, fen, "go movetime 500")
    san = san_of(chess, fen, move)
    check("two threads: the move keeps the win", san in winning, (san, winning))
    check("two threads: table hits counted", score[2] > 0, score)
    eng.quit()


def xboard_egtpath(binary, tables, chess):
    eng = Engine([binary])
    eng.send("xboard")
    eng.send("protover 2")
    lines = eng.until(lambda l: "done=1" in l, 10) or []
    check("xboard: feature egt=\"syzygy\"", any('egt="syzygy"' in l for l in lines), lines)
    eng.send(f"egtpath syzygy {tables}")
    check("xboard: egtpath loads the tables (a comment)",
          eng.until(lambda l: l.startswith("# Found 70 tables"), 10) is not None, eng.got)
    fen = POSITIONS[2]
    eng.send("new")
    eng.send("force")
    eng.send(f"setboard {fen}")
    eng.send("st 1")
    eng.send("go")
    lines = eng.until(lambda l: xboard_move(l) is not None, 30)
    move = xboard_move(lines[-1]) if lines else None
    _, winning, _ = referee(tables, fen)
    san = san_of(chess, fen, move)
    check("xboard: the move keeps the win", san in winning, (san, lines))
    eng.quit()


def wdl_only(binary, tables, chess):
    folder = tempfile.mkdtemp(prefix="orvo_wdl_")
    for name in os.listdir(tables):
        if name.endswith(".rtbw"):
            os.symlink(os.path.join(tables, name), os.path.join(folder, name))
    eng = Engine([binary])
    eng.uci({"SyzygyPath": folder})
    fen = POSITIONS[0]
    _, winning, _ = referee(tables, fen)
    move, score = search(eng, fen)
    san = san_of(chess, fen, move)
    check("WDL tables alone: the move keeps the win", san in winning, (san, winning))
    check("WDL tables alone: the score shows it", won(score), score)
    eng.quit()


def main():
    binary = os.path.abspath(sys.argv[1])
    root = os.path.abspath(sys.argv[2]) if len(sys.argv) > 2 else os.path.join(os.path.dirname(__file__), "..", "..")
    tables = os.path.normpath(os.path.join(root, "..", "shared", "syzygy"))
    if not os.path.exists(os.path.join(tables, "KQvK.rtbw")):
        print(f"skipped: no Syzygy tables in {tables}")
        return 0
    probe = Engine([binary])
    probe.uci({"SyzygyPath": tables})
    loaded = any("Found 70 tables, up to 4 pieces" in l for l in probe.seen)
    probe.quit()
    if not loaded:
        print("skipped: this build reads no Syzygy tables (libfathom-dev not installed)")
        return 0
    rules_and_settings(binary, tables)
    sys.path.insert(0, os.path.normpath(os.path.join(root, "..", "shared", "python-chess")))
    try:
        import chess  # noqa: E402
    except ImportError:
        chess = None
    if chess is None or not os.path.exists(FATHOM):
        print("skipped: the moves against fathom (fathom or python-chess missing)")
    else:
        keeps_the_result(binary, tables, chess)
        two_threads(binary, tables, chess)
        xboard_egtpath(binary, tables, chess)
        wdl_only(binary, tables, chess)
    return CHECKS.report()


if __name__ == "__main__":
    sys.exit(main())
