// The game-end announcements and the game history that repetitions are judged by.

#include "xboard/game_loop.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/game/front_end_test_util.h"
#include "xboard/commands.h"

namespace {

class GameEndTest : public FrontEndTest {
protected:
  // Plays the moves in force mode (both sides, each position recorded).
  static void Play(const std::string& moves) {
    const std::string input = "force " + moves + " go\n";
    SetInputForTesting(input.c_str());
    HumanMove();
    SetInputForTesting("");
  }
  // The announcement for the current position, "" when the game goes on.
  static std::string Announcement() {
    testing::internal::CaptureStdout();
    const bool over = AnnounceGameEnd();
    const std::string text = testing::internal::GetCapturedStdout();
    EXPECT_EQ(over, !text.empty());
    EXPECT_EQ(MainStatus.GameInProgress, over ? 0 : 1);
    return text;
  }
};

TEST_F(GameEndTest, OrdinaryPositionsGoOn) {
  EXPECT_EQ(Announcement(), "");
  Play("e2e4 e7e5");
  EXPECT_EQ(Announcement(), "");
}

TEST_F(GameEndTest, MateAndStalemate) {
  Load("7k/6Q1/6K1/8/8/8/8/8 b - - 0 1");
  EXPECT_EQ(Announcement(), "White mates!\n");
  Load("8/8/8/8/8/6k1/6q1/6K1 w - - 0 1");
  EXPECT_EQ(Announcement(), "Black mates!\n");
  Load("7k/8/6QK/8/8/8/8/8 b - - 0 1");
  EXPECT_EQ(Announcement(), "Stalemate\n");
  // Fool's mate played out move by move.
  FrontEndTest::SetUp();
  Play("f2f3 e7e5 g2g4 d8h4");
  EXPECT_EQ(Announcement(), "Black mates!\n");
}

TEST_F(GameEndTest, DeadMaterialOnly) {
  for (const char* fen : {"8/8/4k3/8/8/4K3/8/8 w - - 0 1", "8/8/4k3/8/8/4KB2/8/8 w - - 0 1",
                          "8/8/4kn2/8/8/4K3/8/8 b - - 0 1"}) {
    Load(fen);
    EXPECT_TRUE(DeadDrawMaterial()) << fen;
    EXPECT_EQ(Announcement(), "1/2-1/2 {Draw by insufficient material}\n") << fen;
  }
  // Endings the search may score as drawn but which still hold a mate: the game goes on.
  for (const char* fen : {"8/8/4k3/8/8/4KNN1/8/8 w - - 0 1", "8/8/4kb2/8/8/4KB2/8/8 w - - 0 1",
                          "8/8/4k3/8/8/4K3/4P3/8 w - - 0 1", "8/8/4k3/8/8/4KR2/8/8 w - - 0 1",
                          "7k/8/8/7P/8/4KB2/8/8 w - - 0 1"}) {
    Load(fen);
    EXPECT_FALSE(DeadDrawMaterial()) << fen;
    EXPECT_EQ(Announcement(), "") << fen;
  }
}

TEST_F(GameEndTest, FiftyMoveRule) {
  Load("8/8/4k3/8/8/4KR2/8/8 w - - 0 1");
  MainBoard.FiftyMoveCount = 99;
  EXPECT_EQ(Announcement(), "");
  MainBoard.FiftyMoveCount = 100;
  EXPECT_EQ(Announcement(), "1/2-1/2 {Draw by 50 Move Rule}\n");
  // Mate on the hundredth half-move still wins.
  Load("7k/6Q1/6K1/8/8/8/8/8 b - - 0 1");
  MainBoard.FiftyMoveCount = 100;
  EXPECT_EQ(Announcement(), "White mates!\n");
}

TEST_F(GameEndTest, ThirdRepetition) {
  const std::string dance = "g1f3 g8f6 f3g1 f6g8 ";
  Play(dance);
  EXPECT_EQ(EarlierOccurrences(), 1);
  EXPECT_EQ(Announcement(), "");  // twice is not yet a draw
  Play(dance);
  EXPECT_EQ(EarlierOccurrences(), 2);
  EXPECT_EQ(Announcement(), "1/2-1/2 {Draw by repetition}\n");
}

TEST_F(GameEndTest, RepetitionCountsThePositionAfterThePawnMove) {
  // The position right after e2e4 comes back twice: the third occurrence is a draw.
  Play("e2e4 g8f6 g1f3 f6g8 f3g1 g8f6 g1f3 f6g8 f3g1");
  EXPECT_EQ(EarlierOccurrences(), 2);
  EXPECT_EQ(Announcement(), "1/2-1/2 {Draw by repetition}\n");
}

TEST_F(GameEndTest, RepetitionNeedsTheSamePosition) {
  // Different castling rights make different positions: the rook's trip loses a right.
  Load("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
  Play("h1h2 e8d8 h2h1 d8e8 h1h2 e8d8 h2h1 d8e8");
  EXPECT_EQ(EarlierOccurrences(), 1);  // after the first trip the rights stay lost
  EXPECT_EQ(Announcement(), "");
  // A capture or pawn move in between starts the count anew.
  FrontEndTest::SetUp();
  Play("g1f3 g8f6 f3g1 f6g8 e2e4 e7e5 g1f3 g8f6 f3g1 f6g8");
  EXPECT_EQ(EarlierOccurrences(), 1);
}

TEST_F(GameEndTest, RepetitionNeedsTheSameEnPassantCaptures) {
  const std::string dance = "g1f3 g8f6 f3g1 f6g8 ";
  // After d7d5 the pawn on e5 could take en passant; when the knights come home it cannot, so
  // that earlier position is another one and the third occurrence needs another round.
  Load("rnbqkbnr/pppppppp/8/4P3/8/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1");
  Play("d7d5 " + dance + dance);
  EXPECT_EQ(EarlierOccurrences(), 1);
  EXPECT_EQ(Announcement(), "");
  Play(dance);
  EXPECT_EQ(Announcement(), "1/2-1/2 {Draw by repetition}\n");
  // A pawn on e4 has no en passant capture: the position after d7d5 comes back a third time.
  Load("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1");
  Play("d7d5 " + dance + dance);
  EXPECT_EQ(Announcement(), "1/2-1/2 {Draw by repetition}\n");
  // Nor has a pawn whose capture would open the fifth rank to the rook on a5: only a legal
  // capture makes the position another one.
  Load("1n5k/3p4/8/r3P2K/8/8/8/6N1 b - - 0 1");
  Play("d7d5 g1f3 b8c6 f3g1 c6b8 g1f3 b8c6 f3g1 c6b8");
  EXPECT_EQ(EarlierOccurrences(), 2);
}

}  // namespace
