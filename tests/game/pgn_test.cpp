// PGN export: the exact text of a short game, a game from a set-up position with Black to move
// read back move by move, and the failures a caller must hear about.

#include "game/pgn.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "game/move_parse.h"
#include "game/san.h"
#include "tests/game/front_end_test_util.h"

namespace {

class PgnTest : public FrontEndTest {
protected:
  // The moves of a game given in coordinates, checked and played on a copy of MainBoard.
  static std::vector<PgnMove> Moves(std::initializer_list<const char*> texts) {
    std::vector<PgnMove> moves;
    ChessBoard board = MainBoard;
    for (const char* text : texts) {
      PgnMove m{};
      EXPECT_TRUE(ParseLegalMove(board, text, &m.From, &m.To, &m.Promotion)) << text;
      PlayMoveOnBoard(board, m.From, m.To, m.Promotion);
      moves.push_back(m);
    }
    return moves;
  }

  static std::string Text(const PgnGame& game) {
    char out[8192];
    const int length = WritePgn(game, out, sizeof out);
    EXPECT_EQ(length, static_cast<int>(strlen(out)));
    return out;
  }
};

TEST_F(PgnTest, ShortGameFromTheStart) {
  const std::vector<PgnMove> moves = Moves({"e2e4", "e7e5", "d1h5", "b8c6", "f1c4", "g8f6", "h5f7"});
  PgnGame game{.Start = MainBoard, .Moves = moves.data(), .MoveCount = static_cast<int>(moves.size()),
               .White = "Tester", .Black = "Orvo", .Result = "1-0", .Date = "2024.05.06"};
  EXPECT_EQ(Text(game),
            "[Event \"?\"]\n[Site \"?\"]\n[Date \"2024.05.06\"]\n[Round \"-\"]\n[White \"Tester\"]\n"
            "[Black \"Orvo\"]\n[Result \"1-0\"]\n\n"
            "1. e4 e5 2. Qh5 Nc6 3. Bc4 Nf6 4. Qxf7# 1-0\n");

  // Today's date by default; a result that is none of the four is an unfinished game.
  game.Date = nullptr;
  game.Result = "resign";
  const std::string text = Text(game);
  // "[Date "YYYY.MM.DD"]": digits with dots at places 4 and 7.
  const size_t date = text.find("[Date \"");
  ASSERT_NE(date, std::string::npos) << text;
  const std::string value = text.substr(date + 7, 12);
  bool dated = value.size() == 12 && value[10] == '"' && value[11] == ']';
  for (int i = 0; i < 10 && dated; i++) dated = i == 4 || i == 7 ? value[i] == '.' : isdigit(value[i]) != 0;
  EXPECT_TRUE(dated) << text;
  EXPECT_NE(text.find("[Result \"*\"]"), std::string::npos);
  EXPECT_NE(text.find("4. Qxf7# *\n"), std::string::npos);
}

TEST_F(PgnTest, SetUpPositionWithBlackToMoveReadsBack) {
  Load("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 5 12");
  const ChessBoard start = MainBoard;
  std::vector<PgnMove> moves;
  for (int i = 0; i < 12; i++) {  // knights out and home again: long enough to wrap
    const std::vector<PgnMove> round = Moves({"g8f6", "f3g1", "f6g8", "g1f3"});
    moves.insert(moves.end(), round.begin(), round.end());
  }
  const std::vector<PgnMove> ending = Moves({"g8f6", "f3e5", "c6e5"});
  moves.insert(moves.end(), ending.begin(), ending.end());
  PgnGame game{.Start = start, .HalfMoveClock = 5, .MoveNumber = 12, .Moves = moves.data(),
               .MoveCount = static_cast<int>(moves.size()), .White = "Ann \"the\" \\ Ko\nline", .Black = "",
               .Result = "1/2-1/2", .Date = "2024.05.06"};
  const std::string text = Text(game);

  EXPECT_NE(text.find("[White \"Ann \\\"the\\\" \\\\ Ko line\"]\n[Black \"?\"]\n[Result \"1/2-1/2\"]\n"
                      "[SetUp \"1\"]\n"
                      "[FEN \"r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 5 12\"]\n\n"
                      "12... Nf6 13. Ng1 Ng8 14. Nf3 Nf6"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("36. Nf3 Nf6 37. Nxe5 Nxe5"), std::string::npos) << text;
  EXPECT_EQ(text.substr(text.size() - 8), "1/2-1/2\n");

  // Every line below 80 columns; the movetext read back word by word gives the same moves.
  std::istringstream lines(text);
  std::string line, movetext;
  bool inMoves = false;
  while (std::getline(lines, line)) {
    EXPECT_LT(line.size(), 80u) << line;
    if (inMoves) movetext += line + " ";
    if (line.empty()) inMoves = true;
  }
  std::istringstream words(movetext);
  std::string word;
  ChessBoard board = start;
  size_t played = 0;
  while (words >> word && word != "1/2-1/2") {
    if (word.back() == '.') continue;  // a move number
    uint64_t from, to;
    char promo;
    ASSERT_TRUE(ParseSanMove(board, word.c_str(), &from, &to, &promo)) << word;
    ASSERT_LT(played, moves.size());
    EXPECT_EQ(from, moves[played].From) << word;
    EXPECT_EQ(to, moves[played].To) << word;
    PlayMoveOnBoard(board, from, to, promo);
    played++;
  }
  EXPECT_EQ(played, moves.size());
}

TEST_F(PgnTest, FailuresAreReported) {
  std::vector<PgnMove> moves = Moves({"e2e4", "e7e5"});
  PgnGame game{.Start = MainBoard, .Moves = moves.data(), .MoveCount = 2, .Result = "*", .Date = "2024.05.06"};
  char small[64] = "x";
  EXPECT_EQ(WritePgn(game, small, sizeof small), -1);  // does not fit
  EXPECT_STREQ(small, "");

  // A move that is not legal where it is played writes nothing, not half a game.
  moves[1] = moves[0];
  const std::string path = testing::TempDir() + "orvo_pgn_test.pgn";
  std::remove(path.c_str());
  EXPECT_FALSE(SavePgn(game, path.c_str()));
  FILE* file = fopen(path.c_str(), "r");
  EXPECT_EQ(file, nullptr);
  if (file) fclose(file);

  // Two games in one file, a blank line apart; a folder is not a file.
  moves = Moves({"e2e4", "e7e5"});
  game.Moves = moves.data();
  ASSERT_TRUE(SavePgn(game, path.c_str()));
  ASSERT_TRUE(SavePgn(game, path.c_str()));
  char out[1024];
  const std::string one = std::string(out, WritePgn(game, out, sizeof out));
  file = fopen(path.c_str(), "r");
  ASSERT_NE(file, nullptr);
  char buffer[4096];
  const size_t n = fread(buffer, 1, sizeof buffer, file);
  fclose(file);
  EXPECT_EQ(std::string(buffer, n), one + "\n" + one);
  std::remove(path.c_str());
  EXPECT_FALSE(SavePgn(game, testing::TempDir().c_str()));
}

}  // namespace
