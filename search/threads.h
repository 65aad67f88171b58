#pragma once
// Helper threads for a parallel search. Each helper searches the same root as the main thread
// with its own search state (Search, MoveList, PE, see and the pawn hash are per thread) and
// shares only the transposition table with it, so what one thread finds the others read.
//
// The threads are created (with their pawn hash tables) only when the thread count changes, and
// wait on a condition variable between searches; nothing is allocated while they search.
// Everything here is called from the main thread only, between searches, except
// HelperStopRequested and SearchRoutines::HelperPoll, which the helpers call.

#include <cstdint>

#include "board/chess_board.h"
#include "movegen/order_tables.h"

// The most search threads the engine runs: the main thread and its helpers.
constexpr int MaxSearchThreads = 256;

// A helper thread's poll interval, in nodes: how soon it sees a stop request, and how many of its
// nodes the count of all threads may miss (less under a node limit, which the count must meet).
constexpr int64_t HelperPollInterval = 1024;
constexpr int64_t NodeLimitHelperPollInterval = 128;

// A helper's work, run in the helper thread with its number (1 .. ThreadCount() - 1; the main
// thread is 0). It finds the main thread's search state and game history already copied into
// its own Search and MoveList, with Search.Helper set; it should end soon after
// HelperStopRequested() turns true (the helper's search polls for it).
using HelperTask = void (*)(int thread);

// Starts or ends helper threads so that count threads search: the main thread and count - 1
// helpers (count is taken into 1 .. MaxSearchThreads). Stops the helpers first if they run.
// Returns the number of threads there are now: fewer than asked when a thread or its table
// cannot be had.
int SetThreadCount(int count);
int ThreadCount();

// Copies the main thread's search state (Search, with Helper set, a helper's poll interval and
// its node counters at 0) and its game history (MoveList) into every helper, clears the stop
// request and wakes the helpers to run task. Waits first for helpers still running a task.
void StartHelpers(HelperTask task);

// Asks the helpers to stop and waits until every one has finished its task. Returns at once
// when they are idle.
void StopHelpers();

// Clears every helper's pawn hash, as ClearPawnHash clears the main thread's at a new game.
// Stops the helpers first if they run.
void ClearHelperPawnHashes();

// Whether the helpers have been asked to stop (a relaxed read; the helpers poll it).
bool HelperStopRequested();

// The nodes the helpers have searched in their present or last task, as each last published
// them (at every poll and at the end of its task): the main thread adds its own for the total.
int64_t HelperNodes();

// ---- The helpers' search ----------------------------------------------------------------------
// With more than one thread, the main thread's iterative deepening starts the helpers on its root
// (StartHelperSearch) and stops them when it ends (EndHelperSearch). Each helper deepens the
// same root on its own, every second one a ply ahead, prints nothing and plays nothing: what it
// finds reaches the main thread through the shared table, and the iterations it finishes may
// become the main thread's answer (SearchRoutines::TakeHelperIteration). While the main thread carries out a
// command that arrived during the search, the helpers wait (PauseHelperSearch), since the
// command may change what they read; they go on afterwards (ResumeHelperSearch) unless the
// search is over. All of it does nothing with one thread. PauseHelperSearch tells whether the
// helpers were searching.
void StartHelperSearch(const ChessBoard& root);
bool PauseHelperSearch();
void ResumeHelperSearch();
void EndHelperSearch();

// An iteration a helper finished: its depth, its score and its variation from the root.
struct FinishedIteration {
  int Depth = 0;
  int Score = 0;
  int Length = 0;
  PVEntry Line[MaxPly];
};

// The main thread tells the helpers which iteration it starts: a helper never searches a
// shallower one, whose results would no longer help it.
void AnnounceIteration(int depth);

// The depth of the deepest iteration any helper has finished in this search (0: none yet).
int DeepestHelperIteration();
// Copies that iteration; false when no helper has finished one. The main thread calls it once
// the helpers have stopped.
bool TakeDeepestHelperIteration(FinishedIteration* out);

// Under a node limit the main thread publishes its node count at every poll, so that the helpers
// can tell when all threads together have reached the limit.
void PublishMainThreadNodes(int64_t nodes);

// The nodes of the present (or last) search, all threads together.
int64_t SearchNodesAllThreads();

// The endgame table hits of the present (or last) search, all threads together.
int64_t SearchTableHitsAllThreads();
