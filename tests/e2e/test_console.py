#!/usr/bin/env python3
"""Console play over pipes, as a person types: a first word that is a move, help, moves in
algebraic notation, undo keeping the person's colour, hint, a command without its argument, an
illegal move refused with the position unchanged, a game saved as PGN (during the game and after
a mate) and read back, quit, the end of input, Ctrl-C at the first prompt, and a self-played
ending that waits after its announcement."""

import os
import pty
import re
import select
import signal
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness.board import line_is_legal  # noqa: E402
from harness.checks import Checks  # noqa: E402
from harness.engine import MOVE_LINE, Engine  # noqa: E402

RANK_LINE = re.compile(r"^([1-8])  ((?:[-PNBRQKpnbrqk] ){8}) [1-8]$")


def read_diagram(eng, checks, what):
    """Reads the next board diagram; returns its eight rank lines (rank 8 first) or None."""
    ranks = []
    m, got = eng.expect(r"^8  ", 20)
    if not checks.check(f"{what}: a board diagram", m is not None, got):
        return None
    ranks.append(got[-1])
    for _ in range(7):
        m, got = eng.expect(RANK_LINE.pattern, 5)
        if m is None:
            break
        ranks.append(got[-1])
    checks.check(f"{what}: the whole diagram", len(ranks) == 8, ranks)
    return ranks


def black_reply(eng, checks, what):
    """Waits for the engine's answer as Black; returns its move or None."""
    m, got = eng.expect(MOVE_LINE, 30)
    checks.check(f"engine answers {what} as Black", m is not None and m.group(2)[1] in "78", got)
    return m.group(2) if m else None


def saved_game(checks, path, what):
    """Reads a saved PGN file back: (tags, moves in algebraic notation, result) or None."""
    if not checks.check(f"{what}: the file was written", os.path.exists(path)):
        return None
    with open(path) as f:
        text = f.read()
    tags = dict(re.findall(r'^\[(\w+) "([^"]*)"\]$', text, re.M))
    movetext = text.split("\n\n", 1)[1] if "\n\n" in text else ""
    tokens = [t for t in movetext.split() if not re.match(r"^\d+\.+$", t)]
    checks.check(f"{what}: seven tags and the result after the moves", len(tags) >= 7 and tokens and tokens[-1] == tags.get("Result"), text.splitlines())
    return tags, tokens[:-1], tokens[-1] if tokens else None


def san_replay(binary, moves, fen=None):
    """Plays the algebraic moves for both sides in a fresh console engine; returns the final
    diagram, or None when a move was refused."""
    eng = Engine([binary, "-fd", "1"], stderr_to_stdout=True, prompts=True)
    eng.send("force")
    if fen:
        eng.send("setboard " + fen)
    for mv in moves:
        eng.send(mv)
    eng.send("d")
    eng.send("quit")
    eng.wait(20)
    out = eng.drain(1.0)
    if any(re.search(r"Illegal move|Not a move|Ambiguous|Error", line) for line in out):
        return None
    return [line for line in out if RANK_LINE.match(line)][-8:]


def game(binary, checks):
    eng = Engine([binary, "-fd", "3"], stderr_to_stdout=True, prompts=True)
    eng.send("e2e4")  # the first word is the first move
    m, got = eng.expect(r"^Hello! I am Orvo$")
    checks.check("console greeting", m is not None, got)
    m, got = eng.expect(r"help lists the commands")
    checks.check("the greeting says how to play", m is not None, got)
    m, got = eng.expect(r"^MAXDEPTH = 3$")
    checks.check("MAXDEPTH line shows the fixed depth", m is not None, got)
    start = read_diagram(eng, checks, "greeting")
    checks.check("start diagram", start is not None and start[0].startswith("8  r n b q k b n r"), start)
    m, got = eng.expect(r"^(Enter Move: )?e2e4$")
    checks.check("the first word is taken as the first move", m is not None, got)
    black_reply(eng, checks, "the first word e2e4")

    eng.send("help")
    m, got = eng.expect(r"^  help ", 10)
    listed = " ".join(line.split()[0] for line in got if line.startswith("  "))
    checks.check("help lists the console commands", m is not None and all(c in listed for c in ["undo", "hint", "save", "resign", "new", "go", "level",
                                                             "strength"]), got)

    # undo takes back the reply and the person's move: the start position, White still to move.
    eng.send("undo")
    after_undo = read_diagram(eng, checks, "after undo")
    checks.check("undo brings back the start position", after_undo == start, after_undo)
    moves = ["d2d4"]
    eng.send("d4")
    moves.append(black_reply(eng, checks, "another first move d4 after undo"))

    # A command without its argument is refused by name; the next line is a command of its own.
    eng.send("st")
    m, got = eng.expect(r"^st needs its argument", 10)
    checks.check("st without its argument names the command", m is not None, got)
    eng.send("sd 0")
    m, got = eng.expect(r"^Error \(the depth must be 1 to 100 plies; ignored\): sd 0$", 10)
    checks.check("the next line is read as a command", m is not None, got)

    eng.send("Nf3")
    moves.append("g1f3")
    moves.append(black_reply(eng, checks, "Nf3"))
    checks.check(f"the game's moves are legal: {moves}", line_is_legal(moves))

    eng.send("save two moves.pgn")
    m, got = eng.expect(r"^Game saved to two moves\.pgn \(\*\)$", 10)
    checks.check("save after two moves", m is not None, got)
    eng.send("d")
    now = read_diagram(eng, checks, "before the save is read back")
    saved = saved_game(checks, os.path.join(eng.cwd, "two moves.pgn"), "save after two moves")
    if saved:
        tags, sans, _ = saved
        checks.check("the saved game holds the game's moves", sans[0] == "d4" and sans[2] == "Nf3" and len(sans) == 4 and tags["Black"] == "Orvo", sans)
        checks.check("the saved moves are legal and reach the game's position", now is not None and san_replay(binary, sans) == now, sans)

    # The hint is a legal move: played, the engine answers it.
    eng.send("hint")
    m, got = eng.expect(r"^Hint: (\S+)$", 30)
    if checks.check("hint names a move", m is not None, got):
        eng.send(m.group(1))
        black_reply(eng, checks, "the hinted move")

    # A move White cannot make now: refused, and the position is the same as before it.
    eng.send("displayboard")
    before = read_diagram(eng, checks, "before the illegal move")
    eng.send("a1a5")
    m, got = eng.expect(r"^Illegal move: a1a5$")
    checks.check("an illegal move is refused", m is not None, got)
    eng.send("board")
    after = read_diagram(eng, checks, "after the illegal move")
    checks.check("the refused move changed nothing", before == after and before is not None, (before or []) + (after or []))

    # A mate ends the game; the console says the result and waits; the game can be saved.
    mate_fen = "7k/1Q6/6K1/8/8/8/8/8 w - - 0 1"
    eng.send("setboard " + mate_fen)
    read_diagram(eng, checks, "after setboard")
    eng.send("Qb8#")
    m, got = eng.expect(r"^White mates!$", 10)
    checks.check("the mate is announced", m is not None, got)
    m, got = eng.expect(r"^Game over \(1-0\); save FILE, new, undo or quit: ", 10)
    checks.check("the console waits after the game", m is not None, got)
    eng.send("save mate.pgn")
    m, got = eng.expect(r"^Game saved to mate\.pgn \(1-0\)$", 10)
    checks.check("save after a mate", m is not None, got)
    saved = saved_game(checks, os.path.join(eng.cwd, "mate.pgn"), "save after a mate")
    if saved:
        tags, sans, result = saved
        checks.check("the mate is saved from its set-up position", tags.get("SetUp") == "1" and tags.get("FEN") == mate_fen and sans == ["Qb8#"] and result == "1-0", (tags, sans))
        checks.check("the saved mate is legal", san_replay(binary, sans, mate_fen) is not None)
    eng.send("save /nonexistent-dir/x.pgn")
    m, got = eng.expect(r"^Could not save the game to /nonexistent-dir/x\.pgn", 10)
    checks.check("an unwritable file is reported", m is not None, got)

    eng.send("quit")
    m, got = eng.expect(r"^Bye, Thanks for the match\.$", 10)
    checks.check("quit says goodbye", m is not None, got)
    checks.check("quit ends the program with status 0", eng.wait(10) == 0)


def read_until(fd, marker, seconds):
    """What the terminal shows until marker (bytes) appears, or seconds pass."""
    seen = b""
    deadline = time.time() + seconds
    while marker not in seen and time.time() < deadline:
        ready, _, _ = select.select([fd], [], [], max(0.0, deadline - time.time()))
        if not ready:
            break
        try:
            seen += os.read(fd, 4096)
        except OSError:
            break
    return seen.decode(errors="replace")


def at_a_terminal(binary, checks):
    """At a terminal the console speaks to a person: the first screen shows the board and a
    prompt naming the side and the move; the engine's move comes in algebraic notation with its
    number and an evaluation, with no diagnostic line; a setting is confirmed. Ctrl-C at the
    first prompt ends the program."""
    path = os.path.abspath(binary)

    def start():
        pid, fd = pty.fork()
        if pid == 0:
            try:
                os.chdir(tempfile.mkdtemp(prefix="orvo_e2e_"))
                os.execv(path, [path, "-fd", "4"])
            finally:
                os._exit(127)
        return pid, fd

    def wait(pid, fd):
        status = None
        for _ in range(100):
            done, status = os.waitpid(pid, os.WNOHANG)
            if done:
                break
            time.sleep(0.1)
        else:
            os.kill(pid, signal.SIGKILL)
            os.waitpid(pid, 0)
            status = None
        os.close(fd)
        return status

    pid, fd = start()
    first = read_until(fd, b"White, move 1: ", 20)
    checks.check("a terminal's first screen shows the board and the prompt",
                 "R N B Q K B N R" in first and first.endswith("White, move 1: "), [first])
    os.write(fd, b"e4\n")
    screen = read_until(fd, b"White, move 2: ", 60)
    checks.check("the engine's move in algebraic notation with its number and evaluation",
                 re.search(r"^1\.\.\. [NBRQK]?[a-h]?x?[a-h][1-8]  \([+-]\d+\.\d\d\)", screen, re.M) is not None, [screen])
    checks.check("the board says whose move it is", "White to move, move 2 (last move 1... " in screen, [screen])
    checks.check("no diagnostic line at a terminal",
                 not re.search(r"Game Score|PosEval|info nps|Opening Book|Time Per Move|MAXDEPTH", first + screen),
                 [first + screen])
    os.write(fd, b"st 2\n")
    said = read_until(fd, b"a move.", 10)
    checks.check("a setting is confirmed", "The engine thinks 2 seconds a move." in said, [said])
    os.write(fd, b"quit\n")
    wait(pid, fd)

    pid, fd = start()
    first = read_until(fd, b"White, move 1: ", 20)
    os.write(fd, b"\x03")
    status = wait(pid, fd)
    checks.check("Ctrl-C at the first prompt ends the program",
                 status is not None and os.WIFSIGNALED(status) and os.WTERMSIG(status) == signal.SIGINT)


def end_of_input(binary, checks):
    """Closing standard input in the middle of a game ends the process."""
    eng = Engine([binary, "-fd", "2"], stderr_to_stdout=True, prompts=True)
    eng.send("e2e4")
    eng.expect(MOVE_LINE, 30)
    eng.close_input()
    checks.check("end of input ends the console game", eng.wait(10) == 0)


def clock_and_analysis(binary, checks):
    """Without options the console plays on a clock; an out-of-range depth is refused; analysis
    ends on "exit" and the game goes on, then "quit" ends the program."""
    eng = Engine([binary], stderr_to_stdout=True, prompts=True)
    eng.send("sd 200")  # the first word, with its argument on its line
    m, got = eng.expect(r"40 moves in 5 minutes", 10)
    checks.check("console greeting names the default clock", m is not None, got)
    m, got = eng.expect(r"^Error \(the depth must be 1 to 100", 10)
    checks.check("sd 200 refused", m is not None, got)
    for bad in ("strength", "strength weak"):
        eng.send(bad)
        m, got = eng.expect(r"^(Error \(strength needs a rating from \d+ to \d+, or full\)|strength needs its argument)", 10)
        checks.check(f"'{bad}' gets a message", m is not None, got)
    for level, answer in (("1200", r"a rating of about 1200\."), ("full", r"full strength\.")):
        eng.send("strength " + level)
        m, got = eng.expect(r"^The engine plays at " + answer + "$", 10)
        checks.check(f"strength {level} is confirmed", m is not None, got)
    eng.send("analyze")
    m, got = eng.expect(r"^\d+ -?\d+ \d+ \d+ ", 20)
    checks.check("console analysis shows its thinking", m is not None, got)
    eng.send("exit")
    m, got = eng.expect(r"^Enter Move: $", 10)
    checks.check("exit ends the console analysis", m is not None, got)
    eng.send("quit")
    checks.check("quit after the analysis", eng.wait(10) == 0)


def self_play_ending(binary, checks):
    """King and queen against king, engine playing both sides: the game ends by itself with an
    announcement, the console waits for the person, and quit ends the program."""
    workdir = tempfile.mkdtemp(prefix="orvo_e2e_")
    with open(os.path.join(workdir, "kqk.fen"), "w") as f:
        f.write("8/8/8/4k3/8/8/3QK3/8 w - - 0 1\n")
    eng = Engine([binary, "-sp", "-fd", "3", "-lpf", "kqk.fen"], stderr_to_stdout=True, prompts=True, cwd=workdir)
    eng.send("d")
    m, got = eng.expect(r"^(White mates!|Black mates!|Stalemate|1/2-1/2 \{Draw by (50 Move Rule|repetition|insufficient material)\})$", 120)
    checks.check("self play ends with an announcement", m is not None, got)
    m, got = eng.expect(r"^Game over \((1-0|0-1|1/2-1/2)\); save FILE, new, undo or quit: ", 30)
    checks.check("the console waits after the game", m is not None and eng.proc.poll() is None, got)
    eng.send("quit")
    m, got = eng.expect(r"^Bye, Thanks for the match\.$", 30)
    checks.check("the program ends after the game", m is not None, got)
    checks.check("exit status 0 after the game", eng.wait(10) == 0)
    moves = [mm.group(2) for mm in (re.match(MOVE_LINE, line) for line in eng.seen) if mm]
    checks.check(f"self-play moves are legal ({len(moves)} moves)", len(moves) > 0 and line_is_legal(moves, "8/8/8/4k3/8/8/3QK3/8 w - - 0 1"))


def console_review(binary, checks):
    """A person's game reviewed at the console: the blunder that allows the mate is marked with a
    better line, and save then writes the reviewed game; a line is one command."""
    workdir = tempfile.mkdtemp(prefix="orvo_e2e_")
    eng = Engine([binary, "-quiet"], cwd=workdir, stderr_to_stdout=True, prompts=True)
    eng.send("force")
    for move in ("e4", "e5", "Qh5", "Nc6", "Bc4", "Nf6", "Qxf7#"):
        eng.send(move)
    eng.send("sd 3 4")
    m, got = eng.expect(r"Error \(one command a line: sd N\): sd 3 4$", 10)
    checks.check("extra words are refused with the usage", m is not None, got)
    eng.send("review")
    m, got = eng.expect(r"^3\.\.\. Nf6\?\? .*blunder; better 3\.\.\. ", 60)
    checks.check("review marks the blunder and gives a better line", m is not None, got)
    path = os.path.join(workdir, "reviewed.pgn")
    eng.send(f"save {path}")
    m, got = eng.expect(r"with the review$", 10)
    text = open(path).read() if os.path.exists(path) else ""
    checks.check("save writes the reviewed game", m is not None and "[Annotator " in text and "Nf6??" in text, [text])
    eng.quit()


def main():
    binary = sys.argv[1]
    checks = Checks("test_console")
    game(binary, checks)
    at_a_terminal(binary, checks)
    end_of_input(binary, checks)
    clock_and_analysis(binary, checks)
    self_play_ending(binary, checks)
    console_review(binary, checks)
    return checks.report()


if __name__ == "__main__":
    sys.exit(main())
