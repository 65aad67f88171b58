#include <gtest/gtest.h>

#include "board/clock.h"
#include "game/input.h"
#include "search/search_control.h"
#include "search/search_report.h"
#include "search_test_util.h"
#include "xboard/commands.h"

namespace {

#ifdef ORVO_SANITIZED
constexpr int PvDepth = 4;
#else
constexpr int PvDepth = 7;
#endif

// The engine's move as from-square and to-square indices.
std::pair<int, int> Squares(const ThinkResult& r) { return {LowestSquare(r.From), LowestSquare(r.To)}; }

}  // namespace

TEST(Search, MatesAreFoundAndScoredByDistance) {
  struct Case {
    const char* Fen;
    int Depth;
    int MatePly;
  };
  const Case cases[] = {
      {"6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", 2, 1},     // Ra8 mate
      {"k7/8/2K5/8/8/8/8/1R6 w - - 0 1", 4, 3},        // Kc7 Ka7 Ra1 mate
      {"7k/8/5K2/8/8/8/8/R7 w - - 0 1", 5, 3},         // a rook ladder
      // Nine queens and all the pieces: no static score may outweigh Qe8 mate.
      {"7k/6pp/8/8/8/Q7/QQQQQQQQ/KNBRRBN1 w - - 0 1", 2, 1},
  };
  for (const Case& c : cases) {
    LoadPosition(c.Fen);
    ForgetEverything();
    const ThinkResult r = Think(c.Depth);
    const int expected = c.MatePly % 2 ? MateValue - c.MatePly : c.MatePly - MateValue;
    EXPECT_EQ(r.Score, expected) << c.Fen;
  }
}

// A node whose side is mated scores the mate exactly, whatever its window: the table keeps it as
// a distance from the node, which another thread or a later path reads at another ply. Kept as
// "at most alpha" instead, an alpha of -MateValue came back elsewhere as a mate sooner than any
// real one.
TEST(Search, AMatedNodeIsStoredAsItsExactValue) {
  LoadPosition("R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1");
  ForgetEverything();
  uint64_t upper = 0, lower = 0;
  genhashcode(Black, 0, &upper, &lower, &MainBoard);
  const int v = Search.Search(1, -MateValue, -1000, MainBoard, 1, 3, 0, 0, 1, upper, lower, AllNode, 0, 10, 0);
  EXPECT_EQ(v, 3 - MateValue);
  int stored = 0, move = 0;
  EXPECT_EQ(PositionCache.SearchTranspositionTables(upper, lower, 5, 1, -MateValue, MateValue, &stored, &move),
            TTExact);
  EXPECT_EQ(stored, 5 - MateValue);
}

TEST(Search, RootWithoutMovesPlaysNothing) {
  // Checkmated: Qg7 protected by the king.
  LoadPosition("7k/6Q1/6K1/8/8/8/8/8 b - - 0 1");
  ForgetEverything();
  ChessBoard before = MainBoard;
  ThinkResult r = Think(3);
  EXPECT_EQ(r.Score, -MateValue);
  EXPECT_EQ(MainBoard.AllPieces, before.AllPieces);

  // Stalemate: every square of the king is covered, no check.
  LoadPosition("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1");
  ForgetEverything();
  before = MainBoard;
  r = Think(3);
  EXPECT_EQ(r.Score, StalemateScore);
  EXPECT_EQ(MainBoard.AllPieces, before.AllPieces);
}

TEST(Search, SingleLegalMoveIsPlayedAfterTheFirstIteration) {
  // Black's only move is h6-h5.
  LoadPosition("k7/8/K6p/8/7P/8/8/1R6 b - - 0 1");
  ForgetEverything();
  const ThinkResult r = Think(6);
  EXPECT_EQ(Search.IterationDepth, 1);
  EXPECT_EQ(Squares(r), std::make_pair(int{H6}, int{H5}));
}

TEST(Search, PerpetualCheckIsScoredAsADraw) {
  // Two queens down, White saves itself with Qe8+ Kh7 Qh5+ Kg8 ...; every other move loses.
  LoadPosition("6k1/6p1/8/7Q/8/8/qq6/7K w - - 0 1");
  ForgetEverything();
  MainBoard.FiftyMoveCount = 20;  // the game has been shuffling for a while
  uint64_t upper = 0, lower = 0;
  genhashcode(White, MainBoard.CastleFlags, &upper, &lower, &MainBoard);
  MoveList.InsertMoveHistory(upper, lower);  // the game reached this position already once
  const ThinkResult r = Think(6);
  EXPECT_EQ(r.Score, 0);
  EXPECT_EQ(Squares(r), std::make_pair(int{H5}, int{E8}));
  EXPECT_EQ(MoveList.NumMoves, 1) << "the search must leave the game history as it found it";
}

TEST(Search, FixedDepthSearchIsRepeatable) {
  const char* fen = "r1bqk2r/pp2bppp/2p5/3pP3/P2Q1P2/2N1B3/1PP3PP/R4RK1 b kq - 0 0";
  ThinkResult first{}, second{};
  for (ThinkResult* r : {&first, &second}) {
    LoadPosition(fen);
    ForgetEverything();
    *r = Think(PvDepth - 1);
  }
  EXPECT_EQ(first.From, second.From);
  EXPECT_EQ(first.To, second.To);
  EXPECT_EQ(first.Score, second.Score);
  EXPECT_EQ(first.Nodes, second.Nodes);
  EXPECT_GT(first.Nodes, 100);
}

TEST(Search, PrintedVariationIsLegalMoveByMove) {
  const char* fens[] = {
      "3r1k2/4npp1/1ppr3p/p6P/P2PPPP1/1NR5/5K2/2R5 w - - 0 0",
      "rnbqkb1r/p3pppp/1p6/2ppP3/3N4/2P5/PPP1QPPP/R1B1KB1R w KQkq - 0 0",
      "4b3/p3kp2/6p1/3pP2p/2pP1P2/4K1P1/P3N2P/8 w - - 0 0",
      "r3r1k1/ppqb1ppp/8/4p1NQ/8/2P5/PP3PPP/R3R1K1 b - - 0 0",
      "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
      "8/P6k/8/8/8/8/6K1/8 w - - 0 1",  // a promotion in the line
  };
  int longLines = 0;
  for (const char* fen : fens) {
    LoadPosition(fen);
    ForgetEverything();
    ChessBoard board = MainBoard;
    const ThinkResult r = Think(PvDepth);
    ASSERT_FALSE(r.Line.empty()) << fen;
    EXPECT_EQ(r.Line[0].Code, MoveCode(LowestSquare(r.From), LowestSquare(r.To))) << "root move first: " << fen;
    int8_t side = board.SideToMove;
    uint8_t castle = board.CastleFlags;
    for (size_t j = 0; j < r.Line.size(); j++) {
      ASSERT_TRUE(PlayIfLegal(board, side, castle, r.Line[j])) << fen << " move " << j;
      side ^= 1;
    }
    if (r.Line.size() >= 3) longLines++;
  }
  EXPECT_GE(longLines, 3) << "the variations should reach beyond the root move";
}

TEST(Search, MoveNowEndsTheSearchWithALegalMove) {
  // xboard "?" arrives while the engine thinks on a long clock. The newline in front is what the
  // "go" line leaves behind after its word was read.
  LoadPosition("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
  ForgetEverything();
  ChessBoard before = MainBoard;
  Protocol.XboardMode = 1;
  TestClock().TimeLeft = 3600000;
  Clock.NodesPerSecond = 20000;  // polls come early
  ListenForCommands();
  SetInputForTesting("\n?\n");
  const int32_t start = ProcessClockMs();
  ThinkResult r = Think(0);
  const int32_t elapsed = ProcessClockMs() - start;
  SetInputForTesting("");
  Protocol.XboardMode = 0;
  EXPECT_TRUE(Search.MoveNow);
  EXPECT_FALSE(Search.Aborted);
  EXPECT_LT(elapsed, 20000);
  uint8_t castle = before.CastleFlags;
  const PVEntry move{MoveCode(LowestSquare(r.From), LowestSquare(r.To)), r.Promotion};
  EXPECT_EQ(MainBoard.AllPieces, before.AllPieces) << "the game board is left as it was";
  EXPECT_TRUE(PlayIfLegal(before, White, castle, move));
}

TEST(Search, WallClockLimitHoldsWhenTheSpeedEstimateIsWrong) {
  // A fixed 300 ms per move, but a speed estimate a thousand times too high: the node budget
  // alone would let the search run for minutes.
  LoadPosition("r1bqk2r/pp2bppp/2p5/3pP3/P2Q1P2/2N1B3/1PP3PP/R4RK1 b kq - 0 0");
  ForgetEverything();
  TestClock().ST = 300;
  TestClock().TimeLeft = 60 * 300;
  Clock.NodesPerSecond = 1000000000;
  const int32_t start = ProcessClockMs();
  const ThinkResult r = Think(0);
  const int32_t elapsed = ProcessClockMs() - start;
  EXPECT_LT(elapsed, 1000);
  EXPECT_NE(r.From, r.To);
  TestClock().ST = 0;
  Clock.NodesPerSecond = 1200000;
}

TEST(Search, ShortSearchesCalibrateTheSpeed) {
  // 100000 nodes in at least 50 ms: the speed comes out near 2 million, not skipped as "0 s".
  QuietEngine();
  const bool measured = SpeedMeasured;
  Search.NodeCount = 60000;
  Search.QuiesceNodeCount = 40000;
  Clock.TimePerMove = 1000;
  Clock.StartTime = ProcessClockMs() - 50;
  CalibrateSpeed(false);
  EXPECT_TRUE(Search.NpsCalibrated);
  EXPECT_TRUE(SpeedMeasured);
  EXPECT_LE(Clock.NodesPerSecond, 2000000);
  EXPECT_GE(Clock.NodesPerSecond, 400000);  // even a very slow clock read leaves a sane figure
  EXPECT_EQ(Search.NodesPerMove, Clock.NodesPerSecond / 1000 * 1000);
  // The guesses of new games and analysis never replace the measurement.
  const int32_t nps = Clock.NodesPerSecond;
  SeedNodesPerSecond(800000);
  EXPECT_EQ(Clock.NodesPerSecond, nps);
  // No time passed at all: nothing is divided by zero and the estimate stays.
  Clock.StartTime = ProcessClockMs() + 1000;
  CalibrateSpeed(false);
  EXPECT_EQ(Clock.NodesPerSecond, nps);
  SpeedMeasured = measured;
  Search.NodeCount = Search.QuiesceNodeCount = 0;
  Clock.NodesPerSecond = 1200000;
}

TEST(Search, ASpeedMeasuredInAStallDoesNotCutLaterBudgets) {
  QuietEngine();
  const bool measured = SpeedMeasured;
  Search.NodeCount = 60000;
  Search.QuiesceNodeCount = 40000;
  Clock.TimePerMove = 10000;
  // A speed measured while the machine stalled makes 10 s of 5000 nodes, spent already; the clock
  // says a tenth of a second has passed: measured again, the budget holds.
  Search.NpsCalibrated = true;
  Clock.NodesPerSecond = 5000;
  Search.NodesPerMove = 50000;
  Clock.StartTime = ProcessClockMs() - 100;
  EXPECT_TRUE(NodeBudgetHoldsByClock());
  EXPECT_GT(Clock.NodesPerSecond, 20000);
  EXPECT_GT(Search.NodesPerMove, Search.Nodes());
  // A time budget spent by the clock is spent, whatever the speed.
  const int32_t nps = Clock.NodesPerSecond;
  Clock.StartTime = ProcessClockMs() - 20000;
  Search.NodesPerMove = 50000;
  EXPECT_FALSE(NodeBudgetHoldsByClock());
  EXPECT_EQ(Clock.NodesPerSecond, nps);
  EXPECT_EQ(Search.NodesPerMove, 50000);
  // Before the first measurement the node budget stands for half the time budget.
  Search.NpsCalibrated = false;
  Clock.StartTime = ProcessClockMs() - 6000;
  EXPECT_FALSE(NodeBudgetHoldsByClock());
  // The next search starts from the speed of the whole search, when it ran long enough to tell.
  Clock.StartTime = ProcessClockMs() - 200;
  KeepWholeSearchSpeed();
  EXPECT_LE(Clock.NodesPerSecond, 500000);
  EXPECT_GE(Clock.NodesPerSecond, 10000);
  const int32_t whole = Clock.NodesPerSecond;
  Clock.StartTime = ProcessClockMs() + 1000;
  KeepWholeSearchSpeed();
  EXPECT_EQ(Clock.NodesPerSecond, whole);
  SpeedMeasured = measured;
  Search.NodeCount = Search.QuiesceNodeCount = 0;
  Clock.NodesPerSecond = 1200000;
}

TEST(Search, MateScoresAreShownInMoves) {
  EXPECT_STREQ(UciScoreText(MateValue - 3), "mate 2");   // mate on ply 3: two moves of ours
  EXPECT_STREQ(UciScoreText(MateValue - 1), "mate 1");
  EXPECT_STREQ(UciScoreText(4 - MateValue), "mate -2");  // mated on ply 4
  EXPECT_STREQ(UciScoreText(125), "cp 12");
  EXPECT_STREQ(UciScoreText(-125), "cp -12");
  EXPECT_EQ(ThinkingScore(MateValue - 3), 100002);
  EXPECT_EQ(ThinkingScore(4 - MateValue), -100002);
  EXPECT_EQ(ThinkingScore(-125), -12);
  EXPECT_EQ(ThinkingScore(MateBound), MateBound / 10);  // the largest ordinary score
}

TEST(Search, NodeLimitStopsNearTheCountAndRepeats) {
  LoadPosition("r1bqk2r/pp2bppp/2p5/3pP3/P2Q1P2/2N1B3/1PP3PP/R4RK1 b kq - 0 0");
  const ChessBoard start = MainBoard;
  int64_t nodes[2];
  uint64_t from[2];
  for (int run = 0; run < 2; run++) {
    MainBoard = start;
    ForgetEverything();
    Clock.NodesPerSecond = run == 0 ? 1200000 : 90000;  // the speed estimate plays no part
    SearchLimits limits;
    limits.Nodes = 50000;
    const ThinkResult r = Think(limits);
    nodes[run] = r.Nodes;
    from[run] = r.From;
  }
  Clock.NodesPerSecond = 1200000;
  EXPECT_EQ(nodes[0], nodes[1]);
  EXPECT_EQ(from[0], from[1]);
  EXPECT_GE(nodes[0], 50000);
  EXPECT_LT(nodes[0], 51000);
}
