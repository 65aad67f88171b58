// The built-in speed benchmarks.

#include "shell/bench.h"

#include <cstdint>
#include <cstdio>

#include "board/chess_board.h"
#include "board/clock.h"
#include "board/fen.h"
#include "board/log_file.h"
#include "game/game_state.h"
#include "game/status.h"
#include "hash/move_history.h"
#include "hash/pawn_hash.h"
#include "hash/transposition_table.h"
#include "search/search_routines.h"
#include "shell/command_line.h"
#include "xboard/xboard_settings.h"

namespace {

constexpr int BenchPositionCount = 6;
constexpr const char* BenchPositions[BenchPositionCount] = {
    "3r1k2/4npp1/1ppr3p/p6P/P2PPPP1/1NR5/5K2/2R5 w - - 0 0",
    "rnbqkb1r/p3pppp/1p6/2ppP3/3N4/2P5/PPP1QPPP/R1B1KB1R w KQkq - 0 0",
    "4b3/p3kp2/6p1/3pP2p/2pP1P2/4K1P1/P3N2P/8 w - - 0 0",
    "r3r1k1/ppqb1ppp/8/4p1NQ/8/2P5/PP3PPP/R3R1K1 b - - 0 0",
    "2r2rk1/1bqnbpp1/1p1ppn1p/pP6/N1P1P3/P2B1N1P/1B2QPP1/R2R2K1 b - - 0 0",
    "r1bqk2r/pp2bppp/2p5/3pP3/P2Q1P2/2N1B3/1PP3PP/R4RK1 b kq - 0 0",
};

struct BenchTotals {
  int64_t Interior = 0;
  int64_t Quiesce = 0;
  int64_t LeafHits = 0;
};

enum class Driver { Deepening, ExactDepth };

// Sets up benchmark position number (1-based) and searches it with the fixed depth.
void SearchBenchPosition(int number, Driver driver, BenchTotals& totals) {
  LogPrintf("======== Pos %d =======\n", number);
  const char* fen = BenchPositions[number - 1];
  SetupBoard(fen);
  ResetForPosition(ReadFenCounters(fen));
  // Each position is searched on its own, as if no game led to it.
  MoveList.Init();
  SearchLimits limits;
  limits.Depth = limits.FD = Xboard.FD;
  limits.TimeLeft = Xboard.TimeLeft;
  limits.TimeIncMs = Xboard.TimeIncMs;
  limits.ST = Xboard.ST;
  limits.MovesPerSession = Xboard.MovesPerSession;
  limits.BenchMode = Modes.BenchMode != 0;
  SetSearchLimits(limits);
  if (driver == Driver::Deepening) {
    Search.ProgressiveDeepening(MainBoard);
  } else {
    uint64_t from = 0, to = 0;
    char promo = NoPromotion;
    Search.SearchExactDepth(MainBoard, Xboard.FD, &from, &to, &promo);
  }
  totals.Interior += Search.NodeCount;
  totals.Quiesce += Search.QuiesceNodeCount;
  totals.LeafHits += Search.HashHitCount;
}

void ResetCounts() {
  Search.NodeCount = 0;
  Search.QuiesceNodeCount = 0;
}

void PrintReport(int32_t elapsed, const BenchTotals& totals) {
  if (elapsed <= 0) elapsed = 1;
  const int64_t total = totals.Interior + totals.Quiesce;
  printf("    Time Interior Nodes Quiesce Nodes Total Nodes        NPS\n");
  printf("%8d%12lld%14lld%14lld%12lld\n", elapsed, static_cast<long long>(totals.Interior),
         static_cast<long long>(totals.Quiesce), static_cast<long long>(total),
         static_cast<long long>(total / elapsed * 1000));
  fflush(stdout);
  printf("Leaf Interior Nodes searched = %lld\n", static_cast<long long>(totals.LeafHits));
  if (PositionCache.Hits == 0 && PositionCache.Misses == 0) PositionCache.Misses = 1;
  const int64_t hits = PositionCache.Hits, misses = PositionCache.Misses;
  printf("Transposition Table Hits %d  Misses  %d  Ratio = %lld\n", PositionCache.Hits, PositionCache.Misses,
         static_cast<long long>(hits + misses > 0 ? hits * 100 / (hits + misses) : 0));
  // No pawn-hash lookups at all reads as a miss rate of 0.
  const double missRate = Phashattempts > 0 ? Phashmisses * 100.0 / Phashattempts : 0.0;
  printf("Pawn misses %d Pawn attempts %d Pawn miss rate = %g\n", Phashmisses, Phashattempts, missRate);
  fflush(stdout);
}

}  // namespace

void Bench() {
  ResetCounts();
  printf("Running benchmark ");
  fflush(stdout);
  const int32_t start = ProcessClockMs();
  BenchTotals totals;
  for (int k = 1; k <= BenchPositionCount; k++) {
    if (k < BenchPositionCount)
      printf("%d ", k);
    else
      printf("%d\n", k);
    fflush(stdout);
    SearchBenchPosition(k, Driver::Deepening, totals);
    if (k < BenchPositionCount) PositionCache.ClearTranspositionTables();
  }
  const int32_t elapsed = ProcessClockMs() - start;
  PrintReport(elapsed, totals);
  // Test frameworks read the node count (the build's signature) and the speed from the last
  // two lines.
  if (Modes.BenchSummary) {
    const int64_t nodes = totals.Interior + totals.Quiesce;
    printf("Nodes searched: %lld\n", static_cast<long long>(nodes));
    printf("Nodes/second: %lld\n", static_cast<long long>(nodes * 1000 / (elapsed > 0 ? elapsed : 1)));
    fflush(stdout);
  }
}

void Bench2() {
  constexpr int Position = 5;
  // Both passes search to the fixed depth; without -fd the exact-depth pass would never end.
  constexpr int DefaultDepth = 8;
  if (Xboard.FD <= 0) {
    printf("No depth given (-fd); searching %d plies\n", DefaultDepth);
    Xboard.setFD(DefaultDepth);
  }
  const Driver drivers[2] = {Driver::Deepening, Driver::ExactDepth};
  const char* titles[2] = {"Progressive Deepening\n", "Search Exact Depth\n"};
  for (int pass = 0; pass < 2; pass++) {
    ResetCounts();
    printf("Running benchmark \n");
    printf("%s", titles[pass]);
    fflush(stdout);
    const int32_t start = ProcessClockMs();
    BenchTotals totals;
    SearchBenchPosition(Position, drivers[pass], totals);
    if (pass == 0) PositionCache.ClearTranspositionTables();
    PrintReport(ProcessClockMs() - start, totals);
  }
}
