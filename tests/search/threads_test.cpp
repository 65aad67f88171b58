// The helper threads: the pool woken and stopped many times with the main thread's state copied
// into every helper and their node counts summed; the transposition table hammered by all
// threads at once; searches running side by side on the one table. `make test-tsan` runs these
// under ThreadSanitizer.

#include "search/threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "hash/pawn_hash.h"
#include "search_test_util.h"

namespace {

#ifdef ORVO_SANITIZED
constexpr int Rounds = 20;
constexpr int TableRounds = 20000;
constexpr int SideBySideDepth = 5;
#else
constexpr int Rounds = 100;
constexpr int TableRounds = 400000;
constexpr int SideBySideDepth = 8;
#endif

// What each helper saw and did in its last task; each writes only its own entry, and the main
// thread reads them after StopHelpers.
int Runs[MaxSearchThreads];
int64_t Counted[MaxSearchThreads];
bool SawCopiedState[MaxSearchThreads];
int64_t TableErrors[MaxSearchThreads];

// Counts nodes as a search does, polling every HelperPollInterval of them, until stopped.
void CountUntilStopped(int thread) {
  Runs[thread]++;
  SawCopiedState[thread] = Search.Helper && Search.Nodes() == 0 && Search.History[1][77] == 5 &&
                           MoveList.NumMoves == 3 && MoveList.Entries[2].Upper == 0xABC;
  for (;;) {
    Search.NodeCount++;
    if (--Search.PollCountdown <= 0 && Search.HelperPoll()) break;
  }
  Counted[thread] = Search.Nodes();
}

// Ends by itself after a number of nodes that depends on the thread.
void CountAFew(int thread) {
  Search.QuiesceNodeCount += 1000 * thread;
  Counted[thread] = Search.Nodes();
}

int64_t SumCounted() {
  int64_t total = 0;
  for (int t = 1; t < ThreadCount(); t++) total += Counted[t];
  return total;
}

// Positions sharing one bucket of the table; each stores a move and a score of its own.
constexpr uint64_t TableBucket = 4321;
constexpr int TablePositions = 6;
uint64_t UpperOf(int i) { return 0x9E3779B97F4A7C15ULL * static_cast<uint64_t>(i + 1); }
uint64_t LowerOf(int i) { return TableBucket | static_cast<uint64_t>(i) << 40; }

// Stores and probes the bucket's positions as fast as it can. A probe that finds a position
// must answer with that position's own move and score, however the stores of the other
// threads interleave with it.
std::atomic<int> Hammering{0};
constexpr int Hammers = 3;

void HammerTheTable(int thread) {
  // All start together, so that their stores and probes overlap.
  Hammering.fetch_add(1);
  while (Hammering.load() < Hammers) std::this_thread::yield();
  uint32_t state = 2463534242u + static_cast<uint32_t>(thread);
  int64_t errors = 0;
  for (int round = 0; round < TableRounds; round++) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    const int i = static_cast<int>(state % TablePositions);
    if (state & 0x100) {
      PositionCache.InsertTranspositionTables(UpperOf(i), LowerOf(i), 0, static_cast<int>(state >> 24) % 20,
                                              static_cast<int16_t>(100 + i), 1000 + i, ExactBound, 0, 0);
    } else {
      int score = -1, move = -1;
      const unsigned got = PositionCache.SearchTranspositionTables(UpperOf(i), LowerOf(i), 0, 0, -5000, 5000,
                                                                   &score, &move);
      if (move != -1 && move != 100 + i) errors++;
      if (got == TTExact && score != 1000 + i) errors++;
    }
  }
  TableErrors[thread] = errors;
}

// The position the threads search.
ChessBoard SearchRoot;

// Whether the helper's own pawn hash holds the structure of SearchRoot.
bool HasRootPawns[MaxSearchThreads];

void LookForRootPawns(int thread) {
  HasRootPawns[thread] = InPawnHash(SearchRoot.PawnKingKey, SearchRoot.WhitePawns | SearchRoot.BlackPawns);
}

}  // namespace

TEST(Threads, PoolStartsStopsAndSumsNodes) {
  EXPECT_EQ(SetThreadCount(4), 4);
  EXPECT_EQ(ThreadCount(), 4);
  // What every helper finds when it starts: the main thread's tables and game history.
  Search.ClearHistory();
  Search.History[1][77] = 5;
  Search.NodeCount = 123;  // the main thread's own count is not copied
  MoveList.Init();
  for (uint64_t key : {0x1ULL, 0x2ULL, 0xABCULL}) MoveList.InsertMoveHistory(key, key);
  std::memset(Runs, 0, sizeof Runs);
  for (int round = 0; round < Rounds; round++) {
    StartHelpers(CountUntilStopped);
    StopHelpers();
    ASSERT_EQ(HelperNodes(), SumCounted()) << "round " << round;
  }
  for (int t = 1; t < 4; t++) {
    EXPECT_EQ(Runs[t], Rounds) << t;
    EXPECT_TRUE(SawCopiedState[t]) << t;
    EXPECT_GE(Counted[t], HelperPollInterval) << t;  // it searched until its first poll at least
  }
  EXPECT_FALSE(Search.Helper);
  EXPECT_FALSE(Search.MoveNow);
  EXPECT_EQ(Search.NodeCount, 123);

  // Tasks that end by themselves; stopping idle helpers returns at once.
  StartHelpers(CountAFew);
  StopHelpers();
  EXPECT_EQ(HelperNodes(), 1000 + 2000 + 3000);
  StopHelpers();

  // Fewer threads, more, none: each count is there at once, and counts only its own helpers.
  EXPECT_EQ(SetThreadCount(2), 2);
  StartHelpers(CountAFew);
  StopHelpers();
  EXPECT_EQ(HelperNodes(), 1000);
  EXPECT_EQ(SetThreadCount(3), 3);
  StartHelpers(CountUntilStopped);
  EXPECT_EQ(SetThreadCount(1), 1);  // stops the running helpers first
  EXPECT_EQ(HelperNodes(), 0);
  StartHelpers(CountUntilStopped);  // nothing to start
  StopHelpers();
  EXPECT_EQ(SetThreadCount(0), 1);
  MoveList.Init();
}

TEST(Threads, TableAnswersOnlyWithAPositionsOwnEntry) {
  PositionCache.MakeResident();
  PositionCache.ClearTranspositionTables();
  ASSERT_EQ(SetThreadCount(Hammers), Hammers);
  Hammering = 0;
  StartHelpers(HammerTheTable);
  HammerTheTable(0);
  StopHelpers();
  for (int t = 0; t < Hammers; t++) EXPECT_EQ(TableErrors[t], 0) << t;
  // Whatever the interleaving left in the bucket is whole.
  for (const TTSlot& slot : PositionCache.Buckets[TableBucket].Slot) {
    const TTEntry e = slot.Read();
    int found = -1;
    for (int i = 0; i < TablePositions; i++)
      if (e.Upper == UpperOf(i) && e.Lower == LowerOf(i)) found = i;
    if (found >= 0) {
      EXPECT_EQ(e.Move, 100 + found);
      EXPECT_EQ(e.Score, 1000 + found);
    }
  }
  SetThreadCount(1);
  PositionCache.ClearTranspositionTables();
}

TEST(Threads, SearchesRunSideBySideOnOneTable) {
  LoadPosition("r1bq1rk1/pp2ppbp/2np1np1/8/3NP3/2N1BP2/PPPQ2PP/R3KB1R w KQ - 0 9");
  ForgetEverything();
  PositionCache.MakeResident();
  SearchRoot = MainBoard;
  genpawnhashcode(White, SearchRoot, &SearchRoot.PawnKingKey);
  // The search starts its helpers on its root and stops them when it ends.
  ASSERT_EQ(SetThreadCount(3), 3);
  const ThinkResult r = Think(SideBySideDepth);
  EXPECT_GT(HelperNodes(), 0);
  EXPECT_GT(SearchNodesAllThreads(), Search.Nodes());
  // The main thread's answer is a legal move of the position, whatever the helpers stored.
  ChessBoard board = SearchRoot;
  uint8_t castle = board.CastleFlags;
  ASSERT_FALSE(r.Line.empty());
  EXPECT_TRUE(PlayIfLegal(board, White, castle, r.Line[0]));
  EXPECT_EQ(r.Line[0].Code, MoveCode(LowestSquare(r.From), LowestSquare(r.To)));
  // Each helper filled a pawn hash of its own, which a new game clears.
  StartHelpers(LookForRootPawns);
  StopHelpers();
  EXPECT_TRUE(HasRootPawns[1] && HasRootPawns[2]);
  ClearHelperPawnHashes();
  StartHelpers(LookForRootPawns);
  StopHelpers();
  EXPECT_FALSE(HasRootPawns[1] || HasRootPawns[2]);
  SetThreadCount(1);
}
