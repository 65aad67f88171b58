#pragma once
// A game in Portable Game Notation: the tag pairs, then the moves in algebraic notation with
// their numbers, wrapped below 80 columns, and the result. What a game record may say beside
// the moves (more tags, comments, annotation glyphs, variations) is written too when the game
// carries it. Reading games back is game/pgn_reader.h.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "board/chess_board.h"

struct PgnMove {
  uint64_t From;
  uint64_t To;
  char Promotion;  // as the board's MakeMove reads it (NoPromotion for an ordinary move)
};

// A tag pair of a game record.
struct PgnTag {
  std::string Name;
  std::string Value;
};

// What a game record says about one move beside the move itself: comments before and after it
// (their text, without the braces), numeric annotation glyphs (1 "!", 2 "?", 3 "!!", 4 "??",
// 5 "!?", 6 "?!"; the others are written by number, "$14"), and variations, other moves in its
// place, each kept as its text with its parentheses: "(14... Nf6 15. Qe2)".
struct PgnNotes {
  std::vector<std::string> Before;
  std::vector<int> Nags;
  std::vector<std::string> After;
  std::vector<std::string> Variations;

  bool Empty() const { return Before.empty() && Nags.empty() && After.empty() && Variations.empty(); }
};

struct PgnGame {
  // The position before the first move and the two counters of its FEN. A game that does not
  // start from the initial position (or starts from it with other counters) gets the SetUp and
  // FEN tags.
  ChessBoard Start;
  int32_t HalfMoveClock = 0;
  int32_t MoveNumber = 1;
  const PgnMove* Moves = nullptr;
  int MoveCount = 0;
  // Tag values; nullptr (or an empty text) is written as "?". Quotes and backslashes are
  // escaped, control characters become spaces.
  const char* White = nullptr;
  const char* Black = nullptr;
  // "1-0", "0-1", "1/2-1/2" or "*"; anything else is written as "*" (a game still going on).
  const char* Result = "*";
  const char* Event = nullptr;
  const char* Site = nullptr;
  const char* Round = "-";
  const char* Date = nullptr;  // YYYY.MM.DD; nullptr: today's date
  // More tag pairs, written after the roster in their order. Tags the writer makes itself (the
  // roster, SetUp, FEN, Variant) and names that are not letters, digits and underscores are
  // left out.
  const PgnTag* Tags = nullptr;
  int TagCount = 0;
  // MoveCount entries, one for each move, or nullptr for a game without notes.
  const PgnNotes* Notes = nullptr;
  // Comments after the last move, before the result.
  const std::vector<std::string>* Closing = nullptr;
};

// Today's date as the Date tag writes it (YYYY.MM.DD).
std::string TodaysPgnDate();

// Writes the game to file: the seven tag roster (Event, Site, Date, Round, White, Black,
// Result), the game's other tags, SetUp and FEN for a set-up position, a blank line, the
// movetext with the notes and a final newline. Comments are written in braces, their words
// wrapped with the moves; a Black move after a comment or variation gets its number again
// ("12... Nf6"). The first glyph of 1 to 6 follows its move ("Qxe5??"), any other is "$N".
// Returns false, having written nothing, when a move of the list is not legal in its position,
// and false when writing fails.
bool WritePgn(const PgnGame& game, FILE* file);

// The same text into out (size bytes, zero-terminated). Returns the length of the text, or -1
// (and an empty text when size > 0) when a move is not legal or the text does not fit.
int WritePgn(const PgnGame& game, char* out, size_t size);

// Appends the game to the file at path (a PGN file holds a sequence of games), after a blank
// line when the file already holds something. False when it cannot be opened or written, or
// when a move is not legal.
bool SavePgn(const PgnGame& game, const char* path);
