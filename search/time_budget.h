#pragma once
// Turning the clock into a budget for one move: milliseconds first (from the time left, the
// increment, the moves per session or a fixed time per move), then nodes, using the measured speed.

#include <cstdint>

// The running values of the clock of a search, kept by the search itself: when it started, the
// time and node budgets it works to, the speed it measured, how deep it got.
struct SearchClock {
  int32_t StartTime = 0;               // clock (ms) at the start of the current search
  int32_t TimePerMove = 0;             // the time budget of the move, in milliseconds
  int32_t EmergencyTimeThreshold = 0;  // in milliseconds while budgeting, then in nodes
  int32_t NodesPerSecond = 1200000;    // the speed last measured (a guess until then)
  int32_t CompletedDepth = 0;
  int32_t SearchDepthReached = 0;      // the deepest ply of the running iteration
  int32_t ElapsedSeconds = 0;          // the running search's time, from its nodes and speed
};
extern SearchClock Clock;

// Wall-clock limit of the running timed search in milliseconds since its start (0 = none). The node
// budget is the engine's normal brake; this is the safety net that keeps it from losing on time
// when the speed estimate is far off.
extern int32_t HardTimeLimitMs;

// Milliseconds that every move is assumed to lose outside the engine (GUI, pipes, network): taken
// off every budget. The UCI option "Move Overhead"; the same default in xboard and console play.
constexpr int32_t DefaultMoveOverheadMs = 30;
constexpr int32_t MaxMoveOverheadMs = 5000;
extern int32_t MoveOverheadMs;

// Reads the clock of the search's limits (ST, MovesPerSession, TimeLeft, TimeIncMs, GamePly) and
// writes Clock.TimePerMove and Clock.EmergencyTimeThreshold (both in milliseconds) and
// HardTimeLimitMs. lastBookPly is the game ply of the last book move. Logs every step.
void ComputeTimeBudget(int32_t lastBookPly);

// (nodesPerSecond / perMs) * ms, computed without overflow and capped at INT32_MAX.
int32_t NodesForTime(int32_t nodesPerSecond, int32_t perMs, int64_t ms);

// Doubles a budget value without overflow.
int32_t DoubledBudget(int32_t value);

// Poll interval of a timed search: at most half a second of nodes and at most 16384 nodes, and
// short enough that a small budget or wall-clock limit is checked several times while it runs.
int64_t TimedPollInterval(int32_t nodesPerSecond, int32_t nodesPerMove, int32_t hardLimitMs);
