#pragma once
// Zobrist codes and position keys: a pair of independent 64-bit keys per position and a
// separate 32-bit pawn key.

#include <cstdint>

#include "board/bit_ops.h"

class ChessBoard;

extern uint64_t UPStable[12 * 64];
extern uint64_t LPStable[12 * 64];
extern uint64_t CastleCode[16];
extern uint64_t WtoMove;
extern uint64_t BtoMove;

// Where the codes of a piece (WPawn .. BKing) on the square of the one-square mask sq stand in
// UPStable and LPStable.
inline int CodeIndex(int piece, uint64_t sq) { return piece * 64 + LowestSquare(sq); }

// Knuth's additive lagged-Fibonacci generator (lags 24 and 55) from a fixed seed table.
uint32_t BetterRandom32();
// Draws all codes; must be the generator's first user, called once at start-up.
void initPStable();
void genhashcode(int8_t side, uint8_t castle, uint64_t* upper, uint64_t* lower, const ChessBoard* board);
// A key of the same position with the other side to move.
inline uint64_t SideToggled(uint64_t key) { return key ^ WtoMove ^ BtoMove; }
// The rest of a move's key change after the keyed MakeMove has moved the pieces' codes: the
// other side to move, and castleAfter in place of castleBefore. Together they give the same
// pair as genhashcode on the new position.
inline void ToggleSideAndCastling(uint8_t castleBefore, uint8_t castleAfter, uint64_t* upper, uint64_t* lower) {
  const uint64_t change = CastleCode[castleBefore & 15] ^ CastleCode[castleAfter & 15];
  *upper = SideToggled(*upper) ^ change;
  *lower = SideToggled(*lower) ^ change;
}
// The lower key after side plays from-to, worked out before the move is made so that its table
// bucket can be fetched early. Exact for plain moves and captures that keep the castling rights;
// for the rest it may miss, which costs only the wasted fetch.
uint64_t LowerKeyHint(const ChessBoard& board, int8_t side, uint64_t lower, uint64_t from, uint64_t to);
void genpawnhashcode(int8_t side, ChessBoard board, uint32_t* pawnKey);
