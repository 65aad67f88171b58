#!/usr/bin/env python3
"""Opening books from Polyglot files: a damaged file is refused and the engine plays on; with the
book that Debian's gnuchess-book package installs (skipped when it is missing), a UCI game takes
its first moves from the book, names them in info strings only, and repeats itself exactly; a
console game announces its book moves."""

import os
import re
import subprocess
import sys
import tempfile
import threading

DEBIAN_BOOK = "/usr/share/games/gnuchess/book.bin"
UCI_LINE_STARTS = ("id ", "option ", "uciok", "readyok", "info ", "bestmove ")
FAILURES = []


def check(name, condition, detail=""):
    print(("ok   " if condition else "FAIL ") + name + ("" if condition else f" {detail}"))
    if not condition:
        FAILURES.append(name)


class Engine:
    def __init__(self, binary, args, cwd):
        self.p = subprocess.Popen([binary] + args, cwd=cwd, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                  text=True, bufsize=1)
        self.timer = threading.Timer(120, self.p.kill)
        self.timer.start()
        self.lines = []

    def send(self, text):
        self.p.stdin.write(text + "\n")
        self.p.stdin.flush()

    def until(self, prefix):
        """Reads lines up to the first that starts with prefix; returns that line or None."""
        for line in self.p.stdout:
            line = line.rstrip("\n")
            self.lines.append(line)
            if line.startswith(prefix):
                return line
        return None

    def close(self):
        try:
            self.send("quit")
        except BrokenPipeError:
            pass
        status = self.p.wait(30)
        self.timer.cancel()
        return status


def refused_files(binary, workdir):
    short = os.path.join(workdir, "short.bin")
    with open(short, "wb") as f:
        f.write(b"x" * 17)
    eng = Engine(binary, ["-book", short], workdir)
    eng.send("uci")
    eng.until("uciok")
    check("a 17-byte book is refused at start-up", any("refused" in l and "16" in l for l in eng.lines), eng.lines)
    check("without a book OwnBook is off", "option name OwnBook type check default false" in eng.lines, eng.lines)
    eng.send("setoption name BookFile value " + os.path.join(workdir, "missing.bin"))
    eng.send("setoption name OwnBook value true")
    eng.send("position startpos")
    eng.send("go depth 2")
    best = eng.until("bestmove")
    check("an unreadable BookFile is refused in an info string",
          any(l.startswith("info string Opening book") and "refused" in l for l in eng.lines), eng.lines)
    check("the engine plays on by searching", best is not None and "book move" not in " ".join(eng.lines), eng.lines)
    check("quit ends with status 0", eng.close() == 0)


def uci_game(binary, workdir, plies):
    """The engine plays both sides from the start; returns (moves, book moves, stray lines)."""
    eng = Engine(binary, ["-book", DEBIAN_BOOK], workdir)
    eng.send("uci")
    eng.until("uciok")
    start = len(eng.lines)
    moves, book = [], []
    for _ in range(plies):
        eng.send("position startpos" + (" moves " + " ".join(moves) if moves else ""))
        eng.send("go depth 3")
        before = len(eng.lines)
        best = eng.until("bestmove")
        if best is None:
            break
        moves.append(best.split()[1])
        if "info string book move " + moves[-1] in eng.lines[before:]:
            book.append(moves[-1])
    stray = [l for l in eng.lines[start:] if not l.startswith(UCI_LINE_STARTS)]
    check("UCI game ends with status 0", eng.close() == 0)
    return moves, book, stray


def console_game(binary, workdir):
    eng = Engine(binary, ["-book", DEBIAN_BOOK, "-fd", "2"], workdir)
    eng.send("hello")
    eng.send("e2e4")
    eng.until("tellics kibitz Opening Book Move")
    line = eng.until("1. ...")
    check("a console game announces the book move", line is not None, eng.lines)
    # bk lists the book's moves for the position, indented, and ends with an empty line.
    eng.send("bk")
    eng.until("Enter Move: bk")
    listing = []
    for line in eng.p.stdout:
        if line == "\n":
            break
        listing.append(line.rstrip("\n"))
    check("bk lists the book moves", listing != [] and all(re.match(r"^\t *\d+% [a-h][1-8][a-h][1-8]", l) for l in listing),
          listing)
    eng.close()


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
    if FAILURES:
        print(f"test_book: {len(FAILURES)} failed")
        return 1
    print("test_book: all passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
