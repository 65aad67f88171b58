#include "movegen/perft.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "board/log_file.h"
#include "tests/movegen/movegen_test_util.h"

namespace {

struct PerftRow {
  std::string Name, Fen;
  int Depth;
  uint64_t Leaves, Total;
};

std::vector<PerftRow> ReadPerftTable() {
  std::vector<PerftRow> rows;
  std::ifstream in(std::string(ORVO_TEST_DATA_DIR) + "/perft.tsv");
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    PerftRow row;
    std::string depth, leaves, total;
    if (std::getline(fields, row.Name, '\t') && std::getline(fields, row.Fen, '\t') &&
        std::getline(fields, depth, '\t') && std::getline(fields, leaves, '\t') && std::getline(fields, total, '\t')) {
      row.Depth = std::stoi(depth);
      row.Leaves = std::stoull(leaves);
      row.Total = std::stoull(total);
      rows.push_back(row);
    }
  }
  return rows;
}

// Runs PerfT on a position with MainBoard and the settings put back afterwards; returns the report.
std::string RunPerft(const char* fen, int depth, uint64_t* leaves, uint64_t* total, bool trace = false) {
  const ChessBoard savedBoard = MainBoard;
  const int8_t savedTrace = TraceFlag;
  MainBoard = BoardFromFen(fen);
  TraceFlag = trace ? 1 : 0;
  testing::internal::CaptureStdout();
  PerfT perft(depth);
  const std::string out = testing::internal::GetCapturedStdout();
  *leaves = perft.LeafNodes;
  *total = perft.TotalNodes;
  MainBoard = savedBoard;
  TraceFlag = savedTrace;
  return out;
}

#ifdef ORVO_SANITIZED
constexpr uint64_t LeafBudget = 1000000;
constexpr int RandomGames = 40;
#else
constexpr uint64_t LeafBudget = 6000000;
constexpr int RandomGames = 200;
#endif

TEST(Perft, ReferenceCounts) {
  const std::vector<PerftRow> rows = ReadPerftTable();
  ASSERT_GE(rows.size(), 50u) << "perft.tsv not found or short";
  int run = 0;
  for (const PerftRow& row : rows) {
    if (row.Leaves > LeafBudget) continue;
    uint64_t leaves = 0, total = 0;
    RunPerft(row.Fen.c_str(), row.Depth, &leaves, &total);
    EXPECT_EQ(leaves, row.Leaves) << row.Name << " depth " << row.Depth;
    EXPECT_EQ(total, row.Total) << row.Name << " depth " << row.Depth;
    ++run;
  }
  EXPECT_GE(run, 40);
}

// The moves perft takes as legal: those of the evasion list when in check, of the full list
// otherwise, that leave the king safe.
size_t PerftLegalCount(const ChessBoard& position, int8_t side, uint8_t flags) {
  if (!InCheckNow(position, side)) return LegalMoves(position, side, flags).size();
  static MoveGen list;
  ChessBoard work = position;
  return LegalOf(list, list.GenCheckEvasions(side, &work), work, side).size();
}

// The last ply is counted without listing the moves; over random games the count must be the
// number of listed moves that leave the king safe, one and two plies deep.
TEST(Perft, LastPlyCountMatchesTheLegalListOverRandomGames) {
  const int8_t savedTrace = TraceFlag;
  TraceFlag = 0;
  testing::internal::CaptureStdout();
  PerfT counts(0);  // the counters, put to use below
  testing::internal::GetCapturedStdout();
  PlayRandomGames(RandomGames, 160, 77, [&](const ChessBoard& position, int8_t side, uint8_t flags) {
    counts.LeafNodes = 0;
    counts.PerformanceTest(side, 1, position, static_cast<char>(flags));
    ASSERT_EQ(counts.LeafNodes, PerftLegalCount(position, side, flags));
    uint64_t below = 0;
    MoveGen list;
    ChessBoard work = position;
    const int n = InCheckNow(position, side) ? list.GenCheckEvasions(side, &work)
                                             : list.GenerateAllMoves(side, &work, flags);
    for (const TestMove& m : LegalOf(list, n, work, side)) {
      ChessBoard child = position;
      uint8_t mask;
      child.MakeMove(m.From, m.To, m.Promotion, mask);
      below += PerftLegalCount(child, side ? White : Black, flags & mask);
    }
    counts.LeafNodes = 0;
    counts.PerformanceTest(side, 2, position, static_cast<char>(flags));
    ASSERT_EQ(counts.LeafNodes, below);
  });
  TraceFlag = savedTrace;
}

TEST(Perft, RookReachingACornerWhereOneWasTakenNeverCastles) {
  uint64_t leaves = 0, total = 0;
  RunPerft("4k3/8/8/7R/8/8/6b1/4K2R b K - 0 1", 4, &leaves, &total);
  EXPECT_EQ(leaves, 98958u);
}

// Chess960: castling where the king or the rook stays put, where they swap squares, with the
// king on b1 beside its rook on a1, through attacked squares and after rook captures. The counts
// are an independent engine's (there is no promotion within reach, so they compare).
TEST(Perft, Chess960Positions) {
  const struct { const char* fen; uint64_t leaves; } rows[] = {
      {"bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w HFhf - 2 9", 326672},
      {"2nnrbkr/p1qppppp/8/1ppb4/6PP/3PP3/PPP2P2/BQNNRBKR w HEhe - 1 9", 667366},
      {"rk5r/pppppppp/8/8/8/8/PPPPPPPP/RK5R w HAha - 0 1", 317199},
      {"r5kr/pppppppp/8/8/8/8/PPPPPPPP/R5KR w HAha - 0 1", 318326},
      {"r4kr1/pppppppp/8/8/8/8/PPPPPPPP/R4KR1 w GAga - 0 1", 319462},
      {"2rk3r/pppppppp/8/8/8/8/PPPPPPPP/2RK3R w HChc - 0 1", 319462},
      {"1r2k1r1/p1pp1ppp/1p6/4p3/2b5/8/PPPPPPPP/1R2K1R1 w GBgb - 0 1", 580623},
      {"r3k2r/p1pp1pp1/1pn2n1p/4p3/2b1P3/3B1N2/PPPP1PPP/RN2K2R w HAha - 0 1", 887955},
  };
  const bool saved = MainBoard.Chess960;
  MainBoard.Chess960 = true;
  for (const auto& row : rows) {
    uint64_t leaves = 0, total = 0;
    RunPerft(row.fen, 4, &leaves, &total);
    EXPECT_EQ(leaves, row.leaves) << row.fen;
  }
  MainBoard.Chess960 = saved;
}

TEST(Perft, ReportLines) {
  uint64_t leaves = 0, total = 0;
  std::string out = RunPerft("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 2, &leaves, &total);
  EXPECT_EQ(leaves, 400u);
  EXPECT_EQ(total, 420u);
  EXPECT_EQ(out.rfind("Starting PerfT test \n420 Total Nodes at Depth = 2\n400 Leaf Nodes at Depth = 2\n", 0), 0u)
      << out;
  // The rate line is printed even when no clock tick passed.
  EXPECT_NE(out.find(" NPS\n"), std::string::npos);
  unsigned long long rate = 0;
  EXPECT_EQ(sscanf(out.c_str() + out.rfind('\n', out.size() - 2) + 1, "%llu NPS", &rate), 1) << out;

  out = RunPerft("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 0, &leaves, &total);
  EXPECT_EQ(leaves, 1u);
  EXPECT_EQ(total, 0u);
  EXPECT_NE(out.find("0 Total Nodes at Depth = 0\n1 Leaf Nodes at Depth = 0\n"), std::string::npos);

  // Checkmate: nothing to count below the root.
  out = RunPerft("rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3", 3, &leaves, &total);
  EXPECT_EQ(leaves, 0u);
  EXPECT_EQ(total, 0u);
}

TEST(Perft, TraceNestsOneElementPerMove) {
  uint64_t leaves = 0, total = 0;
  const std::string out = RunPerft("4k3/8/8/8/8/8/8/R3K3 w Q - 0 1", 2, &leaves, &total, true);
  EXPECT_EQ(out.find("Starting PerfT test \n<Trace name=\"Perft\">\n"), 0u) << out.substr(0, 200);
  EXPECT_NE(out.find("</Trace>\n"), std::string::npos);
  // The first move is a1-b1 (the rook, lowest destination first) and counts as node 1.
  EXPECT_NE(out.find("<Move name=\"{  a1b1 \nnodes 1\">\n"), std::string::npos) << out.substr(0, 300);
  int opened = 0, closed = 0, depth = 0, deepest = 0;
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("<Move name=", 0) == 0) {
      ++opened;
      deepest = std::max(deepest, ++depth);
    } else if (line == "</Move >") {
      ++closed;
      --depth;
    }
  }
  EXPECT_EQ(static_cast<uint64_t>(opened), total);
  EXPECT_EQ(opened, closed);
  EXPECT_EQ(depth, 0);
  EXPECT_EQ(deepest, 2);
}

}  // namespace
