#pragma once
// Static exchange evaluation: the material outcome of a capture sequence on one square.

#include <cstdint>

#include "board/chess_board.h"

// Direction[a][b]: the square-index step leading from a towards b along a rank, file or
// diagonal (+8 up, -8 down, +1 right, -1 left, +7 up-left, +9 up-right, -7 down-right,
// -9 down-left); 0 when a == b or the squares are not aligned.
struct DirectionTable {
  int16_t Step[64][64];
  constexpr const int16_t* operator[](int a) const { return Step[a]; }
};

constexpr DirectionTable MakeDirectionTable() {
  DirectionTable t{};
  auto sign = [](int x) { return (x > 0) - (x < 0); };
  for (int a = 0; a < 64; a++) {
    for (int b = 0; b < 64; b++) {
      const int dr = b / 8 - a / 8;
      const int df = b % 8 - a % 8;
      int step = 0;
      if (a != b && (dr == 0 || df == 0 || dr == df || dr == -df)) step = sign(dr) * 8 + sign(df);
      t.Step[a][b] = static_cast<int16_t>(step);
    }
  }
  return t;
}

class SEE {
public:
  ChessBoard* Board = nullptr;  // the board of the exchange being worked out
  static constexpr DirectionTable Direction = MakeDirectionTable();

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

// Each search thread works out exchanges with its own (the board it looks at is its state).
extern thread_local constinit SEE see;
