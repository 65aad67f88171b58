#!/usr/bin/env python3
"""xboard sessions over pipes: one as an old (protocol 1) GUI sends it, where every move the engine
sends has the form "N. ... e2e4 ", the game-end announcements from prepared positions, and a
protocol 2 session (features, ping, usermove, "move e2e4", takebacks)."""

import os
import re
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness.board import line_is_legal  # noqa: E402
from harness.checks import Checks  # noqa: E402
from harness.engine import MOVE_LINE, Engine  # noqa: E402


def start(binary, protover=False):
    eng = Engine([binary], stderr_to_stdout=True)
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
    m = checks.answer("reply to e2e4", eng, "e2e4", MOVE_LINE, 15)
    if m:
        checks.check("Black's first move is numbered 1", m.group(1) == "1", eng.got)
        checks.check("no greeting or diagram in xboard mode",
                     not any(line.startswith("Hello") or line.startswith("8  ") for line in eng.got), eng.got)
        moves = ["e2e4", m.group(2)]

    # A move that is not legal is refused in xboard's own form; the game goes on.
    checks.answer("illegal move refused", eng, "e2e5", r"^Illegal move: e2e5$", 5)
    m = checks.answer("reply to d2d4", eng, "d2d4", MOVE_LINE, 15)
    if m:
        checks.check("second move numbered 2", m.group(1) == "2", eng.got)
        moves += ["d2d4", m.group(2)]
    checks.check(f"session moves legal: {moves}", line_is_legal(moves))

    # "force" + moves, then "go": the engine takes over the side to move.
    new_game(eng)
    eng.send("force")
    eng.send("e2e4")
    eng.send("e7e5")
    m = checks.answer("move after force and go", eng, "go", MOVE_LINE, 15)
    if m:
        checks.check("move after force is legal", line_is_legal(["e2e4", "e7e5", m.group(2)]))

    # setboard: promoting while taking the rook wins at once; the move carries its letter.
    eng.send("force")
    eng.send("setboard r3k3/1P6/8/8/8/8/8/K7 w - - 0 1")
    m = checks.answer("move after setboard", eng, "go", MOVE_LINE, 15)
    if m:
        checks.check(f"promotion with its letter, got {m.group(2)}", m.group(2) == "b7a8q", eng.got)

    # edit: the xboard board editor, then the engine moves from the edited position.
    new_game(eng)
    eng.send("force")
    for word in ["edit", "#", "Ke1", "Qd1", "c", "Ke8", "Pa7", "."]:
        eng.send(word)
    m = checks.answer("move after edit", eng, "go", MOVE_LINE, 15)
    if m:
        checks.check(f"edited-position move legal: {m.group(2)}",
                     line_is_legal([m.group(2)], "4k3/p7/8/8/8/8/8/3QK3 w - - 0 1"), eng.got)

    # analyze: thinking lines, a status line on ".", a move that moves the analysis on, exit.
    new_game(eng)
    eng.send("force")
    checks.answer("analysis prints thinking lines", eng, "analyze", r"^\s*\d+ -?\d+ \d+ \d+ ", 10)
    checks.answer("stat01 line while analysing", eng, ".", r"^stat01: \d+ \d+ \d+ \d+ \d+$", 10)
    checks.answer("analysis goes on after a move", eng, "e2e4", r"^\s*\d+ -?\d+ \d+ \d+ ", 10)
    got = eng.got
    eng.send("exit")
    time.sleep(0.5)
    out = got + eng.drain(0.5)
    checks.check("analysis never plays a move", not any(re.match(MOVE_LINE, line) for line in out), out)
    # After the analysis the game position is 1. e4 with Black to move.
    eng.send("black")
    m = checks.answer("move after analysis", eng, "go", MOVE_LINE, 15)
    if m:
        checks.check(f"move after analysis legal: {m.group(2)}", line_is_legal(["e2e4", m.group(2)]))

    eng.send("quit")
    checks.check("quit ends the xboard session with status 0", eng.wait(5) == 0)


def move_now_and_quit_while_thinking(binary, checks):
    eng = start(binary)
    eng.send("st 60")
    eng.send("go")
    time.sleep(1.0)
    t0 = time.time()
    eng.send("?")
    m, got = eng.expect(MOVE_LINE, 5)
    checks.check("'?' makes the engine move at once", m is not None and time.time() - t0 < 3, got)
    eng.send("go")
    time.sleep(1.0)
    t0 = time.time()
    eng.send("quit")
    code = eng.wait(5)
    checks.check(f"quit while thinking ends the engine promptly ({code})", code == 0 and time.time() - t0 < 3)


def end_of_input(binary, checks):
    eng = start(binary)
    eng.send("e2e4")
    eng.expect(MOVE_LINE, 15)
    eng.close_input()
    checks.check("end of input ends an xboard session", eng.wait(10) == 0)
    # Also while the engine thinks.
    eng = start(binary)
    eng.send("st 60")
    eng.send("go")
    time.sleep(0.5)
    eng.close_input()
    checks.check("end of input while thinking ends the engine", eng.wait(10) == 0)


def announcement(binary, checks, name, commands, expected, no_move=False):
    eng = start(binary)
    for c in commands:
        eng.send(c)
    checks.expect(f"{name}: announces {expected!r}", eng, "^" + re.escape(expected) + "$", 20)
    if no_move:
        checks.check(f"{name}: no move line for a move the engine does not have",
                     not any(re.match(MOVE_LINE, line) or re.match(r"^\d+\. \.\.\.", line) for line in eng.got),
                     eng.got)
        checks.check(f"{name}: no thinking line either, with post on",
                     not any(re.match(THINKING, line) for line in eng.got), eng.got)
    # The engine stays for the GUI's next game.
    new_game(eng)
    checks.answer(f"{name}: the engine plays the next game", eng, "e2e4", MOVE_LINE, 15)
    eng.send("quit")
    checks.check(f"{name}: quit after the game", eng.wait(5) == 0)


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
    eng = Engine([binary], stderr_to_stdout=True)
    eng.send("xboard")
    eng.send("protover 2")
    m, got = eng.expect(r"^feature .*done=1", 5)
    features = {}
    for line in got:
        for item in re.findall(r'(\w+)=("[^"]*"|\S+)', line[8:] if line.startswith("feature ") else ""):
            features[item[0]] = item[1]
    checks.check("protover 2 ends its features with done=1", m is not None, got)
    # The transposition table (over 150 MB) is faulted in only once the handshake is answered.
    rss = eng.resident_mb()
    checks.check(f"the table is not touched before done=1 ({rss} MB in use)", rss is None or rss < 100)
    wanted = dict(ping="1", setboard="1", usermove="1", playother="1", san="0", time="1", draw="0", sigint="0",
                  sigterm="1", debug="1", reuse="1", analyze="1", memory="1", colors="0", variants='"normal,fischerandom"')
    checks.check(f"features {features}", all(features.get(k) == v for k, v in wanted.items()) and
                 features.get("myname", "").startswith('"Orvo'))
    options = [line[len('feature option="'):-1] for line in got if line.startswith('feature option="')]
    checks.check("option features before done=1",
                 {"BookFile -file ", "BookDepth -spin 0 0 1000", "BookVariety -check 0",
                  "Move Overhead -spin 30 0 5000", "MultiPV -spin 1 1 256"} <= set(options), got)
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
    checks.check("option refuses bad values and names",
                 errors == ["Error (Move Overhead needs a number of milliseconds, 0 to 5000): option Move Overhead=abc",
                            "Error (unknown option): option Hashes=4"], got)
    offered = {line[len('feature option="'):-1] for line in got if line.startswith('feature option="')}
    checks.check("option sets good values", {"BookDepth -spin 12 0 1000", "BookVariety -check 1",
                                              "Move Overhead -spin 250 0 5000", "MultiPV -spin 2 1 256"} <= offered,
                 got)
    eng.send("option MultiPV=1")
    eng.send("new")
    eng.send("st 1")
    checks.check("ping answered while waiting", sync(eng, 1) is not None)
    rss = eng.resident_mb()
    checks.check(f"new faults the table in before the first search ({rss} MB in use)", rss is None or rss >= 150)

    # usermove; the reply is a "move" line, and a ping during the search is answered after it.
    eng.send("usermove e2e4")
    time.sleep(0.3)
    got = sync(eng, 2, 15) or []
    moves = [re.match(V2_MOVE, line).group(1) for line in got if re.match(V2_MOVE, line)]
    checks.check("usermove answered with one legal move line before the pong",
                 len(moves) == 1 and line_is_legal(["e2e4"] + moves), got)
    checks.check("no old move line after protover 2", not any(re.match(r"^\d+\. \.\.\.", line) for line in got), got)
    checks.answer("illegal usermove refused", eng, "usermove e2e5", r"^Illegal move: e2e5$", 5)

    # remove: back to the start with White (the user) to move; e2e3 needs the pawn on e2.
    eng.send("remove")
    eng.send("usermove e2e3")
    m, got = eng.expect(V2_MOVE + "|^Illegal", 15)
    checks.check("remove restores the start position",
                 m is not None and m.group(1) and line_is_legal(["e2e3", m.group(1)]), got)

    # force while thinking stops the search without a move; undo twice restores the start again.
    eng.send("st 30")
    eng.send("force")
    eng.send("undo")
    eng.send("undo")
    eng.send("go")
    time.sleep(0.5)
    eng.send("force")
    got = sync(eng, 3) or []
    checks.check("force while thinking plays nothing", not any(re.match(V2_MOVE, line) for line in got), got)
    eng.send("usermove b1c3")
    eng.send("undo")
    eng.send("usermove g1f3")
    eng.send("undo")
    eng.send("undo")
    eng.send("usermove e7e5")
    m, got = eng.expect(r"^Illegal move: e7e5$", 3)
    checks.check("undo beyond the game start refused, White still to move",
                 m is not None and "Error (no move to take back): undo" in got, got)

    # A takeback keeps the game history: the third occurrence after undo is still a repetition.
    eng.send("st 1")
    for mv in ["g1f3", "g8f6", "f3g1", "f6g8", "g1f3", "g8f6", "f3g1", "b8c6", "undo", "playother",
               "usermove f6g8"]:
        eng.send(mv if mv in ("undo", "playother") else "usermove " + mv)
    checks.expect("repetition found after a takeback", eng, r"^1/2-1/2 \{Draw by repetition\}$", 15)

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
        checks.check(f"repetition claimed {'' if claim else 'not '}after d7d5 beside the pawn on {fen[18:20]}",
                     m is not None and m.group(0).startswith("1/2") == claim, got)

    # sd 3 ends the search after the third iteration; "new" removes the limit again, and the
    # thinking lines show the real time in centiseconds (about 200 with st 2).
    eng.send("new")
    eng.send("post")
    eng.send("sd 3")
    eng.send("usermove e2e4")
    m, got = eng.expect(V2_MOVE, 15)
    depths = [int(line.split()[0]) for line in got if re.match(r"^\d+ -?\d+ \d+ \d+ ", line)]
    checks.check(f"sd 3 searches to depth 3 ({depths})", m is not None and depths and depths[-1] == 3, got)
    eng.send("new")
    eng.send("post")
    eng.send("st 2")
    eng.send("usermove e2e4")
    m, got = eng.expect(V2_MOVE, 15)
    lines = [line.split() for line in got if re.match(r"^\d+ -?\d+ \d+ \d+ ", line)]
    checks.check("without sd after new; thinking time in centiseconds",
                 m is not None and lines and int(lines[-1][0]) > 3 and 50 <= int(lines[-1][2]) <= 400, got)
    eng.send("nopost")

    # A refused FEN keeps the position: h2h3 is legal only where White still has its h-pawn.
    eng.send("new")
    eng.send("force")
    checks.answer("illegal FEN answered with tellusererror", eng, "setboard 8/8/8/8/8/8/8/K7 w - - 0 1",
                  r"^tellusererror Illegal position$", 5)
    eng.send("usermove h2h3")
    eng.send("frobnicate 1 2")
    eng.send("memory 16")
    eng.send("result 1-0 {White resigns}")
    got = sync(eng, 4) or []
    checks.check("position kept after the refused FEN", not any(line.startswith("Illegal") for line in got), got)
    checks.check("unknown command answered once", "Error (unknown command): frobnicate" in got and
                 sum(line.startswith("Error") for line in got) == 1, got)
    eng.send("new")
    eng.send("usermove d2d4")
    m, got = eng.expect(V2_MOVE, 15)
    checks.check("plays after memory 16", m is not None and line_is_legal(["d2d4", m.group(1)]), got)
    eng.send("quit")
    checks.check("quit ends the protocol 2 session", eng.wait(5) == 0)


THINKING = r"^\s*\d+ -?\d+ \d+ \d+ "


# What an xboard GUI reads from the engine; anything else must be a "# " comment, which it ignores.
PROTOCOL_LINE = (r"^(feature |move [a-h][1-8][a-h][1-8][qrbn]?$|pong \d+$|stat01: |Hint: |Illegal move|Error \("
                 r"|tell|(1-0|0-1|1/2-1/2) \{|# )|" + THINKING)


def comments_only(binary, checks):
    """A short session (a move, analysis that ends by itself, exit, quit): every line the engine
    writes is a protocol message or a comment; its own news (greeting, speed, abort, farewell)
    comes as comments."""
    eng = Engine([binary], stderr_to_stdout=True)
    for line in ["xboard", "protover 2", "new", "post", "st 1"]:
        eng.send(line)
    checks.answer("comments session: a move", eng, "usermove e2e4", V2_MOVE, 15)
    checks.answer("comments session: illegal move", eng, "usermove e2e5", r"^Illegal move: e2e5$", 5)
    for line in ["force", "sd 3", "analyze"]:
        eng.send(line)
    checks.expect("comments session: analysis to depth 3", eng, r"^ *3 -?\d+ ", 10)
    eng.send("exit")
    eng.send("quit")
    checks.check("comments session: quit", eng.wait(5) == 0)
    eng.drain(1.0)
    out = eng.seen
    stray = [line for line in out if not re.match(PROTOCOL_LINE, line)]
    checks.check("every line of an xboard session is a protocol message or a comment", out and not stray, stray)
    wanted = ["# Orvo ", "# info time", "# Search Aborted due to receiveing following string: exit",
              "# Bye, Thanks for the match."]
    checks.check("greeting, analysis speed, abort and farewell come as comments",
                 out[:1] == ["# Orvo "] and all(any(line.startswith(w) for line in out) for w in wanted), out)
    # A GUI that rejects the debug feature gets no comment at all after that.
    eng = Engine([binary], stderr_to_stdout=True)
    for line in ["xboard", "protover 2", "rejected debug", "new", "analyze"]:
        eng.send(line)
    eng.drain(0.5)
    eng.send("exit")
    eng.send("quit")
    eng.wait(5)
    eng.drain(0.5)
    late = [line for line in eng.seen[1:] if line.startswith("#")]
    checks.check("no comment once debug is rejected", eng.seen[:1] == ["# Orvo "] and not late, eng.seen)


def cpu_seconds(eng):
    """Processor time the engine has used so far (Linux)."""
    fields = open(f"/proc/{eng.proc.pid}/stat").read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def pondering_hints_and_analysis(binary, checks):
    eng = Engine([binary], stderr_to_stdout=True)
    for line in ["xboard", "protover 2", "new", "hard", "post", "st 2", "go"]:
        eng.send(line)
    m, got = eng.expect(V2_MOVE, 15)
    m2, got2 = eng.expect(r"^Hint: (\S+)$", 5)
    if not checks.check("after its move the engine names the reply it ponders on", m is not None and m2 is not None,
                        got + got2):
        eng.kill()
        return
    moves = [m.group(1), m2.group(1)]
    eng.send("hint")
    m, got = eng.expect(r"^Hint: (\S+)$", 5)
    checks.check("hint while pondering names the predicted move", m is not None and m.group(1) == moves[1], got)
    cpu = cpu_seconds(eng)
    time.sleep(2.5)
    checks.check("pondering uses processor time on the opponent's time", cpu_seconds(eng) - cpu > 0.5)
    checks.check("ping answered at once while pondering", sync(eng, 1, 2) is not None)
    # The predicted move: the search goes on as the engine's own, with the ponder time counted.
    t0 = time.time()
    m = checks.answer("reply to the predicted move", eng, "usermove " + moves[1], V2_MOVE, 15)
    if m:
        checks.check(f"the predicted move is answered sooner than a fresh 2 s search ({time.time() - t0:.2f} s)",
                     time.time() - t0 < 1.2, eng.got)
        moves.append(m.group(1))
    # Another move: pondering stops and the real move is searched.
    m, got = eng.expect(r"^Hint: (\S+)$", 5)
    other = next(mv for mv in ["a7a6", "h7h6", "a7a5", "h7h5", "b8c6", "g8f6"]
                 if m is None or mv != m.group(1))
    eng.send("usermove " + other)
    m, got = eng.expect(V2_MOVE + "|^Illegal", 15)
    checks.check("a move other than the predicted one is searched and answered legally",
                 m is not None and m.group(1) and line_is_legal(moves + [other, m.group(1)]), got)
    # easy: no more thinking on the opponent's time.
    eng.send("easy")
    sync(eng, 2)
    cpu = cpu_seconds(eng)
    time.sleep(1.0)
    checks.check("easy stops pondering", cpu_seconds(eng) - cpu < 0.3)

    # hint with no prediction (a new game) comes from a short search; bk without a book says so.
    eng.send("new")
    eng.send("hint")
    m, got = eng.expect(r"^Hint: ([a-h][1-8][a-h][1-8])$", 10)
    checks.check("hint at the start of a game", m is not None and line_is_legal([m.group(1)]), got)
    eng.send("bk")
    m, got = eng.expect(r"^$", 5)
    checks.check("bk: indented lines, then an empty line", m is not None and any(line.startswith("\t") for line in got),
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
        checks.check(f"no line of the old position after {command}", m is not None and not stale, got)
    eng.send("exit")
    eng.send("quit")
    checks.check("quit after pondering and analysis", eng.wait(5) == 0)


def main():
    binary, checks = sys.argv[1], Checks("test_xboard")
    for test in (protocol2, comments_only, pondering_hints_and_analysis, session, move_now_and_quit_while_thinking,
                 end_of_input, announcements):
        test(binary, checks)
    return checks.report()


if __name__ == "__main__":
    sys.exit(main())
