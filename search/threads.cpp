// The pool of helper threads: created when the thread count changes, waiting on a condition
// variable between searches, woken together for a search and stopped together. See threads.h.

#include "search/threads.h"

#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>

#include "hash/move_history.h"
#include "hash/pawn_hash.h"
#include "search/busy_positions.h"
#include "search/search_routines.h"

namespace {

// A helper's stack: the search recurses up to MaxPly plies with a move list in every frame
// (a few MiB at most); the main thread has the system's 8 MiB. The thread's static TLS (its
// search state, about half a MiB) comes out of the same mapping.
constexpr size_t HelperStackBytes = size_t{32} << 20;

// One helper. Its own cache line: the node count it publishes is written while the others are
// read.
struct alignas(64) HelperSlot {
  std::atomic<int64_t> Nodes{0};      // published by the helper, read by the main thread
  std::atomic<int64_t> TableHits{0};  // the same for its endgame table hits
  // The deepest iteration the helper has finished in this search (0: none yet), written by the
  // helper under ResultLock; the main thread reads the depth at its polls, the rest once the
  // helpers are stopped.
  std::atomic<int> DepthDone{0};
  std::mutex ResultLock;
  FinishedIteration Result;
  pthread_t Thread{};
  int Index = 0;                  // the helper's thread number, 1 and up
  PawnHashEntry* PawnTable = nullptr;
  // The helper's own per-thread objects, registered by the helper when it starts.
  SearchRoutines* State = nullptr;
  MoveHistory* Positions = nullptr;
  // Guarded by PoolMutex.
  bool Registered = false;
  bool Quit = false;
  uint64_t Generation = 0;        // the last task it has taken
};

HelperSlot Slots[MaxSearchThreads - 1];
int HelperCount = 0;  // main thread only

std::mutex PoolMutex;
std::condition_variable Wake;  // helpers wait here for a task or for the end
std::condition_variable Idle;  // the main thread waits here for the helpers
// Guarded by PoolMutex.
uint64_t Generation = 0;       // counts the tasks handed out
HelperTask Task = nullptr;
int Busy = 0;                  // helpers still running the present task

alignas(64) std::atomic<bool> StopRequest{false};

// The slot of the running helper thread; nullptr in the main thread.
thread_local constinit HelperSlot* OwnSlot = nullptr;

// A helper's counts, for the main thread to read.
void Publish(HelperSlot& slot) {
  slot.Nodes.store(Search.Nodes(), std::memory_order_relaxed);
  slot.TableHits.store(Search.TableHits, std::memory_order_relaxed);
}

// The sum of one count over the helpers.
int64_t HelperSum(std::atomic<int64_t> HelperSlot::*count) {
  int64_t total = 0;
  for (int i = 0; i < HelperCount; i++) total += (Slots[i].*count).load(std::memory_order_relaxed);
  return total;
}

void* HelperMain(void* arg) {
  HelperSlot& slot = *static_cast<HelperSlot*>(arg);
  OwnSlot = &slot;
  PawnHashArray = slot.PawnTable;
  std::unique_lock<std::mutex> lock(PoolMutex);
  slot.State = &Search;
  slot.Positions = &MoveList;
  slot.Registered = true;
  Idle.notify_all();
  for (;;) {
    Wake.wait(lock, [&] { return slot.Quit || slot.Generation != Generation; });
    if (slot.Quit) break;
    slot.Generation = Generation;
    const HelperTask task = Task;
    lock.unlock();
    task(slot.Index);
    Publish(slot);
    lock.lock();
    if (--Busy == 0) Idle.notify_all();
  }
  return nullptr;
}

// Ends the last helper (idle) and releases its table.
void EndLastHelper() {
  HelperSlot& slot = Slots[HelperCount - 1];
  {
    std::lock_guard<std::mutex> lock(PoolMutex);
    slot.Quit = true;
  }
  Wake.notify_all();
  pthread_join(slot.Thread, nullptr);
  FreePawnHash(slot.PawnTable);
  slot.PawnTable = nullptr;
  slot.State = nullptr;
  slot.Positions = nullptr;
  slot.Registered = slot.Quit = false;
  HelperCount--;
}

// Starts one more helper with its own pawn hash; false when either cannot be had.
bool AddHelper() {
  HelperSlot& slot = Slots[HelperCount];
  slot.Index = HelperCount + 1;
  slot.Nodes.store(0, std::memory_order_relaxed);
  slot.TableHits.store(0, std::memory_order_relaxed);
  slot.PawnTable = NewPawnHash();
  if (slot.PawnTable == nullptr) return false;
  {
    std::lock_guard<std::mutex> lock(PoolMutex);
    slot.Generation = Generation;  // the task handed out last is not for it
    slot.Registered = slot.Quit = false;
  }
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, HelperStackBytes);
  const int failed = pthread_create(&slot.Thread, &attr, HelperMain, &slot);
  pthread_attr_destroy(&attr);
  if (failed) {
    FreePawnHash(slot.PawnTable);
    slot.PawnTable = nullptr;
    return false;
  }
  std::unique_lock<std::mutex> lock(PoolMutex);
  Idle.wait(lock, [&] { return slot.Registered; });
  HelperCount++;
  return true;
}

// At the end of the process the helpers are stopped and joined, unless a helper itself is
// ending the process (a fatal error inside its search): it cannot wait for itself.
struct JoinAtExit {
  ~JoinAtExit() {
    if (OwnSlot != nullptr) return;
    StopHelpers();
    while (HelperCount > 0) EndLastHelper();
  }
} joinAtExit;

}  // namespace

int SetThreadCount(int count) {
  count = std::clamp(count, 1, MaxSearchThreads);
  StopHelpers();
  while (HelperCount > count - 1) EndLastHelper();
  while (HelperCount < count - 1 && AddHelper()) {
  }
  return HelperCount + 1;
}

int ThreadCount() { return HelperCount + 1; }

void StartHelpers(HelperTask task) {
  if (HelperCount == 0) return;
  std::unique_lock<std::mutex> lock(PoolMutex);
  Idle.wait(lock, [] { return Busy == 0; });
  for (int i = 0; i < HelperCount; i++) {
    HelperSlot& slot = Slots[i];
    *slot.State = Search;
    slot.State->Helper = true;
    slot.State->PollCountdown = HelperPollInterval;
    slot.State->NodeCount = slot.State->QuiesceNodeCount = slot.State->HashHitCount = slot.State->TableHits = 0;
    *slot.Positions = MoveList;
    slot.Nodes.store(0, std::memory_order_relaxed);
    slot.TableHits.store(0, std::memory_order_relaxed);
  }
  StopRequest.store(false, std::memory_order_relaxed);
  Task = task;
  Busy = HelperCount;
  Generation++;
  lock.unlock();
  Wake.notify_all();
}

void StopHelpers() {
  StopRequest.store(true, std::memory_order_relaxed);
  std::unique_lock<std::mutex> lock(PoolMutex);
  Idle.wait(lock, [] { return Busy == 0; });
}

void ClearHelperPawnHashes() {
  StopHelpers();
  for (int i = 0; i < HelperCount; i++) ClearPawnHash(Slots[i].PawnTable);
}

bool HelperStopRequested() { return StopRequest.load(std::memory_order_relaxed); }

// The main thread's nodes as it last published them (under a node limit, at every poll).
std::atomic<int64_t> MainThreadNodes{0};

void PublishMainThreadNodes(int64_t nodes) { MainThreadNodes.store(nodes, std::memory_order_relaxed); }

int64_t HelperNodes() { return HelperSum(&HelperSlot::Nodes); }

namespace {

// The iteration the main thread searches now.
std::atomic<int> MainIteration{0};

// The root the helpers search, set by the main thread before it wakes them.
ChessBoard HelperRoot;
// Whether the helpers search now, and the nodes of their tasks of this search already ended.
bool HelpersSearching = false;
int64_t EarlierHelperNodes = 0;
int64_t EarlierHelperTableHits = 0;

// A finished iteration deeper than the helper's last one becomes its result.
void KeepIteration(HelperSlot& slot, int depth, int score) {
  if (depth <= slot.DepthDone.load(std::memory_order_relaxed)) return;
  const SearchRoutines& S = Search;
  std::lock_guard<std::mutex> lock(slot.ResultLock);
  FinishedIteration& r = slot.Result;
  r.Depth = depth;
  r.Score = score;
  r.Length = std::clamp<int>(S.PVLength, 1, MaxPly);
  std::copy_n(S.PV[0], r.Length, r.Line);
  slot.DepthDone.store(depth, std::memory_order_release);
}

// A helper's iterative deepening on the root: full windows, one line, no book, until the pool asks
// it to stop. Every second helper starts a ply deeper; a helper that falls behind the main
// thread goes on at the main thread's iteration. Its own root order sends it to other moves
// first (SearchTreeRoot).
void HelperSearch(int thread) {
  SearchRoutines& S = Search;
  ChessBoard board = HelperRoot;
  S.RootLine = S.RootExcludedCount = 0;
  S.MoveNow = S.StopNow = S.TimeUp = S.Aborted = false;
  S.ThreadIndex = thread;
  S.ThreadTotal = HelperCount + 1;
  uint64_t from = 0, to = 0;
  char promotion = NoPromotion;
  for (int depth = 1 + (thread & 1); depth < MaxPly / 4 && !HelperStopRequested(); depth++) {
    depth = std::max(depth, MainIteration.load(std::memory_order_relaxed));
    S.RootChange = -1;
    S.FailingLow = false;
    board.PlyLimit = depth <= 6 ? 2 * depth : 4 * depth;
    const int score = S.SearchTreeRoot(board.SideToMove, board, -MateValue, MateValue, depth, &from, &to,
                                       &promotion, static_cast<char>(board.CastleFlags));
    if (S.MoveNow) break;
    if (score != NoScore && S.RootLegalMoves > 0) KeepIteration(*OwnSlot, depth, score);
  }
}

}  // namespace

void StartHelperSearch(const ChessBoard& root) {
  EarlierHelperNodes = EarlierHelperTableHits = 0;
  for (int i = 0; i < HelperCount; i++) Slots[i].DepthDone.store(0, std::memory_order_relaxed);
  MainThreadNodes.store(0, std::memory_order_relaxed);
  // A weaker level plays on one thread, whose nodes its node cap was measured in.
  if (HelperCount == 0 || Search.Limits.NodeCap > 0) return;
  HelperRoot = root;
  SharedSearch = true;
  StartHelpers(HelperSearch);
  HelpersSearching = true;
}

bool PauseHelperSearch() {
  if (!HelpersSearching) return false;
  StopHelpers();
  EarlierHelperNodes += HelperNodes();
  EarlierHelperTableHits += HelperSum(&HelperSlot::TableHits);
  HelpersSearching = false;
  return true;
}

void ResumeHelperSearch() {
  if (HelperCount == 0 || HelpersSearching) return;
  StartHelpers(HelperSearch);
  HelpersSearching = true;
}

void EndHelperSearch() {
  PauseHelperSearch();
  SharedSearch = false;
}

void AnnounceIteration(int depth) { MainIteration.store(depth, std::memory_order_relaxed); }

int DeepestHelperIteration() {
  int deepest = 0;
  for (int i = 0; i < HelperCount; i++)
    deepest = std::max(deepest, Slots[i].DepthDone.load(std::memory_order_relaxed));
  return deepest;
}

bool TakeDeepestHelperIteration(FinishedIteration* out) {
  HelperSlot* deepest = nullptr;
  int depth = 0;
  for (int i = 0; i < HelperCount; i++) {
    const int done = Slots[i].DepthDone.load(std::memory_order_acquire);
    if (done > depth) {
      depth = done;
      deepest = &Slots[i];
    }
  }
  if (deepest == nullptr) return false;
  std::lock_guard<std::mutex> lock(deepest->ResultLock);
  *out = deepest->Result;
  return true;
}

int64_t SearchNodesAllThreads() {
  return Search.Nodes() + EarlierHelperNodes + (HelpersSearching ? HelperNodes() : 0);
}

int64_t SearchTableHitsAllThreads() {
  return Search.TableHits + EarlierHelperTableHits + (HelpersSearching ? HelperSum(&HelperSlot::TableHits) : 0);
}

bool SearchRoutines::HelperPoll() {
  PollCountdown = Limits.Nodes > 0 ? NodeLimitHelperPollInterval : HelperPollInterval;
  if (OwnSlot != nullptr) Publish(*OwnSlot);
  // Under a node limit a helper stops once all threads together have searched it, whether or
  // not the main thread (which ends the search) has had the time to look: a thread that does not
  // get the processor for a while must not leave the others searching on.
  const bool limitReached =
      Limits.Nodes > 0 && MainThreadNodes.load(std::memory_order_relaxed) + HelperNodes() >= Limits.Nodes;
  if (!HelperStopRequested() && !limitReached) return false;
  // MoveNow alone unwinds every kind of search; the other stop flags are left alone, so that
  // the tree's tests of them never go on to read settings the main thread may be changing.
  MoveNow = true;
  return true;
}
