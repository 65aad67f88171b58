#!/usr/bin/env python3
"""Endgame tables at work. Orvo plays the winning side of a dozen won endings (KQ v K, KR v K,
KBN v K, KQ v KR, KP v K) against Stockfish, which defends with the tables, at 0.2 s a move:
once with the Syzygy tables and once without. Every move is checked on the runner's own board:
an illegal move or a missing bestmove loses; mate, stalemate, bare kings, threefold repetition
and the fifty-move rule end the game as the rules say. Then the speed: tablebase hits per second
on two endgame positions, and nodes per second with and without the tables in a middlegame.

usage: syzygy_match.py [--quick] [--engine PATH] [--tables DIR] [--max-plies N]
--quick plays one position per ending and searches each speed position once. The engine
defaults to ORVO_BENCH_ENGINE or build/orvo, the tables to ../shared/syzygy beside the checkout.
Exit status 1 when an engine played an illegal move or gave no bestmove, else 0."""

import argparse
import os
import re
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(ROOT, "..", "shared", "python-chess"))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from harness.engine import Engine  # noqa: E402

try:
    import chess
    import chess.syzygy
except ImportError:
    print("syzygy_bench: skipped (python-chess not found in ../shared/python-chess)")
    sys.exit(0)

STOCKFISH = "/usr/games/stockfish"
MOVETIME = 200          # ms per move in the games
SEARCH_MS = 2000        # ms per speed search

# Won for the side to move, which Orvo plays; the first of each ending is the --quick set.
POSITIONS = [
    ("KQ v K", "8/8/8/4k3/8/8/8/KQ6 w - - 0 1"),            # queen in the corner, king in the centre
    ("KQ v K", "q7/8/8/8/3K4/8/8/7k b - - 0 1"),            # Orvo with Black
    ("KQ v K", "8/8/8/3k4/8/8/8/Q6K w - - 0 1"),
    ("KR v K", "8/8/8/3k4/8/8/8/R3K3 w - - 0 1"),           # defending king in the middle
    ("KR v K", "r6k/8/8/8/3K4/8/8/8 b - - 0 1"),
    ("KR v K", "8/8/4k3/8/8/8/8/R6K w - - 0 1"),
    ("KBN v K", "7k/8/8/8/8/8/8/KBN5 w - - 0 1"),           # light bishop, king in the dark corner
    ("KBN v K", "8/8/8/4k3/8/8/8/2B1KN2 w - - 0 1"),        # king in the centre
    ("KBN v K", "2bnk3/8/8/8/3K4/8/8/8 b - - 0 1"),
    ("KQ v KR", "4k3/4r3/4K3/8/8/8/8/7Q w - - 0 1"),         # rook sheltering its king, kings opposed
    ("KQ v KR", "8/8/8/3k4/3r4/8/8/Q3K3 w - - 0 1"),
    ("KP v K", "8/8/8/3k4/8/8/2KP4/8 w - - 0 1"),           # only Kd3 wins
    ("KP v K", "8/5k2/8/8/8/8/2P5/1K6 w - - 0 1"),          # the king first: c3 or c4 draws
]
ENDINGS = list(dict.fromkeys(ending for ending, _ in POSITIONS))

# Speed: a position wholly inside the tables, one that trades down into them, and a middlegame.
PROBE_POSITIONS = [
    ("KQ v KR (4 pieces)", "8/8/8/3k4/3r4/8/8/Q3K3 w - - 0 1"),
    ("KRP v KR (5 pieces)", "8/5k2/8/4P3/8/2r5/4K3/3R4 w - - 0 1"),
]
MIDDLEGAME = "r1bq1rk1/pp2bppp/2n2n2/3p4/3P4/2NBPN2/PP3PPP/R2QK2R w KQ - 0 9"


def start(binary, options, scratch, label):
    """An engine after the UCI start with its options set, running in a folder of its own."""
    cwd = os.path.join(scratch, label)
    os.makedirs(cwd, exist_ok=True)
    engine = Engine([binary], cwd=cwd)
    if engine.uci(options) is None:
        engine.kill()
        raise RuntimeError(f"{binary}: no uciok or readyok")
    return engine


def play(orvo, defender, fen, max_plies):
    """(Orvo's result "win", "draw" or "loss", plies played, how the game ended, and the engine
    at fault when one played an illegal move or gave no bestmove, else None)."""
    board = chess.Board(fen)
    orvo_side = board.turn
    for engine in (orvo, defender):
        engine.send("ucinewgame")
        engine.ready()
    moves = []
    while True:
        if board.is_checkmate():
            return ("loss" if board.turn == orvo_side else "win"), len(moves), "mate", None
        for ended, why in ((board.is_stalemate(), "stalemate"),
                           (board.is_insufficient_material(), "insufficient material"),
                           (board.halfmove_clock >= 100, "fifty-move rule"),
                           (board.is_repetition(3), "threefold repetition"),
                           (len(moves) >= max_plies, f"{max_plies}-ply limit")):
            if ended:
                return "draw", len(moves), why, None
        ours = board.turn == orvo_side
        engine, lost = (orvo, "loss") if ours else (defender, "win")
        who = "Orvo" if ours else "Stockfish"
        engine.send(f"position fen {fen}" + (" moves " + " ".join(moves) if moves else ""))
        engine.send(f"go movetime {MOVETIME}")
        lines = engine.until("bestmove", MOVETIME / 1000 + 10)
        words = lines[-1].split() if lines else []
        if len(words) < 2:
            return lost, len(moves), f"{who} gave no bestmove", engine
        try:
            move = chess.Move.from_uci(words[1])
        except ValueError:
            move = None
        if move is None or move not in board.legal_moves:
            return lost, len(moves), f"{who} played the illegal move {words[1]}", engine
        board.push(move)
        moves.append(words[1])


def search(engine, fen):
    """(nodes, seconds, tbhits) of the last info line with a node count after a timed search;
    an engine that does not report tbhits counts 0 of them."""
    engine.send("ucinewgame")
    engine.ready()
    engine.send("position fen " + fen)
    engine.send(f"go movetime {SEARCH_MS}")
    lines = engine.until("bestmove", SEARCH_MS / 1000 + 10)
    if lines is None:
        raise RuntimeError(f"{engine.name}: no bestmove after go movetime {SEARCH_MS}")
    counted = [line for line in lines if line.startswith("info") and " nodes " in line]
    last = counted[-1] if counted else ""

    def field(name):
        found = re.search(rf"\b{name} (\d+)", last)
        return int(found.group(1)) if found else 0
    return field("nodes"), (field("time") or SEARCH_MS) / 1000, field("tbhits")


def percent(part, whole):
    return f"{100 * part / whole:.0f}%" if whole else "-"


def report(results):
    """The table: per ending and in total, Orvo's wins, draws and losses with and without the
    tables, the mean length of the won games in Orvo's moves and the share of games won, each
    win coming before any fifty-move draw."""
    print(f"\n{'':14}   {' with tables ':-^33}   {' without tables ':-^33}")
    columns = f"{'won':>5}{'drawn':>6}{'lost':>5}{'moves':>7}{'converted':>10}"
    print(f"{'ending':8}{'games':>6}   {columns}   {columns}")
    for ending in ENDINGS + ["total"]:
        cells = []
        for label in ("with", "without"):
            games = [g for e, g in results[label] if ending in ("total", e)]
            won = [plies for result, plies, _ in games if result == "win"]
            drawn = sum(result == "draw" for result, _, _ in games)
            lost = len(games) - len(won) - drawn
            moves = f"{sum((p + 1) // 2 for p in won) / len(won):.1f}" if won else "-"
            cells.append(f"{len(won):>5}{drawn:>6}{lost:>5}{moves:>7}{percent(len(won), len(games)):>10}")
        print(f"{ending:8}{len(games):>6}   {cells[0]}   {cells[1]}")
    print("moves: mean length of the won games in Orvo's moves; converted: games won (inside the "
          "fifty-move rule)")


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--quick", action="store_true", help="one position per ending, one search per speed row")
    ap.add_argument("--engine", default=os.environ.get("ORVO_BENCH_ENGINE", os.path.join(ROOT, "build", "orvo")))
    ap.add_argument("--tables", default=os.path.join(ROOT, "..", "shared", "syzygy"))
    ap.add_argument("--max-plies", type=int, default=200)
    args = ap.parse_args()
    tables = os.path.abspath(args.tables)
    for missing, what in ((not os.access(args.engine, os.X_OK), f"{args.engine} not built; run make build"),
                          (not os.access(STOCKFISH, os.X_OK), "stockfish not installed"),
                          (not os.path.isdir(tables), f"no Syzygy tables in {args.tables}")):
        if missing:
            print(f"syzygy_bench: skipped ({what})")
            return 0

    positions = [next(p for p in POSITIONS if p[0] == e) for e in ENDINGS] if args.quick else POSITIONS
    with chess.syzygy.open_tablebase(tables) as referee:
        verdicts = {fen: (referee.probe_wdl(chess.Board(fen)), referee.probe_dtz(chess.Board(fen)))
                    for _, fen in positions}
    for fen, (wdl, _) in verdicts.items():
        if wdl != 2:
            raise RuntimeError(f"{fen} is not a win for the side to move (tables say WDL {wdl})")

    scratch = tempfile.TemporaryDirectory(prefix="orvo_syzygy_")
    orvo = {"with": start(args.engine, {"SyzygyPath": tables}, scratch.name, "with"),
            "without": start(args.engine, {}, scratch.name, "without")}
    found = [line for line in orvo["with"].seen if line.startswith("info string")]
    print(f"{orvo['with'].name} with tables: {found[-1][12:] if found else '(no answer to SyzygyPath)'}")
    stockfish_options = {"Threads": "1", "Hash": "16", "SyzygyPath": tables}
    stockfish = start(STOCKFISH, stockfish_options, scratch.name, "stockfish")
    print(f"defender: {stockfish.name} with tables; go movetime {MOVETIME}, at most {args.max_plies} plies\n",
          flush=True)

    results = {"with": [], "without": []}
    faults = 0
    for ending, fen in positions:
        for label in ("with", "without"):
            result, plies, why, fault = play(orvo[label], stockfish, fen, args.max_plies)
            results[label].append((ending, (result, plies, why)))
            print(f"{ending:8} {fen:38} DTZ {verdicts[fen][1]:>2}  {label:7}  "
                  f"{result:4} {(plies + 1) // 2:>3} moves  {why}", flush=True)
            if fault:   # the engine at fault may be stuck: the next game gets a fresh one
                faults += 1
                fault.kill()
                if fault is orvo[label]:
                    orvo[label] = start(args.engine, {"SyzygyPath": tables} if label == "with" else {},
                                        scratch.name, label)
                else:
                    stockfish = start(STOCKFISH, stockfish_options, scratch.name, "stockfish")
    report(results)

    print(f"\nprobing speed, tables loaded, go movetime {SEARCH_MS}")
    print(f"{'position':22}{'nodes':>11}{'knps':>8}{'tbhits':>10}{'probes/s':>10}")
    for name, fen in PROBE_POSITIONS:
        nodes, seconds, hits = search(orvo["with"], fen)
        print(f"{name:22}{nodes:>11}{nodes / seconds / 1000:>8.0f}{hits:>10}{hits / seconds:>10.0f}")
    best = {"with": 0.0, "without": 0.0}
    for _ in range(1 if args.quick else 2):     # alternated, so both see the same machine load
        for label in ("with", "without"):
            nodes, seconds, _ = search(orvo[label], MIDDLEGAME)
            best[label] = max(best[label], nodes / seconds)
    ratio = best["with"] / best["without"] if best["without"] else 0
    print(f"\nmiddlegame ({MIDDLEGAME})\nknps with tables {best['with'] / 1000:.0f}, without "
          f"{best['without'] / 1000:.0f}, ratio {ratio:.3f}" + ("" if args.quick else " (best of two each)"))

    for engine in (*orvo.values(), stockfish):
        engine.quit()
    scratch.cleanup()
    if faults:
        print(f"\n{faults} game(s) ended by an illegal move or a missing bestmove")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
