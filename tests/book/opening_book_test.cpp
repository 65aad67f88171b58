#include "book/opening_book.h"

#include <gtest/gtest.h>

#include <string>

#include "board/fen.h"
#include "board/keys.h"
#include "board/log_file.h"

TEST(OpeningBook, BuiltEmptyItFindsNothing) {
  if (UPStable[0] == 0 && LPStable[0] == 0) initPStable();
  buildbook();
  EXPECT_EQ(booksize, 0);
  ASSERT_NE(treeroot, nullptr);
  EXPECT_EQ(BookTreeSearch(treeroot, 0, 0), 0);  // the root stands for entry 0
  EXPECT_EQ(BookTreeSearch(treeroot, 1, 2), -1);

  TraceFlag = 0;
  for (const char* fen : {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
                          "7k/6Q1/6K1/8/8/8/8/8 b - - 0 1"}) {
    ASSERT_EQ(SetupBoard(fen), nullptr);
    testing::internal::CaptureStdout();
    const int k =
        InBook(static_cast<char>(MainBoard.SideToMove), static_cast<char>(MainBoard.CastleFlags), MainBoard, 1);
    EXPECT_EQ(k, -100) << fen;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");  // nothing printed without the trace
  }
}

TEST(OpeningBook, TreeFindsEveryEntryAndOnlyThose) {
  // Entries with distinct upper keys, out of order.
  const BookKey keys[] = {{50, 5}, {20, 2}, {80, 8}, {10, 1}, {30, 3}, {90, 9}, {70, 7}};
  const int count = 1 + static_cast<int>(std::size(keys));
  for (int i = 1; i < count; i++) OpeningBook[i] = keys[i - 1];
  const treenode* root = buildbooktree(count);
  for (int i = 0; i < count; i++)
    EXPECT_EQ(BookTreeSearch(root, OpeningBook[i].Upper, OpeningBook[i].Lower), i);
  EXPECT_EQ(BookTreeSearch(root, 50, 6), -1);  // right upper key, wrong lower key
  EXPECT_EQ(BookTreeSearch(root, 60, 6), -1);
  EXPECT_EQ(BookTreeSearch(root, 100, 10), -1);
  for (int i = 1; i < count; i++) OpeningBook[i] = BookKey{0, 0};
  buildbook();
}
