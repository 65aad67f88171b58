#pragma once
// The transposition table: 2^k + 3 buckets of three slots (2^21 + 3 unless the user asks for
// another size), allocated at start-up and again only when the size changes.
// A new table is mapped but not yet backed by memory: its pages are faulted in by MakeResident,
// which the search calls before it starts its clock (and the protocols earlier, when the GUI
// waits for the engine anyway), so that no timed search pays for them.
// Slot 0 keeps the deepest fresh result for its position, slot 1 the newest entry that did not
// go to slot 0, slot 2 what slot 1 held before.

#include <cstdint>

// Buckets of the table an engine nobody configures uses.
constexpr uint64_t TTABLESIZE = 2097155;

// Packed: the natural layout would pad 27 bytes of data to 32, and the table is the largest
// allocation of the program (about 170 MB packed, 201 MB padded).
struct __attribute__((packed)) TTSlot {
  uint64_t Upper;
  uint64_t Lower;
  int32_t Move;       // a 16-bit move code, stored sign-extended
  uint8_t Bound;      // 0 upper bound, 1 lower bound, 2 exact
  int8_t Freshness;   // 0 empty or aged, 2 slot 0 (written or confirmed), 4 slot 1
  int32_t Score;      // mate scores carry the remaining depth (see InsertTranspositionTables)
  int8_t Depth;       // remaining search depth
};
static_assert(sizeof(TTSlot) == 27, "TTSlot must not carry padding");

struct TTBucket {
  TTSlot Slot[3];
};
static_assert(sizeof(TTBucket) == 81, "TTBucket must not carry padding");

// Bound codes.
constexpr char UpperBound = 0;
constexpr char LowerBound = 1;
constexpr char ExactBound = 2;

// Probe results.
constexpr unsigned TTUpperCut = 0;   // *score = alpha
constexpr unsigned TTLowerCut = 1;   // *score = beta
constexpr unsigned TTExact = 2;      // *score = stored score
constexpr unsigned TTNoCut = 3;
constexpr unsigned TTBelowBeta = 4;  // no cutoff, but a fresh, deep-enough upper bound lies below beta

class TranspositionTables {
public:
  TTBucket* Buckets;
  int32_t Hits;
  int32_t Misses;
  uint64_t IndexMask;    // buckets reachable by the index: a power of two, minus one
  uint64_t BucketCount;  // IndexMask + 1 + 3
  bool Resident;         // the table's pages have been faulted in (MakeResident, or a full clear)

  // Sizes in MiB: the default holds 2^21 + 3 buckets, the bounds are what "Hash" accepts.
  static constexpr int DefaultSizeMb = 163;
  static constexpr int MinSizeMb = 1;
  static constexpr int MaxSizeMb = 32768;

  TranspositionTables();
  // Rebuilds the table as the largest one (2^k + 3 buckets) that fits in sizeMb MiB; the new
  // table starts empty and resident. Nothing is allocated when that is the present size. Returns
  // false, and keeps the present table and its contents, when the memory cannot be had.
  bool Resize(int sizeMb);
  // Faults in every page of the table, keeping its contents; nothing to do once resident.
  // Entries are stored only into a resident table: the search makes it resident first.
  void MakeResident();
  // The size in MiB (rounded down) of the present table.
  int SizeMb() const { return static_cast<int>(SizeInBytes() >> 20); }
  // Buckets that the largest table fitting in sizeMb MiB has.
  static uint64_t BucketsFor(int sizeMb);
  void ClearTranspositionTables();
  void AgeTranspositionTables();
  void InsertTranspositionTables(uint64_t upper, uint64_t lower, char side, int depth, int16_t move,
                                 int score, char bound, int alpha, int beta);
  unsigned SearchTranspositionTables(uint64_t upper, uint64_t lower, char side, int depth, int alpha,
                                     int beta, int* score, int* move);
  // A position's bucket is chosen by the low 32 bits of its lower key.
  uint64_t BucketIndex(uint64_t lower) const { return static_cast<uint32_t>(lower) & IndexMask; }
  // Asks the memory system for a position's bucket ahead of its probe. The 81 bytes of a
  // bucket touch two or three 64-byte cache lines; these three addresses reach all of them.
  void Prefetch(uint64_t lower) const {
    const char* bucket = reinterpret_cast<const char*>(&Buckets[BucketIndex(lower)]);
    __builtin_prefetch(bucket);
    __builtin_prefetch(bucket + 64);
    __builtin_prefetch(bucket + sizeof(TTBucket) - 1);
  }
  uint64_t SizeInBytes() const { return BucketCount * sizeof(TTBucket); }
};

extern TranspositionTables PositionCache;
