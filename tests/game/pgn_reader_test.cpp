// Reading PGN: a broken game among good ones is named and skipped; a game from a set-up position
// keeps its comments, glyphs and nested variations and is written back with them; tag escapes,
// a byte-order mark, CRLF line ends and long lines; the reasons a game is refused.

#include "game/pgn_reader.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "board/fen.h"
#include "tests/game/front_end_test_util.h"

namespace {

class PgnReaderTest : public FrontEndTest {
protected:
  static std::vector<PgnRecord> Read(const std::string& text, std::vector<std::string>* errors, int* count = nullptr) {
    std::vector<PgnRecord> games;
    const int n = ReadPgnGames(text, &games, errors);
    if (count) *count = n;
    return games;
  }
  static std::string Written(const PgnRecord& game) {
    char out[16384];
    const int length = WritePgn(game.Game(), out, sizeof out);
    EXPECT_GT(length, 0);
    return length > 0 ? out : "";
  }
  // The movetext of a written game on one line, every line of it checked for its width.
  static std::string MoveText(const std::string& pgn) {
    std::istringstream lines(pgn);
    std::string line, text;
    bool moves = false;
    while (std::getline(lines, line)) {
      EXPECT_LT(line.size(), 80u) << line;
      if (moves) text += (text.empty() ? "" : " ") + line;
      if (line.empty()) moves = true;
    }
    return text;
  }
};

TEST_F(PgnReaderTest, BrokenGameAmongGoodOnesIsNamedAndSkipped) {
  const std::string text =
      "[Event \"One\"]\n[White \"Ann\"]\n[Black \"Bob\"]\n\n1. e4 e5 2. Nf3 1-0\n\n"
      "[Event \"Two\"]\n[White \"A\"]\n[Black \"B\"]\n\n1. e4 e5 2. Nf3 Nc6 3. Qxe5 Nf6 0-1\n\n"
      "[Event \"Three\"]\n\n1.d4 d5 2.c4 *\n";
  std::vector<std::string> errors;
  int count = 0;
  const std::vector<PgnRecord> games = Read(text, &errors, &count);
  EXPECT_EQ(count, 3);
  ASSERT_EQ(games.size(), 2u);
  EXPECT_EQ(games[0].Number, 1);
  EXPECT_EQ(games[0].Moves.size(), 3u);
  EXPECT_EQ(games[0].Result, "1-0");
  EXPECT_EQ(games[1].Number, 3);
  EXPECT_STREQ(games[1].Tag("Event"), "Three");
  EXPECT_EQ(games[1].Moves.size(), 3u);
  EXPECT_EQ(games[1].Result, "*");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "game 2 (A - B): illegal move 3. Qxe5");

  // Each reason in one line, with the game's number and players.
  const std::pair<const char*, const char*> refused[] = {
      {"1. e4 e5 2. Xy9 *", "game 1 (? - ?): unreadable move 2. Xy9"},
      {"[FEN \"8/8/8/8/8/8/8/8 w - - 0 1\"]\n1. e4 *", "game 1 (? - ?): the FEN is refused: "},
      {"[Variant \"Atomic\"]\n1. e4 *", "game 1 (? - ?): the variant \"Atomic\" is not played here"},
      {"1. e4 {no end", "game 1 (? - ?): a comment is not closed"},
      {"1. e4 (1. d4 *", "game 1 (? - ?): a variation is not closed"},
      {"1. Nf3 e5 2. d4 exd4 3. Nd2 *", "game 1 (? - ?): ambiguous move 3. Nd2"},
  };
  for (const auto& [input, reason] : refused) {
    errors.clear();
    EXPECT_TRUE(Read(input, &errors).empty()) << input;
    ASSERT_EQ(errors.size(), 1u) << input;
    EXPECT_EQ(errors[0].rfind(reason, 0), 0u) << errors[0];
  }
  // No game at all: nothing read and nothing reported.
  errors.clear();
  EXPECT_TRUE(Read("\n% an escape line\n\n", &errors, &count).empty());
  EXPECT_EQ(count, 0);
  EXPECT_TRUE(errors.empty());
}

TEST_F(PgnReaderTest, SetUpGameKeepsItsNotesAndWritesThemBack) {
  const std::string text =
      "[Event \"Study\"]\n[Date \"2024.05.06\"]\n[White \"Ann\"]\n[Black \"Bob\"]\n[Result \"*\"]\n"
      "[Annotator \"Carl\"]\n[SetUp \"1\"]\n"
      "[FEN \"r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 5 12\"]\n\n"
      "{Before the first move} 12... Nf6 $1 {the main move}\n"
      "(12... d6 {solid} (12... f6?! 13. Nxe5) 13. d4) 13. Nc3 !? ; a quiet move\n"
      "Bc5?? $18 14. Nxe5 *\n";
  std::vector<std::string> errors;
  const std::vector<PgnRecord> games = Read(text, &errors);
  ASSERT_TRUE(errors.empty()) << errors[0];
  ASSERT_EQ(games.size(), 1u);
  const PgnRecord& game = games[0];
  EXPECT_EQ(game.MoveNumber, 12);
  EXPECT_EQ(game.HalfMoveClock, 5);
  EXPECT_EQ(game.Start.SideToMove, Black);
  ASSERT_EQ(game.Moves.size(), 4u);
  EXPECT_EQ(game.Notes[0].Before, std::vector<std::string>{"Before the first move"});
  EXPECT_EQ(game.Notes[0].Nags, std::vector<int>{1});
  EXPECT_EQ(game.Notes[0].Variations, std::vector<std::string>{"(12... d6 {solid} (12... f6?! 13. Nxe5) 13. d4)"});
  EXPECT_EQ(game.Notes[1].Nags, std::vector<int>{5});
  EXPECT_EQ(game.Notes[1].After, std::vector<std::string>{"a quiet move"});
  EXPECT_EQ(game.Notes[2].Nags, (std::vector<int>{4, 18}));

  const std::string pgn = Written(game);
  EXPECT_NE(pgn.find("[Result \"*\"]\n[Annotator \"Carl\"]\n[SetUp \"1\"]\n"
                     "[FEN \"r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 5 12\"]\n\n"),
            std::string::npos)
      << pgn;
  EXPECT_EQ(MoveText(pgn),
            "{Before the first move} 12... Nf6! {the main move} (12... d6 {solid} (12... f6?! 13. Nxe5) 13. d4) "
            "13. Nc3!? {a quiet move} 13... Bc5?? $18 14. Nxe5 *");
  // Read back, the written game says the same.
  errors.clear();
  const std::vector<PgnRecord> again = Read(pgn, &errors);
  ASSERT_EQ(again.size(), 1u);
  EXPECT_EQ(Written(again[0]), pgn);
}

TEST_F(PgnReaderTest, EscapesByteOrderMarkLineEndsAndLongLines) {
  const std::string longComment(5000, 'x');
  const std::string text = "\xEF\xBB\xBF[Event \"Club \\\"Open\\\" \\\\ 2024\"]\r\n[White \"Ann \"the\" Ko\"]\r\n"
                           "[Black \"Bob\"]\r\n[WhiteElo \"1500\"]\r\n\r\n1. e4 {" + longComment + "} e5\r\n"
                           "% an escape line: 2. d4 is no move\r\n2. Nf3 ; to the end of the line }\r\nNc6 1/2-1/2\r\n";
  std::vector<std::string> errors;
  const std::vector<PgnRecord> games = Read(text, &errors);
  ASSERT_TRUE(errors.empty()) << errors[0];
  ASSERT_EQ(games.size(), 1u);
  const PgnRecord& game = games[0];
  ASSERT_EQ(game.Tags.size(), 4u);
  EXPECT_EQ(game.Tags[0].Name, "Event");
  EXPECT_EQ(game.Tags[0].Value, "Club \"Open\" \\ 2024");
  EXPECT_EQ(game.Tags[1].Value, "Ann \"the\" Ko");  // quotes left unescaped
  EXPECT_EQ(game.Tags[3].Name, "WhiteElo");
  ASSERT_EQ(game.Moves.size(), 4u);
  EXPECT_EQ(game.Notes[0].After, std::vector<std::string>{longComment});
  EXPECT_EQ(game.Notes[2].After, std::vector<std::string>{"to the end of the line }"});
  EXPECT_EQ(game.Result, "1/2-1/2");

  // Written back: escaped again, the long word on a line of its own, the brace that would end
  // the comment changed.
  const std::string pgn = Written(game);
  EXPECT_NE(pgn.find("[Event \"Club \\\"Open\\\" \\\\ 2024\"]\n"), std::string::npos) << pgn;
  EXPECT_NE(pgn.find("[Result \"1/2-1/2\"]\n[WhiteElo \"1500\"]\n\n1. e4\n{" + longComment + "}\n1... e5 2. Nf3 "
                     "{to the end of the line )} 2... Nc6 1/2-1/2\n"),
            std::string::npos)
      << pgn;
}

}  // namespace
