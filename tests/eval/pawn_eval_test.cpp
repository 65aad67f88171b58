// Pawn structure: the cached structural values of a few positions worked out by hand, passed
// pawn races and the rule of the square.

#include <gtest/gtest.h>

#include "board/masks.h"
#include "eval_test_util.h"

namespace {

// Evaluates the position freshly and returns the pawn-hash entry that now holds its structure.
const PawnStructure& Structure(ChessBoard& b) {
  Evaluate(b);
  return PawnHashArray[b.PawnKingKey & PawnHashIndexMask].Pawn;
}

}  // namespace

TEST(PawnEval, NoPawnsScoreNothing) {
  ChessBoard b = FromFen("4k3/8/8/8/8/8/8/Q3K2r w - - 0 1");
  Evaluate(b);
  EXPECT_EQ(PE.PawnEval04(White), 0);
  EXPECT_EQ(PE.Pawn.OpenFiles, ~0ULL);
  EXPECT_EQ(PE.RuleofSquare(White), 0);
}

TEST(PawnEval, IsolatedPassedPawn) {
  // d4: square 187, isolated on the d-file -10, no enemy pawn on the file -50, passed and
  // isolated +50. Middlegame: isolated -110 and centre +60; endgame -110.
  ChessBoard b = FromFen("4k3/8/8/8/3P4/8/8/4K3 w - - 0 1");
  const PawnStructure& e = Structure(b);
  EXPECT_EQ(e.WhitePawnScore, 177);
  EXPECT_EQ(e.BlackPawnScore, -30);
  EXPECT_EQ(e.MidTerm, -50);
  EXPECT_EQ(e.EndTerm, -110);
  EXPECT_EQ(PE.Pawn.WhitePasserRank[3 + 1], 3);
  EXPECT_EQ(PE.Pawn.WhitePasserCount, 1);
}

TEST(PawnEval, DoubledPasserIsWorthFifteenSixteenths) {
  ChessBoard b = FromFen("4k3/8/8/8/8/4P3/4P3/4K3 w - - 0 1");
  const PawnStructure& e = Structure(b);
  EXPECT_EQ(PE.Pawn.WhiteDoubled, 1);
  EXPECT_EQ(PE.Pawn.WhitePasserRank[4 + 1], 2);   // the front pawn stands for the file
  EXPECT_EQ(e.WhitePasserScore, 80 * 15 / 16);
  // The same for Black, whose passer of the file is the lower pawn.
  ChessBoard m = Mirror(b);
  const PawnStructure& me = Structure(m);
  EXPECT_EQ(PE.Pawn.BlackDoubled, 1);
  EXPECT_EQ(PE.Pawn.BlackPasserRank[4 + 1], 5);
  EXPECT_EQ(me.BlackPasserScore, 75);
}

TEST(PawnEval, ConnectedPassersNeedNeighboursAtMostOneRankApart) {
  // c5 and d6 are connected (320 + 640); e4 is two ranks from d6, so the left neighbour
  // decides it is a plain passer (160).
  ChessBoard b = FromFen("4k3/8/3P4/2P5/4P3/8/8/4K3 w - - 0 1");
  const PawnStructure& e = Structure(b);
  EXPECT_EQ(e.WhitePasserScore, 320 + 640 + 160);
  EXPECT_EQ(e.PasserFlags, 3);
  // Two ranks apart: plain passers (270 + 1100) and no connected flag.
  ChessBoard apart = FromFen("7k/3P4/8/2P5/8/8/8/4K3 w - - 0 1");
  const PawnStructure& a = Structure(apart);
  EXPECT_EQ(a.WhitePasserScore, 270 + 1100);
  EXPECT_EQ(a.PasserFlags, 1);
  // Passers on neighbouring files one rank apart are connected, not protected (180 + 320) ...
  ChessBoard chain = FromFen("4k3/8/8/3P4/2P5/8/8/4K3 w - - 0 1");
  EXPECT_EQ(Structure(chain).WhitePasserScore, 180 + 320);
  // ... while a passer guarded by a blocked pawn diagonally behind it is protected (300).
  ChessBoard guarded = FromFen("4k3/8/8/2pP4/2P5/8/8/4K3 w - - 0 1");
  EXPECT_EQ(Structure(guarded).WhitePasserScore, 300);
}

TEST(PawnEval, BackwardPawn) {
  ChessBoard b = FromFen("4k3/8/8/3pp3/3P4/4P3/8/4K3 w - - 0 1");
  Structure(b);
  EXPECT_EQ(PE.Pawn.BackwardPawns, Bit(E3));
}

TEST(PawnEval, PawnOnItsStartingRankMayStepTwice) {
  // a2 against a king on g7, six squares from a8: the pawn needs five moves.
  ChessBoard b = FromFen("8/6k1/8/8/8/8/P7/K7 w - - 0 1");
  Evaluate(b);
  EXPECT_TRUE(PE.DoesPawnPromote(White, 1, Bit(A8), White));
  EXPECT_FALSE(PE.DoesPawnPromote(White, 1, Bit(A8), Black));
  EXPECT_EQ(PE.RuleofSquare(White), 5700);
  EXPECT_EQ(PE.RuleofSquare(Black), 0);
}

TEST(PawnEval, EqualRaceDependsOnTheNewQueen) {
  // Both queen in two moves. Whoever moves first queens with check along the open edge.
  ChessBoard b = FromFen("k7/8/7P/8/8/p7/8/7K w - - 0 1");
  Evaluate(b);
  EXPECT_EQ(PE.RuleofSquare(White), 5700);
  EXPECT_EQ(PE.RuleofSquare(Black), -5700);
  // With the black king beside its own queening square the check decides nothing.
  ChessBoard near = FromFen("8/8/7P/8/8/p7/8/k6K w - - 0 1");
  Evaluate(near);
  EXPECT_EQ(PE.RuleofSquare(White), 0);
  // The white king catches the a-pawn: only White queens undisturbed.
  ChessBoard one = FromFen("8/8/7P/8/8/p7/8/k1K5 w - - 0 1");
  Evaluate(one);
  EXPECT_EQ(PE.RuleofSquare(White), 5700);
  // Pieces on the board: no races are scored.
  ChessBoard pieces = FromFen("k7/8/7P/8/8/p7/8/N6K w - - 0 1");
  Evaluate(pieces);
  EXPECT_EQ(PE.RuleofSquare(White), 0);
}

TEST(PawnEval, PasserRaceProximityAndFreePath) {
  // a7 (isolated, half-open, rook pawn away from the e1 king: -5 -50 +50; -90/-90) is worth
  // 1100, +150 as the h3 king cannot catch it. In the ending: king proximity
  // (7 - 6) x 184 / 2 + (7 - 7) x 184 = 92 and a free path to a8, +1100.
  ChessBoard seventh = FromFen("8/P7/8/8/8/7k/8/4K3 w - - 0 1");
  ReadyForOneTerm(seventh);
  EXPECT_EQ(PE.PawnEval04(White), -5 + 30);
  EXPECT_EQ(PE.Pawn.WhitePasserScore, 1100 + 150);
  EXPECT_EQ(PE.MidScore, -90);
  EXPECT_EQ(PE.EndScore, -90 + 92 + 1100);
  // a6: 550 + 150; proximity (7 - 5) x 120 / 2 = 120; a7 and a8 free, +550.
  ChessBoard sixth = FromFen("8/8/P7/8/8/7k/8/4K3 w - - 0 1");
  ReadyForOneTerm(sixth);
  PE.PawnEval04(White);
  EXPECT_EQ(PE.Pawn.WhitePasserScore, 550 + 150);
  EXPECT_EQ(PE.EndScore, -90 + 120 + 550);
}
