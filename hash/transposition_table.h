#pragma once
// The transposition table: 2^21 + 3 buckets of three slots, allocated once.

#include <cstdint>

constexpr uint64_t TTABLESIZE = 2097155;

struct TTSlot {
  uint64_t Upper;
  uint64_t Lower;
  int32_t Move;
  int32_t Score;
  uint8_t Bound;      // 0 upper bound, 1 lower bound, 2 exact
  int8_t Freshness;   // 0 empty or aged, 2 slot 0, 4 slot 1
  int8_t Depth;
};

struct TTBucket {
  TTSlot Slot[3];
};

class TranspositionTables {
public:
  TTBucket* Buckets;
  int32_t Hits;
  int32_t Misses;
  uint64_t IndexMask;

  TranspositionTables();
  void ClearTranspositionTables();
  void AgeTranspositionTables();
  void InsertTranspositionTables(uint64_t upper, uint64_t lower, char side, int depth, int16_t move,
                                 int score, char bound, int alpha, int beta);
  unsigned SearchTranspositionTables(uint64_t upper, uint64_t lower, char side, int depth, int alpha,
                                     int beta, int* score, int* move);
  static constexpr uint64_t SizeInBytes() { return TTABLESIZE * sizeof(TTBucket); }
};

extern TranspositionTables PositionCache;
