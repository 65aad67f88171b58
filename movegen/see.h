#pragma once
// Static exchange evaluation: the material outcome of a capture sequence on one square.

#include <cstdint>

#include "board/chess_board.h"

class SEE {
public:
  ChessBoard* Board;
  // Direction[a][b]: the square-index step leading from a towards b along a rank, file or
  // diagonal (+8 up, -8 down, +1 right, -1 left, +7 up-left, +9 up-right, -7 down-right,
  // -9 down-left); 0 when a == b or the squares are not aligned.
  int16_t Direction[64][64];

  SEE();
  // Material gain for the side capturing from -> to, when both sides keep recapturing with
  // their least valuable piece and each may stop when going on would lose. colour is the
  // colour of the piece on to (the side that recaptures first). Gains are held in 32 bits, so
  // sequences that end with a king capture are valued without truncation.
  int StaticExchangeEvaluation(char colour, uint64_t from, uint64_t to, ChessBoard* board);
  // Every piece of either colour attacking square s directly (sliders: first piece of each ray).
  uint64_t SquareAttacksDefences(uint64_t s) const;
  // Square index of the colour's least valuable piece in set, or -1 when it has none there.
  int LVP(char colour, uint64_t set) const;
  // set plus the slider found behind square sq when looking further in direction step.
  uint64_t AddXrayAttacker(uint64_t set, int sq, int step) const;
};

extern SEE see;
