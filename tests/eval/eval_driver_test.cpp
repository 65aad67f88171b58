// The evaluation driver: pawnless early returns, the phase floor, the lazy exits and the
// mating-material correction.

#include <gtest/gtest.h>

#include "board/masks.h"
#include "eval_test_util.h"

namespace {

int EvalAs(const char* fen, int side) {
  ChessBoard b = FromFen(fen);
  b.SideToMove = static_cast<int8_t>(side);
  return Evaluate(b);
}

}  // namespace

TEST(EvalDriver, PawnlessBalancedAndOneMinorUpReturnEarlyUnrounded) {
  // Rook against rook: only the king placement counts, from the mover's view (c2 12, h8 -250).
  EXPECT_EQ(EvalAs("7k/8/8/8/8/8/2K5/R6r w - - 0 1", White), 262);
  EXPECT_EQ(EvalAs("7k/8/8/8/8/8/2K5/R6r b - - 0 1", Black), -262);
  // An extra bishop adds three quarters of its value, 2437.
  EXPECT_EQ(EvalAs("7k/8/8/8/8/8/2K5/RB5r w - - 0 1", White), 262 + 2437);
  EXPECT_EQ(EvalAs("7k/8/8/8/8/8/2K5/RB5r b - - 0 1", Black), -(262 + 2437));
  // Two bishops against a knight can win: the full evaluation runs and sets the phase.
  PE.Phase = -1;
  const int bishops = EvalAs("7k/8/8/8/8/8/2K5/1BB4n w - - 0 1", White);
  EXPECT_EQ(PE.Phase, 21);
  EXPECT_EQ(bishops % 10, 0);
  EXPECT_GT(bishops, 2000);
}

TEST(EvalDriver, ScoreStaysWellInsideTheMateScores) {
  EXPECT_EQ(EvalAs("7k/6pp/8/8/8/Q7/QQQQQQQQ/KNBRRBN1 w - - 0 1", White), 100000);
  EXPECT_EQ(EvalAs("7k/6pp/8/8/8/Q7/QQQQQQQQ/KNBRRBN1 b - - 0 1", Black), -100000);
}

TEST(EvalDriver, RookAgainstMinorIsHalved) {
  // Step-9 score: 5000 - 3250 with kings on e1 and e8 adding nothing; halved: 875.
  EXPECT_EQ(EvalAs("4k3/8/8/8/8/8/8/R3K1n1 w - - 0 1", White), 875);
  EXPECT_EQ(EvalAs("4k3/8/8/8/8/8/8/R3K1n1 b - - 0 1", Black), -875);
}

TEST(EvalDriver, PhaseNeverDropsBelowOne) {
  EvalAs("qnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/QNBQKBNR w - - 0 1", White);
  EXPECT_EQ(PE.Phase, 1);
  EvalAs("4k3/pppppppp/8/8/8/8/PPPPPPPP/4K3 w - - 0 1", White);
  EXPECT_EQ(PE.Phase, 24);
}

TEST(EvalDriver, LazyExitsReturnTheUnroundedScoreOutsideTheirMargins) {
  // White's knight is trapped on h8, a term the first exit does not see yet.
  ChessBoard b = FromFen("6kN/5p1p/6p1/8/8/8/5PPP/6K1 w - - 0 1");
  const int full = Evaluate(b);
  const int early = Evaluate(b, true, 50000, 50001);        // far above: first exit
  EXPECT_EQ(Evaluate(b, true, -50001, -50000), early);      // far below: the same score
  EXPECT_NE(early % 10, 0);
  EXPECT_GT(early - full, 1000);   // the trap (-1219) is not in it
  // Just inside the first margin the evaluation goes on to the second exit.
  const int second = Evaluate(b, true, early + 6000, early + 6001);
  EXPECT_NE(second, early);
  EXPECT_LT(second - full, 1000);
  EXPECT_EQ(Evaluate(b, true, early + 6001, early + 6002), early);
}

TEST(EvalDriver, SideWithoutMatingMaterialLosesAPawn) {
  ChessBoard b = FromFen("4k3/8/8/8/8/8/3PPP2/2R1K3 w - - 0 1");
  b.MatingMaterial = 33;
  const int normal = Evaluate(b);
  b.MatingMaterial = 1;    // only White can mate
  EXPECT_EQ(Evaluate(b), normal + 800);
  b.MatingMaterial = 32;   // only Black can mate
  EXPECT_EQ(Evaluate(b), normal - 800);
}

TEST(EvalDriver, MaterialHelpers) {
  ChessBoard b = FromFen("r3k3/pp6/8/8/8/8/PPP5/RN1QK3 w - - 0 1");
  EXPECT_EQ(PE.MaterialOnly(White, 0, b), 9750 + 3250 + 800);
  EXPECT_EQ(PE.MaterialOnly(Black, 0, b), -(9750 + 3250 + 800));
  EXPECT_EQ(PE.SideMaterialValue(White, &b), 9750 + 5000 + 3250);
  EXPECT_EQ(PE.SideMaterialValue(Black, &b), 5000);
}

TEST(EvalDriver, DoubledPawnsAndLoneMinorsAgainstPawns) {
  // Doubled e-pawns weigh 190 without heavy pieces, 125 with one rook, 62 with a queen.
  const char* const Doubled[] = {"4k3/8/8/8/8/4P3/4P3/4K3 w - - 0 1",
                                 "4k3/8/8/8/8/4P3/4P3/R3K3 w - - 0 1",
                                 "4k3/8/8/8/8/4P3/4P3/3QK3 w - - 0 1"};
  const int Weight[] = {190, 125, 62};
  for (int i = 0; i < 3; ++i) {
    ChessBoard b = FromFen(Doubled[i]);
    Evaluate(b);
    EXPECT_EQ(PE.DynamicPieceAdjustments(PE.Phase), -Weight[i]) << Doubled[i];
  }
  ChessBoard bishop = FromFen("4k3/4p3/8/8/8/8/8/2B1K3 w - - 0 1");
  Evaluate(bishop);
  EXPECT_EQ(PE.DynamicPieceAdjustments(PE.Phase), -750);
  ChessBoard knight = FromFen("4k3/4p3/8/8/8/8/8/1N2K3 w - - 0 1");
  Evaluate(knight);
  EXPECT_EQ(PE.DynamicPieceAdjustments(PE.Phase), -800);
}

TEST(EvalDriver, CentreControlCountsEachSquareOncePerKind) {
  // Nf3 covers d4 and e5: 2 x 30. Nb3 adds d4 again, which the knights already count.
  ChessBoard one = FromFen("4k3/8/8/8/8/5N2/7P/4K3 w - - 0 1");
  Evaluate(one);
  EXPECT_EQ(PE.CentreControl(), 60);
  ChessBoard twice = FromFen("4k3/8/8/8/8/1N3N2/7P/4K3 w - - 0 1");
  Evaluate(twice);
  EXPECT_EQ(PE.CentreControl(), 60);
  // A black rook on d8 covers d5 and d4 for Black.
  ChessBoard rook = FromFen("3rk3/8/8/8/8/5N2/7P/4K3 w - - 0 1");
  Evaluate(rook);
  EXPECT_EQ(PE.CentreControl(), 0);
}
