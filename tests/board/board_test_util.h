#pragma once
// Helpers for the board tests: keep the global board as it was, and set up
// positions from FEN text with their piece counts.

#include <gtest/gtest.h>

#include "board/chess_board.h"
#include "board/fen.h"

// Restores MainBoard when the test ends.
class GlobalsGuard {
public:
  GlobalsGuard() : board_(MainBoard) {}
  ~GlobalsGuard() { MainBoard = board_; }

private:
  ChessBoard board_;
};

// Sets MainBoard from a FEN text with current counts and a zero fifty-move count.
inline ChessBoard& Position(const char* fen) {
  const char* reason = SetupBoard(fen);
  EXPECT_EQ(reason, nullptr) << fen << ": " << reason;
  MainBoard.InitPieceCounts();
  MainBoard.FiftyMoveCount = 0;
  return MainBoard;
}
