// The scoring tables and the set-wise attack fills of the evaluation.

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "board/attack_tables.h"
#include "board/chess_board.h"
#include "board/masks.h"
#include "eval/eval_geometry.h"
#include "eval/eval_tables.h"

namespace {

bool SymmetricLeftRight(const SquareTable& t) {
  for (int sq = 0; sq < 64; ++sq)
    if (t[sq] != t[sq ^ 7]) return false;
  return true;
}

}  // namespace

// A mistyped entry usually breaks the left-right symmetry the tables were designed with.
TEST(EvalTables, CentreTablesAreSymmetric) {
  EXPECT_TRUE(SymmetricLeftRight(KingEnding));
  EXPECT_TRUE(SymmetricLeftRight(KnightEnding));
  EXPECT_TRUE(SymmetricLeftRight(BishopEnding));
  EXPECT_TRUE(SymmetricLeftRight(WKnightSquare));
  EXPECT_TRUE(SymmetricLeftRight(WBishopSquare));
  EXPECT_TRUE(SymmetricLeftRight(WPawnSquare));
  EXPECT_TRUE(SymmetricLeftRight(WKnightPost));
  // The ending tables serve both colours, so they are symmetric top to bottom as well.
  EXPECT_EQ(MirrorRanks(KingEnding), KingEnding);
  EXPECT_EQ(MirrorRanks(KnightEnding), KnightEnding);
  EXPECT_EQ(MirrorRanks(BishopEnding), BishopEnding);
  for (int f = 0; f < 4; ++f) {
    EXPECT_EQ(IsolatedPawn[f], IsolatedPawn[7 - f]);
    EXPECT_EQ(OpenFileControl[f], OpenFileControl[7 - f]);
  }
}

// The diagrams are written rank 8 first; the tables must come out with a1 at index 0.
TEST(EvalTables, OrientationAndSharedCopies) {
  EXPECT_EQ(WKingSquare[G1], 210);
  EXPECT_EQ(BKingSquare[G8], 210);
  EXPECT_EQ(WKingSquare[E2], -120);
  EXPECT_EQ(BKingSquare[E7], -120);
  EXPECT_EQ(WPawnSquare[E4], 187);
  EXPECT_EQ(BPawnSquare[E5], 187);
  EXPECT_EQ(WKnightSquare[A1], -400);
  EXPECT_EQ(BKnightSquare[A8], -400);
  EXPECT_EQ(WBishopSquare[B2], 25);
  EXPECT_EQ(BBishopSquare[B7], 25);
  EXPECT_EQ(WKnightPost[D6], 160);
  EXPECT_EQ(BKnightPost[D3], 160);
  EXPECT_EQ(BKnightPost[D6], 0);
  for (int sq = 0; sq < 64; ++sq) EXPECT_EQ(BKnightPost[sq], WKnightPost[sq ^ 56]);
  EXPECT_EQ(Passers[6], 1100);
  EXPECT_EQ(OpenFileControl[3], 200);
  EXPECT_EQ(Majorson7[2], 650);
  EXPECT_EQ(Majorson7[15], 0);
}

// The set-wise attack maps of the evaluator must give exactly the union of the single-square masks.
TEST(EvalGeometry, FillsMatchSingleSquareMasks) {
  std::mt19937_64 rng(7);
  ChessBoard b{};
  for (int round = 0; round < 200; ++round) {
    b.AllPieces = rng() & rng();   // about a quarter of the squares occupied
    uint64_t rookUnion = 0, bishopUnion = 0, knightUnion = 0;
    const uint64_t pieces = rng() & rng() & rng();
    for (int sq = 0; sq < 64; ++sq) {
      const uint64_t s = Bit(sq);
      ASSERT_EQ(evalgeo::KnightAttacksOf(s), b.KnightMask(s)) << sq;
      ASSERT_EQ(evalgeo::KingAttacksOf(s), b.KingMask(s)) << sq;
      if (pieces & s) {
        rookUnion |= b.RookMask(s);
        bishopUnion |= b.BishopMask(s);
        knightUnion |= b.KnightMask(s);
      }
    }
    EXPECT_EQ(attacktab::RooksFrom(pieces, b.AllPieces), rookUnion);
    EXPECT_EQ(attacktab::BishopsFrom(pieces, b.AllPieces), bishopUnion);
    EXPECT_EQ(evalgeo::KnightAttacksOf(pieces), knightUnion);
  }
  EXPECT_EQ(evalgeo::PawnAttacksOf<White>(Bit(A2) | Bit(H2)), Bit(B3) | Bit(G3));
  EXPECT_EQ(evalgeo::PawnAttacksOf<Black>(Bit(A7) | Bit(H7)), Bit(B6) | Bit(G6));
  EXPECT_EQ(evalgeo::FileFill(Bit(C4)), FileC);
}
