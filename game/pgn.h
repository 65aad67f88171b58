#pragma once
// A game in Portable Game Notation: the tag pairs, then the moves in algebraic notation with
// their numbers, wrapped below 80 columns, and the result.

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "board/chess_board.h"

struct PgnMove {
  uint64_t From;
  uint64_t To;
  char Promotion;  // as the board's MakeMove reads it (NoPromotion for an ordinary move)
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
};

// Writes the game to file: the seven tag roster (Event, Site, Date, Round, White, Black,
// Result), SetUp and FEN for a set-up position, a blank line, the movetext and a final newline.
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
