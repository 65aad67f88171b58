#!/usr/bin/env python3
"""Engine-against-engine match over UCI pipes, with the clocks kept by the runner.

The runner plays every move on its own board: a move that is not legal loses the game, a clock
that runs out loses it too, and mate, stalemate, repetition, the fifty-move rule and bare kings
end it as the rules say. Pairs of games start from the same opening with colours swapped.

usage: uci_match.py ENGINE_A ENGINE_B [--games N] [--tc BASE+INC] [--movetime MS] [--nodes N]
                    [--option-a NAME=VALUE] [--option-b NAME=VALUE] [--max-plies N] [--pgn FILE]
                    [--margin MS] [--quiet]
BASE and INC in seconds (10+0.1). Engines are command lines (split on spaces).

Exit status 0 when no game was lost on time or by an illegal move, 1 otherwise."""

import argparse
import os
import queue
import shlex
import subprocess
import sys
import tempfile
import threading
import time

# ---- Board and legal moves -------------------------------------------------------------------

START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"
KNIGHT = [(1, 2), (2, 1), (2, -1), (1, -2), (-1, -2), (-2, -1), (-2, 1), (-1, 2)]
KING = [(1, 0), (1, 1), (0, 1), (-1, 1), (-1, 0), (-1, -1), (0, -1), (1, -1)]
ROOK_DIRS = [(1, 0), (-1, 0), (0, 1), (0, -1)]
BISHOP_DIRS = [(1, 1), (1, -1), (-1, 1), (-1, -1)]


def sq(name):
    return (ord(name[0]) - 97) + 8 * (int(name[1]) - 1)


def sqname(s):
    return "abcdefgh"[s % 8] + str(s // 8 + 1)


class Board:
    """Squares 0..63 (a1 = 0), pieces as FEN letters, '.' for empty."""

    def __init__(self, fen=START_FEN):
        parts = fen.split()
        self.sq = ["."] * 64
        for r, row in enumerate(parts[0].split("/")):
            f = 0
            for c in row:
                if c.isdigit():
                    f += int(c)
                else:
                    self.sq[(7 - r) * 8 + f] = c
                    f += 1
        self.white = parts[1] == "w"
        self.castle = "" if parts[2] == "-" else parts[2]
        self.ep = None if parts[3] == "-" else sq(parts[3])
        self.half = int(parts[4]) if len(parts) > 4 else 0
        self.full = int(parts[5]) if len(parts) > 5 else 1

    def copy(self):
        b = Board.__new__(Board)
        b.sq, b.white, b.castle, b.ep, b.half, b.full = self.sq[:], self.white, self.castle, self.ep, self.half, self.full
        return b

    def key(self):
        return ("".join(self.sq), self.white, self.castle, self.ep if self.ep_capturable() else None)

    def ep_capturable(self):
        if self.ep is None:
            return False
        pawn, rank = ("P", -1) if self.white else ("p", 1)
        f = self.ep % 8
        row = self.ep // 8 + rank
        return any(0 <= f + df < 8 and self.sq[row * 8 + f + df] == pawn for df in (-1, 1))

    def own(self, p, white):
        return p != "." and p.isupper() == white

    def attacked(self, s, by_white):
        """Whether square s is attacked by the side by_white."""
        f, r = s % 8, s // 8
        pawn = "P" if by_white else "p"
        dr = -1 if by_white else 1
        for df in (-1, 1):
            ff, rr = f + df, r + dr
            if 0 <= ff < 8 and 0 <= rr < 8 and self.sq[rr * 8 + ff] == pawn:
                return True
        for pieces, steps in (("N", KNIGHT), ("K", KING)):
            want = pieces if by_white else pieces.lower()
            for df, dr2 in steps:
                ff, rr = f + df, r + dr2
                if 0 <= ff < 8 and 0 <= rr < 8 and self.sq[rr * 8 + ff] == want:
                    return True
        for dirs, sliders in ((ROOK_DIRS, "RQ"), (BISHOP_DIRS, "BQ")):
            want = sliders if by_white else sliders.lower()
            for df, dr2 in dirs:
                ff, rr = f + df, r + dr2
                while 0 <= ff < 8 and 0 <= rr < 8:
                    p = self.sq[rr * 8 + ff]
                    if p != ".":
                        if p in want:
                            return True
                        break
                    ff, rr = ff + df, rr + dr2
        return False

    def in_check(self, white=None):
        white = self.white if white is None else white
        king = self.sq.index("K" if white else "k")
        return self.attacked(king, not white)

    def pseudo_moves(self):
        w = self.white
        out = []
        for s, p in enumerate(self.sq):
            if not self.own(p, w):
                continue
            f, r = s % 8, s // 8
            kind = p.upper()
            if kind == "P":
                d = 8 if w else -8
                last = 7 if w else 0
                start = 1 if w else 6
                promos = "qrbn"

                def add(t):
                    if t // 8 == last:
                        out.extend((s, t, q) for q in promos)
                    else:
                        out.append((s, t, ""))

                t = s + d
                if 0 <= t < 64 and self.sq[t] == ".":
                    add(t)
                    if r == start and self.sq[t + d] == ".":
                        out.append((s, t + d, ""))
                for df in (-1, 1):
                    if 0 <= f + df < 8:
                        t = s + d + df
                        if 0 <= t < 64 and ((self.sq[t] != "." and not self.own(self.sq[t], w)) or t == self.ep):
                            add(t)
            elif kind in "NK":
                for df, dr in (KNIGHT if kind == "N" else KING):
                    ff, rr = f + df, r + dr
                    if 0 <= ff < 8 and 0 <= rr < 8 and not self.own(self.sq[rr * 8 + ff], w):
                        out.append((s, rr * 8 + ff, ""))
            else:
                dirs = {"R": ROOK_DIRS, "B": BISHOP_DIRS, "Q": ROOK_DIRS + BISHOP_DIRS}[kind]
                for df, dr in dirs:
                    ff, rr = f + df, r + dr
                    while 0 <= ff < 8 and 0 <= rr < 8:
                        t = rr * 8 + ff
                        if self.own(self.sq[t], w):
                            break
                        out.append((s, t, ""))
                        if self.sq[t] != ".":
                            break
                        ff, rr = ff + df, rr + dr
        # Castling: king and rook at home, squares between empty, king not passing through check.
        home = 0 if w else 56
        k = "K" if w else "k"
        if self.sq[home + 4] == k:
            for right, rook_sq, between, path in (("K" if w else "k", home + 7, (5, 6), (4, 5, 6)),
                                                  ("Q" if w else "q", home, (1, 2, 3), (4, 3, 2))):
                if right in self.castle and self.sq[rook_sq] == ("R" if w else "r") and \
                        all(self.sq[home + i] == "." for i in between) and \
                        not any(self.attacked(home + i, not w) for i in path):
                    out.append((home + 4, home + path[2], ""))
        return out

    def play(self, move):
        s, t, promo = move
        p = self.sq[s]
        kind = p.upper()
        capture = self.sq[t] != "."
        self.sq[t], self.sq[s] = p, "."
        if kind == "P":
            if t == self.ep and not capture:
                self.sq[t + (-8 if self.white else 8)] = "."
                capture = True
            if promo:
                self.sq[t] = promo.upper() if self.white else promo
        if kind == "K" and abs(t - s) == 2:
            rook_from, rook_to = (s + 3, s + 1) if t > s else (s - 4, s - 1)
            self.sq[rook_to], self.sq[rook_from] = self.sq[rook_from], "."
        for corner, right in ((0, "Q"), (7, "K"), (56, "q"), (63, "k"), (4, "KQ"), (60, "kq")):
            if s == corner or t == corner:
                self.castle = "".join(c for c in self.castle if c not in right)
        self.ep = (s + t) // 2 if kind == "P" and abs(t - s) == 16 else None
        self.half = 0 if kind == "P" or capture else self.half + 1
        if not self.white:
            self.full += 1
        self.white = not self.white

    def legal_moves(self):
        moves = []
        for m in self.pseudo_moves():
            b = self.copy()
            b.play(m)
            if not b.in_check(self.white):
                moves.append(m)
        return moves

    def parse(self, text):
        """The legal move named by the UCI text, or None."""
        if len(text) < 4:
            return None
        try:
            s, t = sq(text[:2]), sq(text[2:4])
        except (ValueError, IndexError):
            return None
        promo = text[4:5].lower()
        for m in self.legal_moves():
            if m[0] == s and m[1] == t and m[2] == promo:
                return m
        return None

    def insufficient(self):
        rest = [p for p in self.sq if p not in ".Kk"]
        return not rest or (len(rest) == 1 and rest[0] in "NBnb")


def uci_text(move):
    return sqname(move[0]) + sqname(move[1]) + move[2]


# ---- Engines ---------------------------------------------------------------------------------

class Engine:
    def __init__(self, command, options):
        argv = shlex.split(command)
        if os.path.exists(argv[0]):
            argv[0] = os.path.abspath(argv[0])   # the engine runs in a scratch folder of its own
        self.name = os.path.basename(argv[0])
        self.cwd = tempfile.mkdtemp(prefix="uci_match_")   # the engine's files (a log) go here
        self.proc = subprocess.Popen(argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, cwd=self.cwd, bufsize=0)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()
        self.send("uci")
        for line in self.until("uciok", 30) or []:
            if line.startswith("id name "):
                self.name = line[8:].strip()
        for opt in options:
            name, _, value = opt.partition("=")
            self.send(f"setoption name {name} value {value}")
        self.ready()

    def _read(self):
        for raw in self.proc.stdout:
            self.lines.put(raw.decode(errors="replace").rstrip("\r\n"))
        self.lines.put(None)

    def send(self, text):
        try:
            self.proc.stdin.write((text + "\n").encode())
        except (BrokenPipeError, OSError):
            pass

    def until(self, prefix, timeout):
        seen, deadline = [], time.monotonic() + timeout
        while True:
            try:
                line = self.lines.get(timeout=max(0.0, deadline - time.monotonic()))
            except queue.Empty:
                return None
            if line is None:
                return None
            seen.append(line)
            if line.startswith(prefix):
                return seen

    def ready(self):
        self.send("isready")
        return self.until("readyok", 30) is not None

    def quit(self):
        self.send("quit")
        try:
            self.proc.wait(timeout=5)
        except subprocess.TimeoutExpired:
            self.proc.kill()


# ---- Games -----------------------------------------------------------------------------------

# Short, common openings so that games differ; each is played twice, colours swapped.
OPENINGS = [
    "e2e4 e7e5 g1f3 b8c6", "d2d4 d7d5 c2c4 e7e6", "e2e4 c7c5 g1f3 d7d6", "d2d4 g8f6 c2c4 g7g6",
    "e2e4 e7e6 d2d4 d7d5", "c2c4 e7e5 b1c3 g8f6", "e2e4 c7c6 d2d4 d7d5", "g1f3 d7d5 g2g3 g8f6",
    "d2d4 g8f6 c2c4 e7e6", "e2e4 e7e5 f1c4 g8f6", "e2e4 d7d5 e4d5 d8d5", "d2d4 d7d5 g1f3 g8f6",
]


def play_game(white, black, opening, args, log):
    board = Board()
    moves = []
    seen = {}
    for text in opening.split():
        m = board.parse(text)
        board.play(m)
        moves.append(text)
    seen[board.key()] = 1
    engines = {True: white, False: black}
    clock = {True: args.base_ms, False: args.base_ms}
    stats = {True: [0, 0.0], False: [0, 0.0]}    # moves, largest share of the clock used
    for e in (white, black):
        e.send("ucinewgame")
        e.ready()
    while True:
        legal = board.legal_moves()
        if not legal:
            if board.in_check():
                return ("0-1" if board.white else "1-0"), "checkmate", moves, stats
            return "1/2-1/2", "stalemate", moves, stats
        if board.half >= 100:
            return "1/2-1/2", "fifty moves", moves, stats
        if board.insufficient():
            return "1/2-1/2", "insufficient material", moves, stats
        if seen.get(board.key(), 0) >= 3:
            return "1/2-1/2", "repetition", moves, stats
        if len(moves) >= args.max_plies:
            return "1/2-1/2", "adjudicated at the ply limit", moves, stats
        side = board.white
        e = engines[side]
        e.send("position startpos moves " + " ".join(moves))
        if args.movetime:
            go = f"go movetime {args.movetime}"
        elif args.nodes:
            go = f"go nodes {args.nodes}"
        else:
            go = (f"go wtime {int(clock[True])} btime {int(clock[False])} "
                  f"winc {args.inc_ms} binc {args.inc_ms}")
        began = time.monotonic()
        e.send(go)
        limit = (clock[side] + args.inc_ms) / 1000 + 10 if not args.movetime else args.movetime / 1000 + 10
        lines = e.until("bestmove", limit)
        used = (time.monotonic() - began) * 1000
        loser = "0-1" if side else "1-0"
        if lines is None:
            return loser, f"{e.name} sent no bestmove", moves, stats
        if not args.movetime and not args.nodes:
            share = used / clock[side] if clock[side] > 0 else 1.0
            stats[side][0] += 1
            stats[side][1] = max(stats[side][1], share)
            clock[side] -= used
            if clock[side] < -args.margin:
                return loser, f"{e.name} lost on time ({int(used)} ms used, {int(clock[side])} ms left)", moves, stats
            clock[side] += args.inc_ms
        words = lines[-1].split()
        text = words[1] if len(words) > 1 else ""
        m = board.parse(text)
        if m is None:
            return loser, f"{e.name} played an illegal move {text!r}", moves, stats
        if log:
            log.write(f"{len(moves) + 1}: {e.name} {text} {int(used)} ms\n")
        board.play(m)
        moves.append(uci_text(m))
        k = board.key()
        seen[k] = seen.get(k, 0) + 1


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("engine_a")
    ap.add_argument("engine_b")
    ap.add_argument("--games", type=int, default=20)
    ap.add_argument("--tc", default="10+0.1")
    ap.add_argument("--movetime", type=int, default=0)
    ap.add_argument("--nodes", type=int, default=0)
    ap.add_argument("--option-a", action="append", default=[])
    ap.add_argument("--option-b", action="append", default=[])
    ap.add_argument("--max-plies", type=int, default=400)
    ap.add_argument("--margin", type=int, default=0, help="ms a clock may go below zero before it counts")
    ap.add_argument("--pgn")
    ap.add_argument("--quiet", action="store_true")
    args = ap.parse_args()
    base, _, inc = args.tc.partition("+")
    args.base_ms = float(base) * 1000
    args.inc_ms = int(float(inc or 0) * 1000)

    a = Engine(args.engine_a, args.option_a)
    b = Engine(args.engine_b, args.option_b)
    score = {a: 0.0, b: 0.0}
    time_losses = {a: 0, b: 0}
    illegal = {a: 0, b: 0}
    worst_share = {a: 0.0, b: 0.0}
    pgn = open(args.pgn, "w") if args.pgn else None
    for g in range(args.games):
        opening = OPENINGS[(g // 2) % len(OPENINGS)]
        white, black = (a, b) if g % 2 == 0 else (b, a)
        result, reason, moves, stats = play_game(white, black, opening, args, None)
        if result == "1-0":
            score[white] += 1
        elif result == "0-1":
            score[black] += 1
        else:
            score[white] += 0.5
            score[black] += 0.5
        loser = black if result == "1-0" else white if result == "0-1" else None
        if loser and "on time" in reason:
            time_losses[loser] += 1
        if loser and ("illegal" in reason or "no bestmove" in reason):
            illegal[loser] += 1
        for side, e in ((True, white), (False, black)):
            worst_share[e] = max(worst_share[e], stats[side][1])
        if not args.quiet:
            print(f"game {g + 1}: {white.name} - {black.name} {result} ({reason}, {len(moves)} plies); "
                  f"score {a.name} {score[a]:g} - {score[b]:g} {b.name}", flush=True)
        if pgn:
            pgn.write(f'[White "{white.name}"]\n[Black "{black.name}"]\n[Result "{result}"]\n'
                      f'[Termination "{reason}"]\n\n{" ".join(moves)} {result}\n\n')
    if pgn:
        pgn.close()
    for e in (a, b):
        e.quit()
    print(f"final: {a.name} {score[a]:g} - {score[b]:g} {b.name} in {args.games} games at {args.tc}"
          if not (args.movetime or args.nodes) else
          f"final: {a.name} {score[a]:g} - {score[b]:g} {b.name} in {args.games} games")
    for e in (a, b):
        print(f"  {e.name}: time losses {time_losses[e]}, illegal or missing moves {illegal[e]}, "
              f"largest share of its clock used by one move {100 * worst_share[e]:.1f} %")
    sys.exit(1 if any(time_losses.values()) or any(illegal.values()) else 0)


if __name__ == "__main__":
    main()
