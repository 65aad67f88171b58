#!/usr/bin/env python3
"""Orvo driven by python-chess (chess.engine.SimpleEngine), the way analysis scripts and bots
built on that library drive an engine, over UCI and over xboard.

For each protocol:
  1. analyse: a mate in two, a pawn race whose variations promote, and the start position;
     every variation the engine prints is replayed here, move by move;
  2. play with ponder=True: a few moves from the start (the reply is the predicted move every
     other time, so both the ponderhit and the stop of a missed guess are used) and a mating
     attack whose replies are always the predicted ones (a ponderhit into a mate);
  3. a match of N games against an opponent (Orvo itself by default) at BASE+INC, with the clocks
     kept here: the time a play() call took comes off the mover's clock, the increment is added,
     and a clock below zero loses. An engine that has not answered a while after its clock ran out
     is closed and the game lost on time, since python-chess sets no time limit on a clock search.

Everything python-chess logs at WARNING or above about Orvo's output (unexpected lines,
unparsable info or pv, invalid ponder moves) is counted; python-chess takes an unplayable xboard
variation silently, which the replay of step 1 catches.

usage: client_session.py ENGINE [--games N] [--tc BASE+INC] [--protocol uci|xboard|both]
                         [--opponent CMD] [--opponent-protocol uci|xboard]
                         [--opponent-option NAME=VALUE] [--ponder] [--max-plies N] [--seed S]
ENGINE and CMD are command lines (split as a shell would). The opponent speaks the protocol under
test when it is Orvo and UCI otherwise, unless --opponent-protocol says. With --ponder Orvo also
ponders in the match. Exit status 1 on any warning, time loss, illegal move, protocol error,
analysis fault (an unplayable variation, a wrong mate) or fault of the ponder play, else 0;
"skipped" and 0 without python-chess (give its folder in PYTHONPATH; ../shared/python-chess
beside the checkout is also looked at)."""

import argparse
import collections
import logging
import os
import random
import re
import shlex
import shutil
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
try:
    import chess
    import chess.engine
except ImportError:
    sys.path.insert(0, os.path.join(HERE, "..", "..", "shared", "python-chess"))
    try:
        import chess
        import chess.engine
    except ImportError:
        print("client_session: skipped (python-chess not found; put its folder in PYTHONPATH)")
        sys.exit(0)

sys.path.insert(0, HERE)
from uci_match import OPENINGS  # noqa: E402

MATE_IN_TWO = "2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - - 0 1"
POSITIONS = [  # label, FEN, mate in N expected (0: none)
    ("mate in 2", MATE_IN_TWO, 2),
    ("pawn race", "8/8/1k4P1/8/8/8/1p4K1/8 w - - 0 1", 0),
    ("start", chess.STARTING_FEN, 0),
]
GRACE = 3.0     # seconds past an empty clock before a silent engine is closed
LOG = logging.getLogger("chess.engine")


# ---- What python-chess logs ------------------------------------------------------------------

class Tally(logging.Handler):
    """Keeps python-chess's records of WARNING and above as (section, pid, text). Each engine's
    event loop runs in a thread named after its pid, so a record is tied to its engine even when
    its text does not name it. While capture is a list, the lines the engine of capture_pid
    sends are appended to it (python-chess logs them at DEBUG)."""

    def __init__(self):
        super().__init__(logging.DEBUG)
        self.section = ""
        self.records = []
        self.capture = None
        self.capture_pid = None

    def emit(self, record):
        m = re.search(r"pid=(\d+)", record.threadName or "")
        pid = m.group(1) if m else "?"
        text = record.getMessage()
        if record.levelno >= logging.WARNING:
            text = re.sub(r" \(<Future.*?>\)", "", text.splitlines()[0] if text else "")
            if record.exc_info and record.exc_info[1]:
                text += f" ({type(record.exc_info[1]).__name__}: {record.exc_info[1]})"
            self.records.append((self.section, pid, text))
        elif self.capture is not None and pid == self.capture_pid and ": >> " in text:
            self.capture.append(text.split(": >> ", 1)[1])

    def about(self, section, pids):
        return [text for s, pid, text in self.records if s == section and pid in pids]


def distinct(texts, n=6):
    """The first n distinct texts, numbers and pids blanked, each with its count."""
    counts = collections.Counter(re.sub(r"\b\d+\b", "N", t) for t in texts)
    return [f"{c} x {t[:150]}" for t, c in list(counts.items())[:n]]


# ---- Engines ---------------------------------------------------------------------------------

class Player:
    """One engine behind python-chess; restarted when it has ended or was closed."""

    def __init__(self, command, protocol, options, orvo):
        self.command, self.protocol, self.options, self.orvo = command, protocol, options, orvo
        self.pids = set()
        self.folders = []
        self.restarts = -1
        self.engine = None
        self.start()

    def start(self):
        if self.engine:
            self.engine.close()
        popen = chess.engine.SimpleEngine.popen_uci if self.protocol == "uci" else chess.engine.SimpleEngine.popen_xboard
        argv = shlex.split(self.command)
        if os.path.exists(argv[0]):
            argv[0] = os.path.abspath(argv[0])
        # The engine writes its log in its working folder: a scratch one, not the checkout.
        self.folder = tempfile.mkdtemp(prefix="orvo_client_")
        self.folders.append(self.folder)
        self.engine = popen(argv, cwd=self.folder, timeout=20)
        self.pids.add(str(self.engine.transport.get_pid()))
        self.name = self.engine.id.get("name", os.path.basename(argv[0]))
        if self.options:
            self.engine.configure(self.options)
        self.restarts += 1

    def alive(self):
        return not self.engine.protocol.returncode.done()

    def close(self):
        try:
            self.engine.quit()
        except Exception:
            self.engine.close()
        for folder in self.folders:
            shutil.rmtree(folder, ignore_errors=True)


def timed_play(player, board, limit, budget, **kwargs):
    """(PlayResult or None, seconds it took, what went wrong or None). The engine is closed when
    the play has not returned within budget seconds."""
    fired = threading.Event()

    def expire():
        fired.set()
        player.engine.close()

    timer = threading.Timer(budget, expire)
    began = time.monotonic()
    timer.start()
    try:
        result, fault = player.engine.play(board, limit, **kwargs), None
    except Exception as err:  # EngineError (an illegal move among them), or the engine ended
        result, fault = None, f"{type(err).__name__}: {err}"
    finally:
        timer.cancel()
    used = time.monotonic() - began
    if fired.is_set():
        fault = f"no move within {budget:.1f} s"
    if not player.alive() or fired.is_set():
        player.start()
    return result, used, fault


# ---- 1. Analysis ------------------------------------------------------------------------------

def replay(board, line, protocol):
    """(moves of the line's variation, the first token that is not a legal move there or None);
    None for a line that carries no variation."""
    words = line.split()
    if protocol == "uci":
        if words[:1] != ["info"] or "pv" not in words:
            return None
        tokens = words[words.index("pv") + 1:]
    else:
        ints = 0
        while ints < len(words) and re.fullmatch(r"-?\d+", words[ints]):
            ints += 1
        if ints < 4:
            return None
        tokens = [w for w in words[ints:] if not re.fullmatch(r"\d*\.+", w) and w not in ("<", ">")]
    b = board.copy(stack=False)
    moves = []
    for token in tokens:
        try:
            move = b.parse_uci(token) if protocol == "uci" else b.parse_xboard(token)
        except ValueError:
            return moves, token
        moves.append(move)
        b.push(move)
    return moves, None


def analyse(player, tally, protocol, seconds):
    faults = []
    for label, fen, mate in POSITIONS:
        board = chess.Board(fen)
        tally.capture, tally.capture_pid = [], str(player.engine.transport.get_pid())
        LOG.setLevel(logging.DEBUG)
        try:
            info = player.engine.analyse(board, chess.engine.Limit(time=seconds))
        except Exception as err:
            faults.append(f"{label}: {type(err).__name__}: {str(err) or 'no answer in time'}")
            info = {}
            if not player.alive():
                player.start()
        finally:
            LOG.setLevel(logging.WARNING)
            lines, tally.capture = tally.capture, None
        pvs = promoting = ending = 0
        for line in lines:
            got = replay(board, line, protocol)
            if got is None:
                continue
            moves, bad = got
            pvs += 1
            promoting += any(m.promotion for m in moves)
            if bad:
                faults.append(f"{label}: {bad!r} is no legal move after {' '.join(m.uci() for m in moves) or 'the root'}"
                              f" in {line.strip()[:100]!r}")
            elif moves and moves[-1].promotion:
                ending += 1
        score = info.get("score")
        pv = info.get("pv", [])
        text = f"{label}: depth {info.get('depth')}, score {score.white() if score else None}, pv {' '.join(m.uci() for m in pv[:8])}"
        print(f"  {text}; {pvs} variations, {promoting} with a promotion, {ending} ending in one", flush=True)
        if mate:
            b = board.copy()
            for m in pv[:2 * mate - 1]:
                b.push(m)
            if not score or score.white() != chess.engine.Mate(mate) or not b.is_checkmate():
                faults.append(f"{label}: score {score.white() if score else None} (mate in {mate} expected), "
                              f"pv {' '.join(m.uci() for m in pv[:2 * mate - 1])} "
                              f"{'mates' if b.is_checkmate() else 'does not mate'}")
    return faults


# ---- 2. Play with ponder=True -----------------------------------------------------------------

def ponder_play(player, base, inc, rng):
    """Two short runs; returns (lines to print, faults)."""
    report, faults = [], []
    for label, fen, moves, always in (("from the start", chess.STARTING_FEN, 6, False),
                                      ("mating attack", MATE_IN_TWO, 3, True)):
        board = chess.Board(fen)
        clock = {chess.WHITE: base, chess.BLACK: base}
        game = object()
        offered = hits = misses = 0
        worst_hit = 0.0
        hit = False
        for i in range(moves):
            if board.is_game_over():
                break
            side = board.turn
            limit = chess.engine.Limit(white_clock=clock[chess.WHITE], black_clock=clock[chess.BLACK],
                                       white_inc=inc, black_inc=inc)
            result, used, fault = timed_play(player, board, limit, clock[side] + GRACE, game=game, ponder=True)
            if hit:
                worst_hit = max(worst_hit, used)
            if fault:
                faults.append(f"ponder play {label}, move {i + 1}{' after a ponderhit' if hit else ''}: {fault}")
                break
            clock[side] -= used
            if clock[side] < 0:
                faults.append(f"ponder play {label}: clock ran out ({used:.2f} s on move {i + 1})")
                break
            clock[side] += inc
            board.push(result.move)
            if board.is_game_over():
                break
            offered += result.ponder is not None
            legal = list(board.legal_moves)
            hit = result.ponder in legal and (always or i % 2 == 0)
            if hit:
                reply = result.ponder
                hits += 1
            else:
                others = [m for m in legal if m != result.ponder]
                reply = rng.choice(others or legal)
                misses += result.ponder is not None
            board.push(reply)
        end = "checkmate" if board.is_checkmate() else f"{len(board.move_stack)} plies"
        report.append(f"{label}: {end}, ponder moves {offered}, hits {hits}, misses {misses}, "
                      f"longest move after a ponderhit {worst_hit * 1000:.0f} ms")
    return report, faults


# ---- 3. Match ---------------------------------------------------------------------------------

def match(orvo, opponent, args, section):
    """Plays the games; returns a tally of what happened to Orvo (both sides in self-play)."""
    t = collections.Counter()
    problems = []
    for g in range(args.games):
        opening = OPENINGS[(g // 2) % len(OPENINGS)].split()
        white, black = (orvo, opponent) if g % 2 == 0 else (opponent, orvo)
        players = {chess.WHITE: white, chess.BLACK: black}
        board = chess.Board()
        for text in opening:
            board.push_uci(text)
        clock = {chess.WHITE: args.base, chess.BLACK: args.base}
        game = (section, g)
        loser, reason = None, None
        while True:
            outcome = board.outcome(claim_draw=True)
            if outcome:
                result, reason = outcome.result(), outcome.termination.name.lower()
                break
            if board.ply() >= args.max_plies:
                result, reason = "1/2-1/2", "ply limit"
                break
            side = board.turn
            p = players[side]
            limit = chess.engine.Limit(white_clock=clock[chess.WHITE], black_clock=clock[chess.BLACK],
                                       white_inc=args.inc, black_inc=args.inc, clock_id=game)
            res, used, fault = timed_play(p, board, limit, clock[side] + GRACE, game=game,
                                          ponder=args.ponder and p is orvo)
            clock[side] -= used
            loser = p
            result = "0-1" if side == chess.WHITE else "1-0"
            if fault and fault.startswith("no move within"):
                reason = f"time ({fault})"
            elif fault:
                reason = ("illegal move: " if "illegal" in fault.lower() else "error: ") + fault
            elif clock[side] < 0:
                reason = f"time ({used:.2f} s used, {clock[side]:.2f} s left)"
            elif res.resigned:
                reason = "resigned"
            elif res.move is None or res.move not in board.legal_moves:
                reason = f"illegal move: {res.move}"
            else:
                clock[side] += args.inc
                board.push(res.move)
                loser = None
                continue
            break
        orvo_won = (result == "1-0") == (white is orvo) and result != "1/2-1/2"
        t["wins" if orvo_won else "draws" if result == "1/2-1/2" else "losses"] += 1
        if loser is not None and loser.orvo:
            kind = "time losses" if reason.startswith("time") else "illegal moves" if reason.startswith("illegal") else \
                "errors" if reason.startswith("error") else "resigns"
            t[kind] += 1
            problems.append(f"game {g + 1}: {loser.name} lost by {reason}")
        for p in (orvo, opponent):
            if p.engine and p.alive():
                try:
                    p.engine.send_game_result(board)
                except Exception as err:
                    t["errors"] += p.orvo
                    problems.append(f"game {g + 1}: result to {p.name}: {type(err).__name__}: {err}")
            if not p.alive():
                p.start()
        print(f"  game {g + 1}: {white.name} - {black.name} {result} ({reason}, {board.ply()} plies)", flush=True)
    return t, problems


# ---- Main -------------------------------------------------------------------------------------

def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("engine")
    ap.add_argument("--games", type=int, default=20)
    ap.add_argument("--tc", default="10+0.1", help="BASE+INC in seconds")
    ap.add_argument("--protocol", choices=("uci", "xboard", "both"), default="both")
    ap.add_argument("--opponent", help="command line of the opponent (default: ENGINE)")
    ap.add_argument("--opponent-protocol", choices=("uci", "xboard"))
    ap.add_argument("--opponent-option", action="append", default=[], help="NAME=VALUE, e.g. 'Skill Level=3'")
    ap.add_argument("--ponder", action="store_true", help="Orvo ponders in the match too")
    ap.add_argument("--analyse-seconds", type=float, default=1.0)
    ap.add_argument("--max-plies", type=int, default=400)
    ap.add_argument("--seed", type=int, default=1)
    args = ap.parse_args()
    base, _, inc = args.tc.partition("+")
    args.base, args.inc = float(base), float(inc or 0)
    rng = random.Random(args.seed)
    for command in (args.engine, args.opponent or args.engine):
        program = shlex.split(command)[0]
        if not (os.path.isfile(program) or shutil.which(program)):
            ap.error(f"no such engine: {program}")

    # python-chess reports a failure that follows an already returned result through the event
    # loop, which logs it under "asyncio": both loggers go to the tally only.
    tally = Tally()
    for logger in (LOG, logging.getLogger("asyncio")):
        logger.addHandler(tally)
        logger.setLevel(logging.WARNING)
        logger.propagate = False

    rows = []
    for protocol in (("uci", "xboard") if args.protocol == "both" else (args.protocol,)):
        tally.section = protocol
        print(f"== {protocol}", flush=True)
        orvo = Player(args.engine, protocol, {}, True)
        same = args.opponent is None or args.opponent == args.engine
        op_protocol = args.opponent_protocol or (protocol if same else "uci")
        options = dict(o.split("=", 1) for o in args.opponent_option)
        opponent = Player(args.opponent or args.engine, op_protocol, options, same)
        faults = analyse(orvo, tally, protocol, args.analyse_seconds)
        report, ponder_faults = ponder_play(orvo, args.base, args.inc, rng)
        for line in report:
            print("  ponder play " + line, flush=True)
        t, problems = match(orvo, opponent, args, protocol)
        for p in (orvo, opponent):
            p.close()
        pids = orvo.pids | (opponent.pids if opponent.orvo else set())
        warnings = tally.about(protocol, pids)
        other = tally.about(protocol, opponent.pids) if not opponent.orvo else []
        rows.append((protocol, t, warnings, faults, ponder_faults, problems, other, orvo.restarts + opponent.restarts * opponent.orvo))

    print()
    print(f"{'protocol':8} {'games':>5} {'Orvo +/=/-':>11} {'time losses':>11} {'illegal':>7} {'errors':>6} "
          f"{'warnings':>8} {'analysis faults':>15} {'ponder faults':>13} {'restarts':>8}")
    failed = False
    for protocol, t, warnings, faults, ponder_faults, problems, other, restarts in rows:
        games = t["wins"] + t["draws"] + t["losses"]
        print(f"{protocol:8} {games:>5} {t['wins']:>4}/{t['draws']}/{t['losses']:<4} {t['time losses']:>11} "
              f"{t['illegal moves']:>7} {t['errors']:>6} {len(warnings):>8} {len(faults):>15} "
              f"{len(ponder_faults):>13} {restarts:>8}")
        failed |= bool(warnings or faults or ponder_faults or t["time losses"] or t["illegal moves"] or t["errors"])
    for protocol, t, warnings, faults, ponder_faults, problems, other, restarts in rows:
        for title, items in (("warnings about Orvo", distinct(warnings)), ("analysis faults", faults[:6]),
                             ("ponder faults", ponder_faults[:6]), ("games", problems[:6]),
                             ("warnings about the opponent (not counted)", distinct(other, 3))):
            if items:
                print(f"{protocol} {title}:")
                for item in items:
                    print("  " + item)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
