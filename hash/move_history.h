#pragma once
// The key pairs of the game's positions and of the current search path, as one stack.

#include <cstdint>

struct HistoryEntry {
  uint64_t Upper;
  uint64_t Lower;
};

class MoveHistory {
public:
  // Room for a game of about 900 moves plus the deepest search path on top of it.
  static constexpr int Capacity = 2000;
  // A warning is printed after every insertion that leaves more entries than this.
  static constexpr int WarningThreshold = Capacity - 10;
  // A game record that reaches this many entries is compacted before the next one.
  static constexpr int CompactionPoint = Capacity / 2;

  HistoryEntry Entries[Capacity];
  // For the positions of the game (those stored by InsertGamePosition): the square an en passant
  // capture of the side to move would go to, or -1 when none is legal. The key pairs leave en
  // passant out, and so does the search's repetition test, but the rules of chess count two
  // positions as the same only when the same en passant captures are possible, and a claim of
  // the game's repetition goes by the rules. Entries of a search path leave this unset.
  int8_t EnPassantSquare[Capacity];
  int32_t NumMoves;
  // Set when a full stack has refused an insertion and said so; cleared once there is room
  // again, so a search running into the end warns once, not at every node.
  bool FullWarned;

  void Init() { NumMoves = 0; FullWarned = false; }
  // Returns false (nothing is stored) when the stack is full. A refused insertion must not be
  // retracted: callers pair RetractMove only with the insertions that returned true.
  bool InsertHashCodeMoveHistory(uint64_t upper, uint64_t lower) {
    // Far from full, as the stack nearly always is: store it and say nothing.
    if (NumMoves >= WarningThreshold) return InsertNearlyFull(upper, lower);
    Entries[NumMoves] = HistoryEntry{upper, lower};
    NumMoves++;
    return true;
  }
  bool InsertNearlyFull(uint64_t upper, uint64_t lower);
  bool InsertMoveHistory(uint64_t upper, uint64_t lower) { return InsertHashCodeMoveHistory(upper, lower); }
  // Records a position of the game itself (not of a search path), with its en passant square
  // (-1 for none). In a very long game the entries that a repetition can no longer reach (those
  // before the last capture or pawn move, fiftyMoveCount plies back) are dropped first, so the
  // search always has room on top.
  bool InsertGamePosition(uint64_t upper, uint64_t lower, int32_t fiftyMoveCount, int enPassantSquare);
  // Removes the newest entry; an empty stack stays empty.
  void RetractMove() {
    if (NumMoves > 0) NumMoves--;
    FullWarned = false;
  }
  // Occurrences of the pair among the newest n entries with the same side to move as the
  // newest entry, minus one (so -1 when none, 0 when only the newest entry matches).
  int32_t ThreeFoldRepDetection(int n, uint64_t upper, uint64_t lower) const;
  // The same count for a position of the game, which also needs the same en passant square to
  // match. Only for a stack that holds game positions alone (no search is running).
  int32_t GameRepetitions(int n, uint64_t upper, uint64_t lower, int enPassantSquare) const;
};

// The running thread's stack: each search thread keeps its own copy of the game's positions
// (search/threads.h) with its own search path on top.
extern thread_local constinit MoveHistory MoveList;
