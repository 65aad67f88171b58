#pragma once
// Perft: counts legal move paths from MainBoard with the engine's own generators.

#include <cstdint>

#include "board/chess_board.h"

// One legal root move and the perft count below it.
struct PerftRootMove {
  uint64_t From;
  uint64_t To;
  char Promotion;
  uint64_t Leaves;
};

class PerfT {
public:
  uint64_t TotalNodes;
  uint64_t LeafNodes;

  explicit PerfT(int depth);
  // The "divide" of a perft: the leaf count at depth (at least 1) below each legal move of
  // board, side to move and castling rights taken from it, in generation order. out holds
  // MaxMoves entries; returns the number of legal moves. board itself is not changed.
  static int Divide(const ChessBoard& board, int depth, PerftRootMove* out);
  void PerformanceTest(char colour, int depth, ChessBoard board, char castleFlags);

private:
  // Zeroed counters with no test run or report, for Divide.
  struct Quiet {};
  explicit PerfT(Quiet) : TotalNodes(0), LeafNodes(0) {}
};
