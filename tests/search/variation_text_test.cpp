#include "search/variation_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/bit_ops.h"
#include "board/masks.h"
#include "search/search_routines.h"

namespace {

std::string Text(const std::vector<PVEntry>& line, int* length = nullptr) {
  char out[VariationTextSize];
  const int n = WriteVariation(out, line.data(), static_cast<int>(line.size()));
  if (length) *length = n;
  return out;
}

std::string Move(uint8_t from, uint8_t to, char promotion) { return Text({{MoveCode(from, to), promotion}}); }

}  // namespace

TEST(VariationText, SingleMoves) {
  int length = 0;
  EXPECT_EQ(Text({{MoveCode(E2, E4), NoPromotion}}, &length), " e2e4 \n");
  EXPECT_EQ(length, 6);
  EXPECT_EQ(Move(A1, H8, NoPromotion), " a1h8 \n");
  EXPECT_EQ(Move(H8, A1, 0), " h8a1 \n");
  // Promotions given as piece codes or as letters, either colour.
  EXPECT_EQ(Text({{MoveCode(E7, E8), 4}}, &length), " e7e8q \n");
  EXPECT_EQ(length, 7);
  EXPECT_EQ(Move(E7, E8, 'Q'), " e7e8q \n");
  EXPECT_EQ(Move(D2, D1, 'q'), " d2d1q \n");
  EXPECT_EQ(Move(D2, D1, 7), " d2d1n \n");
  EXPECT_EQ(Move(B7, A8, 'N'), " b7a8n \n");
  EXPECT_EQ(Move(B7, A8, 'b'), " b7a8b \n");
  EXPECT_EQ(Move(B7, A8, 9), " b7a8r \n");
  // Anything else is a plain move.
  EXPECT_EQ(Move(B7, A8, 'x'), " b7a8 \n");
  EXPECT_EQ(Move(B7, A8, 5), " b7a8 \n");
}

TEST(VariationText, Lines) {
  const std::vector<PVEntry> line = {{MoveCode(E2, E4), NoPromotion},
                                     {MoveCode(E7, E5), NoPromotion},
                                     {MoveCode(G1, F3), NoPromotion},
                                     {MoveCode(A2, A1), 'q'}};
  int length = 0;
  EXPECT_EQ(Text(line, &length), " e2e4 e7e5 g1f3 a2a1q \n");
  EXPECT_EQ(length, 22);
  EXPECT_EQ(Text({}, &length), " \n");
  EXPECT_EQ(length, 1);
  // No more than MaxPly moves are read, and the longest line fits the buffer.
  const std::vector<PVEntry> longest(MaxPly + 50, PVEntry{MoveCode(B7, A8), 'Q'});
  const std::string text = Text(longest, &length);
  EXPECT_EQ(length, 1 + MaxPly * 6);
  EXPECT_LT(text.size(), static_cast<size_t>(VariationTextSize));
  // The buffer of VariationText holds the same text.
  EXPECT_EQ(std::string(VariationText(line.data(), 2)), " e2e4 e7e5 \n");
}

// The line shown for the root's best move: the move itself, then the rest of PV row 0; reading
// it leaves the search's tables as they were.
TEST(VariationText, BestLineOfTheRoot) {
  SearchRoutines& S = Search;
  const int savedLength = S.PVLength;
  S.PV[0][0] = {MoveCode(E2, E4), NoPromotion};
  S.PV[0][1] = {MoveCode(E7, E5), NoPromotion};
  S.PV[0][2] = {MoveCode(G1, F3), NoPromotion};
  S.PV[0][3] = {MoveCode(A2, A1), 'q'};
  S.PVLength = 4;
  RootVariation line = S.BestLine(SquareMask(E2), SquareMask(E4), NoPromotion);
  EXPECT_EQ(Text({line.Moves, line.Moves + line.Length}), " e2e4 e7e5 g1f3 a2a1q \n");
  EXPECT_EQ(S.PVLength, 4);
  EXPECT_EQ(S.PV[0][3].Promotion, 'q');
  // A move the row does not start with (a book move, the first legal move standing in) still
  // leads the line.
  S.PVLength = 0;
  line = S.BestLine(SquareMask(B7), SquareMask(A8), 'N');
  EXPECT_EQ(Text({line.Moves, line.Moves + line.Length}), " b7a8n \n");
  // The row is read no further than it goes.
  S.PVLength = MaxPly + 50;
  line = S.BestLine(SquareMask(E2), SquareMask(E4), NoPromotion);
  EXPECT_EQ(line.Length, MaxPly);
  S.PVLength = savedLength;
  for (auto& entry : S.PV[0]) entry = {0, 0};
}
