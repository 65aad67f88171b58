#!/usr/bin/env python3
"""How fast the engine leaves an endless search when told to.

UCI: N times `position` (the start, a short opening, or a position with a quick mate, after
which the engine waits for its stop), `go infinite`, a random wait of 0.3 to 1.5 s, then `stop`;
the latency runs from the moment `stop` was written to the arrival of `bestmove` (monotonic clock,
arrival stamped by the reader thread). The info lines that arrive after `stop` was written are
counted too (`info depth` ones apart), as is a missing bestmove.
xboard: the same with `analyze`, then `exit` followed at once by `ping N`; the latency runs to
`pong N`, and the thinking lines that arrive in between are counted.

usage: stop_latency.py [ENGINE] [--tries N] [--protocol uci|xboard|both] [--seed S]
ENGINE defaults to build/orvo. Prints every try, then the median and the largest latency per
protocol. A measurement: the exit status is 0."""

import argparse
import os
import shutil
import random
import statistics
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from uci_match import OPENINGS, start  # noqa: E402
from xboard_match import Player, ProtocolError  # noqa: E402

MATE_IN_TWO = "2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - - 0 1"
TIMEOUT = 10.0   # seconds to wait for the answer to a stop


def positions(tries, rng):
    """(label, UCI position text, FEN or None, moves) for each try: mostly openings, cut at a
    random ply, and every fifth try the mate in two."""
    out = []
    for i in range(tries):
        if i % 5 == 4:
            out.append(("mate in 2", f"fen {MATE_IN_TWO}", MATE_IN_TWO, []))
            continue
        moves = OPENINGS[i % len(OPENINGS)].split()[:rng.randint(0, 4)]
        label = " ".join(moves) or "start"
        out.append((label, "startpos" + (" moves " + " ".join(moves) if moves else ""), None, moves))
    return out


def after(engine, t0, lines):
    """The lines of the last read (engine.got is the tail of engine.seen) that arrived at or
    after t0."""
    stamps = engine.stamps[len(engine.stamps) - len(lines):]
    return [line for line, s in zip(lines, stamps) if s >= t0]


def finish(engine):
    """Ends the engine (killed when it does not quit) and removes its scratch folder."""
    engine.quit(2)
    shutil.rmtree(engine.cwd, ignore_errors=True)


def uci_tries(command, tries, rng):
    results = []
    e = start(command, [])
    for label, position, _, _ in positions(tries, rng):
        e.send("ucinewgame")
        e.send("position " + position)
        if not e.ready():
            results.append((label, 0, None, 0, 0))
            break
        e.send("go infinite")
        wait = rng.uniform(0.3, 1.5)
        e.drain(wait)
        e.send("stop")
        t0 = time.monotonic()
        lines = e.until("bestmove", TIMEOUT)
        late = after(e, t0, e.got)
        info = [line for line in late if line.startswith("info")]
        depth = [line for line in info if line.startswith("info depth")]
        latency = (e.stamps[-1] - t0) * 1000 if lines else None
        results.append((label, wait, latency, len(info), len(depth)))
        if lines is None:  # a stuck engine: start a new one for the next try
            finish(e)
            e = start(command, [])
    finish(e)
    return results


def xboard_tries(command, tries, rng):
    results = []
    e = Player(command)
    e.start()
    for label, _, fen, moves in positions(tries, rng):
        e.send("new")
        e.send("force")
        if fen:
            e.send(f"setboard {fen}")
        for m in moves:
            e.move(m)
        e.send("post")
        e.sync()
        e.send("analyze")
        wait = rng.uniform(0.3, 1.5)
        e.drain(wait)
        e.ping += 1
        e.send("exit")
        e.send(f"ping {e.ping}")
        t0 = time.monotonic()
        lines = e.until(f"pong {e.ping}", TIMEOUT)
        late = after(e, t0, e.got)
        thinking = [line for line in late if line[:1].isdigit()]
        latency = (e.stamps[-1] - t0) * 1000 if lines else None
        results.append((label, wait, latency, len(late) - (1 if lines else 0), len(thinking)))
        if lines is None:
            finish(e)
            e = Player(command)
            e.start()
    finish(e)
    return results


def report(protocol, results, what):
    print(f"== {protocol}: {what}")
    print(f"  {'try':>3} {'position':26} {'wait ms':>7} {'latency ms':>10} {'lines after':>11} {'of which depth/thinking':>23}")
    for i, (label, wait, latency, lines, depth) in enumerate(results):
        shown = f"{latency:.1f}" if latency is not None else "none"
        print(f"  {i + 1:>3} {label[:26]:26} {wait * 1000:>7.0f} {shown:>10} {lines:>11} {depth:>23}")
    got = [r[2] for r in results if r[2] is not None]
    missing = len(results) - len(got)
    if got:
        print(f"  {protocol}: median {statistics.median(got):.1f} ms, largest {max(got):.1f} ms over {len(got)} tries"
              f"{f', {missing} without an answer within {TIMEOUT:g} s' if missing else ''}; "
              f"lines after the command: {sum(r[3] for r in results)} in all, "
              f"largest {max(r[3] for r in results)} in one try", flush=True)
    else:
        print(f"  {protocol}: no answer in {len(results)} tries", flush=True)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("engine", nargs="?", default=os.path.join(HERE, "..", "build", "orvo"))
    ap.add_argument("--tries", type=int, default=20)
    ap.add_argument("--protocol", choices=("uci", "xboard", "both"), default="both")
    ap.add_argument("--seed", type=int, default=1)
    args = ap.parse_args()
    if args.protocol in ("uci", "both"):
        report("uci", uci_tries(args.engine, args.tries, random.Random(args.seed)),
               "go infinite, stop -> bestmove (info lines after stop)")
    if args.protocol in ("xboard", "both"):
        try:
            results = xboard_tries(args.engine, args.tries, random.Random(args.seed))
        except ProtocolError as err:
            print(f"== xboard: {err}")
        else:
            report("xboard", results, "analyze, exit + ping -> pong (thinking lines after exit)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
