#pragma once
// Turning the clock into a budget for one move: milliseconds first (from the time left, the
// increment, the moves per session or a fixed time per move), then nodes, using the measured speed.

#include <cstdint>

// Wall-clock limit of the running timed search in milliseconds since its start (0 = none). The node
// budget is the engine's normal brake; this is the safety net that keeps it from losing on time
// when the speed estimate is far off.
extern int32_t HardTimeLimitMs;

// Milliseconds that every move is assumed to lose outside the engine (GUI, pipes, network): taken
// off every budget. The UCI option "Move Overhead"; the same default in xboard and console play.
constexpr int32_t DefaultMoveOverheadMs = 30;
constexpr int32_t MaxMoveOverheadMs = 5000;
extern int32_t MoveOverheadMs;

// Reads the clock settings of MainStatus (ST, MovesPerSession, TimeLeft, TimeIncMs, GamePly, UCIMode)
// and writes MainStatus.TimePerMove and MainStatus.EmergencyTimeThreshold (both in milliseconds)
// and HardTimeLimitMs. lastBookPly is the game ply of the last book move. Logs every step.
void ComputeTimeBudget(int32_t lastBookPly);

// (nodesPerSecond / perMs) * ms, computed without overflow and capped at INT32_MAX.
int32_t NodesForTime(int32_t nodesPerSecond, int32_t perMs, int64_t ms);

// Doubles a budget value without overflow.
int32_t DoubledBudget(int32_t value);

// Poll interval of a timed search: at most half a second of nodes and at most 16384 nodes, and
// short enough that a small budget or wall-clock limit is checked several times while it runs.
int64_t TimedPollInterval(int32_t nodesPerSecond, int32_t nodesPerMove, int32_t hardLimitMs);
