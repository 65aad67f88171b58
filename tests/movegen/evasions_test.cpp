#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "board/masks.h"
#include "movegen/move_gen.h"
#include "tests/movegen/movegen_test_util.h"

namespace {

MoveGen Evasions;

std::set<TestMove> EvasionList(ChessBoard& b, int8_t side) {
  const int n = Evasions.GenCheckEvasions(side, &b);
  std::set<TestMove> moves;
  for (int i = 0; i < n; ++i) {
    const TestMove m{Evasions.From[i], Evasions.To[i], Evasions.Promotion[i]};
    EXPECT_TRUE(moves.insert(m).second) << "listed twice: move " << i;
  }
  return moves;
}

std::set<TestMove> LegalEvasions(ChessBoard& b, int8_t side) {
  const int n = Evasions.GenCheckEvasions(side, &b);
  return AsSet(LegalOf(Evasions, n, b, side));
}

bool Has(const std::set<TestMove>& moves, int from, int to) {
  for (const TestMove& m : moves)
    if (m.From == Bit(from) && m.To == Bit(to)) return true;
  return false;
}

TEST(Evasions, SameLegalMovesAsTheFullListOverRandomGames) {
  int checks = 0;
  PlayRandomGames(400, 160, 2024, [&](const ChessBoard& position, int8_t side, uint8_t flags) {
    if (!InCheckNow(position, side)) return;
    ChessBoard b = position;
    const std::set<TestMove> full = AsSet(LegalMoves(b, side, flags));
    const std::set<TestMove> evasions = LegalEvasions(b, side);
    ASSERT_EQ(full, evasions) << "check evasions differ, " << (side ? "black" : "white") << " to move";
    // The generator restores the king it lifted off the board.
    ASSERT_EQ(std::memcmp(&b, &position, sizeof b), 0);
    EvasionList(b, side);  // and lists no move twice
    ++checks;
  });
  EXPECT_GT(checks, 300);
}

TEST(Evasions, DoubleCheckAllowsOnlyKingMoves) {
  // Rook e8 and bishop b4 both give check: the knight could take the bishop and the queen
  // could block the file, but only the king can meet both.
  ChessBoard b = BoardFromFen("4r1k1/8/8/8/1b6/8/2N5/4K2Q w - - 0 1");
  b.LastFrom = Bit(D6);  // Bb4 arrived with a discovered check
  b.LastTo = Bit(B4);
  const std::set<TestMove> moves = EvasionList(b, White);
  ASSERT_FALSE(moves.empty());
  for (const TestMove& m : moves) EXPECT_EQ(m.From, Bit(E1));
}

TEST(Evasions, KingCannotRetreatAlongTheCheckingLine) {
  ChessBoard b = BoardFromFen("7k/8/8/8/8/8/8/r3K3 w - - 0 1");
  const std::set<TestMove> moves = EvasionList(b, White);
  EXPECT_FALSE(Has(moves, E1, F1));
  EXPECT_FALSE(Has(moves, E1, D1));
  EXPECT_TRUE(Has(moves, E1, E2));
  EXPECT_TRUE(Has(moves, E1, D2));
  EXPECT_TRUE(Has(moves, E1, F2));
}

TEST(Evasions, EnPassantTakesTheCheckingPawn) {
  for (int pawn : {C5, E5}) {
    ChessBoard b = BoardFromFen(pawn == C5 ? "7k/3p4/8/2P5/4K3/8/8/8 b - - 0 1" : "7k/3p4/8/4P3/4K3/8/8/8 b - - 0 1");
    uint8_t mask;
    b.MakeMove(Bit(D7), Bit(D5), NoPromotion, mask);
    ASSERT_TRUE(InCheckNow(b, White));
    const std::set<TestMove> moves = EvasionList(b, White);
    EXPECT_TRUE(Has(moves, pawn, D6)) << pawn;
    EXPECT_EQ(LegalEvasions(b, White), AsSet(LegalMoves(b, White, 0)));
  }
  // Black king on d5 checked by a pawn that has just come from e2 to e4.
  ChessBoard b = BoardFromFen("7K/8/8/3k4/5p2/8/4P3/8 w - - 0 1");
  uint8_t mask;
  b.MakeMove(Bit(E2), Bit(E4), NoPromotion, mask);
  ASSERT_TRUE(InCheckNow(b, Black));
  EXPECT_TRUE(Has(EvasionList(b, Black), F4, E3));
}

// The checking pawn on an edge file is taken from the b- or g-file, and a candidate on an edge
// file takes inwards, for both colours.
TEST(Evasions, EnPassantTakesACheckingPawnOnOrBesideTheEdge) {
  struct Case {
    const char* fen;
    int from, to, pawn, target;
    int8_t side;
  };
  const Case cases[] = {
      {"k7/7p/8/6P1/6K1/8/8/8 b - - 0 1", H7, H5, G5, H6, White},  // g5 x h6
      {"7k/p7/8/1P6/1K6/8/8/8 b - - 0 1", A7, A5, B5, A6, White},  // b5 x a6
      {"7k/1p6/8/P7/K7/8/8/8 b - - 0 1", B7, B5, A5, B6, White},   // a5 x b6
      {"8/8/8/2k5/p7/8/1P6/7K w - - 0 1", B2, B4, A4, B3, Black},  // a4 x b3
      {"8/8/8/6k1/6p1/8/7P/K7 w - - 0 1", H2, H4, G4, H3, Black},  // g4 x h3
  };
  for (const Case& c : cases) {
    ChessBoard b = BoardFromFen(c.fen);
    uint8_t mask;
    b.MakeMove(Bit(c.from), Bit(c.to), NoPromotion, mask);
    ASSERT_TRUE(InCheckNow(b, c.side)) << c.fen;
    EXPECT_TRUE(Has(EvasionList(b, c.side), c.pawn, c.target)) << c.fen;
    EXPECT_EQ(LegalEvasions(b, c.side), AsSet(LegalMoves(b, c.side, 0))) << c.fen;
  }
}

TEST(Evasions, SliderCheckAllowsInterpositionAndCapture) {
  // Bishop b4 checks e1 across d2 and c3: knight, rook, queen and pawn moves onto those squares.
  ChessBoard b = BoardFromFen("4k3/8/8/8/1b6/8/P1P4N/R2QK1N1 w - - 0 1");
  const std::set<TestMove> moves = EvasionList(b, White);
  EXPECT_TRUE(Has(moves, D1, D2));   // queen blocks
  EXPECT_TRUE(Has(moves, G1, E2) == false);
  EXPECT_TRUE(Has(moves, C2, C3));   // pawn push blocks
  EXPECT_TRUE(Has(moves, A2, A3) == false);
  EXPECT_TRUE(Has(moves, D1, B3) == false);
  EXPECT_TRUE(Has(moves, E1, F2));   // king steps aside
  EXPECT_EQ(LegalEvasions(b, White), AsSet(LegalMoves(b, White, 0)));

  // A knight check can only be met by the king or by taking the knight.
  b = BoardFromFen("4k3/8/8/8/8/3n4/2B5/R3K3 w Q - 0 1");
  for (const TestMove& m : EvasionList(b, White)) EXPECT_TRUE(m.From == Bit(E1) || m.To == Bit(D3));
  EXPECT_TRUE(Has(EvasionList(b, White), C2, D3));
  EXPECT_EQ(LegalEvasions(b, White), AsSet(LegalMoves(b, White, 2)));
}

TEST(Evasions, PromotingInterpositionsBecomeQueens) {
  // The black king on h1 is checked along the first rank; f2-f1 blocks and becomes a queen.
  ChessBoard b = BoardFromFen("K7/8/8/8/8/8/5p2/R6k b - - 0 1");
  const int n = Evasions.GenCheckEvasions(Black, &b);
  bool found = false;
  for (int i = 0; i < n; ++i)
    if (Evasions.From[i] == Bit(F2) && Evasions.To[i] == Bit(F1)) found = Evasions.Promotion[i] == 'q';
  EXPECT_TRUE(found);
}

}  // namespace
