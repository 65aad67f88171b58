#!/usr/bin/env python3
"""Opening books from Polyglot files: a damaged file is refused and the engine plays on; with the
book that Debian's gnuchess-book package installs (skipped when it is missing), a UCI game takes
its first moves from the book, names them in info strings only, and repeats itself exactly; a
console game announces its book moves."""

import os
import re
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness.checks import Checks  # noqa: E402
from harness.engine import Engine  # noqa: E402

DEBIAN_BOOK = "/usr/share/games/gnuchess/book.bin"
UCI_LINE_STARTS = ("id ", "option ", "uciok", "readyok", "info ", "bestmove ")
CHECKS = Checks("test_book")
check = CHECKS.check


def until(eng, prefix, timeout=60):
    """The first line that starts with prefix, or None."""
    lines = eng.until(prefix, timeout)
    return lines[-1] if lines else None


def refused_files(binary, workdir):
    short = os.path.join(workdir, "short.bin")
    with open(short, "wb") as f:
        f.write(b"x" * 17)
    eng = Engine([binary, "-book", short], cwd=workdir)
    eng.send("uci")
    until(eng, "uciok")
    check("a 17-byte book is refused at start-up", any("refused" in l and "16" in l for l in eng.seen), eng.seen)
    check("without a book OwnBook is off", "option name OwnBook type check default false" in eng.seen, eng.seen)
    eng.send("setoption name BookFile value " + os.path.join(workdir, "missing.bin"))
    eng.send("setoption name OwnBook value true")
    eng.send("position startpos")
    eng.send("go depth 2")
    best = until(eng, "bestmove")
    check("an unreadable BookFile is refused in an info string",
          any(l.startswith("info string Opening book") and "refused" in l for l in eng.seen), eng.seen)
    check("the engine plays on by searching", best is not None and "book move" not in " ".join(eng.seen), eng.seen)
    check("quit ends with status 0", eng.quit(30) == 0)


def uci_game(binary, workdir, plies):
    """The engine plays both sides from the start; returns (moves, book moves, stray lines)."""
    eng = Engine([binary, "-book", DEBIAN_BOOK], cwd=workdir)
    eng.send("uci")
    until(eng, "uciok")
    start = len(eng.seen)
    moves, book = [], []
    for _ in range(plies):
        eng.send("position startpos" + (" moves " + " ".join(moves) if moves else ""))
        eng.send("go depth 3")
        before = len(eng.seen)
        best = until(eng, "bestmove")
        if best is None:
            break
        moves.append(best.split()[1])
        if "info string book move " + moves[-1] in eng.seen[before:]:
            book.append(moves[-1])
    stray = [l for l in eng.seen[start:] if not l.startswith(UCI_LINE_STARTS)]
    check("UCI game ends with status 0", eng.quit(30) == 0)
    return moves, book, stray


def console_game(binary, workdir):
    eng = Engine([binary, "-book", DEBIAN_BOOK, "-fd", "2"], cwd=workdir)
    eng.send("hello")
    eng.send("e2e4")
    until(eng, "tellics kibitz Opening Book Move")
    line = until(eng, "1. ...")
    check("a console game announces the book move", line is not None, eng.seen)
    # bk lists the book's moves for the position, indented, and ends with an empty line.
    eng.send("bk")
    until(eng, "Enter Move: bk")
    listing = (eng.until(lambda line: line == "", 30) or [""])[:-1]
    check("bk lists the book moves", listing != [] and all(re.match(r"^\t *\d+% [a-h][1-8][a-h][1-8]", l) for l in listing),
          listing)
    eng.quit(30)


def main():
    binary = os.path.abspath(sys.argv[1])
    workdir = tempfile.mkdtemp(prefix="orvo_book_")
    refused_files(binary, workdir)
    if not os.path.exists(DEBIAN_BOOK):
        print(f"skipped: the games with {DEBIAN_BOOK} (package gnuchess-book not installed)")
    else:
        first = uci_game(binary, workdir, 12)
        second = uci_game(binary, workdir, 12)
        moves, book, stray = first
        check("twelve moves played", len(moves) == 12, moves)
        check("the game opens with book moves", len(book) >= 4 and moves[:len(book)] == book, first)
        check("UCI output holds only UCI lines", stray == [], stray)
        check("the same game twice with the same book gives the same moves", first == second, (first, second))
        console_game(binary, workdir)
    return CHECKS.report()


if __name__ == "__main__":
    sys.exit(main())
