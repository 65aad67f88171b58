#!/usr/bin/env python3
"""xboard sessions over pipes: one as an old (protocol 1) GUI sends it, where every move the engine
sends has the form "N. ... e2e4 ", the game-end announcements from prepared positions, and a
protocol 2 session (features, ping, usermove, "move e2e4", takebacks)."""

import os
import re
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from driver_harness import Checks, Engine, MOVE_LINE, replay_is_legal, resident_mb  # noqa: E402


def start(binary, protover=False):
    eng = Engine(binary)
    for line in ["xboard"] + (["protover 2"] if protover else []) + ["new", "random", "level 40 5 0", "post",
                                                                      "hard", "st 1"]:
        eng.send(line)
    return eng


def new_game(eng):
    """As xboard does: "new" resets the time control, so it is sent again."""
    eng.send("new")
    eng.send("st 1")


def session(binary, checks):
    eng = start(binary)
    moves = []
    # The engine plays Black after 1. e4: its line starts with move number 1.
    eng.send("time 30000")
    eng.send("otim 30000")
    eng.send("e2e4")
    m, got = eng.expect(MOVE_LINE, 15)
    if checks.check(m is not None, "reply to e2e4", got):
        checks.check(m.group(1) == "1", "Black's first move is numbered 1", got)
        checks.check(not any(line.startswith("Hello") or line.startswith("8  ") for line in got),
                     "no greeting or diagram in xboard mode", got)
        moves = ["e2e4", m.group(2)]

    # A move that is not legal is refused in xboard's own form; the game goes on.
    eng.send("e2e5")
    m, got = eng.expect(r"^Illegal move: e2e5$", 5)
    checks.check(m is not None, "illegal move refused", got)
    eng.send("d2d4")
    m, got = eng.expect(MOVE_LINE, 15)
    if checks.check(m is not None, "reply to d2d4", got):
        checks.check(m.group(1) == "2", "second move numbered 2", got)
        moves += ["d2d4", m.group(2)]
    checks.check(replay_is_legal(binary, moves), f"session moves legal: {moves}")

    # "force" + moves, then "go": the engine takes over the side to move.
    new_game(eng)
    eng.send("force")
    eng.send("e2e4")
    eng.send("e7e5")
    eng.send("go")
    m, got = eng.expect(MOVE_LINE, 15)
    if checks.check(m is not None, "move after force and go", got):
        checks.check(replay_is_legal(binary, ["e2e4", "e7e5", m.group(2)]), "move after force is legal")

    # setboard: promoting while taking the rook wins at once; the move carries its letter.
    eng.send("force")
    eng.send("setboard r3k3/1P6/8/8/8/8/8/K7 w - - 0 1")
    eng.send("go")
    m, got = eng.expect(MOVE_LINE, 15)
    if checks.check(m is not None, "move after setboard", got):
        checks.check(m.group(2) == "b7a8q", f"promotion with its letter, got {m.group(2)}", got)

    # edit: the xboard board editor, then the engine moves from the edited position.
    new_game(eng)
    eng.send("force")
    for word in ["edit", "#", "Ke1", "Qd1", "c", "Ke8", "Pa7", "."]:
        eng.send(word)
    eng.send("go")
    m, got = eng.expect(MOVE_LINE, 15)
    if checks.check(m is not None, "move after edit", got):
        checks.check(replay_is_legal(binary, [m.group(2)], "4k3/p7/8/8/8/8/8/3QK3 w - - 0 1"),
                     f"edited-position move legal: {m.group(2)}", got)

    # analyze: thinking lines, a status line on ".", a move that moves the analysis on, exit.
    new_game(eng)
    eng.send("force")
    eng.send("analyze")
    m, got = eng.expect(r"^\s*\d+ -?\d+ \d+ \d+ ", 10)
    checks.check(m is not None, "analysis prints thinking lines", got)
    eng.send(".")
    m, got = eng.expect(r"^stat01: \d+ \d+ \d+ \d+ \d+$", 10)
    checks.check(m is not None, "stat01 line while analysing", got)
    eng.send("e2e4")
    m, got = eng.expect(r"^\s*\d+ -?\d+ \d+ \d+ ", 10)
    checks.check(m is not None, "analysis goes on after a move", got)
    eng.send("exit")
    time.sleep(0.5)
    out = eng.drain(0.5)
    checks.check(not any(re.match(MOVE_LINE, line) for line in got + out), "analysis never plays a move", got + out)
    # After the analysis the game position is 1. e4 with Black to move.
    eng.send("black")
    eng.send("go")
    m, got = eng.expect(MOVE_LINE, 15)
    if checks.check(m is not None, "move after analysis", got):
        checks.check(replay_is_legal(binary, ["e2e4", m.group(2)]), f"move after analysis legal: {m.group(2)}")

    eng.send("quit")
    checks.check(eng.wait(5) == 0, "quit ends the xboard session with status 0")


def move_now_and_quit_while_thinking(binary, checks):
    eng = start(binary)
    eng.send("st 60")
    eng.send("go")
    time.sleep(1.0)
    t0 = time.time()
    eng.send("?")
    m, got = eng.expect(MOVE_LINE, 5)
    checks.check(m is not None and time.time() - t0 < 3, "'?' makes the engine move at once", got)
    eng.send("go")
    time.sleep(1.0)
    t0 = time.time()
    eng.send("quit")
    code = eng.wait(5)
    checks.check(code == 0 and time.time() - t0 < 3, f"quit while thinking ends the engine promptly ({code})")


def end_of_input(binary, checks):
    eng = start(binary)
    eng.send("e2e4")
    eng.expect(MOVE_LINE, 15)
    eng.close_input()
    checks.check(eng.wait(10) == 0, "end of input ends an xboard session")
    # Also while the engine thinks.
    eng = start(binary)
    eng.send("st 60")
    eng.send("go")
    time.sleep(0.5)
    eng.close_input()
    checks.check(eng.wait(10) == 0, "end of input while thinking ends the engine")


def announcement(binary, checks, name, commands, expected, no_move=False):
    eng = start(binary)
    for c in commands:
        eng.send(c)
    m, got = eng.expect("^" + re.escape(expected) + "$", 20)
    checks.check(m is not None, f"{name}: announces {expected!r}", got)
    if no_move:
        checks.check(not any(re.match(MOVE_LINE, line) or re.match(r"^\d+\. \.\.\.", line) for line in got),
                     f"{name}: no move line for a move the engine does not have", got)
    # The engine stays for the GUI's next game.
    new_game(eng)
    eng.send("e2e4")
    m, got = eng.expect(MOVE_LINE, 15)
    checks.check(m is not None, f"{name}: the engine plays the next game", got)
    eng.send("quit")
    checks.check(eng.wait(5) == 0, f"{name}: quit after the game")


def announcements(binary, checks):
    announcement(binary, checks, "engine mated", ["force", "setboard 7k/6Q1/6K1/8/8/8/8/8 b - - 0 1", "go"],
                 "White mates!", no_move=True)
    announcement(binary, checks, "engine stalemated", ["force", "setboard 7k/8/6QK/8/8/8/8/8 b - - 0 1", "go"],
                 "Stalemate", no_move=True)
    announcement(binary, checks, "engine mates", ["force", "setboard 6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", "go"],
                 "White mates!")
    announcement(binary, checks, "fifty moves", ["force", "setboard 8/8/4k3/8/8/4KR2/8/8 w - - 99 80", "go"],
                 "1/2-1/2 {Draw by 50 Move Rule}")
    announcement(binary, checks, "insufficient material", ["setboard 4k3/8/8/8/8/8/3p4/4K3 w - - 0 1", "e1d2"],
                 "1/2-1/2 {Draw by insufficient material}")
    # The third occurrence of the start position, completed by the opponent's move.
    announcement(binary, checks, "repetition",
                 ["force", "g1f3", "g8f6", "f3g1", "f6g8", "g1f3", "g8f6", "f3g1", "playother", "f6g8"],
                 "1/2-1/2 {Draw by repetition}")


V2_MOVE = r"^move ([a-h][1-8][a-h][1-8][qrbn]?)$"


def sync(eng, n, timeout=10):
    """ping n; the lines up to the pong, or None when no pong came."""
    eng.send(f"ping {n}")
    m, got = eng.expect(rf"^pong {n}$", timeout)
    return got if m else None


def protocol2(binary, checks):
    eng = Engine(binary)
    eng.send("xboard")
    eng.send("protover 2")
    m, got = eng.expect(r"^feature .*done=1", 5)
    features = {}
    for line in got:
        for item in re.findall(r'(\w+)=("[^"]*"|\S+)', line[8:] if line.startswith("feature ") else ""):
            features[item[0]] = item[1]
    checks.check(m is not None, "protover 2 ends its features with done=1", got)
    # The transposition table (over 150 MB) is faulted in only once the handshake is answered.
    rss = resident_mb(eng.proc.pid)
    checks.check(rss is None or rss < 100, f"the table is not touched before done=1 ({rss} MB in use)")
    wanted = dict(ping="1", setboard="1", usermove="1", playother="1", san="0", time="1", draw="0", sigint="0",
                  sigterm="0", reuse="1", analyze="1", memory="1", colors="0", variants='"normal"')
    checks.check(all(features.get(k) == v for k, v in wanted.items()) and features.get("myname", "").startswith(
        '"Orvo'), f"features {features}")
    options = [line[len('feature option="'):-1] for line in got if line.startswith('feature option="')]
    checks.check({"BookFile -file ", "BookDepth -spin 0 0 1000", "BookVariety -check 0",
                  "Move Overhead -spin 30 0 5000", "MultiPV -spin 1 1 256"} <= set(options),
                 "option features before done=1", got)
    for name in features:
        eng.send(f"accepted {name}")
    # option NAME=VALUE: a good value is taken (the features show it), a bad one and an unknown
    # name are refused, each in one line.
    for line in ["option BookDepth=12", "option Move Overhead=abc", "option BookVariety=1", "option Hashes=4",
                 "option Move Overhead=250", "option MultiPV=2"]:
        eng.send(line)
    eng.send("protover 2")
    m, got = eng.expect(r"^feature .*done=1", 5)
    errors = [line for line in got if line.startswith("Error")]
    checks.check(errors == ["Error (Move Overhead needs a number of milliseconds, 0 to 5000): option Move Overhead=abc",
                            "Error (unknown option): option Hashes=4"], "option refuses bad values and names", got)
    checks.check({"BookDepth -spin 12 0 1000", "BookVariety -check 1", "Move Overhead -spin 250 0 5000",
                  "MultiPV -spin 2 1 256"} <= set(
        line[len('feature option="'):-1] for line in got if line.startswith('feature option="')),
        "option sets good values", got)
    eng.send("option MultiPV=1")
    eng.send("new")
    eng.send("st 1")
    checks.check(sync(eng, 1) is not None, "ping answered while waiting")
    rss = resident_mb(eng.proc.pid)
    checks.check(rss is None or rss >= 150, f"new faults the table in before the first search ({rss} MB in use)")

    # usermove; the reply is a "move" line, and a ping during the search is answered after it.
    eng.send("usermove e2e4")
    time.sleep(0.3)
    got = sync(eng, 2, 15) or []
    moves = [re.match(V2_MOVE, line).group(1) for line in got if re.match(V2_MOVE, line)]
    checks.check(len(moves) == 1 and replay_is_legal(binary, ["e2e4"] + moves),
                 "usermove answered with one legal move line before the pong", got)
    checks.check(not any(re.match(r"^\d+\. \.\.\.", line) for line in got), "no old move line after protover 2", got)
    eng.send("usermove e2e5")
    m, got = eng.expect(r"^Illegal move: e2e5$", 5)
    checks.check(m is not None, "illegal usermove refused", got)

    # remove: back to the start with White (the user) to move; e2e3 needs the pawn on e2.
    eng.send("remove")
    eng.send("usermove e2e3")
    m, got = eng.expect(V2_MOVE + "|^Illegal", 15)
    checks.check(m is not None and m.group(1) and replay_is_legal(binary, ["e2e3", m.group(1)]),
                 "remove restores the start position", got)

    # force while thinking stops the search without a move; undo twice restores the start again.
    eng.send("st 30")
    eng.send("force")
    eng.send("undo")
    eng.send("undo")
    eng.send("go")
    time.sleep(0.5)
    eng.send("force")
    got = sync(eng, 3) or []
    checks.check(not any(re.match(V2_MOVE, line) for line in got), "force while thinking plays nothing", got)
    eng.send("usermove b1c3")
    eng.send("undo")
    eng.send("usermove g1f3")
    eng.send("undo")
    eng.send("undo")
    eng.send("usermove e7e5")
    m, got = eng.expect(r"^Illegal move: e7e5$", 3)
    checks.check(m is not None and "Error (no move to take back): undo" in got,
                 "undo beyond the game start refused, White still to move", got)

    # A takeback keeps the game history: the third occurrence after undo is still a repetition.
    eng.send("st 1")
    for mv in ["g1f3", "g8f6", "f3g1", "f6g8", "g1f3", "g8f6", "f3g1", "b8c6", "undo", "playother",
               "usermove f6g8"]:
        eng.send(mv if mv in ("undo", "playother") else "usermove " + mv)
    m, got = eng.expect(r"^1/2-1/2 \{Draw by repetition\}$", 15)
    checks.check(m is not None, "repetition found after a takeback", got)

    # The position after d7d5 allowed e5xd6 en passant: the same pieces later are another position,
    # so the knights' dance makes only a second occurrence. With the pawn on e4 it is the third.
    for fen, claim in [("rnbqkbnr/pppppppp/8/4P3/8/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1", False),
                       ("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1", True)]:
        eng.send("new")
        eng.send("force")
        eng.send("setboard " + fen)
        eng.send("sd 2")
        for mv in ["d7d5", "g1f3", "g8f6", "f3g1", "f6g8", "g1f3", "g8f6", "f3g1"]:
            eng.send("usermove " + mv)
        eng.send("playother")
        eng.send("usermove f6g8")
        m, got = eng.expect(r"^1/2-1/2 \{Draw by repetition\}$|" + V2_MOVE, 15)
        checks.check(m is not None and m.group(0).startswith("1/2") == claim,
                     f"repetition claimed {'' if claim else 'not '}after d7d5 beside the pawn on {fen[18:20]}", got)

    # sd 3 ends the search after the third iteration; "new" removes the limit again, and the
    # thinking lines show the real time in centiseconds (about 200 with st 2).
    eng.send("new")
    eng.send("post")
    eng.send("sd 3")
    eng.send("usermove e2e4")
    m, got = eng.expect(V2_MOVE, 15)
    depths = [int(line.split()[0]) for line in got if re.match(r"^\d+ -?\d+ \d+ \d+ ", line)]
    checks.check(m is not None and depths and depths[-1] == 3, f"sd 3 searches to depth 3 ({depths})", got)
    eng.send("new")
    eng.send("post")
    eng.send("st 2")
    eng.send("usermove e2e4")
    m, got = eng.expect(V2_MOVE, 15)
    lines = [line.split() for line in got if re.match(r"^\d+ -?\d+ \d+ \d+ ", line)]
    checks.check(m is not None and lines and int(lines[-1][0]) > 3 and 50 <= int(lines[-1][2]) <= 400,
                 "without sd after new; thinking time in centiseconds", got)
    eng.send("nopost")

    # A refused FEN keeps the position: h2h3 is legal only where White still has its h-pawn.
    eng.send("new")
    eng.send("force")
    eng.send("setboard 8/8/8/8/8/8/8/K7 w - - 0 1")
    m, got = eng.expect(r"^tellusererror Illegal position$", 5)
    checks.check(m is not None, "illegal FEN answered with tellusererror", got)
    eng.send("usermove h2h3")
    eng.send("frobnicate 1 2")
    eng.send("memory 16")
    eng.send("result 1-0 {White resigns}")
    got = sync(eng, 4) or []
    checks.check(not any(line.startswith("Illegal") for line in got), "position kept after the refused FEN", got)
    checks.check("Error (unknown command): frobnicate" in got and sum(line.startswith("Error") for line in got) == 1,
                 "unknown command answered once", got)
    eng.send("new")
    eng.send("usermove d2d4")
    m, got = eng.expect(V2_MOVE, 15)
    checks.check(m is not None and replay_is_legal(binary, ["d2d4", m.group(1)]), "plays after memory 16", got)
    eng.send("quit")
    checks.check(eng.wait(5) == 0, "quit ends the protocol 2 session")


THINKING = r"^\s*\d+ -?\d+ \d+ \d+ "


def cpu_seconds(eng):
    """Processor time the engine has used so far (Linux)."""
    fields = open(f"/proc/{eng.proc.pid}/stat").read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def pondering_hints_and_analysis(binary, checks):
    eng = Engine(binary)
    for line in ["xboard", "protover 2", "new", "hard", "post", "st 2", "go"]:
        eng.send(line)
    m, got = eng.expect(V2_MOVE, 15)
    m2, got2 = eng.expect(r"^Hint: (\S+)$", 5)
    if not checks.check(m is not None and m2 is not None, "after its move the engine names the reply it ponders on",
                        got + got2):
        eng.kill()
        return
    moves = [m.group(1), m2.group(1)]
    eng.send("hint")
    m, got = eng.expect(r"^Hint: (\S+)$", 5)
    checks.check(m is not None and m.group(1) == moves[1], "hint while pondering names the predicted move", got)
    cpu = cpu_seconds(eng)
    time.sleep(2.5)
    checks.check(cpu_seconds(eng) - cpu > 0.5, "pondering uses processor time on the opponent's time")
    checks.check(sync(eng, 1, 2) is not None, "ping answered at once while pondering")
    # The predicted move: the search goes on as the engine's own, with the ponder time counted.
    t0 = time.time()
    eng.send("usermove " + moves[1])
    m, got = eng.expect(V2_MOVE, 15)
    if checks.check(m is not None, "reply to the predicted move", got):
        checks.check(time.time() - t0 < 1.2, f"the predicted move is answered sooner than a fresh 2 s search "
                                              f"({time.time() - t0:.2f} s)", got)
        moves.append(m.group(1))
    # Another move: pondering stops and the real move is searched.
    m, got = eng.expect(r"^Hint: (\S+)$", 5)
    other = next(mv for mv in ["a7a6", "h7h6", "a7a5", "h7h5", "b8c6", "g8f6"]
                 if m is None or mv != m.group(1))
    eng.send("usermove " + other)
    m, got = eng.expect(V2_MOVE + "|^Illegal", 15)
    checks.check(m is not None and m.group(1) and replay_is_legal(binary, moves + [other, m.group(1)]),
                 "a move other than the predicted one is searched and answered legally", got)
    # easy: no more thinking on the opponent's time.
    eng.send("easy")
    sync(eng, 2)
    cpu = cpu_seconds(eng)
    time.sleep(1.0)
    checks.check(cpu_seconds(eng) - cpu < 0.3, "easy stops pondering")

    # hint with no prediction (a new game) comes from a short search; bk without a book says so.
    eng.send("new")
    eng.send("hint")
    m, got = eng.expect(r"^Hint: ([a-h][1-8][a-h][1-8])$", 10)
    checks.check(m is not None and replay_is_legal(binary, [m.group(1)]), "hint at the start of a game", got)
    eng.send("bk")
    m, got = eng.expect(r"^$", 5)
    checks.check(m is not None and any(line.startswith("\t") for line in got), "bk: indented lines, then an empty line",
                 got)

    # Analysis: once a move or undo has been read, no line of the old position is printed.
    eng.send("force")
    eng.send("analyze")
    eng.expect(r"^1[0-9] -?\d+ ", 20)  # deep enough to be in the middle of an iteration
    for command in ["e2e4", "undo"]:
        eng.send(command)
        m, got = eng.expect(r"^ *1 -?\d+ ", 10)
        # The engine says when it read the command; thinking lines after that belong to the new position.
        read = next((i for i, line in enumerate(got) if "Search Aborted" in line), None)
        stale = [line for line in got[read:-1] if re.match(THINKING, line)] if read is not None else got
        checks.check(m is not None and not stale, f"no line of the old position after {command}", got)
    eng.send("exit")
    eng.send("quit")
    checks.check(eng.wait(5) == 0, "quit after pondering and analysis")


def main():
    binary = sys.argv[1]
    checks = Checks()
    protocol2(binary, checks)
    pondering_hints_and_analysis(binary, checks)
    session(binary, checks)
    move_now_and_quit_while_thinking(binary, checks)
    end_of_input(binary, checks)
    announcements(binary, checks)
    return checks.report("test_xboard")


if __name__ == "__main__":
    sys.exit(main())
