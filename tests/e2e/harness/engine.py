"""An engine process behind pipes: start it with its arguments, send lines, read lines until one
matches, and end it. Every read has a time limit, and any engine still running when the script
ends is killed, so a silent or stuck engine never hangs a test or a match."""

import atexit
import os
import queue
import re
import shlex
import subprocess
import tempfile
import threading
import time
import weakref

_running = weakref.WeakSet()


@atexit.register
def _kill_all():
    for engine in list(_running):
        engine.kill()


def _reader(pipe, lines, prompts):
    """Queues the output lines of the unbuffered pipe as (arrival time, line), then None at its end."""
    partial = b""
    while True:
        try:
            chunk = pipe.read(65536)  # whatever has arrived, at most this much
        except (OSError, ValueError):
            chunk = b""
        if not chunk:
            break
        *complete, partial = (partial + chunk).split(b"\n")
        if prompts and partial.endswith(b": "):
            complete.append(partial)
            partial = b""
        for raw in complete:
            lines.put((time.monotonic(), raw.decode(errors="replace").rstrip("\r")))
    if partial:
        lines.put((time.monotonic(), partial.decode(errors="replace").rstrip("\r")))
    lines.put(None)


class Engine:
    """One engine process. command is a list of arguments or one string split as a shell would;
    the program named in it runs in cwd (a new scratch folder when none is given), where it may
    write its log. A reader thread queues the output lines; with prompts, a line that ends in
    ": " without a line feed (the console's "Enter Move: ") counts as a line of its own."""

    def __init__(self, command, cwd=None, stderr_to_stdout=False, prompts=False):
        argv = shlex.split(command) if isinstance(command, str) else [str(a) for a in command]
        if os.path.exists(argv[0]):
            argv[0] = os.path.abspath(argv[0])
        self.name = os.path.basename(argv[0])
        self.cwd = cwd or tempfile.mkdtemp(prefix="orvo_engine_")
        self.proc = subprocess.Popen(argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.STDOUT if stderr_to_stdout else subprocess.DEVNULL,
                                     cwd=self.cwd, bufsize=0)
        self.queue = queue.Queue()   # (arrival time, line); None at the end of the output
        self.seen = []               # every line read so far
        self.stamps = []             # when each line of seen arrived (time.monotonic())
        self.got = []                # the lines the last read took, also when it found nothing
        self.ended = False           # the end of the output has been read
        # The thread gets the pipe and the queue, not the object, whose fields a caller may replace.
        threading.Thread(target=_reader, args=(self.proc.stdout, self.queue, prompts), daemon=True).start()
        _running.add(self)

    def send(self, line):
        """Writes one line; an engine that has closed its input is found by the next read."""
        try:
            self.proc.stdin.write((line + "\n").encode())
            self.proc.stdin.flush()
        except (OSError, ValueError):
            pass

    def until(self, match, timeout=10.0):
        """Reads lines up to the first that matches (a line prefix, or a test of a line); returns
        them, that one last, or None when none came within timeout seconds or the output ended.
        Either way self.got holds the lines read."""
        test = match if callable(match) else (lambda line: line.startswith(match))
        deadline = time.monotonic() + timeout
        self.got = []
        while not self.ended:
            try:
                item = self.queue.get(timeout=max(0.0, deadline - time.monotonic()))
            except queue.Empty:
                return None
            if item is None:
                self.ended = True
                break
            self.stamps.append(item[0])
            self.seen.append(item[1])
            self.got.append(item[1])
            if test(item[1]):
                return self.got
        return None

    def expect(self, pattern, timeout=20.0):
        """(the match of the first line that matches the regular expression, or None; the lines read)."""
        regex = re.compile(pattern)
        lines = self.until(regex.search, timeout)
        return (regex.search(lines[-1]) if lines else None), self.got

    def line(self, timeout):
        """The next line, or None."""
        lines = self.until(lambda line: True, timeout)
        return lines[0] if lines else None

    def drain(self, seconds=0.3):
        """The lines that arrive within seconds."""
        self.until(lambda line: False, seconds)
        return self.got

    def silent(self, match, seconds):
        """True when no matching line arrives within seconds (and the engine is still talking)."""
        return self.until(match, seconds) is None and not self.ended

    # ---- UCI -----------------------------------------------------------------------------------

    def uci(self, options=(), timeout=30.0):
        """The UCI start: "uci" up to "uciok" (the engine's "id name" becomes its name), the options
        (NAME=VALUE strings or a dict), then "isready" up to "readyok". Returns the lines up to
        uciok, or None when an answer did not come."""
        self.send("uci")
        lines = self.until("uciok", timeout)
        if lines is None:
            return None
        for line in lines:
            if line.startswith("id name "):
                self.name = line[8:].strip()
        pairs = options.items() if isinstance(options, dict) else (o.partition("=")[::2] for o in options)
        for name, value in pairs:
            self.send(f"setoption name {name} value {value}")
        return lines if self.ready(timeout) else None

    def ready(self, timeout=30.0):
        self.send("isready")
        return self.until("readyok", timeout) is not None

    def bestmove(self, go, timeout=10.0):
        """Sends the go command; the move of the bestmove line, or None."""
        self.send(go)
        lines = self.until("bestmove", timeout)
        words = lines[-1].split() if lines else []
        return words[1] if len(words) > 1 else None

    # ---- The end ---------------------------------------------------------------------------------

    def close_input(self):
        try:
            self.proc.stdin.close()
        except OSError:
            pass

    def wait(self, timeout=10.0):
        """The exit status, or None when the engine was still running after timeout seconds (it is
        killed then)."""
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.kill()
            return None

    def quit(self, timeout=10.0):
        """Sends "quit"; the exit status as wait() gives it."""
        self.send("quit")
        return self.wait(timeout)

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()

    def resident_mb(self):
        """Memory the process has in use (its resident set) in MB, or None where the system does
        not tell (no /proc)."""
        try:
            with open(f"/proc/{self.proc.pid}/status") as status:
                for line in status:
                    if line.startswith("VmRSS:"):
                        return int(line.split()[1]) // 1024
        except OSError:
            pass
        return None


def xboard_move(line):
    """The move of an xboard move line ("move e2e4" after protover 2, "1. ... e2e4" before it), or
    None for any other line."""
    m = re.match(r"^(?:move\s+(\S+)|\d+\.\s*\.\.\.\s*(\S+))", line)
    return (m.group(1) or m.group(2)) if m else None


# The move line this engine writes in console play and in xboard before protover 2, exactly:
# move number, "...", the move, one space.
MOVE_LINE = r"^(\d+)\. \.\.\. ([a-h][1-8][a-h][1-8][qrbn]?) $"
