#pragma once
// Helpers for the board tests: keep the global board and settings as they were, and set up
// positions from FEN text with their piece counts.

#include <gtest/gtest.h>

#include "board/chess_board.h"
#include "board/fen.h"
#include "game/status.h"

// Restores MainBoard and MainStatus when the test ends.
class GlobalsGuard {
public:
  GlobalsGuard() : board_(MainBoard), status_(MainStatus) {}
  ~GlobalsGuard() {
    MainBoard = board_;
    MainStatus = status_;
  }

private:
  ChessBoard board_;
  Status status_;
};

// Sets MainBoard from a FEN text with current counts and a zero fifty-move count.
inline ChessBoard& Position(const char* fen) {
  const char* reason = SetupBoard(fen);
  EXPECT_EQ(reason, nullptr) << fen << ": " << reason;
  MainBoard.InitPieceCounts();
  MainBoard.FiftyMoveCount = 0;
  return MainBoard;
}
