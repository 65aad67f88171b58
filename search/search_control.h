#pragma once
// What the search does between nodes: reading commands that arrive while it thinks, checking its
// time and node budget, measuring its speed. Used by the node procedure, the root and the driver.

#include <cstdint>

// True when the search must unwind at once: a hard stop outside a fixed-depth search, or a
// "move now" request, which is honoured in every kind of search.
bool HardStopRequested();

// Reads one waiting command (a line in UCI mode, a word otherwise; blocks until it has one)
// and hands it to the protocol's command handler. Returns true when the command aborted the
// search (the abort flags are then set and the message printed).
bool DispatchPendingCommand();

// The poll made by a node when its countdown has run out: commands first, then the time
// check. Returns true when the node must return 0 at once.
bool PollInputAndClock();

// Measures the speed from the nodes searched so far and turns the time budget into nodes.
// inTree: measured at a poll inside the tree (prints an "info nps" line) rather than between
// iterations.
void CalibrateSpeed(bool inTree);

// Doubles the node and time budgets once for a root score that is falling.
void ExtendBudget();
