"""The rules of chess, enough to check an engine's moves and to end its games: a position from
FEN, its legal moves, making a move, and what ends a game (mate, stalemate, the fifty-move rule,
threefold repetition, bare material). Moves are given and returned as UCI text ("e2e4", "e7e8q",
castling as the king's move "e1g1")."""

START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"
KNIGHT = [(1, 2), (2, 1), (2, -1), (1, -2), (-1, -2), (-2, -1), (-2, 1), (-1, 2)]
KING = [(1, 0), (1, 1), (0, 1), (-1, 1), (-1, 0), (-1, -1), (0, -1), (1, -1)]
ROOK_DIRS = [(1, 0), (-1, 0), (0, 1), (0, -1)]
BISHOP_DIRS = [(1, 1), (1, -1), (-1, 1), (-1, -1)]


def sq(name):
    return (ord(name[0]) - 97) + 8 * (int(name[1]) - 1)


def sqname(s):
    return "abcdefgh"[s % 8] + str(s // 8 + 1)


def uci_text(move):
    return sqname(move[0]) + sqname(move[1]) + move[2]


class Board:
    """Squares 0..63 (a1 = 0), pieces as FEN letters, '.' for empty. keys holds the key of every
    position of the game so far, this one last, for the repetition count."""

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
        self.castle = "" if len(parts) < 3 or parts[2] == "-" else parts[2]
        self.ep = None if len(parts) < 4 or parts[3] == "-" else sq(parts[3])
        self.half = int(parts[4]) if len(parts) > 4 else 0
        self.full = int(parts[5]) if len(parts) > 5 else 1
        self.keys = [self.key()]

    def copy(self):
        b = Board.__new__(Board)
        b.sq, b.white, b.castle, b.ep = self.sq[:], self.white, self.castle, self.ep
        b.half, b.full, b.keys = self.half, self.full, self.keys[:]
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

    def _pseudo_moves(self):
        """Moves as (from, to, promotion letter or "") that may leave the own king in check."""
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

                def add(t):
                    if t // 8 == last:
                        out.extend((s, t, q) for q in "qrbn")
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
        # Castling: king and rook at home, squares between empty, king not in or passing through check.
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

    def _make(self, move):
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

    def _legal(self):
        moves = []
        for m in self._pseudo_moves():
            b = self.copy()
            b._make(m)
            if not b.in_check(self.white):
                moves.append(m)
        return moves

    def legal_moves(self):
        return [uci_text(m) for m in self._legal()]

    def parse(self, text):
        """The legal move the UCI text names (as UCI text, the promotion letter in lower case), or None."""
        text = (text or "")[:4] + (text or "")[4:].lower()
        return text if text in self.legal_moves() else None

    def play(self, text):
        """Makes the legal move the UCI text names; ValueError when there is none."""
        text = text[:4] + text[4:].lower()
        for m in self._legal():
            if uci_text(m) == text:
                self._make(m)
                self.keys.append(self.key())
                return
        raise ValueError(f"illegal move {text!r}")

    def insufficient(self):
        rest = [p for p in self.sq if p not in ".Kk"]
        return not rest or (len(rest) == 1 and rest[0] in "NBnb")

    def outcome(self):
        """(result, reason) when the rules end the game here, else None."""
        if not self._legal():
            if self.in_check():
                return ("0-1" if self.white else "1-0"), "checkmate"
            return "1/2-1/2", "stalemate"
        if self.half >= 100:
            return "1/2-1/2", "fifty moves"
        if self.insufficient():
            return "1/2-1/2", "insufficient material"
        if self.keys.count(self.key()) >= 3:
            return "1/2-1/2", "repetition"
        return None


def line_is_legal(moves, fen=START_FEN):
    """Whether the moves, one after the other from the position, are all legal."""
    board = Board(fen)
    for move in moves:
        if board.parse(move) is None:
            return False
        board.play(move)
    return True
