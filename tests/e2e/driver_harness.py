"""A small harness for talking to the engine over pipes: send lines, wait for output lines that
match a pattern, and collect failures instead of stopping at the first one."""

import os
import queue
import re
import subprocess
import tempfile
import threading
import time


def resident_mb(pid):
    """Memory the process has in use (its resident set) in MB, or None where the system does not
    tell (no /proc)."""
    try:
        with open(f"/proc/{pid}/status") as status:
            for line in status:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1]) // 1024
    except OSError:
        pass
    return None


class Engine:
    """One engine process. Output lines are collected by a reader thread."""

    def __init__(self, binary, args=(), cwd=None):
        self.workdir = cwd or tempfile.mkdtemp(prefix="orvo_e2e_")
        self.proc = subprocess.Popen([os.path.abspath(binary)] + list(args), stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.STDOUT, cwd=self.workdir, bufsize=0)
        self.lines = queue.Queue()
        self.seen = []  # every line read so far
        self.partial = b""
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        while True:
            chunk = self.proc.stdout.read1(65536) if hasattr(self.proc.stdout, "read1") else os.read(
                self.proc.stdout.fileno(), 65536)
            if not chunk:
                if self.partial:
                    self.lines.put(self.partial.decode(errors="replace"))
                self.lines.put(None)
                return
            self.partial += chunk
            *complete, self.partial = self.partial.split(b"\n")
            for line in complete:
                self.lines.put(line.decode(errors="replace"))
            # Prompts such as "Enter Move: " end without a line feed.
            if self.partial.endswith(b": "):
                self.lines.put(self.partial.decode(errors="replace"))
                self.partial = b""

    def send(self, text):
        if not text.endswith("\n"):
            text += "\n"
        self.proc.stdin.write(text.encode())
        self.proc.stdin.flush()

    def close_input(self):
        self.proc.stdin.close()

    def expect(self, pattern, timeout=20.0):
        """Returns (match, lines read meanwhile); match is None on timeout or end of output."""
        regex = re.compile(pattern)
        deadline = time.time() + timeout
        got = []
        while True:
            left = deadline - time.time()
            if left <= 0:
                return None, got
            try:
                line = self.lines.get(timeout=left)
            except queue.Empty:
                return None, got
            if line is None:
                self.lines.put(None)  # keep reporting the end
                return None, got
            got.append(line)
            self.seen.append(line)
            m = regex.search(line)
            if m:
                return m, got

    def drain(self, seconds=0.3):
        """Reads whatever arrives within the given time."""
        got = []
        deadline = time.time() + seconds
        while time.time() < deadline:
            try:
                line = self.lines.get(timeout=max(0.01, deadline - time.time()))
            except queue.Empty:
                break
            if line is None:
                self.lines.put(None)
                break
            got.append(line)
            self.seen.append(line)
        return got

    def wait(self, timeout=10.0):
        """Exit code, or None when the process is still running after the timeout (then killed)."""
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
            return None

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()


class Checks:
    """Collects failed checks; report() prints them and gives the exit status."""

    def __init__(self):
        self.failures = []

    def check(self, condition, message, context=None):
        if not condition:
            text = message
            if context:
                text += "\n    last output: " + " | ".join(context[-12:])
            self.failures.append(text)
        return condition

    def report(self, name):
        for f in self.failures:
            print("FAIL:", f)
        print(f"{name}: {'FAILED' if self.failures else 'ok'} ({len(self.failures)} failures)")
        return 1 if self.failures else 0


MOVE_LINE = r"^(\d+)\. \.\.\. ([a-h][1-8][a-h][1-8][qrbn]?) $"


def replay_is_legal(binary, moves, fen=None):
    """Replays moves in a fresh engine in force mode; True when none is refused. The engine's own
    move reader accepts legal moves only."""
    eng = Engine(binary)
    eng.send("xboard")
    eng.send("new")
    eng.send("force")
    if fen:
        eng.send("setboard " + fen)
    for mv in moves:
        eng.send(mv)
    eng.send("quit")
    code = eng.wait(20)
    out = eng.drain(1.0)
    return code == 0 and not any("Illegal move" in line or "Error" in line for line in out)
