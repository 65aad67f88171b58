#pragma once
// Static exchange evaluation: the material outcome of a capture sequence on one square.

#include <cstdint>

#include "board/chess_board.h"

class SEE {
public:
  ChessBoard* Board;
  int16_t Direction[64][64];

  SEE();
  int StaticExchangeEvaluation(char colour, uint64_t from, uint64_t to, ChessBoard* board);
  uint64_t SquareAttacksDefences(uint64_t s) const;
  int LVP(char colour, uint64_t set) const;
  uint64_t AddXrayAttacker(uint64_t set, int sq, int step) const;
};

extern SEE see;
