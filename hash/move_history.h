#pragma once
// The key pairs of the game's positions and of the current search path, as one stack.

#include <cstdint>

struct HistoryEntry {
  uint64_t Upper;
  uint64_t Lower;
};

class MoveHistory {
public:
  static constexpr int Capacity = 600;
  HistoryEntry Entries[Capacity];
  int32_t NumMoves;

  void Init() { NumMoves = 0; }
  // Returns false (the entry is not stored) when the stack is full.
  bool InsertHashCodeMoveHistory(uint64_t upper, uint64_t lower);
  bool InsertMoveHistory(uint64_t upper, uint64_t lower) { return InsertHashCodeMoveHistory(upper, lower); }
  void RetractMove();
  int32_t ThreeFoldRepDetection(int n, uint64_t upper, uint64_t lower) const;
};

extern MoveHistory MoveList;
