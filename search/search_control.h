#pragma once
// What the search does between nodes: hearing the commands that arrive while it thinks, checking
// its time and node budget, measuring its speed, and the two questions every stop decision asks.
// Used by the node procedure, the root and the driver.

#include <cstdint>

#include "search/search_routines.h"

// Does the search wait for a command once it has searched everything (a ponder search, until
// "ponderhit" or the opponent's move makes it the engine's own; an infinite analysis)?
inline bool WaitsForStop() { return Search.Limits.Ponder || Search.Limits.Infinite; }

// Must the tree unwind now? A stop (the clock, a node limit, a command) outside a fixed-depth
// search, or a "move now", which every search honours. Asked after every move.
inline bool MustUnwind() { return (Search.StopNow && Search.Limits.FD == 0) || Search.MoveNow; }

// May another root move, or another iteration, be started? Not once the time is up or a stop
// came, outside a fixed-depth search, nor after a "move now".
inline bool MayStartMore() {
  return !Search.MoveNow && !((Search.TimeUp || Search.StopNow) && Search.Limits.FD == 0);
}

// After iteration `depth` scored `score`: whether the search goes on with the next iteration,
// stops with the move it has, or has searched everything there is to search (a mate, the only
// legal move, its depth limit) -- then analysis and pondering wait for the command that ends them.
enum class NextIteration : uint8_t { Start, Stop, SearchedOut };
NextIteration AfterIteration(int depth, int score, int depthLimit);

// How the search hears the commands that arrive while it thinks. The front end that talks to
// the GUI installs its own: Waiting tells, without blocking, whether a command has arrived;
// Handle reads one and carries it out, and returns its text when the command ends the search
// (a new position, "quit", ...), nullptr otherwise. Without one the search hears nothing.
struct CommandSource {
  bool (*Waiting)();
  const char* (*Handle)();
};
void InstallCommandSource(CommandSource source);
// The source installed now, so that a caller that searches without one can put it back.
CommandSource InstalledCommandSource();

// Reads one waiting command (blocks until it has one) and hands it to the front end. Returns true
// when the command ended the search (the abort flags are then set and the message printed).
bool HandleWaitingCommand();

// Infinite analysis or pondering with nothing left to search: waits for the command that ends
// it. "stop" or "?" ends it with the best move; "ponderhit" hands the move to the game; a command
// that ends the search ends it without one. Anything else is answered and the wait goes on.
// Returns at once when the search no longer waits (a "ponderhit" came while it searched).
void WaitForCommand();

// The poll made by a node when its countdown has run out: commands first, then the time
// check. Returns true when the node must return 0 at once.
bool PollInputAndClock();

// The look at the input alone, made far more often than the poll above (every
// InputCheckInterval nodes), so that a command is answered within a millisecond or two of
// arriving whatever the poll interval; it costs one system call when no input waits. Returns
// true when the node must return 0 at once.
constexpr int32_t InputCheckInterval = 1024;
bool PollInput();

// The clock turned into a node budget at the start of a timed search (and at a "ponderhit"):
// half the time budget's nodes at the speed last measured, until the search measures its own.
void StartTimeBudget();
// Logs the budget a search starts with.
void LogInitialBudget();

// Measures the speed from the nodes searched so far and turns the time budget into nodes.
// inTree: measured at a poll inside the tree (reports the speed) rather than between iterations.
void CalibrateSpeed(bool inTree);

// Asked when the node count has reached the node budget of a timed search. The node budget is
// the time budget turned into nodes with a measured speed; a speed measured while the machine
// stalled (memory faulted in, another process running) is too low and makes far too few nodes of
// the time. When the clock says clearly less time has passed than the budget, the speed is
// measured again over the whole search so far. Returns true when the budget holds by that measure
// (the search goes on), false when the budget is spent.
bool NodeBudgetHoldsByClock();

// At the end of a timed search long enough to tell: the next search starts from the speed of
// this whole search rather than from a measure of its first part, which a stall may have spoilt.
void KeepWholeSearchSpeed();

// Doubles the node and time budgets once for a root score that is falling.
void ExtendBudget();

// The speed estimate, at least 1 node per second.
int32_t SafeNodesPerSecond();

// Poll interval of a search without a clock budget (analysis, pondering, fixed depth, a node
// or mate limit).
int64_t UntimedPollInterval();

// Poll interval of a timed search, in nodes: frequent until the process has measured its speed.
int64_t TimedSearchPollInterval();

// Sets the speed estimate to a fixed guess, unless a search of this process has measured the
// real speed: a measurement is never replaced by a guess.
void SeedNodesPerSecond(int32_t guess);
// Whether the speed has been measured (cleared only by tests).
extern bool SpeedMeasured;
