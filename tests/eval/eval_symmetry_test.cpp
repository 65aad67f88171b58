// Colour symmetry of the evaluation: a position and its colour-flipped mirror must score the
// same from the mover's view, over openings, middlegames and endings reached by random play.
// Every term is built colour-symmetric, so no position is excluded. Besides sign slips in the
// black halves of the terms, this catches rounding that is not toward zero: a score of 1234
// for White is -1234 for Black in the mirror, and only truncation returns 1230 for both.

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "eval_test_util.h"
#include "movegen/move_gen.h"

namespace {

const char* const SeedPositions[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r1bq1rk1/pp2ppbp/2np1np1/8/3NP3/2N1BP2/PPPQ2PP/R3KB1R w KQ - 0 9",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "2r2rk1/pp1bqppp/2n1pn2/3p4/2PP4/P1NBPN2/1PQ2PPP/R4RK1 b - - 0 12",
    "8/5pk1/6p1/8/3P4/1P3K2/P7/8 w - - 0 40",
    "8/8/1p3k2/p7/P1P5/5K2/8/8 b - - 0 50",
    "4k3/2p5/8/3P4/8/8/5PP1/4K3 w - - 0 1",
    "8/2k5/8/2b5/5N2/4K3/2P3P1/8 w - - 0 1",
    "6k1/5pp1/8/8/8/8/r4PPP/3R2K1 w - - 0 1",
    "3q2k1/5ppp/8/8/8/8/5PPP/3Q2K1 b - - 0 1",
    "4k3/8/8/3b4/8/8/3B4/4K3 w - - 0 1",
    "r5k1/1b3ppp/8/8/8/8/1B3PPP/R5K1 w - - 0 1",
    "8/6k1/8/8/3R4/8/2n5/5K2 w - - 0 1",
    "8/3k4/8/8/2Q5/8/7r/4K3 b - - 0 1",
};

// Plays random legal moves (castling left out) and keeps every position on the way.
void RandomWalk(const ChessBoard& start, int plies, std::mt19937& rng, std::vector<ChessBoard>& out) {
  ChessBoard board = start;
  for (int ply = 0; ply < plies; ++ply) {
    const int8_t side = board.SideToMove;
    const uint64_t king = side ? board.BlackKing : board.WhiteKing;
    MoveGen list;
    const int n = board.InCheck(king, side) ? list.GenCheckEvasions(side, &board)
                                            : list.GenerateAllMoves(side, &board, 0);
    std::vector<ChessBoard> children;
    for (int i = 0; i < n; ++i) {
      ChessBoard child = board;
      uint8_t castleMask = 0;
      child.MakeMove(list.From[i], list.To[i], list.Promotion[i], castleMask);
      if (child.InCheck(side ? child.BlackKing : child.WhiteKing, side)) continue;
      child.SideToMove = side ? 0 : 1;
      child.CastleFlags = 0;
      children.push_back(child);
    }
    if (children.empty()) return;
    board = children[std::uniform_int_distribution<size_t>(0, children.size() - 1)(rng)];
    Prepare(board);
    out.push_back(board);
  }
}

}  // namespace

TEST(EvalSymmetry, MirroredPositionsScoreAlikeForTheMover) {
#ifdef ORVO_SANITIZED
  constexpr int WalksPerSeed = 3;
#else
  constexpr int WalksPerSeed = 20;
#endif
  std::mt19937 rng(20240611);
  std::vector<ChessBoard> positions;
  for (const char* fen : SeedPositions) {
    const ChessBoard start = FromFen(fen);
    positions.push_back(start);
    for (int w = 0; w < WalksPerSeed; ++w) RandomWalk(start, 24, rng, positions);
  }
  ASSERT_GT(positions.size(), WalksPerSeed * 14 * 10u);
  int failures = 0;
  for (ChessBoard& p : positions) {
    ChessBoard m = Mirror(p);
    const int original = Evaluate(p);
    const int mirrored = Evaluate(m);
    // A narrow window somewhere near the score exercises the lazy exits from both sides.
    const int alpha = original + std::uniform_int_distribution<int>(-9000, 9000)(rng);
    const int lazyOriginal = Evaluate(p, true, alpha, alpha + 1);
    const int lazyMirrored = Evaluate(m, true, alpha, alpha + 1);
    if ((original != mirrored || lazyOriginal != lazyMirrored) && ++failures <= 5) {
      char fen[128];
      pos2fenString(p, fen);
      ADD_FAILURE() << fen << " scores " << original << " (" << lazyOriginal << " in window "
                    << alpha << ") but its mirror " << mirrored << " (" << lazyMirrored << ")";
    }
  }
  EXPECT_EQ(failures, 0) << "of " << positions.size() << " positions";
}
