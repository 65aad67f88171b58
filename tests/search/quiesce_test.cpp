#include <gtest/gtest.h>

#include "board/fen.h"
#include "eval/position_evaluate.h"
#include "search/search_routines.h"

namespace {

constexpr int Wide = 200000;

// MainBoard after loading fen, with the counts and totals the draw test reads.
ChessBoard Position(const char* fen) {
  EXPECT_EQ(SetupBoard(fen), nullptr) << fen;
  ChessBoard b = MainBoard;
  b.InitPieceCounts();
  b.WhitePieceTotal = b.WhiteQueenCount + b.WhiteRookCount + b.WhiteBishopCount + b.WhiteKnightCount + b.WhitePawnCount;
  b.BlackPieceTotal = b.BlackQueenCount + b.BlackRookCount + b.BlackBishopCount + b.BlackKnightCount + b.BlackPawnCount;
  b.FiftyMoveCount = 0;
  return b;
}

// The stand-pat score: the evaluation reads the mating-material flags the draw test sets.
int StaticScore(ChessBoard b, char side) {
  b.CheckDraw(0);
  return PE.PosEval(side, -Wide, Wide, &b, 0);
}

struct Result {
  int Score;
  int64_t Nodes;
};

Result Quiesce(const ChessBoard& b, char side, int alpha = -Wide, int beta = Wide) {
  const int64_t before = Search.QuiesceNodeCount;
  const int score = Search.Quiesce(side, alpha, beta, b, 0, 0, 1);
  return {score, Search.QuiesceNodeCount - before};
}

}  // namespace

TEST(Quiescence, QuietPositionsScoreStatically) {
  // No captures at all: one node, the static score.
  const ChessBoard quiet = Position("4k3/pppp4/8/8/8/8/4PPPP/4K3 w - - 0 1");
  const Result r = Quiesce(quiet, White);
  EXPECT_EQ(r.Score, StaticScore(quiet, White));
  EXPECT_EQ(r.Nodes, 1);
  // Standing pat at or above beta returns the static score itself, not beta.
  const int s = StaticScore(quiet, Black);
  EXPECT_EQ(Quiesce(quiet, Black, s - 100, s - 1).Score, s);
  // A drawn ending scores 0 before anything is evaluated or generated.
  const ChessBoard draw = Position("4k3/8/8/8/8/8/8/3NK3 w - - 0 1");
  EXPECT_EQ(Quiesce(draw, White, -500, 500).Score, 0);
}

TEST(Quiescence, WinsHangingMaterial) {
  // The black queen on d5 hangs to the white rook.
  const ChessBoard hanging = Position("4k3/8/8/3q4/8/8/8/3RK3 w - - 0 1");
  EXPECT_GT(Quiesce(hanging, White).Score, StaticScore(hanging, White) + 8000);
  // A pawn takes a defended queen: no exchange test stops it.
  const ChessBoard pawnTakes = Position("4k3/4p3/3q4/4P3/8/8/8/4K3 w - - 0 1");
  EXPECT_GT(Quiesce(pawnTakes, White).Score, StaticScore(pawnTakes, White) + 7000);
  // The same for Black (with the white king out of reach: Kxd2 would leave a bare-king draw).
  const ChessBoard blackWins = Position("4k3/8/8/3r4/8/8/3Q4/7K b - - 0 1");
  EXPECT_GT(Quiesce(blackWins, Black).Score, StaticScore(blackWins, Black) + 8000);
}

TEST(Quiescence, DoesNotTakeADefendedPawnWithTheQueen) {
  // Qd1xd5 would lose the queen to c6xd5: the capture is skipped, so only the root node runs.
  const ChessBoard b = Position("4k3/8/2p5/3p4/8/8/8/3QK3 w - - 0 1");
  const Result r = Quiesce(b, White);
  EXPECT_EQ(r.Score, StaticScore(b, White));
  EXPECT_EQ(r.Nodes, 1);
}

TEST(Quiescence, TakingTheKingEndsTheNodeAtBeta) {
  // Black to move left its king on the rook's rank: White, to move here, can take it.
  const ChessBoard b = Position("R3k3/8/8/8/8/8/8/4K3 b - - 0 1");
  EXPECT_EQ(Quiesce(b, White, -50000, 50000).Score, 50000);
}

TEST(Quiescence, IllegalCapturesAreSkipped) {
  // The knight on d2 is pinned by the bishop on b4: Nxf3 would expose the king, so the node
  // makes it, finds it illegal, takes it back and stands pat.
  const ChessBoard pinned = Position("4k3/8/8/8/1b6/5r2/3N4/4K3 w - - 0 1");
  const Result r = Quiesce(pinned, White);
  EXPECT_EQ(r.Score, StaticScore(pinned, White));
  EXPECT_EQ(r.Nodes, 1);
  // Without the pin the rook is won (pawns keep it from being a bare-knight draw).
  const ChessBoard free = Position("4k3/p7/8/8/8/5r2/3N3P/4K3 w - - 0 1");
  EXPECT_GT(Quiesce(free, White).Score, StaticScore(free, White) + 4000);
}
