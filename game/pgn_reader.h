#pragma once
// Reading games in Portable Game Notation, as people and programs save them: any number of games
// in one text, each with its tag pairs, its start (the initial position, or SetUp and FEN, also
// in Chess960), the main line's moves in algebraic notation with their numbers, comments in
// braces or after a semicolon, annotation glyphs ($4, or ?? after the move), variations in
// parentheses (nested), and the result. Moves are checked against the position as they are
// read; the variations are kept as text beside the move they follow and are not played.
//
// A game that cannot be read (an illegal or unreadable move, a bad FEN, a variant other than
// standard chess and Chess960, an unclosed comment or variation) is skipped with a one-line
// reason that names it: "game 2 (Ann - Bob): illegal move 3. Qxe5". The games around it are
// read as usual.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "board/chess_board.h"
#include "game/pgn.h"

// One game as read.
struct PgnRecord {
  int Number = 0;             // its place in the text, from 1 (skipped games count too)
  std::vector<PgnTag> Tags;   // every tag pair, in the order read
  ChessBoard Start{};         // the position before the first move
  int32_t HalfMoveClock = 0;  // the counters of its FEN (0 and 1 in the initial position)
  int32_t MoveNumber = 1;
  std::vector<PgnMove> Moves;
  std::vector<PgnNotes> Notes;       // one for each move
  std::vector<std::string> Closing;  // comments of a game that has no move
  std::string Result = "*";          // the result that ends the movetext

  // The value of a tag, or nullptr when the game has none.
  const char* Tag(const char* name) const;
  // Gives the tag this value: in its place when the game has it, at the end otherwise.
  void SetTag(const char* name, const std::string& value);
  // "White - Black" from the tags ("?" for a name not given).
  std::string Players() const;
  // The game for the writer (WritePgn). The roster's tags become its fields (a missing Date is
  // "????.??.??", not today's), the other tags its Tags. It points into this record, and holds
  // as long as the record is not changed.
  PgnGame Game() const;
  // A record of a game as the writer takes it (its roster fields become tags, a date of nullptr
  // today's), with the game's notes and tags.
  static PgnRecord From(const PgnGame& game);
};

// Reads the games of a text one at a time.
class PgnReader {
public:
  explicit PgnReader(std::string_view text);
  // The next game: true with *game read, or true with *game->Number set and *error holding the
  // reason when the game had to be skipped (error is cleared for a good game); false when the
  // text holds no further game.
  bool Next(PgnRecord* game, std::string* error);

private:
  std::string_view Text;
  size_t Pos = 0;
  int Count = 0;
};

// Every game of a text: the good ones in *games, a line for each skipped one in *errors.
// Returns the number of games found, skipped ones included.
int ReadPgnGames(std::string_view text, std::vector<PgnRecord>* games, std::vector<std::string>* errors);

// The whole text of a file ("-" for standard input), at most MaxPgnFileBytes. False, with a
// one-line message naming the file, when it cannot be opened or read, is a folder, or is larger.
constexpr size_t MaxPgnFileBytes = size_t{64} << 20;
bool ReadPgnFile(const char* path, std::string* text, std::string* message);
