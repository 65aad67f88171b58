// Reading the opponent's move text: legal moves only, promotions, malformed words.

#include "game/move_parse.h"

#include <gtest/gtest.h>

#include "board/bit_ops.h"
#include "board/masks.h"
#include "tests/game/front_end_test_util.h"

namespace {

class MoveParseTest : public FrontEndTest {
protected:
  static bool Accepts(const char* text, char* promo = nullptr) {
    uint64_t from = 0, to = 0;
    char p = 0;
    const bool ok = ParseLegalMove(MainBoard, text, &from, &to, &p);
    if (ok) {
      EXPECT_EQ(from, SquareMask((text[0] - 'a') + 8 * (text[1] - '1'))) << text;
      EXPECT_EQ(to, SquareMask((text[2] - 'a') + 8 * (text[3] - '1'))) << text;
    }
    if (promo) *promo = p;
    return ok;
  }
};

TEST_F(MoveParseTest, MoveTextShape) {
  for (const char* good : {"e2e4", "a1h8", "e7e8q", "e7e8N", "b2b1r"}) EXPECT_TRUE(LooksLikeMoveText(good)) << good;
  for (const char* bad : {"e2", "e2e", "e2e9", "i2i4", "e0e4", "e2e4x", "e7e8qq", "exit", "E2E4", ""})
    EXPECT_FALSE(LooksLikeMoveText(bad)) << bad;
}

TEST_F(MoveParseTest, StartPositionMovesAndNonMoves) {
  EXPECT_TRUE(Accepts("e2e4"));
  EXPECT_TRUE(Accepts("g1f3"));
  EXPECT_FALSE(Accepts("e2e5"));   // no such pawn move
  EXPECT_FALSE(Accepts("e7e5"));   // Black's pawn, White to move
  EXPECT_FALSE(Accepts("e1g1"));   // castling through own pieces
  EXPECT_FALSE(Accepts("e3e4"));   // empty square
  EXPECT_FALSE(Accepts("e2e4q"));  // a letter on a move that does not promote
  EXPECT_FALSE(Accepts("e2"));
  MainBoard.SideToMove = Black;
  EXPECT_TRUE(Accepts("e7e5"));
  EXPECT_FALSE(Accepts("e2e4"));
}

TEST_F(MoveParseTest, KingSafety) {
  // The knight on e2 is pinned against its king by the rook on e8.
  Load("4r1k1/8/8/8/8/8/4N3/4K3 w - - 0 1");
  EXPECT_FALSE(Accepts("e2c3"));
  EXPECT_TRUE(Accepts("e1d1"));
  EXPECT_TRUE(Accepts("e1f2"));
  // In check from the rook on e8 (the knight gone): the king must leave the file.
  Load("4r1k1/8/8/8/8/8/8/4K1N1 w - - 0 1");
  EXPECT_FALSE(Accepts("g1f3"));
  EXPECT_FALSE(Accepts("e1e2"));
  EXPECT_TRUE(Accepts("e1d2"));
}

TEST_F(MoveParseTest, Castling) {
  Load("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
  EXPECT_TRUE(Accepts("e1g1"));
  EXPECT_TRUE(Accepts("e1c1"));
  // Without the rights the same king moves are not castling moves.
  Load("r3k2r/8/8/8/8/8/8/R3K2R w kq - 0 1");
  EXPECT_FALSE(Accepts("e1g1"));
  EXPECT_FALSE(Accepts("e1c1"));
  // Through an attacked square (f1 covered by the rook on f8).
  Load("r3kr2/8/8/8/8/8/8/R3K2R w KQ - 0 1");
  EXPECT_FALSE(Accepts("e1g1"));
  EXPECT_TRUE(Accepts("e1c1"));
}

TEST_F(MoveParseTest, Promotions) {
  Load("3r2k1/4P3/8/8/8/8/8/4K3 w - - 0 1");
  char promo = 0;
  ASSERT_TRUE(Accepts("e7e8", &promo));
  EXPECT_EQ(promo, 'q');  // no letter: a queen
  ASSERT_TRUE(Accepts("e7e8N", &promo));
  EXPECT_EQ(promo, 'n');
  ASSERT_TRUE(Accepts("e7d8r", &promo));
  EXPECT_EQ(promo, 'r');
  ASSERT_TRUE(Accepts("e7e8b", &promo));
  EXPECT_EQ(promo, 'b');
  EXPECT_FALSE(Accepts("e7e8k"));
  EXPECT_FALSE(Accepts("e7f8q"));  // nothing to capture on f8
  Load("4k3/8/8/8/8/8/3p4/7K b - - 0 1");
  ASSERT_TRUE(Accepts("d2d1", &promo));
  EXPECT_EQ(promo, 'q');
  ASSERT_TRUE(Accepts("d2d1n", &promo));
  EXPECT_EQ(promo, 'n');
}

TEST_F(MoveParseTest, EnPassantOnlyRightAfterTheDoublePush) {
  Load("4k3/3p4/8/4P3/8/8/8/4K3 b - - 0 1");
  uint8_t mask = 15;
  MainBoard.MakeMove(SquareMask(D7), SquareMask(D5), NoPromotion, mask);
  MainBoard.SideToMove = White;
  EXPECT_TRUE(Accepts("e5d6"));
  // From FEN the last move is unknown, so the capture is not offered.
  Load("4k3/8/8/3pP3/8/8/8/4K3 w - - 0 1");
  EXPECT_FALSE(Accepts("e5d6"));
}

TEST_F(MoveParseTest, RefusedMoveLeavesOutputsAlone) {
  uint64_t from = 7, to = 9;
  char promo = 'x';
  EXPECT_FALSE(ParseLegalMove(MainBoard, "e2e5", &from, &to, &promo));
  EXPECT_EQ(from, 7u);
  EXPECT_EQ(to, 9u);
  EXPECT_EQ(promo, 'x');
  EXPECT_FALSE(ParseLegalMove(MainBoard, nullptr, &from, &to, &promo));
}

TEST_F(MoveParseTest, CountLegalMoves) {
  EXPECT_EQ(CountLegalMoves(MainBoard), 20);
  Load("7k/6Q1/6K1/8/8/8/8/8 b - - 0 1");  // mated
  EXPECT_EQ(CountLegalMoves(MainBoard), 0);
  Load("7k/8/6QK/8/8/8/8/8 b - - 0 1");  // stalemate
  EXPECT_EQ(CountLegalMoves(MainBoard), 0);
  Load("r6k/8/8/8/8/8/8/K7 w - - 0 1");
  EXPECT_EQ(CountLegalMoves(MainBoard), 2);  // b1, b2 (a2 is on the rook's file)
}

}  // namespace
