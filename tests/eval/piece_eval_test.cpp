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

TEST(PieceEval, RookMobilityOpenAndHalfOpenFilesAndPassers) {
  // Ra1 on an open file reaches ten squares (170; x 1.4 = 238 in the ending), +320/+140.
  ChessBoard open = FromFen("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
  ReadyForOneTerm(open);
  EXPECT_EQ(PE.RookEval(White), 0);
  EXPECT_EQ(PE.MidScore, 170 + 320);
  EXPECT_EQ(PE.EndScore, 238 + 140);
  // Without pawns the side with the rook brings its king to the lone king: -80 x distance 7.
  EXPECT_EQ(PE.KingEval(White), -560);
  // Blocked on its first rank by the a2 pawn (-100/-200), no white pawn on the file (+50 in
  // the returned term); the pawn covers b1, leaving a2, c1 and d1 (-30, -42).
  ChessBoard blocked = FromFen("4k3/8/8/8/8/8/p7/R3K3 w - - 0 1");
  ReadyForOneTerm(blocked);
  EXPECT_EQ(PE.RookEval(White), 50);
  EXPECT_EQ(PE.MidScore, -30 - 100);
  EXPECT_EQ(PE.EndScore, -42 - 200);
  // Behind its own passer on a5 (+37/+75), six squares (70, 98); behind Black's h4 passer
  // from above (+18/+37), reaching h7..h4 and g8..a8: eleven squares (190, 266).
  ChessBoard behind = FromFen("7R/8/4k3/P7/7p/8/8/R3K3 w - - 0 1");
  ReadyForOneTerm(behind);
  EXPECT_EQ(PE.RookEval(White), 50);   // the h-file holds no white pawn
  EXPECT_EQ(PE.MidScore, 70 + 37 + 190 + 18);
  EXPECT_EQ(PE.EndScore, 98 + 75 + 266 + 37);
}

TEST(PieceEval, KnightSquareOutpostAndMobility) {
  // Na1: table -400/-250, two squares (-20).
  ChessBoard corner = FromFen("4k3/8/8/8/8/8/7P/N3K3 w - - 0 1");
  ReadyForOneTerm(corner);
  PE.KnightEval(White);
  EXPECT_EQ(PE.MidScore, -400 - 20);
  EXPECT_EQ(PE.EndScore, -250 - 20);
  // Nd5: table 80/150, eight squares (120), outpost +120 until a black pawn on c6 can chase it.
  ChessBoard post = FromFen("4k3/8/8/3N4/8/8/7P/4K3 w - - 0 1");
  ReadyForOneTerm(post);
  PE.KnightEval(White);
  EXPECT_EQ(PE.MidScore, 80 + 120 + 120);
  EXPECT_EQ(PE.EndScore, 150 + 120);
  ChessBoard chased = FromFen("4k3/8/2p5/3N4/8/8/7P/4K3 w - - 0 1");
  ReadyForOneTerm(chased);
  PE.KnightEval(White);
  EXPECT_EQ(PE.MidScore, 80 + 120);
}

TEST(PieceEval, FianchettoAndBishopPair) {
  // Bg2 behind g3 with f2 and h2: table 25/-50, nine squares (90), fianchetto +200.
  ChessBoard g2 = FromFen("4k3/8/8/8/8/6P1/5PBP/4K3 w - - 0 1");
  ReadyForOneTerm(g2);
  EXPECT_EQ(PE.BishopEval(White), 0);
  EXPECT_EQ(PE.MidScore, 25 + 90 + 200);
  EXPECT_EQ(PE.EndScore, -50 + 90);
  ChessBoard pair = FromFen("4k3/8/8/8/8/6P1/5PBP/2B1K3 w - - 0 1");
  ReadyForOneTerm(pair);
  EXPECT_EQ(PE.BishopEval(White), 500);
}

TEST(KingSafety, OpenShieldFilesWeighTheAttackers) {
  // Kg1 without a g-pawn (one open file). The queen on g4 alone is one kind: no attack
  // term, but 5 x material 2 x 1 open file + 10 x 1 x one piece on the king's files, and
  // -30 x 2 + 30 x 2 for the queen on a file without black pawns.
  ChessBoard b = FromFen("k7/8/8/8/6q1/8/5P1P/6K1 w - - 0 1");
  Evaluated(b);
  EXPECT_EQ(PE.PawnShield(White), 700);
  EXPECT_EQ(PE.AttackCounts(White), 10 + 10);
}
