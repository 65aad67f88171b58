#include "game/move_text.h"

#include <gtest/gtest.h>

#include <string>

#include "board/masks.h"
#include "search/search_routines.h"

namespace {

std::string Text(uint8_t from, uint8_t to, char promotion, int pv, int* length = nullptr) {
  char out[MoveTextSize];
  const int n = fillmovestring(out, 0, from, to, promotion, pv);
  if (length) *length = n;
  return out;
}

}  // namespace

TEST(MoveText, SingleMoves) {
  int length = 0;
  EXPECT_EQ(Text(E2, E4, NoPromotion, 0, &length), " e2e4 \n");
  EXPECT_EQ(length, 6);
  EXPECT_EQ(Text(A1, H8, NoPromotion, 0), " a1h8 \n");
  EXPECT_EQ(Text(H8, A1, 0, 0), " h8a1 \n");
  // Promotions given as piece codes or as letters, either colour.
  EXPECT_EQ(Text(E7, E8, 4, 0, &length), " e7e8q \n");
  EXPECT_EQ(length, 7);
  EXPECT_EQ(Text(E7, E8, 'Q', 0), " e7e8q \n");
  EXPECT_EQ(Text(D2, D1, 'q', 0), " d2d1q \n");
  EXPECT_EQ(Text(D2, D1, 7, 0), " d2d1n \n");
  EXPECT_EQ(Text(B7, A8, 'N', 0), " b7a8n \n");
  EXPECT_EQ(Text(B7, A8, 'b', 0), " b7a8b \n");
  EXPECT_EQ(Text(B7, A8, 9, 0), " b7a8r \n");
  // Anything else is a plain move.
  EXPECT_EQ(Text(B7, A8, 'x', 0), " b7a8 \n");
  EXPECT_EQ(Text(B7, A8, 5, 0), " b7a8 \n");
}

TEST(MoveText, Variation) {
  const int savedLength = Search.PVLength;
  Search.PV[0][0] = {MoveCode(E2, E4), NoPromotion};
  Search.PV[0][1] = {MoveCode(E7, E5), NoPromotion};
  Search.PV[0][2] = {MoveCode(G1, F3), NoPromotion};
  Search.PV[0][3] = {MoveCode(A2, A1), 'q'};
  Search.PVLength = 4;
  int length = 0;
  EXPECT_EQ(Text(E2, E4, NoPromotion, 1, &length), " e2e4 e7e5 g1f3 a2a1q \n");
  EXPECT_EQ(length, 22);
  EXPECT_EQ(Text(E2, E4, NoPromotion, 0), " e2e4 \n");
  Search.PVLength = 1;
  EXPECT_EQ(Text(E2, E4, NoPromotion, 1), " e2e4 \n");
  // A variation as long as the table fits the buffer.
  for (int i = 1; i < MaxPly; i++) Search.PV[0][i] = {MoveCode(B7, A8), 'Q'};
  Search.PVLength = MaxPly + 50;
  const std::string longest = Text(E2, E4, NoPromotion, 1, &length);
  EXPECT_EQ(length, 6 + (MaxPly - 1) * 6);
  EXPECT_LT(longest.size(), static_cast<size_t>(MoveTextSize));
  Search.PVLength = savedLength;
  for (auto& entry : Search.PV[0]) entry = {0, 0};
}
