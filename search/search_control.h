#pragma once
// What the search does between nodes: reading commands that arrive while it thinks, checking its
// time and node budget, measuring its speed. Also the thinking lines all search levels print.
// Used by the node procedure, the root and the driver.

#include <cstdint>

#include "driver/status.h"
#include "search/search_routines.h"

// True when the search must unwind at once: a hard stop outside a fixed-depth search, or a
// "move now" request, which is honoured in every kind of search. Asked after every move.
inline bool HardStopRequested() { return (Search.StopNow && MainStatus.FD == 0) || Search.MoveNow; }

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

// The move text of a best move followed by the root variation (starts with a space, ends with
// a newline). The text lives in a static buffer until the next call.
const char* BestLineText(uint64_t from, uint64_t to, char promo, int score);

// A score as the thinking lines show it. UCI: "cp X" or "mate N" (moves; negative when the
// engine is being mated). xboard and console: centipawns, and 100000 + N for "mate in N moves",
// -100000 - N for "mated in N moves".
const char* UciScoreText(int score);
int ThinkingScore(int score);

// One UCI "info" line for the best line: depth, seldepth, score, nodes, nps (left out before the
// first millisecond), hashfull, time (from the clock) and the variation (BestLineText's), ending
// right after its last move. multipv > 0 numbers the line among several ("multipv N").
void PrintUciInfoLine(int depth, int score, const char* variation, int multipv = 0);
// One xboard or console thinking line, "ply score time nodes pv": the time is the real time
// since the search began, in centiseconds, from the clock.
void PrintThinkingLine(int depth, int score, const char* variation);
