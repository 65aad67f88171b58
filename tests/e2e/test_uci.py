#!/usr/bin/env python3
"""The UCI conversation over pipes: identification, options, positions with move lists, every
form of "go", stop / ponderhit, refused input, and a short game checked move by move against an
independent implementation of the rules of chess."""

import os
import re
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness.board import START_FEN as START, Board, line_is_legal  # noqa: E402
from harness.checks import Checks  # noqa: E402
from harness.engine import Engine  # noqa: E402

CHECKS = Checks("test_uci")
check = CHECKS.check


def position_after(fen, moves):
    """The position after the moves, which must be legal."""
    board = Board(fen)
    for move in moves:
        board.play(move)
    return board


def start(path):
    """The engine after "uci": (the engine, the lines up to uciok or None)."""
    engine = Engine([path])
    engine.send("uci")
    return engine, engine.until("uciok")


# ---- The tests -----------------------------------------------------------------------------

def test_identification(path):
    engine, lines = start(path)
    check("uci answers uciok", lines is not None, "no uciok")
    lines = lines or []
    check("id name", any(l.startswith("id name Orvo ") for l in lines), lines)
    check("id author", any(l.startswith("id author ") for l in lines), lines)
    options = [l for l in lines if l.startswith("option name ")]
    names = [l[len("option name "):l.index(" type ")] for l in options]
    check("the options", names == ["UCI_AnalyseMode", "OwnBook", "SecondaryBook", "BookFile", "BookDepth",
                                   "BookVariety", "UCI_ShowCurrLine", "Ponder", "Move Overhead",
                                   "UCI_EngineAbout", "Hash", "Clear Hash", "Threads", "MultiPV",
                                   "UCI_LimitStrength", "UCI_Elo", "SyzygyPath", "SyzygyProbeDepth",
                                   "Syzygy50MoveRule", "SyzygyProbeLimit", "UCI_Chess960"], names)
    check("MultiPV is a spin from 1 to 256",
          "option name MultiPV type spin default 1 min 1 max 256" in options, options[-3:])
    check("UCI_LimitStrength is off", "option name UCI_LimitStrength type check default false" in options, options)
    elo_line = next((l for l in options if l.startswith("option name UCI_Elo ")), "")
    elo = re.match(r"option name UCI_Elo type spin default (\d+) min (\d+) max (\d+)$", elo_line)
    check("UCI_Elo reaches down to 1200, full strength by default",
          elo is not None and int(elo.group(2)) <= 1200 and elo.group(1) == elo.group(3), elo_line)
    engine.send("isready")
    check("isready while waiting", engine.until("readyok") is not None)
    for option in ("UCI_AnalyseMode value true", "UCI_AnalyseMode value false", "OwnBook value true",
                   "OwnBook value false", "SecondaryBook value false", "UCI_ShowCurrLine value false",
                   "Ponder value true", "Ponder value false", "UCI_EngineAbout value x", "MultiPV value 4",
                   "MultiPV value 1", "UCI_LimitStrength value true", "UCI_Elo value 1500",
                   "UCI_LimitStrength value false"):
        engine.send("setoption name " + option)
    engine.send("setoption name NoSuchThing value 1")
    engine.send("isready")
    lines = engine.until("readyok") or []
    refused = [l for l in lines if l.startswith("info string")]
    check("setoption for every option", refused == ["info string No such option: NoSuchThing"], lines)
    check("quit ends with status 0", engine.quit() == 0)


def test_positions(path):
    engine, _ = start(path)
    cases = [
        (START, "e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 e1g1 f8c5"),                 # castling
        (START, "e2e4 a7a6 e4e5 d7d5 e5d6 c7d6"),                           # en passant
        ("4k3/1P6/8/8/8/8/6p1/4K3 w - - 0 1", "b7b8n g2g1r"),               # under-promotions
        ("4k3/1P6/8/8/8/8/6p1/4K3 w - - 0 1", "b7b8q"),                     # a queen, Black in check
        ("r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "e8c8 e1g1"),              # both castlings
        ("rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3", "e5f6"),  # FEN en passant
        ("8/8/8/8/8/5k2/6p1/4K3 b - - 0 1", ""),
    ]
    for fen, moves in cases:
        head = "position startpos" if fen == START else "position fen " + fen
        engine.send(head + (" moves " + moves if moves else ""))
        move = engine.bestmove("go depth 1")
        pos = position_after(fen, moves.split())
        check(f"legal reply after {moves or fen}", move in pos.legal_moves(), f"{move}")
    engine.send("ucinewgame")
    engine.send("position startpos moves d2d4 d7d5")
    move = engine.bestmove("go depth 2")
    check("ucinewgame then position and go", move in position_after(START, ["d2d4", "d7d5"]).legal_moves(), move)

    # Refused input: an illegal move keeps the moves before it; a bad FEN keeps the position.
    engine.send("position startpos moves e2e4 e7e5 e1e3 d7d5")
    engine.send("isready")
    lines = engine.until("readyok") or []
    check("illegal move reported", any(l.startswith("info string") and "e1e3" in l for l in lines), lines)
    move = engine.bestmove("go depth 1")
    check("moves before the illegal one stay", move in position_after(START, ["e2e4", "e7e5"]).legal_moves(), move)
    engine.send("position fen 8/8/8/8 w - - 0 1")
    lines = engine.until("info string") or []
    check("invalid FEN reported", bool(lines), lines)
    move = engine.bestmove("go depth 1")
    check("previous position kept after invalid FEN",
          move in position_after(START, ["e2e4", "e7e5"]).legal_moves(), move)
    engine.send("position startpos moves " + "e2e4 " * 7000)
    engine.send("isready")
    lines = engine.until("readyok") or []
    check("over-long line refused", any("refused" in l and "previous position is kept" in l for l in lines),
          lines[-3:])
    move = engine.bestmove("go depth 1")
    check("previous position kept after an over-long line",
          move in position_after(START, ["e2e4", "e7e5"]).legal_moves(), move)
    # The same line while the engine thinks: refused, and neither the search nor the next go
    # ever sees a cut-short position.
    engine.send("go infinite")
    engine.send("position startpos moves " + "e2e4 " * 7000)
    lines = engine.until("info string Input longer") or []
    check("over-long line refused during a search", bool(lines), lines[-2:])
    move = engine.bestmove("stop")
    check("the search goes on in the GUI's position", move in position_after(START, ["e2e4", "e7e5"]).legal_moves(),
          move)
    move = engine.bestmove("go depth 1")
    check("previous position kept after an over-long line during a search",
          move in position_after(START, ["e2e4", "e7e5"]).legal_moves(), move)

    for fen in ("7k/6Q1/6K1/8/8/8/8/8 b - - 0 1", "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1"):
        engine.send("position fen " + fen)
        check(f"no legal move in {fen}", engine.bestmove("go depth 2") == "0000")

    # The FEN's half-move clock counts: after 99 quiet half-moves the rook up wins nothing, as
    # when the same position is reached through the moves; with the clock at 0 it is a rook up.
    scores = {}
    for clock in (99, 0):
        engine.send(f"position fen 4k3/8/8/8/8/8/8/R3K3 w - - {clock} 100")
        engine.send("go depth 8")
        lines = engine.until("bestmove", 20) or []
        final = [l for l in lines if l.startswith("info score cp ")]
        scores[clock] = int(final[-1].split()[3]) if final else None
    check("the half-move clock of a FEN", scores[99] == 0 and (scores[0] or 0) > 300, scores)

    # Analysis commands. go perft: the count below each root move and their sum, no bestmove.
    engine.send("position startpos")
    engine.send("go perft 4")
    lines = engine.until("Nodes searched", 60) or []
    divide = [l.split(": ") for l in lines if re.fullmatch(r"[a-h][1-8][a-h][1-8][qrbn]?: \d+", l)]
    check("go perft 4 from the start: 20 moves, 197281 leaves",
          len(divide) == 20 and sum(int(n) for _, n in divide) == 197281 and lines[-1] == "Nodes searched: 197281",
          lines[-3:])
    engine.send("go perft")
    lines = engine.until("info string", 5) or []
    check("go perft without a depth refused, no bestmove", lines[-1:] != [] and "perft" in lines[-1] and
          not any(l.startswith("bestmove") for l in lines), lines)
    engine.send("position fen 4k3/1P6/8/8/8/8/6p1/4K3 w - - 0 1")
    engine.send("go perft 1")
    lines = engine.until("Nodes searched", 10) or []
    check("go perft names a promotion with its letter", "b7b8q: 1" in lines, lines)
    engine.send("position startpos")
    check("go after go perft", engine.bestmove("go depth 1") in Board().legal_moves())
    # d and eval show the position and leave it, and the next search, as they were.
    fen = "rnbqkbnr/pp2pppp/8/2ppP3/8/8/PPPP1PPP/RNBQKBNR w KQkq d6 0 3"
    searched = []
    for analyse in (False, True):
        engine.send("ucinewgame")
        engine.send("position startpos moves e2e4 c7c5 e4e5 d7d5")
        if analyse:
            engine.send("d")
            lines = engine.until("Key:", 5) or []
            check("d shows the FEN and the keys", "Fen: " + fen in lines and
                  re.fullmatch(r"Key: [0-9A-F]{16} [0-9A-F]{16}", lines[-1] if lines else ""), lines[-3:])
            engine.send("eval")
            lines = engine.until("Static evaluation", 5) or []
            check("eval shows its terms", any(l.split()[:1] == ["Material"] for l in lines) and
                  any(l.split()[:2] == ["King", "safety"] for l in lines), lines)
            engine.send("go perft 2")
            engine.until("Nodes searched", 10)
        engine.send("go depth 5")
        lines = engine.until("bestmove", 30) or []
        searched.append([l.split(" nodes ")[1].split()[0] for l in info_lines(lines)] + lines[-1:])
    check("the same search after d, eval and go perft", searched[0] == searched[1] and len(searched[0]) > 1, searched)
    check("quit after positions", engine.quit() == 0)


def test_go_forms(path):
    engine, _ = start(path)
    engine.send("position startpos moves e2e4")
    legal = position_after(START, ["e2e4"]).legal_moves()
    for go, limit in (("go movetime 300", 1.0), ("go wtime 10000 btime 10000 winc 100 binc 100", 2.0),
                      ("go wtime 3000 btime 3000 movestogo 10", 1.0), ("go depth 3", 10.0)):
        began = time.monotonic()
        move = engine.bestmove(go, timeout=limit + 5)
        used = time.monotonic() - began
        check(f"{go}: legal move in {used:.2f}s", move in legal and used < limit, f"{move} after {used:.2f}s")

    # Infinite analysis: no bestmove until "stop", isready answered meanwhile.
    engine.send("go infinite")
    check("infinite keeps thinking", engine.silent("bestmove", 0.5))
    engine.send("isready")
    check("isready while analysing", engine.until("readyok", 2) is not None)
    move = engine.bestmove("stop", timeout=3)
    check("stop ends infinite", move in legal, move)

    # An analysis that finds a mate at once still waits for "stop".
    engine.send("position fen 7k/8/6K1/8/8/8/8/1Q6 w - - 0 1")
    engine.send("go infinite")
    check("finished analysis waits for stop", engine.silent("bestmove", 0.5))
    check("stop after a finished analysis", engine.bestmove("stop", timeout=3) == "b1b8")

    # Pondering: isready at once, then ponderhit turns it into a timed search.
    engine.send("setoption name Ponder value true")
    engine.send("position startpos moves e2e4")
    engine.send("go ponder wtime 2000 btime 2000")
    check("ponder keeps thinking", engine.silent("bestmove", 0.5))
    engine.send("isready")
    check("isready while pondering", engine.until("readyok", 2) is not None)
    began = time.monotonic()
    move = engine.bestmove("ponderhit", timeout=5)
    check("ponderhit then bestmove", move in legal and time.monotonic() - began < 3.0, move)
    engine.send("go ponder wtime 2000 btime 2000")
    check("second ponder keeps thinking", engine.silent("bestmove", 0.3))
    move = engine.bestmove("stop", timeout=3)
    check("stop ends pondering", move in legal, move)

    # A GUI that sends the next position and go right after "stop".
    engine.send("go infinite")
    engine.send("stop")
    engine.send("position startpos moves e2e4 e7e5")
    engine.send("go depth 1")
    first = engine.until("bestmove", 5)
    second = engine.until("bestmove", 5)
    check("commands after stop run in order", bool(first) and bool(second) and
          second[-1].split()[1] in position_after(START, ["e2e4", "e7e5"]).legal_moves(), second)
    check("quit after go forms", engine.quit() == 0)


def info_lines(lines):
    return [l for l in lines or [] if l.startswith("info depth") and " pv " in l]


def test_limits(path):
    """The go forms match runners send, the clock windows, and the end of a finished ponder."""
    engine, _ = start(path)
    legal = position_after(START, ["e2e4"]).legal_moves()
    # movetime: close to the time asked, never past it (generous slack: a shared, loaded machine).
    engine.send("position startpos moves e2e4")
    began = time.monotonic()
    engine.send("go movetime 1000")
    lines = engine.until("bestmove", 10)
    used = time.monotonic() - began
    check(f"movetime 1000 spent in its window ({used:.2f}s)", lines is not None and 0.6 < used < 3.0, used)
    info = info_lines(lines)
    check("info lines carry seldepth nodes nps hashfull time",
          bool(info) and all(f" {k} " in info[-1] for k in ("seldepth", "nodes", "nps", "hashfull", "time")), info)

    # go nodes: stops near the count, and the same search every time.
    results = []
    for _ in range(2):
        engine.send("ucinewgame")
        engine.send("position startpos moves e2e4")
        engine.send("go nodes 30000")
        lines = engine.until("bestmove", 20) or []
        nodes = [int(l.split(" nodes ")[1].split()[0]) for l in info_lines(lines)]
        results.append((lines[-1] if lines else None, nodes[-1] if nodes else None))
    check("go nodes repeats exactly", results[0] == results[1] and results[0][0] is not None, results)
    check("go nodes stops near the count", results[0][1] is not None and 15000 < results[0][1] <= 33000, results)

    # go mate 2 on a mate in two: "score mate 2" and the mating line's first move.
    engine.send("position fen k7/8/2K5/8/8/8/8/7R w - - 0 1")
    engine.send("go mate 2")
    lines = engine.until("bestmove", 20) or []
    check("go mate 2 finds the mate", any("score mate 2 " in l for l in lines) and lines[-1].split()[1] == "c6b6",
          lines[-3:])

    # A plain go and go depth 0 think until "stop".
    for go in ("go", "go depth 0"):
        engine.send("position startpos moves e2e4")
        engine.send(go)
        check(f"{go} waits for stop", engine.silent("bestmove", 0.7))
        check(f"{go} then stop", engine.bestmove("stop", timeout=3) in legal)

    # Ponder survives ucinewgame; ponderhit after a ponder search that finished on its own (one
    # legal move) sends bestmove at once, without "stop".
    engine.send("setoption name Ponder value true")
    engine.send("ucinewgame")
    engine.send("position startpos moves e2e4")
    engine.send("go wtime 3000 btime 3000")
    lines = engine.until("bestmove", 10) or [""]
    check("ponder move after ucinewgame", " ponder " in lines[-1] and lines[-1] == lines[-1].rstrip(), lines[-1])
    engine.send("position fen k7/8/8/8/8/8/1q6/K7 w - - 0 1")
    engine.send("go ponder wtime 3000 btime 3000")
    check("finished ponder search waits", engine.silent("bestmove", 0.5))
    check("ponderhit after a finished ponder search", engine.bestmove("ponderhit", timeout=2) == "a1b2")
    engine.send("setoption name Ponder value false")
    test_multipv_and_searchmoves(engine)
    check("quit after the limits", engine.quit() == 0)


def multipv_lines(lines):
    """{depth: [(multipv, score, pv)]} of the numbered info lines; a mate counts as +-100000."""
    by_depth = {}
    for line in info_lines(lines):
        words = line.split()
        if "multipv" not in words:
            continue
        kind, value = words[words.index("score") + 1:words.index("score") + 3]
        score = int(value) if kind == "cp" else (100000 if int(value) > 0 else -100000) - int(value)
        pv = words[words.index("pv") + 1:]
        by_depth.setdefault(int(words[2]), []).append((int(words[words.index("multipv") + 1]), score, pv))
    return by_depth


def test_multipv_and_searchmoves(engine):
    # Three best lines of a middle-game position: at every depth lines 1, 2, 3, best first, three
    # different first moves, each variation legal move by move; bestmove is line 1's move.
    fen = "2r2rk1/1bqnbpp1/1p1ppn1p/pP6/N1P1P3/P2B1N1P/1B2QPP1/R2R2K1 b - - 0 0"
    engine.send("setoption name MultiPV value 3")
    engine.send("position fen " + fen)
    engine.send("go depth 6")
    lines = engine.until("bestmove", 60) or []
    by_depth = multipv_lines(lines)
    check("MultiPV 3: six depths of lines", sorted(by_depth) == list(range(1, 7)), sorted(by_depth))
    for depth, found in sorted(by_depth.items()):
        found = found[:3]  # the last depth's line 1 is repeated at the end
        numbers = [n for n, _, _ in found]
        scores = [score for _, score, _ in found]
        firsts = [pv[0] for _, _, pv in found]
        legal = all(line_is_legal(pv, fen) for _, _, pv in found)
        check(f"MultiPV 3 at depth {depth}: three distinct legal lines, best first",
              numbers == [1, 2, 3] and scores == sorted(scores, reverse=True) and len(set(firsts)) == 3 and legal,
              found)
    best = by_depth.get(6, [(0, 0, ["?"])])[0][2][0]
    check("MultiPV 3: bestmove is line 1's move", lines[-1:] == [f"bestmove {best}"], lines[-2:])

    # More lines asked than there are moves: one line for each of the three king moves.
    engine.send("setoption name MultiPV value 10")
    engine.send("position fen 7k/8/8/8/8/8/8/K7 w - - 0 1")
    engine.send("go depth 4")
    by_depth = multipv_lines(engine.until("bestmove", 20))
    check("MultiPV 10 with three legal moves gives three lines",
          sorted({pv[0] for _, _, pv in by_depth.get(4, [])}) == ["a1a2", "a1b1", "a1b2"] and
          max(n for found in by_depth.values() for n, _, _ in found) == 3, by_depth.get(4))

    # searchmoves restricts the root, with any number of lines, and ends at the next go word.
    engine.send("position startpos")
    for multipv in (1, 3):
        engine.send(f"setoption name MultiPV value {multipv}")
        engine.send("go depth 5 searchmoves a2a3 h2h3")
        lines = engine.until("bestmove", 20) or []
        firsts = {pv[0] for found in multipv_lines(lines).values() for _, _, pv in found}
        check(f"searchmoves a2a3 h2h3 at MultiPV {multipv}",
              lines[-1:] and lines[-1].split()[1] in ("a2a3", "h2h3") and firsts <= {"a2a3", "h2h3"} and
              (multipv == 1 or len(firsts) == 2), lines[-2:])
    engine.send("setoption name MultiPV value 1")
    engine.send("go searchmoves e2e5 g1f3 depth 3")
    lines = engine.until("bestmove", 20) or []
    refused = [l for l in lines if l.startswith("info string")]
    check("an illegal searchmoves entry is reported and left out",
          len(refused) == 1 and "e2e5" in refused[0] and lines[-1] == "bestmove g1f3", refused + lines[-1:])
    engine.send("go searchmoves e7e5 depth 2")
    lines = engine.until("bestmove", 20) or []
    check("searchmoves without a legal move searches every move",
          any("every move" in l for l in lines if l.startswith("info string")) and
          lines[-1:] and lines[-1].split()[1] in Board().legal_moves(), lines[-3:])


def test_game(path):
    """A short game of the engine against itself; every move must be legal."""
    engine, _ = start(path)
    engine.send("ucinewgame")
    pos, moves = Board(), []
    clock = [3000, 3000]
    for ply in range(40):
        legal = pos.legal_moves()
        if not legal:
            break
        engine.send("position startpos" + (" moves " + " ".join(moves) if moves else ""))
        began = time.monotonic()
        move = engine.bestmove(f"go wtime {clock[0]} btime {clock[1]} winc 50 binc 50", timeout=10)
        used = int((time.monotonic() - began) * 1000)
        side = ply % 2
        clock[side] += 50 - used
        if move not in legal or clock[side] <= 0:
            check(f"game move {ply + 1}", False, f"{move} with {clock[side]} ms left after {' '.join(moves)}")
            break
        moves.append(move)
        pos.play(move)
    else:
        check("forty legal game moves within the clock", True)
    # End of input also ends the engine.
    engine.close_input()
    check("end of input ends the engine", engine.wait(10) == 0)


UCI_WORDS = ("id", "uciok", "readyok", "bestmove", "copyprotection", "registration", "info", "option")


def test_hash_and_clean_output(path):
    """Hash, Clear Hash and Threads; and nothing but UCI lines on standard output."""
    engine, seen = start(path)
    seen = seen or []
    options = {l.split(" type ")[0][12:]: l.split(" type ")[1] for l in seen if l.startswith("option name ")}
    hash_option = options.get("Hash", "").split()
    check("Hash is a spin from 1 to at least 4096",
          hash_option[:1] == ["spin"] and hash_option[3:5] == ["min", "1"] and int(hash_option[6]) >= 4096,
          options.get("Hash"))
    check("Clear Hash is a button", options.get("Clear Hash") == "button", options)
    check("Threads is a spin of 1 to 256", options.get("Threads") == "spin default 1 min 1 max 256", options)
    # The table is faulted in while the GUI waits for readyok, not while "uci" is answered.
    rss = engine.resident_mb()
    check("the table is not touched before uciok", rss is None or rss < 100, f"{rss} MB in use")
    pos = position_after(START, ["e2e4"])
    for size in ("64", "1", hash_option[2] if len(hash_option) > 2 else "163"):
        engine.send(f"setoption name Hash value {size}")
        engine.send("isready")
        lines = engine.until("readyok") or []
        seen += lines
        check(f"Hash {size} then readyok", lines[-1:] == ["readyok"], lines)
        rss = engine.resident_mb()
        # The table is the largest power-of-two size that fits: over half the megabytes asked for.
        check(f"Hash {size} is in memory before the search", rss is None or rss >= int(size) // 2,
              f"{rss} MB in use")
        engine.send("position startpos moves e2e4")
        engine.send("go depth 5")
        lines = engine.until("bestmove", 30) or []
        seen += lines
        move = lines[-1].split()[1] if lines else None
        check(f"search with Hash {size}", move in pos.legal_moves(), lines[-3:])
    engine.send("setoption name Clear Hash")
    engine.send("setoption name Threads value 1")
    engine.send("go movetime 300")
    lines = engine.until("bestmove") or []
    seen += lines
    check("search after Clear Hash", lines and lines[-1].split()[1] in pos.legal_moves(), lines[-3:])
    stray = [l for l in seen if l.split(" ")[0] not in UCI_WORDS and l.strip() != "Orvo"]
    check("only UCI lines on standard output", not stray, stray[:5])
    spaced = [l for l in seen if l.split(" ")[0] in UCI_WORDS and l != l.rstrip()]
    check("UCI lines end with their last word", not spaced and any(" pv " in l for l in seen), spaced[:3])
    unmeasured = [l for l in seen if l.startswith("info ") and " nps " in l and " time 0 " in l + " "]
    check("no nps before a millisecond has passed", not unmeasured, unmeasured[:3])
    check("quit", engine.quit() == 0)


def test_weakest_level_loses(path):
    """The weakest level against full strength, both at a fixed node count (so the game repeats
    exactly): legal moves, normal one-line thinking, and full strength wins clearly."""
    weak, lines = start(path)
    elo = next(l.split()[-3] for l in lines if l.startswith("option name UCI_Elo "))
    weak.send("setoption name UCI_LimitStrength value true")
    weak.send(f"setoption name UCI_Elo value {elo}")
    full, _ = start(path)
    pos, moves, verdict, shown = Board(), [], None, []
    for ply in range(160):
        if not pos.legal_moves():
            verdict = "weak side mated" if ply % 2 == 1 else "full strength mated or stalemated"
            break
        engine = full if ply % 2 == 0 else weak
        engine.send("position startpos" + (" moves " + " ".join(moves) if moves else ""))
        engine.send("go nodes 3000")
        lines = engine.until("bestmove", 30) or []
        move = lines[-1].split()[1] if lines else None
        if engine is weak:
            shown += [l for l in lines if l.startswith("info ") and " pv " in l]
        if move not in pos.legal_moves():
            verdict = f"illegal move {move}"
            break
        score = [l.split(" score ")[1].split()[:2] for l in lines if " score " in l]
        if engine is full and score and (score[-1][0] == "mate" and int(score[-1][1]) > 0
                                         or score[-1][0] == "cp" and int(score[-1][1]) >= 1000):
            verdict = "full strength ten pawns ahead or mating"
            break
        moves.append(move)
        pos.play(move)
    check("the weakest level loses to full strength",
          verdict in ("weak side mated", "full strength ten pawns ahead or mating"), f"{verdict}: {' '.join(moves)}")
    check("a weaker level shows one line of thinking",
          shown and not any(" multipv " in l for l in shown), shown[:3])
    weak.quit()
    full.quit()


def test_threads(path):
    """Two threads: "stop", the clock, a node limit over all threads, "ponderhit", and "quit"
    in the middle of a search. The moves are not checked for being the same as one thread's:
    with helpers a search is not deterministic."""
    engine, _ = start(path)
    engine.send("setoption name Threads value 2")
    check("Threads 2: ready", engine.ready())
    start_moves = Board().legal_moves()
    engine.send("position startpos")
    engine.send("go infinite")
    time.sleep(0.3)
    check("stop ends a two-thread search with a legal move", engine.bestmove("stop", 10) in start_moves, engine.got)
    engine.send("position startpos")
    began = time.monotonic()
    move = engine.bestmove("go movetime 300", 10)
    used = time.monotonic() - began
    check(f"a two-thread search keeps to its time ({used:.2f}s)", move in start_moves and used < 2.5, engine.got)
    # The answer may be a helper's iteration: the last line shows the depth asked for, and its
    # pv, all legal, starts with the move played.
    kiwipete = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"
    for fen, depth in ((kiwipete, 9), ("8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 13)):
        engine.send("ucinewgame")
        engine.send("position fen " + fen)
        engine.send(f"go depth {depth}")
        lines = engine.until("bestmove", 60) or [""]
        last = ([l for l in lines if " pv " in l] or [""])[-1]
        pv = last.split(" pv ")[-1].split()
        check(f"go depth {depth}: the last line has that depth and the move played",
              last.startswith(f"info depth {depth} ") and pv[:1] == lines[-1].split()[1:2] and line_is_legal(pv, fen),
              lines[-3:])
    engine.send("position startpos")
    engine.send("go nodes 50000")
    lines = engine.until("bestmove", 20) or []
    nodes = [int(l.split(" nodes ")[1].split()[0]) for l in lines if " nodes " in l]
    check("go nodes counts the nodes of both threads", nodes and 50000 <= nodes[-1] < 54096, lines[-3:])
    # A weaker level plays on one thread: the same nodes with Threads 2 as with Threads 1.
    searched = []
    for threads in (2, 1):
        engine.send(f"setoption name Threads value {threads}")
        engine.send("setoption name UCI_LimitStrength value true")
        engine.send("setoption name UCI_Elo value 1200")
        engine.send("ucinewgame")
        engine.send("position startpos moves d2d4")
        engine.ready()
        engine.send("go wtime 60000 btime 60000")
        lines = engine.until("bestmove", 20) or []
        searched.append([l.split(" nodes ")[1].split()[0] for l in lines if " nodes " in l][-1:])
    check("a weaker level searches on one thread", searched[0] and searched[0] == searched[1], searched)
    engine.send("setoption name UCI_LimitStrength value false")
    engine.send("setoption name Threads value 2")
    engine.send("position startpos moves e2e4")
    engine.send("go ponder wtime 2000 btime 2000")
    time.sleep(0.3)
    move = engine.bestmove("ponderhit", 10)
    check("ponderhit ends in a legal move", move in position_after(START, ["e2e4"]).legal_moves(), engine.got)
    engine.send("position startpos")
    engine.send("go infinite")
    time.sleep(0.3)
    check("quit in a two-thread search ends the engine", engine.quit() == 0)


def last_score(lines):
    """The score of the last info line with one ("mate 2", "cp 31"), or None."""
    found = [re.search(r" score (\w+ -?\d+)", l) for l in lines or []]
    found = [m.group(1) for m in found if m]
    return found[-1] if found else None


def test_end_of_game(path):
    """Mates scored at their distance and answered at once (also after a ponderhit), the fifty-move
    count giving way to a mate, full pv moves, the score of a game that is over, and stop heard at
    once."""
    engine, _ = start(path)
    mate_in_2 = "2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - - 0 1"
    mate_in_3 = "r5rk/5p1p/5R2/4B3/8/8/7P/7K w - - 0 1"
    for threads in (1, 2):
        engine.send(f"setoption name Threads value {threads}")
        for fen, mate in ((mate_in_2, "mate 2"), (mate_in_3, "mate 3")):
            engine.send("ucinewgame")
            engine.send("position fen " + fen)
            engine.send("go depth 9")
            check(f"{mate} at its distance, {threads} thread(s)", last_score(engine.until("bestmove", 30)) == mate,
                  engine.got[-3:])
        # A ponder search that finds the mate after its ponderhit is the engine's own: it answers
        # as soon as it is done, with no further command.
        engine.send("ucinewgame")
        engine.send("position fen " + mate_in_2)
        engine.send("go ponder wtime 60000 btime 60000")
        engine.send("ponderhit")
        check(f"ponderhit, then a mate found: bestmove at once, {threads} thread(s)",
              engine.until("bestmove", 10) is not None, engine.got[-2:])
    engine.send("setoption name Threads value 1")
    engine.send("position startpos")
    engine.send("go ponder depth 4")
    engine.send("ponderhit")
    check("ponderhit, then the depth limit: bestmove at once", engine.until("bestmove", 10) is not None)

    engine.send("position fen 6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 99 80")
    engine.send("go depth 6")
    lines = engine.until("bestmove", 10)
    check("a mate on the hundredth half-move is a mate", lines and lines[-1].split()[1] == "a1a8"
          and last_score(lines) == "mate 1", (lines or [])[-2:])

    # Every move of a pv is a full UCI move: here the line runs into White's promotion.
    fen = "8/8/8/3Q1k2/1P6/8/7p/7K b - - 2 58"
    engine.send("position fen " + fen)
    engine.send("go depth 12")
    lines = engine.until("bestmove", 30) or []
    pvs = [l.split(" pv ")[1].split() for l in lines if " pv " in l]
    check("pv lines are legal in full", pvs and all(line_is_legal(pv, fen) for pv in pvs), pvs[-1:])
    check("a pv through a promotion names the piece", any("b7b8q" in pv for pv in pvs), pvs[-1:])

    for fen, score in (("7k/6Q1/6K1/8/8/8/8/8 b - - 0 1", "mate 0"), ("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", "cp 0")):
        engine.send("position fen " + fen)
        engine.send("go wtime 1000 btime 1000")
        lines = engine.until("bestmove", 10) or []
        check(f"no move: {score} before bestmove 0000", lines[-2:] == [f"info depth 0 score {score}", "bestmove 0000"],
              lines)

    # "stop" is heard within milliseconds in an analysis and in a fixed-depth search (the bound
    # leaves room for a loaded machine).
    waits = []
    for go in ("go infinite", "go depth 40") * 3:
        engine.send("position startpos")
        engine.send(go)
        engine.drain(0.3)
        sent = time.monotonic()
        engine.send("stop")
        if engine.until("bestmove", 10) is not None:
            waits.append(engine.stamps[-1] - sent)
    waits.sort()
    check("stop answered at once", len(waits) == 6 and waits[2] < 0.1, waits)
    check("quit", engine.quit() == 0)


def main():
    path = os.path.abspath(sys.argv[1])
    test_identification(path)
    test_hash_and_clean_output(path)
    test_positions(path)
    test_go_forms(path)
    test_limits(path)
    test_game(path)
    test_weakest_level_loses(path)
    test_threads(path)
    test_end_of_game(path)
    sys.exit(CHECKS.report())


if __name__ == "__main__":
    main()
