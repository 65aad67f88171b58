// The search's state: counters, flags, the history heuristic and input polling.

#include "search/search_routines.h"

#include <cstring>

#include "board/piece_values.h"
#include "search/time_budget.h"

thread_local constinit SearchRoutines Search;

void SetSearchLimits(const SearchLimits& limits) { Search.Limits = limits; }

void SearchRoutines::AbortSearch() { Aborted = TimeUp = StopNow = true; }

int SearchRoutines::ValueCapturedPiece(char colour, uint64_t square, const ChessBoard* board) const {
  // Colour 1 asks about White's pieces (the enemy of Black), any other value about Black's.
  const bool white = colour == 1;
  if ((white ? board->WhitePawns : board->BlackPawns) & square) return PawnValue;
  if ((white ? board->WhiteBishops : board->BlackBishops) & square) return BishopValue;
  if ((white ? board->WhiteKnights : board->BlackKnights) & square) return KnightValue;
  if ((white ? board->WhiteRooks : board->BlackRooks) & square) return RookValue;
  if ((white ? board->WhiteQueens : board->BlackQueens) & square) return QueenValue;
  if ((white ? board->WhiteKing : board->BlackKing) & square) return KingValue;
  return 0;
}

void SearchRoutines::ClearHistory() { std::memset(History, 0, sizeof History); }

void SearchRoutines::AddHistory(char colour, int moveCode, int depth) {
  if (moveCode < 0 || moveCode >= 4096) return;  // not a from*64+to code
  int32_t* row = History[colour ? 1 : 0];
  row[moveCode] += depth * depth;
  // Keep the counters bounded: when one passes 2^16, halve every counter of that colour.
  if (row[moveCode] > 0x10000)
    for (int i = 0; i < 4096; i++) row[i] >>= 1;
}

int64_t SearchRoutines::InitMoveTimer() const {
  return Limits.Infinite ? (Clock.NodesPerSecond >> 3) : (Clock.NodesPerSecond >> 1);
}
