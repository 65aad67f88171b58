// The review: how lost winning chances turn into marks, the [%eval] texts, and a short game
// reviewed as the console would do it, quietly, the same twice, with the engine's state given
// back.

#include "game/review.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/piece_values.h"
#include "game/move_parse.h"
#include "game/san.h"
#include "tests/game/front_end_test_util.h"

namespace {

class ReviewTest : public FrontEndTest {};

// The loss of a move from before to after (pawns as [%eval] shows them, the mover's view).
double Loss(double before, double after) {
  return ExpectedScore(static_cast<int>(before * 1000)) - ExpectedScore(static_cast<int>(after * 1000));
}

TEST_F(ReviewTest, LostChancesMakeTheMarks) {
  EXPECT_EQ(MarkFor(Loss(9, 6)), MoveMark::None);  // still winning
  EXPECT_EQ(MarkFor(Loss(0.3, 0)), MoveMark::None);
  EXPECT_EQ(MarkFor(Loss(0, -0.5)), MoveMark::Inaccuracy);
  EXPECT_EQ(MarkFor(Loss(0, -1)), MoveMark::Mistake);
  EXPECT_EQ(MarkFor(Loss(1, -1)), MoveMark::Blunder);
  EXPECT_EQ(MarkFor(Loss(-6, -12)), MoveMark::None);  // lost already
  EXPECT_EQ(ExpectedScore(MateValue - 7), 1);
  EXPECT_EQ(ExpectedScore(-TableWinScore + 3), 0);
  EXPECT_DOUBLE_EQ(ExpectedScore(0), 0.5);

  EXPECT_EQ(EvalText(350), "0.35");
  EXPECT_EQ(EvalText(-1200), "-1.20");
  EXPECT_EQ(EvalText(-4), "0.00");
  EXPECT_EQ(EvalText(MateValue - 5), "#3");
  EXPECT_EQ(EvalText(-(MateValue - 4)), "#-2");
  EXPECT_EQ(EvalText(-MateValue), "#0");
}

TEST_F(ReviewTest, ShortGameReviewedQuietlyAndRepeatably) {
  std::vector<PgnMove> moves;
  ChessBoard board = MainBoard;
  for (const char* san : {"e4", "e5", "Bc4", "Nc6", "Qh5", "Nf6", "Qxf7#"}) {
    PgnMove m{};
    ASSERT_TRUE(ParseSanMove(board, san, &m.From, &m.To, &m.Promotion)) << san;
    PlayMoveOnBoard(board, m.From, m.To, m.Promotion);
    moves.push_back(m);
  }
  PgnGame game{.Start = MainBoard, .Moves = moves.data(), .MoveCount = 7, .White = "Ann", .Black = "Bob",
               .Result = "1-0", .Date = "2024.05.06"};

  // The console's state before: thinking output on, a game history, a position of its own.
  Protocol.XboardMode = 0;
  Protocol.Post = 1;
  const ChessBoard before = MainBoard;
  const int history = MoveList.NumMoves;
  int calls = 0;
  ReviewSettings settings;
  settings.Depth = 8;
  ReviewedGame first, second;
  testing::internal::CaptureStdout();
  ASSERT_TRUE(ReviewGame(game, settings, [&](int, int moves) { return ++calls > 0 && moves == 7; }, &first));
  ASSERT_TRUE(ReviewGame(game, settings, nullptr, &second));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(calls, 8);  // every position, the one after the last move too
  EXPECT_EQ(memcmp(&MainBoard, &before, sizeof before), 0);
  EXPECT_EQ(MoveList.NumMoves, history);
  EXPECT_EQ(Protocol.Post, 1);
  EXPECT_FALSE(Protocol.Silent);

  ASSERT_EQ(first.Moves.size(), 7u);
  const ReviewedMove& blunder = first.Moves[5];
  EXPECT_EQ(blunder.Text, "3... Nf6");
  EXPECT_EQ(blunder.Mark, MoveMark::Blunder);
  EXPECT_EQ(EvalText(blunder.Eval), "#1");
  EXPECT_EQ(blunder.BetterLine.rfind("3... ", 0), 0u) << blunder.BetterLine;
  EXPECT_TRUE(first.Moves[6].Mated);
  EXPECT_TRUE(first.Moves[6].PlayedBest);
  EXPECT_EQ(first.Sides[1].Blunders, 1);
  EXPECT_EQ(first.Sides[0].Blunders + first.Sides[0].Mistakes, 0);

  char out[8192], again[8192];
  ASSERT_GT(WritePgn(first.Annotated.Game(), out, sizeof out), 0);
  ASSERT_GT(WritePgn(second.Annotated.Game(), again, sizeof again), 0);
  EXPECT_STREQ(out, again);
  const std::string text = out;
  EXPECT_NE(text.find("[Annotator \"Orvo 0.9.1\"]"), std::string::npos) << text;
  EXPECT_NE(text.find("3... Nf6??"), std::string::npos) << text;
  EXPECT_NE(text.find("(3... "), std::string::npos) << text;
  EXPECT_EQ(first.Annotated.Notes[5].Variations, std::vector<std::string>{"(" + blunder.BetterLine + ")"});
  EXPECT_EQ(first.Annotated.Notes[6].After, std::vector<std::string>{"[%eval #0]"});
  EXPECT_NE(text.find("{White: "), std::string::npos) << text;
  EXPECT_NE(ReviewSummary(first).find("; Black: 0 inaccuracies, 0 mistakes, 1 blunder, average loss "), std::string::npos)
      << ReviewSummary(first);

  // A game with a move that is not legal is refused.
  std::swap(moves[0], moves[1]);
  EXPECT_FALSE(ReviewGame(game, settings, nullptr, &first));
}

}  // namespace
