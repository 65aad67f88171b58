#pragma once
// Zobrist codes and position keys: a pair of independent 64-bit keys per position and a
// separate 32-bit pawn key.

#include <cstdint>

class ChessBoard;

extern uint64_t UPStable[12 * 64];
extern uint64_t LPStable[12 * 64];
extern uint64_t CastleCode[16];
extern uint64_t WtoMove;
extern uint64_t BtoMove;

// Knuth's additive lagged-Fibonacci generator (lags 24 and 55) from a fixed seed table.
uint32_t BetterRandom32();
// Draws all codes; must be the generator's first user, called once at start-up.
void initPStable();
void genhashcode(int8_t side, uint8_t castle, uint64_t* upper, uint64_t* lower, const ChessBoard* board);
void genpawnhashcode(int8_t side, ChessBoard board, uint32_t* pawnKey);
