#include "board/keys.h"

#include <gtest/gtest.h>

#include <set>

#include "board/chess_board.h"
#include "tests/movegen/movegen_test_util.h"

namespace {

constexpr const char* StartFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

TEST(Keys, CodesComeFromTheFirstDrawsOfTheGenerator) {
  EnsureKeys();
  // The first three numbers drawn (60494271, 1217451684, 928226186) form the white pawn's
  // codes on a1: upper code = first and second, lower code starts with the third.
  EXPECT_EQ(UPStable[0], 0x039b11bf4890d6a4ULL);
  EXPECT_EQ(UPStable[0] >> 32, 60494271u);
  EXPECT_EQ(UPStable[0] & 0xFFFFFFFFu, 1217451684u);
  EXPECT_EQ(LPStable[0], 0x37539b8aa7e3a104ULL);
  EXPECT_EQ(LPStable[0] >> 32, 928226186u);
}

TEST(Keys, GeneratorKeepsItsLaggedFibonacciRecurrence) {
  EnsureKeys();
  // Each number is the sum of the numbers drawn 55 and 24 draws earlier, modulo 2^32.
  uint32_t drawn[200];
  for (uint32_t& x : drawn) x = BetterRandom32();
  for (int n = 55; n < 200; ++n) EXPECT_EQ(drawn[n], static_cast<uint32_t>(drawn[n - 55] + drawn[n - 24])) << n;
}

TEST(Keys, StartPositionKeys) {
  const ChessBoard b = BoardFromFen(StartFen);
  uint64_t upper, lower;
  genhashcode(White, 15, &upper, &lower, &b);
  EXPECT_EQ(upper, 0xbad8795b232a10f9ULL);
  EXPECT_EQ(lower, 0x4f0f86e39db9046dULL);
  uint32_t pawnKey = 0;
  genpawnhashcode(White, b, &pawnKey);
  EXPECT_EQ(pawnKey, 0x3f675bb0u);

  // Black to move: both keys change by the same code; any non-zero side counts as Black.
  uint64_t blackUpper, blackLower;
  genhashcode(Black, 15, &blackUpper, &blackLower, &b);
  EXPECT_EQ(blackUpper ^ upper, WtoMove ^ BtoMove);
  EXPECT_EQ(blackLower ^ lower, WtoMove ^ BtoMove);
  uint64_t otherUpper, otherLower;
  genhashcode(7, 15, &otherUpper, &otherLower, &b);
  EXPECT_EQ(otherUpper, blackUpper);
  EXPECT_EQ(otherLower, blackLower);
  uint32_t blackPawnKey = 0;
  genpawnhashcode(Black, b, &blackPawnKey);
  EXPECT_EQ(blackPawnKey, pawnKey);
}

TEST(Keys, EveryCastlingValueHasItsOwnCode) {
  const ChessBoard b = BoardFromFen(StartFen);
  uint64_t upper15, lower15;
  genhashcode(White, 15, &upper15, &lower15, &b);
  std::set<uint64_t> uppers;
  for (int castle = 0; castle < 16; ++castle) {
    uint64_t upper, lower;
    genhashcode(White, static_cast<uint8_t>(castle), &upper, &lower, &b);
    EXPECT_EQ(upper ^ upper15, CastleCode[castle] ^ CastleCode[15]);
    EXPECT_EQ(lower ^ lower15, CastleCode[castle] ^ CastleCode[15]);
    uppers.insert(upper);
  }
  EXPECT_EQ(uppers.size(), 16u);
}

TEST(Keys, EmptyBoardHasEqualHalves) {
  ChessBoard b = BoardFromFen(StartFen);
  b.ClearField();
  uint64_t upper, lower;
  genhashcode(White, 0, &upper, &lower, &b);
  EXPECT_EQ(upper, WtoMove ^ CastleCode[0]);
  EXPECT_EQ(lower, upper);
}

}  // namespace

// Every legal move of random games (castling, en passant and promotions included): the keys
// kept move by move equal the keys computed from scratch, and the early hint is exact for the
// plain moves and captures that keep the castling rights.
TEST(Keys, KeysAfterAMoveMatchTheKeysFromScratch) {
  int moves = 0, plain = 0;
  PlayRandomGames(60, 120, 4242, [&](const ChessBoard& position, int8_t side, uint8_t flags) {
    uint64_t upper, lower;
    genhashcode(side, flags, &upper, &lower, &position);
    for (const TestMove& m : LegalMoves(position, side, flags)) {
      ChessBoard b = position;
      const uint64_t hint = LowerKeyHint(b, side, lower, m.From, m.To);
      const bool enPassant = b.IsPawn(side, m.From) && b.IsEmptySquare(m.To) &&
                             LowestSquare(m.From) % 8 != LowestSquare(m.To) % 8;
      const bool special = m.Promotion != NoPromotion || enPassant;
      uint8_t mask;
      uint64_t keptUpper = upper, keptLower = lower;
      b.MakeMove(m.From, m.To, m.Promotion, mask, &keptUpper, &keptLower);
      const uint8_t after = flags & mask;
      ToggleSideAndCastling(flags, after, &keptUpper, &keptLower);
      uint64_t freshUpper, freshLower;
      genhashcode(side ^ 1, after, &freshUpper, &freshLower, &b);
      ASSERT_EQ(keptUpper, freshUpper);
      ASSERT_EQ(keptLower, freshLower);
      const bool castles = b.IsKing(side, m.To) && (LowestSquare(m.From) - LowestSquare(m.To) == 2 ||
                                                     LowestSquare(m.To) - LowestSquare(m.From) == 2);
      if (!special && !castles && after == flags) {
        EXPECT_EQ(hint, freshLower);
        ++plain;
      }
      ++moves;
    }
  });
  EXPECT_GT(moves, 20000);
  EXPECT_GT(plain, moves / 2);
}
