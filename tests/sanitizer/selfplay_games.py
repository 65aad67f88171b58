#!/usr/bin/env python3
"""Complete self-play games through the engine built with AddressSanitizer and
UndefinedBehaviorSanitizer, at a fast clock: one engine plays both sides over UCI, another over
xboard. Every move is checked against an independent implementation of the rules, and a
sanitizer report (or any crash) fails the test."""

import os
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from test_uci import START, Engine, Position  # noqa: E402

MAX_PLIES = 120  # a long game; shuffling endings end on the fifty-move rule or here
FAILURES = []


def check(name, condition, detail=""):
    print(f"{'ok  ' if condition else 'FAIL'} {name}{'' if condition else ' ' + str(detail)}")
    if not condition:
        FAILURES.append(name)


def game_over(pos, halfmoves):
    return not pos.legal_moves() or halfmoves >= 100


def uci_game(binary, ponder):
    engine = Engine(binary)
    engine.send("uci")
    engine.until("uciok")
    if ponder:
        engine.send("setoption name Ponder value true")
    engine.send("ucinewgame")
    pos, moves, halfmoves = Position(START), [], 0
    clock = [1000, 1000]
    while len(moves) < MAX_PLIES and not game_over(pos, halfmoves):
        engine.send("position startpos moves " + " ".join(moves) if moves else "position startpos")
        move = engine.bestmove(f"go wtime {clock[0]} btime {clock[1]} winc 10 binc 10", timeout=30)
        if move not in pos.legal_moves():
            check(f"UCI game{' with ponder' if ponder else ''}: move {len(moves) + 1} is legal", False,
                  f"{move} after {' '.join(moves)}")
            break
        capture_or_pawn = pos.board[FILES_RANK(move[2:4])] != "." or pos.board[FILES_RANK(move[:2])] in "Pp"
        halfmoves = 0 if capture_or_pawn else halfmoves + 1
        moves.append(move)
        pos = pos.play(move)
    else:
        check(f"UCI game{' with ponder' if ponder else ''}: {len(moves)} legal moves", True)
    code = engine.close()
    check(f"UCI game{' with ponder' if ponder else ''}: clean exit", code == 0, f"exit code {code}")


def FILES_RANK(text):
    return "abcdefgh".index(text[0]) + 8 * (int(text[1]) - 1)


class XboardEngine:
    """The engine in xboard mode playing both sides (it moves after every "go")."""

    def __init__(self, binary):
        self.cwd = tempfile.mkdtemp(prefix="orvo_asan_xb_")
        self.proc = subprocess.Popen([binary], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.STDOUT, cwd=self.cwd, bufsize=0)
        self.output = []
        self.lock = threading.Condition()
        threading.Thread(target=self._reader, daemon=True).start()

    def _reader(self):
        for raw in self.proc.stdout:
            with self.lock:
                self.output.append(raw.decode(errors="replace").rstrip("\n"))
                self.lock.notify_all()
        with self.lock:
            self.output.append(None)
            self.lock.notify_all()

    def send(self, text):
        self.proc.stdin.write((text + "\n").encode())
        self.proc.stdin.flush()

    def next_move(self, timeout=30):
        """The move of the engine's next move line, or None."""
        deadline = time.monotonic() + timeout
        with self.lock:
            while True:
                while self.output:
                    line = self.output.pop(0)
                    if line is None:
                        return None
                    # The engine's move line: "move e2e4" after protover 2, "N. ... e2e4" before.
                    words = line.split()
                    if len(words) == 2 and words[0] == "move":
                        return words[1]
                    if len(words) == 3 and words[1] == "..." and words[0].endswith("."):
                        return words[2]
                    if line.startswith(("1-0", "0-1", "1/2-1/2")) or "mates!" in line or line == "Stalemate":
                        return "end"  # the engine announced the end of the game (a repetition, say)
                    if "ERROR: AddressSanitizer" in line or "runtime error" in line:
                        self.output.insert(0, None)
                        return None
                left = deadline - time.monotonic()
                if left <= 0:
                    return None
                self.lock.wait(left)


def xboard_game(binary):
    engine = XboardEngine(binary)
    for line in ("xboard", "protover 2", "new", "post", "level 0 0:02 0", "time 200", "otim 1e99", "force"):
        engine.send(line)
    pos, moves, halfmoves = Position(START), [], 0
    while len(moves) < MAX_PLIES and not game_over(pos, halfmoves):
        engine.send("go")
        move = engine.next_move()
        if move == "end":
            break
        if move is None or move not in pos.legal_moves():
            check(f"xboard game: move {len(moves) + 1} is legal", False, f"{move} after {' '.join(moves)}")
            break
        engine.send("force")  # the engine plays the other side as well: it moves after each go
        capture_or_pawn = pos.board[FILES_RANK(move[2:4])] != "." or pos.board[FILES_RANK(move[:2])] in "Pp"
        halfmoves = 0 if capture_or_pawn else halfmoves + 1
        moves.append(move)
        pos = pos.play(move)
        engine.send("time 200")
    if not FAILURES or not FAILURES[-1].startswith("xboard game: move"):
        check(f"xboard game: {len(moves)} legal moves", True)
    engine.send("quit")
    try:
        code = engine.proc.wait(timeout=20)
    except subprocess.TimeoutExpired:
        engine.proc.kill()
        code = None
    reports = [l for l in engine.output if l and ("Sanitizer" in l or "runtime error" in l)]
    check("xboard game: clean exit, no sanitizer report", code == 0 and not reports, (code, reports[:3]))


def main():
    binary = os.path.abspath(sys.argv[1])
    uci_game(binary, ponder=False)
    uci_game(binary, ponder=True)
    xboard_game(binary)
    if FAILURES:
        print(f"{len(FAILURES)} failure(s)")
        sys.exit(1)
    print("sanitizer games: ok")


if __name__ == "__main__":
    main()
