#pragma once
// Helpers for the search tests: a quiet engine (no protocol, no book, no output lines), positions
// from FEN, one search with its result, and a slow independent legality check of move lines.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "board/bit_ops.h"
#include "board/fen.h"
#include "board/keys.h"
#include "board/log_file.h"
#include "board/masks.h"
#include "hash/move_history.h"
#include "hash/transposition_table.h"
#include "movegen/move_gen.h"
#include "search/search_report.h"
#include "search/search_routines.h"
#include "search/time_budget.h"

struct ThinkResult {
  int Score;
  uint64_t From;
  uint64_t To;
  char Promotion;
  int64_t Nodes;
  std::vector<PVEntry> Line;  // the root variation, root move first
};

// The clock of the searches a test starts with Think(depth): none unless the test sets one.
inline SearchLimits& TestClock() {
  static SearchLimits clock;
  return clock;
}

// Settings of a plain console search with nothing printed but what the driver must print.
inline void QuietEngine() {
  if (UPStable[0] == 0 && LPStable[0] == 0) initPStable();
  Protocol.XboardMode = Protocol.UCIMode = Protocol.Post = Protocol.Kibitz = 0;
  TraceFlag = 0;
  TestClock() = SearchLimits{};
  TestClock().GamePly = 1;
  Clock.NodesPerSecond = 1200000;
  Search.LastBookPly = 0;
}

// A fresh start: empty tables, no history counters, no killers, no game history.
inline void ForgetEverything() {
  PositionCache.ClearTranspositionTables();
  Search.ClearHistory();
  std::memset(Search.Killers, 0, sizeof Search.Killers);
  MoveList.Init();
}

// Loads fen into MainBoard with its counts current.
inline void LoadPosition(const char* fen) {
  QuietEngine();
  ASSERT_EQ(SetupBoard(fen), nullptr) << fen;
  MainBoard.InitPieceCounts();
  MainBoard.FiftyMoveCount = 0;
}

// Searches MainBoard through the iterative-deepening driver under limits.
inline ThinkResult Think(const SearchLimits& limits) {
  SetSearchLimits(limits);
  const SearchResult best = Search.ProgressiveDeepening(MainBoard);
  ThinkResult r{best.Score, best.From, best.To, best.Promotion, Search.Nodes(), {}};
  for (int j = 0; j < Search.PVLength; j++) r.Line.push_back(Search.PV[0][j]);
  return r;
}

// To a fixed depth, or (depth 0) on the test's clock.
inline ThinkResult Think(int depth) {
  const SearchLimits& s = TestClock();
  SearchLimits limits;
  limits.Depth = limits.FD = static_cast<int8_t>(depth);
  limits.ST = s.ST;
  limits.TimeLeft = s.TimeLeft;
  limits.TimeIncMs = s.TimeIncMs;
  limits.MovesPerSession = s.MovesPerSession;
  limits.GamePly = s.GamePly;
  return Think(limits);
}

// Plays code (with promotion, when the entry names one) on board if it is legal there.
inline bool PlayIfLegal(ChessBoard& board, int8_t side, uint8_t& castle, const PVEntry& entry) {
  uint64_t from = 0, to = 0;
  char promo = NoPromotion;
  if (!FindLegalMove(board, side, castle, entry, &from, &to, &promo)) return false;
  uint8_t mask = 0;
  board.MakeMove(from, to, promo, mask);
  castle = static_cast<uint8_t>(castle & mask);
  return true;
}
