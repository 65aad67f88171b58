#include "hash/move_history.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

std::unique_ptr<MoveHistory> FreshHistory() {
  auto h = std::make_unique<MoveHistory>();
  h->Init();
  return h;
}

// Pushes positions named by small numbers: the keys of position p are (p * 1000 + 1, p).
void Push(MoveHistory& h, std::initializer_list<int> positions) {
  for (int p : positions) ASSERT_TRUE(h.InsertHashCodeMoveHistory(static_cast<uint64_t>(p) * 1000 + 1, static_cast<uint64_t>(p)));
}

int32_t Repeats(const MoveHistory& h, int n, int p) {
  return h.ThreeFoldRepDetection(n, static_cast<uint64_t>(p) * 1000 + 1, static_cast<uint64_t>(p));
}

}  // namespace

TEST(MoveHistory, RepetitionWindow) {
  auto h = FreshHistory();
  // Position 5 after the last pawn move, 4 reversible plies, back to 5: the first occurrence
  // lies outside the window of the last four plies.
  Push(*h, {1, 2, 5, 6, 7, 8, 5});
  EXPECT_EQ(Repeats(*h, 4, 5), 0);
  EXPECT_EQ(Repeats(*h, 5, 5), 1);  // one ply more reaches it
  EXPECT_EQ(Repeats(*h, 0, 5), -1);
  EXPECT_EQ(Repeats(*h, -3, 5), -1);
  // n beyond the whole history starts at entry 0; only entries an even number of plies back
  // (same side to move) are compared.
  Push(*h, {9});
  EXPECT_EQ(Repeats(*h, 100, 2), 0);
  EXPECT_EQ(Repeats(*h, 100, 1), -1);
  EXPECT_EQ(Repeats(*h, 100, 5), -1);
  EXPECT_EQ(Repeats(*h, 7, 2), 0);
  EXPECT_EQ(Repeats(*h, 6, 2), -1);

  // Ten reversible plies with the positions after plies 2, 6 and 10 equal.
  h->Init();
  Push(*h, {30, 31, 40, 33, 34, 35, 40, 37, 38, 39, 40});
  EXPECT_EQ(Repeats(*h, 10, 40), 2);
  EXPECT_EQ(Repeats(*h, 5, 40), 1);
  EXPECT_EQ(Repeats(*h, 4, 40), 0);
}

TEST(MoveHistory, BothKeysMustMatch) {
  auto h = FreshHistory();
  ASSERT_TRUE(h->InsertHashCodeMoveHistory(3001, 77));  // upper key of position 3, another lower key
  Push(*h, {4, 3});
  EXPECT_EQ(Repeats(*h, 10, 3), 0);
  Push(*h, {4, 3});
  EXPECT_EQ(Repeats(*h, 10, 3), 1);
}

TEST(MoveHistory, RetractPairsWithInsert) {
  auto h = FreshHistory();
  Push(*h, {1, 2, 3});
  h->RetractMove();
  EXPECT_EQ(h->NumMoves, 2);
  h->RetractMove();
  h->RetractMove();
  h->RetractMove();  // one too many: the stack stays empty instead of going negative
  EXPECT_EQ(h->NumMoves, 0);
  Push(*h, {4});
  EXPECT_EQ(h->NumMoves, 1);
  EXPECT_EQ(h->Entries[0].Lower, 4u);
}

TEST(MoveHistory, FullStackRefusesAndStaysBalanced) {
  auto h = FreshHistory();
  for (int i = 0; i < MoveHistory::WarningThreshold; i++)
    ASSERT_TRUE(h->InsertHashCodeMoveHistory(static_cast<uint64_t>(i), static_cast<uint64_t>(i)));

  testing::internal::CaptureStdout();
  ASSERT_TRUE(h->InsertHashCodeMoveHistory(1, 1));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "MAJOR ERROR: NumMoves > 1990 in InsertHashCodeMoveHistor \n");

  testing::internal::CaptureStdout();
  while (h->NumMoves < MoveHistory::Capacity - 2) h->InsertHashCodeMoveHistory(7, 7);
  testing::internal::GetCapturedStdout();

  // A search path of five plies on top: two fit, three are refused with one warning, and
  // unwinding retracts exactly the stored ones.
  testing::internal::CaptureStdout();
  bool pushed[5];
  for (int ply = 0; ply < 5; ply++) pushed[ply] = h->InsertHashCodeMoveHistory(100000 + ply, 100000 + ply);
  const std::string output = testing::internal::GetCapturedStdout();
  EXPECT_TRUE(pushed[0] && pushed[1]);
  EXPECT_FALSE(pushed[2] || pushed[3] || pushed[4]);
  EXPECT_EQ(h->NumMoves, MoveHistory::Capacity);
  EXPECT_NE(output.find("history full"), std::string::npos);
  EXPECT_EQ(output.find("history full"), output.rfind("history full"));
  EXPECT_EQ(h->Entries[MoveHistory::Capacity - 1].Upper, 100001u);
  // The newest stored node repeats nowhere, and the scan stays inside the array.
  EXPECT_EQ(h->ThreeFoldRepDetection(5000, 100001, 100001), 0);
  for (int ply = 4; ply >= 0; ply--)
    if (pushed[ply]) h->RetractMove();
  EXPECT_EQ(h->NumMoves, MoveHistory::Capacity - 2);
  EXPECT_EQ(h->Entries[MoveHistory::Capacity - 3].Upper, 7u);

  // There is room again, and a later overflow is reported again.
  testing::internal::CaptureStdout();
  for (int i = 0; i < 3; i++) h->InsertHashCodeMoveHistory(9, 9);
  EXPECT_NE(testing::internal::GetCapturedStdout().find("history full"), std::string::npos);
}

TEST(MoveHistory, GamePositionsKeepTheirEnPassantSquareThroughCompaction) {
  auto h = FreshHistory();
  // Position 5 first with an en passant capture onto d6 (square 43), then twice without one: the
  // search's test counts all three, the game's only the last two.
  for (int square : {43, -1, -1}) {
    ASSERT_TRUE(h->InsertGamePosition(5001, 5, h->NumMoves, square));
    ASSERT_TRUE(h->InsertGamePosition(6001, 6, h->NumMoves, -1));
  }
  h->RetractMove();
  EXPECT_EQ(Repeats(*h, 100, 5), 2);
  EXPECT_EQ(h->GameRepetitions(100, 5001, 5, -1), 1);

  // A long game drops its oldest entries; each square stays with its position. Position p is
  // stored with the square p % 64 when p is even, none when odd.
  h->Init();
  const int total = MoveHistory::CompactionPoint + 300;
  for (int p = 0; p < total; p++)
    ASSERT_TRUE(h->InsertGamePosition(static_cast<uint64_t>(p) * 1000 + 1, static_cast<uint64_t>(p), p % 700,
                                      p % 2 ? -1 : p % 64));
  ASSERT_LT(h->NumMoves, total);
  for (int i = 0; i < h->NumMoves; i++) {
    const int p = static_cast<int>(h->Entries[i].Lower);
    EXPECT_EQ(h->EnPassantSquare[i], p % 2 ? -1 : p % 64) << i;
  }
}
