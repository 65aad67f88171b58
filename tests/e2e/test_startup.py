#!/usr/bin/env python3
"""Start-up of the engine: banner, help text, exit codes, the position file option, the log file,
and the modes that must not wait for input."""

import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness.checks import Checks  # noqa: E402

HELP = (
    "xboard   used when interfacing with xboard\n"
    "-uci   used when interfacing with an UCI based GUI\n"
    "-bench  run an internal benchmark suite\n"
    "-fd  n    fixes search depth to n ply (min n = 3)\n"
    "-lpf filename  loads a position from file\n"
    "-pev  filename - run through a testsuite (EPD Format) & output full evaluation detail per position\n"
    "-sd  n   sets max search depth to n ply (min n = 3)\n"
    "-sp  self play\n"
    "-ts  filename run through a testsuite (EPD Format)\n"
)

CHECKS = Checks("test_startup")
check = CHECKS.check


def run(engine, args, stdin_text=None, cwd=None, timeout=30):
    """Runs the engine. With stdin_text None, standard input stays open and silent, so a read
    of it would block until the timeout. Returns (exit code or None on timeout, stdout, stderr)."""
    held_open = None
    if stdin_text is None:
        read_end, held_open = os.pipe()
        stdin = read_end
    else:
        stdin = subprocess.PIPE
    proc = subprocess.Popen([engine] + args, stdin=stdin, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, cwd=cwd)
    if held_open is not None:
        os.close(read_end)
    try:
        data = None if stdin_text is None else stdin_text.encode()
        out, err = proc.communicate(data, timeout=timeout)
        code = proc.returncode
    except subprocess.TimeoutExpired:
        proc.kill()
        out, err = proc.communicate()
        code = None
    finally:
        if held_open is not None:
            os.close(held_open)
    return code, out.decode(errors="replace"), err.decode(errors="replace")


def main():
    engine = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory() as tmp:
        # Help text right after the banner, exit code 0, also with options before it.
        for args in (["-help"], ["-h"], ["-fd", "3", "-nobook", "-help", "-perft"]):
            code, out, _ = run(engine, args, stdin_text="", cwd=tmp)
            check(f"help {args}", code == 0 and out == "Orvo \n" + HELP, f"code={code} out={out!r}")

        # The log is truncated at every start.
        log = os.path.join(tmp, "match.log")
        with open(log, "w") as f:
            f.write("stale entry from an earlier run\n")
        run(engine, ["-help"], stdin_text="", cwd=tmp)
        with open(log) as f:
            check("match.log truncated", "stale entry" not in f.read())

        # Position files: unreadable, empty, not a position.
        missing = os.path.join(tmp, "missing.fen")
        code, out, _ = run(engine, ["-lpf", missing], stdin_text="", cwd=tmp)
        check("lpf unreadable", code == 1 and out == "Orvo \nERROR: opening file " + missing + "\n",
              f"code={code} out={out!r}")
        empty = os.path.join(tmp, "empty.fen")
        open(empty, "w").close()
        code, out, _ = run(engine, ["-lpf", empty], stdin_text="", cwd=tmp)
        check("lpf empty", code == 0 and out.endswith("Empty file\n"), f"code={code} out={out!r}")
        bad = os.path.join(tmp, "bad.fen")
        with open(bad, "w") as f:
            f.write("rnbqkbnr/pppppppp/8/8 w KQkq - 0 1\n")
        code, out, _ = run(engine, ["-lpf", bad], stdin_text="", cwd=tmp)
        check("lpf invalid position", code == 1 and "ERROR: no valid position in file " + bad in out,
              f"code={code} out={out!r}")

        # An option lacking its argument is reported and ignored.
        code, out, _ = run(engine, ["-st"], stdin_text="quit\n", cwd=tmp)
        check("missing argument", code is not None and out.startswith("Orvo \nMissing argument for -st\n"),
              f"code={code} out={out[:200]!r}")

        # Perft reads no input: it must end while standard input stays open and silent.
        good = os.path.join(tmp, "kpk.fen")
        with open(good, "w") as f:
            f.write("8/8/8/8/3k4/8/3P4/3K4 w - - 0 1\n")
        code, out, _ = run(engine, ["-lpf", good, "-perft", "-fd", "1"], stdin_text=None, cwd=tmp)
        check("perft without input", code == 0 and out.startswith("Orvo \n"), f"code={code} out={out[:200]!r}")

        # With input closed at once the engine starts and ends by itself.
        code, out, _ = run(engine, [], stdin_text="", cwd=tmp)
        check("end of input", code is not None and out.startswith("Orvo \n"), f"code={code} out={out[:200]!r}")

    sys.exit(CHECKS.report())


if __name__ == "__main__":
    main()
