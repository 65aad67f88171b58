// King shelter, pawn storms, the weight of an attack on the king, the trapped queen and the
// trapped-piece patterns, each worked out by hand.

#include <gtest/gtest.h>

#include "board/masks.h"
#include "eval_test_util.h"

namespace {

ChessBoard& Evaluated(ChessBoard& b) {
  Evaluate(b);
  return b;
}

int ShieldOf(const char* fen, int side) {
  ChessBoard b = FromFen(fen);
  Evaluated(b);
  return PE.PawnShield(static_cast<char>(side));
}

}  // namespace

TEST(KingSafety, ShelterFilesAtTheEdgeAndInTheMiddle) {
  // King h1: files h (empty, doubled to 700), g and f count.
  EXPECT_EQ(ShieldOf("7k/8/8/8/8/8/5PP1/7K w - - 0 1", White), 700);
  EXPECT_EQ(PE.WhiteOpenShield, 1);
  // King a1: files a, b and c; only c is empty.
  EXPECT_EQ(ShieldOf("7k/8/8/8/8/8/PP6/K7 w - - 0 1", White), 350);
  // A piece in front of the king halves an empty king file ...
  EXPECT_EQ(ShieldOf("7k/8/8/8/8/8/5PNP/6K1 w - - 0 1", White), 350);
  EXPECT_EQ(ShieldOf("7k/8/8/8/8/8/5P1P/6K1 w - - 0 1", White), 700);
  // ... but not a penalty of 175 or less: g6 costs 140, doubled to 280, plus two open files.
  EXPECT_EQ(ShieldOf("7k/8/6P1/8/8/8/6N1/6K1 w - - 0 1", White), 280 + 350 + 350);
  EXPECT_EQ(PE.WhiteOpenShield, 3);
  EXPECT_EQ(ShieldOf("6k1/5p1p/8/8/8/8/8/7K b - - 0 1", Black), 700);
  EXPECT_EQ(PE.BlackOpenShield, 1);
  EXPECT_EQ(ShieldOf("6k1/5p1p/8/8/8/8/8/7K b - - 0 1", 2), 0);
}

TEST(KingSafety, PawnStorm) {
  ChessBoard b = FromFen("6k1/8/7P/6P1/5P2/8/8/K7 w - - 0 1");
  Evaluated(b);
  EXPECT_EQ(PE.PawnStorm(White), 600 + 300 + 100);
  ChessBoard m = Mirror(b);
  Evaluated(m);
  EXPECT_EQ(PE.PawnStorm(Black), 1000);
}

TEST(KingSafety, AttackNeedsSeveralKindsOfPieces) {
  // Rook alone: no attack term; only the -30 for no heavy piece on the king's files, halved
  // for want of a queen.
  ChessBoard rook = FromFen("k7/8/8/8/8/8/4rPPP/6K1 w - - 0 1");
  Evaluated(rook);
  PE.PawnShield(White);
  EXPECT_EQ(PE.AttackCounts(White), -15);
  // Rook and knight: (2 squares x 15 + weight 3 x 125 + 1620) x 2/4 = 1012, -30, halved.
  ChessBoard two = FromFen("k7/8/8/8/5n2/8/4rPPP/6K1 w - - 0 1");
  Evaluated(two);
  PE.PawnShield(White);
  EXPECT_EQ(PE.AttackCounts(White), 491);
  // Add a bishop on the long diagonal g2-b7: three kinds, 3/4 of 2150, -30, +10, halved.
  ChessBoard three = FromFen("k7/8/8/3b4/5n2/8/4rPPP/6K1 w - - 0 1");
  Evaluated(three);
  PE.PawnShield(White);
  EXPECT_EQ(PE.AttackCounts(White), (1612 - 30 + 10) / 2);
  // A defending knight inside the zone and attacking it takes 200 off.
  ChessBoard defended = FromFen("k7/8/8/3b4/5n2/8/4rPPP/5NK1 w - - 0 1");
  Evaluated(defended);
  PE.PawnShield(White);
  EXPECT_EQ(PE.AttackCounts(White), 796 - 200);
}

TEST(PieceEval, QueenWithoutSafeRetreatIsTrapped) {
  // Queen h8 reaches g8, g7 and h7 (mobility 3: -80); only h7 is safe.
  ChessBoard b = FromFen("5krQ/6pp/8/8/8/8/8/K7 w - - 0 1");
  Evaluated(b);
  PE.MidScore = PE.EndScore = 0;
  PE.QueenEval(White);
  EXPECT_EQ(PE.MidScore, -80);
  EXPECT_EQ(PE.EndScore, -80 - 3250);
  // A knight on f6 covers h7 as well.
  ChessBoard none = FromFen("5krQ/6pp/5n2/8/8/8/8/K7 w - - 0 1");
  Evaluated(none);
  PE.MidScore = PE.EndScore = 0;
  PE.QueenEval(White);
  EXPECT_EQ(PE.EndScore, -80 - 6500);
}

TEST(PieceEval, TrappedPieces) {
  ChessBoard knight = FromFen("6kN/5p1p/8/8/8/8/8/K7 w - - 0 1");
  Evaluated(knight);
  EXPECT_EQ(PE.Traps(White), -1219);   // once, though both pawns shut it in
  ChessBoard bishop = FromFen("6k1/B1p5/1p6/8/8/8/8/K7 w - - 0 1");
  Evaluated(bishop);
  EXPECT_EQ(PE.Traps(White), -1600);
  // A rook shut in by its own king, on either wing, while the enemy has a heavy piece.
  ChessBoard kingside = FromFen("r3k3/8/8/8/8/8/6PP/6KR w - - 0 1");
  Evaluated(kingside);
  EXPECT_EQ(PE.Traps(White), -1670);
  ChessBoard queenside = FromFen("r3k3/8/8/8/8/8/PP6/RK6 w - - 0 1");
  Evaluated(queenside);
  EXPECT_EQ(PE.Traps(White), -1670);
  ChessBoard noHeavy = FromFen("4k3/8/8/8/8/8/PP6/RK6 w - - 0 1");
  Evaluated(noHeavy);
  EXPECT_EQ(PE.Traps(White), 0);
  ChessBoard mirrored = Mirror(kingside);
  Evaluated(mirrored);
  EXPECT_EQ(PE.Traps(White), 1670);
}
