#pragma once
// Perft: counts legal move paths from MainBoard with the engine's own generators.

#include <cstdint>

#include "board/chess_board.h"

class PerfT {
public:
  uint64_t TotalNodes;
  uint64_t LeafNodes;

  explicit PerfT(int depth);
  void PerformanceTest(char colour, int depth, ChessBoard board, char castleFlags);
};
