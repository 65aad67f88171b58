#!/usr/bin/env python3
"""The review of saved games (orvo -annotate): how long a game of about forty moves takes at the
review's default depth with one and with two threads, and how many of the review's blunder and
mistake marks a deeper look confirms. The games are bench/data/review_games.pgn (Orvo against
Stockfish at a limited strength, 10+0.1). For every move the review marked ?? or ?, the positions
before and after it are searched again over UCI, four plies deeper, with the game's moves before
them, and the move's loss of expected score is worked out as the review does: a blunder is
confirmed when it is still a blunder, a mistake when it is still a mistake or worse.

usage: review_bench.py ENGINE [--depth N] [--deeper N] [--games FILE]
Needs python-chess (../shared/python-chess) for the second part, which is skipped without it."""

import argparse
import os
import re
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from harness.engine import Engine  # noqa: E402

# The review's thresholds (game/review.h).
INACCURACY, MISTAKE, BLUNDER = 0.06, 0.12, 0.20


def default_depth():
    with open(os.path.join(ROOT, "game", "review.h")) as f:
        return int(re.search(r"constexpr int DefaultReviewDepth = (\d+);", f.read()).group(1))


def split_games(text):
    return ["[Event" + g if i else g for i, g in enumerate(text.strip().split("\n\n[Event"))]


def review(engine, path, args):
    """Runs the review; returns (seconds, PGN text, moves of the last game as the progress tells)."""
    start = time.monotonic()
    proc = subprocess.run([engine, "-annotate", path] + args, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          cwd=tempfile.mkdtemp(prefix="orvo_review_bench_"), timeout=3600)
    seconds = time.monotonic() - start
    err = proc.stderr.decode(errors="replace")
    if proc.returncode != 0:
        sys.exit(f"review_bench: the review failed: {err}")
    moves = re.findall(r"move (\d+)/\d+", err)
    return seconds, proc.stdout.decode(), int(moves[-1]) if moves else 0


def expected(cp):
    return 1 / (1 + 10 ** (-cp / 400))


def uci_value(engine, fen, moves, depth):
    """The deeper search of a position: (expected score for the side to move, best move)."""
    engine.send("ucinewgame")
    engine.send(f"position fen {fen}" + (" moves " + " ".join(moves) if moves else ""))
    engine.send(f"go depth {depth}")
    lines = engine.until("bestmove", 3600) or []
    scores = [re.search(r" score (cp|mate) (-?\d+)", line) for line in lines]
    scores = [m for m in scores if m]
    best = lines[-1].split()[1] if lines else ""
    kind, value = (scores[-1].group(1), int(scores[-1].group(2))) if scores else ("cp", 0)
    if kind == "mate":
        return (1.0 if value > 0 else 0.0), best
    return expected(value), best


def confirm(engine_path, reviewed, deeper, chess):
    """The blunder and mistake marks of the reviewed games, each with its loss at the deeper depth."""
    import io
    engine = Engine(engine_path)
    engine.uci([])
    found = []  # (glyph, loss at the deeper depth, text)
    stream = io.StringIO(reviewed)
    while (game := chess.pgn.read_game(stream)) is not None:
        board = game.board()
        fen = board.fen()
        played = []
        for node in game.mainline():
            move = node.move.uci()
            glyph = "??" if 4 in node.nags else "?" if 2 in node.nags else None
            if glyph:
                before, best = uci_value(engine, fen, played, deeper)
                after_board = board.copy()
                after_board.push(node.move)
                if after_board.is_checkmate():
                    after_value = 0.0
                elif after_board.is_stalemate():
                    after_value = 0.5
                else:
                    after_value, _ = uci_value(engine, fen, played + [move], deeper)
                loss = 0.0 if best == move else max(0.0, before - (1 - after_value))
                found.append((glyph, loss, f"  game {game.headers.get('Round', '?')}: {board.fullmove_number}"
                              f"{'.' if board.turn else '...'} {board.san(node.move)}{glyph}  loss {loss:.2f}"))
            board.push(node.move)
            played.append(move)
    engine.quit()
    return found


def share(count, total):
    return f"{count} of {total} ({100 * count / total:.0f} %)" if total else "none"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("engine")
    ap.add_argument("--depth", type=int, default=0, help="the review's depth (default: the engine's default)")
    ap.add_argument("--deeper", type=int, default=4, help="plies more for the check of the blunders")
    ap.add_argument("--games", default=os.path.join(HERE, "data", "review_games.pgn"))
    args = ap.parse_args()
    args.engine = os.path.abspath(args.engine)
    depth = args.depth or default_depth()
    depth_args = ["-fd", str(depth)] if args.depth else []
    games = split_games(open(args.games).read())
    work = tempfile.mkdtemp(prefix="orvo_review_bench_")
    first = os.path.join(work, "first.pgn")
    with open(first, "w") as f:
        f.write(games[0] + "\n")

    rows = []
    reviewed_first = None
    for threads in (1, 2):
        seconds, text, moves = review(args.engine, first, depth_args + ["-threads", str(threads)])
        if threads == 1:
            reviewed_first = text
        rows.append(f"{threads:>8} {seconds:>9.1f} {seconds / (moves + 1):>12.2f}s")
    print(f"Review of a {(moves + 1) // 2}-move game ({moves + 1} positions) at depth {depth}")
    print(f"{'threads':>8} {'seconds':>9} {'per position':>13}")
    print("\n".join(rows))

    sys.path.insert(0, os.path.normpath(os.path.join(ROOT, "..", "shared", "python-chess")))
    try:
        import chess.pgn
    except ImportError:
        print("skipped: the blunder check (python-chess not found)")
        return 0
    rest = os.path.join(work, "rest.pgn")
    with open(rest, "w") as f:
        f.write("\n\n".join(games[1:]) + "\n")
    _, text, _ = review(args.engine, rest, depth_args + ["-threads", "1"])
    found = confirm(args.engine, reviewed_first + "\n" + text, depth + args.deeper, chess)
    print(f"\nMarks ?? and ? of the review at depth {depth} in {len(games)} games, each move's loss of expected "
          f"score at depth {depth + args.deeper}:")
    for _, _, row in found:
        print(row)
    blunders = [loss for glyph, loss, _ in found if glyph == "??"]
    mistakes = [loss for glyph, loss, _ in found if glyph == "?"]
    print(f"blunders confirmed as blunders: {share(sum(l >= BLUNDER for l in blunders), len(blunders))}; "
          f"as mistakes at least: {share(sum(l >= MISTAKE for l in blunders), len(blunders))}")
    print(f"mistakes confirmed as mistakes at least: {share(sum(l >= MISTAKE for l in mistakes), len(mistakes))}; "
          f"as inaccuracies at least: {share(sum(l >= INACCURACY for l in mistakes), len(mistakes))}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
