#!/usr/bin/env python3
"""The review of saved games (orvo -annotate): a hung queen is marked ?? with a better line, a
mate in the main line shows as #N and #0, the output holds nothing but PGN and reads back in
pgn-extract and python-chess (each skipped when missing) with the same moves and no complaint, a
review at a fixed depth repeats exactly, -o never writes over the file read nor over an existing
file without -force, and a file that cannot be read or holds no game is one line and status 1."""

import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness.checks import Checks  # noqa: E402

CHECKS = Checks("test_annotate")
check = CHECKS.check
DEPTH = "6"

GAMES = """[Event "Hung queen"]
[Site "Club"]
[Date "2024.05.06"]
[Round "1"]
[White "Ann"]
[Black "Bob"]
[Result "1-0"]

1. e4 e5 2. Nf3 Qg5 3. Nxg5 Nc6 1-0

[Event "Scholar's mate"]
[White "Carl"]
[Black "Dora"]
[Result "1-0"]

1. e4 e5 2. Bc4 Nc6 3. Qh5 Nf6 4. Qxf7# 1-0

[Event "Study"]
[White "Eve"]
[Black "Finn"]
[Result "*"]
[SetUp "1"]
[FEN "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 5 12"]

{A set-up start} 12... Nf6 $1 {the main move} (12... d6 {solid} (12... f6 13. Nxe5)
13. d4) 13. Nc3 ; a quiet move
Bc5 14. Nxe5 *
"""


def run(binary, args, cwd, stdin=b""):
    proc = subprocess.run([binary] + args, input=stdin, stdout=subprocess.PIPE, stderr=subprocess.PIPE, cwd=cwd,
                          timeout=300)
    return proc.returncode, proc.stdout.decode(errors="replace"), proc.stderr.decode(errors="replace")


def movetext(pgn, event):
    """The movetext of the game with this Event, on one line."""
    games = pgn.split("[Event ")
    game = next((g for g in games if g.startswith(f'"{event}"')), "")
    return " ".join(game.split("\n\n", 1)[1].split()) if "\n\n" in game else ""


def reviewed(binary, work):
    source = os.path.join(work, "games.pgn")
    code, out, err = run(binary, ["-annotate", source, "-fd", DEPTH], work)
    check(f"the review exits with 0 (got {code})", code == 0, err.splitlines())
    check("standard output is PGN from its first line", out.startswith('[Event "Hung queen"]'), out[:200])
    check("three games written, each signed", out.count('[Annotator "Orvo ') == 3, out)
    check("progress on standard error, a line per game", err.splitlines()[-3:] ==
          ["game 1/3, move 6/6", "game 2/3, move 7/7", "game 3/3, move 4/4"], err.splitlines())

    hung = movetext(out, "Hung queen")
    check("the hung queen is a blunder with the engine's line instead", re.search(r"2\.\.\. Qg5\?\? \{\[%eval [0-9.]+\]\} "
          r"\(2\.\.\. [A-Za-z][^()]* 3\. [^()]*\)", hung) is not None, hung)
    check("every move has its evaluation", hung.count("[%eval ") == 6, hung)
    check("the closing comment counts the marks", re.search(r"\{White: \d+ inaccurac(y|ies), \d+ mistakes?, 0 blunders, "
          r"average loss \d+\.\d%; Black: \d+ inaccurac(y|ies), \d+ mistakes?, 1 blunder, average loss \d+\.\d%\} 1-0$",
          hung) is not None, hung)
    mate = movetext(out, "Scholar's mate")
    check("the move that allows mate shows the mate to come", "3... Nf6?? {[%eval #1]}" in mate, mate)
    check("the mating move shows #0", "4. Qxf7# {[%eval #0]}" in mate, mate)
    study = movetext(out, "Study")
    check("the game's own notes stay", study.startswith("{A set-up start} 12... Nf6! {[%eval ") and
          "{the main move} (12... d6 {solid} (12... f6 13. Nxe5) 13. d4) 13. Nc3" in study and
          "{a quiet move}" in study, study)
    check("lines stay below 80 columns", all(len(line) < 80 for line in out.splitlines()), out)
    return out


def read_back(work, out, root):
    path = os.path.join(work, "reviewed.pgn")
    with open(path, "w") as f:
        f.write(out)
    sys.path.insert(0, os.path.normpath(os.path.join(root, "..", "shared", "python-chess")))
    try:
        import chess.pgn
    except ImportError:
        print("skipped: python-chess reading the review (python-chess not found)")
        chess = None
    expected = []
    if chess:
        with open(os.path.join(work, "games.pgn")) as f:
            while (game := chess.pgn.read_game(f)) is not None:
                expected.append([m.uci() for m in game.mainline_moves()])
        got, errors, evals = [], [], []
        with open(path) as f:
            while (game := chess.pgn.read_game(f)) is not None:
                got.append([m.uci() for m in game.mainline_moves()])
                errors += game.errors
                evals.append([node.eval() for node in game.mainline()])
        check("python-chess reads the review without errors", errors == [], errors)
        check("python-chess finds the same moves", got == expected, (got, expected))
        check("python-chess reads every evaluation", all(e is not None for game in evals for e in game), evals)
        check("python-chess reads the mate after the mating move", evals[1][-1] is not None and evals[1][-1].is_mate(),
              evals[1])

    pgn_extract = shutil.which("pgn-extract") or next(
        (p for p in ("/usr/games/pgn-extract", "/usr/bin/pgn-extract") if os.path.exists(p)), None)
    if not pgn_extract:
        print("skipped: pgn-extract reading the review (pgn-extract not installed)")
        return
    proc = subprocess.run([pgn_extract, "-s", "-Wuci", "-C", "-N", "-V", "--noresults", "-w", "10000", path],
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
    err = proc.stderr.decode(errors="replace")
    check("pgn-extract reads the review without a complaint", proc.returncode == 0 and err.strip() == "", err)
    lines = [line.split() for line in proc.stdout.decode().splitlines() if line and not line.startswith("[")]
    if chess:
        check("pgn-extract finds the same moves", lines == expected, (lines, expected))


def files_and_failures(binary, work, first):
    source = os.path.join(work, "games.pgn")
    code, again, _ = run(binary, ["-annotate", source, "-fd", DEPTH], work)
    check("the same review twice gives the same text", code == 0 and again == first)

    code, out, err = run(binary, ["-fd", DEPTH, "-annotate", "-"], work, stdin=open(source, "rb").read())
    check("- reads the games from standard input", code == 0 and out == first, err)

    before = open(source).read()
    code, out, err = run(binary, ["-annotate", source, "-o", os.path.join(work, ".", "games.pgn"), "-force"], work)
    check("-o naming the file read is refused, -force or not", code == 1 and out == "" and
          "it is the file being reviewed" in err and open(source).read() == before, err)
    target = os.path.join(work, "out.pgn")
    code, out, err = run(binary, ["-annotate", source, "-fd", DEPTH, "-o", target], work)
    check("-o writes the review into a new file, nothing on standard output",
          code == 0 and out == "" and open(target).read() == first, err)
    code, out, err = run(binary, ["-annotate", source, "-fd", DEPTH, "-o", target], work)
    check("an existing -o file is refused", code == 1 and "-force" in err, err)
    code, out, err = run(binary, ["-annotate", source, "-fd", DEPTH, "-o", target, "-force"], work)
    check("-force writes over it", code == 0 and open(target).read() == first, err)

    broken = os.path.join(work, "broken.pgn")
    with open(broken, "w") as f:
        f.write(GAMES.replace("3. Nxg5 Nc6", "3. Qxe5 Nc6"))
    code, out, err = run(binary, ["-annotate", broken, "-fd", "2"], work)
    check("a broken game is named and skipped, the others written, status 1",
          code == 1 and out.count("[Event ") == 2 and "game 1 (Ann - Bob): illegal move 3. Qxe5" in err, err)

    empty = os.path.join(work, "empty.pgn")
    with open(empty, "w") as f:
        f.write("% nothing but an escape line\n\n")
    for name, path, reason in (("a missing file", os.path.join(work, "missing.pgn"), "cannot be read"),
                               ("a folder", work, "is a folder"), ("a file without games", empty, "holds no game")):
        code, out, err = run(binary, ["-annotate", path], work)
        check(f"{name}: one line, status 1", code == 1 and out == "" and len(err.splitlines()) == 1 and reason in err,
              (code, out, err))


def main():
    binary = os.path.abspath(sys.argv[1])
    root = os.path.abspath(sys.argv[2]) if len(sys.argv) > 2 else os.path.join(os.path.dirname(__file__), "..", "..")
    work = tempfile.mkdtemp(prefix="orvo_annotate_")
    with open(os.path.join(work, "games.pgn"), "w") as f:
        f.write(GAMES)
    out = reviewed(binary, work)
    read_back(work, out, root)
    files_and_failures(binary, work, out)
    return CHECKS.report()


if __name__ == "__main__":
    sys.exit(main())
