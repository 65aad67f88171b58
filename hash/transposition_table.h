#pragma once
// The transposition table: 2^k + 3 buckets of three slots (2^21 + 3 unless the user asks for
// another size), allocated at start-up and again only when the size changes.
// A new table is mapped but not yet backed by memory: its pages are faulted in by MakeResident,
// which the search calls before it starts its clock (and the protocols earlier, when the GUI
// waits for the engine anyway), so that no timed search pays for them.
// Slot 0 keeps the deepest fresh result for its position, slot 1 the newest entry that did not
// go to slot 0, slot 2 what slot 1 held before.

#include <atomic>
#include <cstdint>

// Buckets of the table an engine nobody configures uses.
constexpr uint64_t TTABLESIZE = 2097155;

// What one slot holds, as the table's users see it.
struct TTEntry {
  uint64_t Upper;
  uint64_t Lower;
  int32_t Move;       // a 16-bit move code, sign-extended
  uint8_t Bound;      // 0 upper bound, 1 lower bound, 2 exact
  int8_t Freshness;   // 0 empty or aged, 2 slot 0 (written or confirmed), 4 slot 1 (this generation)
  int32_t Score;      // a mate score counts its distance from this position (see InsertTranspositionTables)
  int8_t Depth;       // remaining search depth
};

// The table ages its entries by generation: ageing starts a new generation (1 to 7), and an
// entry stored in an earlier one reads as aged (freshness 0) without a pass over the table, which
// would take longer than a GUI may wait for an answer. Only when the generations run out are the
// entries aged in place. An all-zero slot belongs to no generation. The engine has one table;
// its generation changes between searches only.
inline uint8_t TTGeneration = 1;
constexpr uint8_t TTLastGeneration = 7;

// One slot: three 64-bit words. Every search thread probes and stores into the one table
// without locks, so each word is only ever read and written whole (relaxed atomic loads and
// stores, plain moves on x86-64). Two threads storing into a slot at once may still leave it
// with words of both stores; Check holds the upper key XOR the data word, so such a mix fails
// the key test (but for a 2^-64 chance) and reads as another position: it costs a table entry,
// never a wrong score or a wrong move for the position probed. An all-zero slot is empty.
struct TTSlot {
  uint64_t Check;     // upper key XOR Data
  uint64_t Lower;     // lower key
  // Move (bits 0-15), score (16-47), depth (48-55), bound (56-59) and age (60-63): the
  // generation (61-63) and whether the entry went to slot 1 (freshness 4) rather than slot 0 (2).
  uint64_t Data;

  static uint64_t AgeCode(int8_t freshness) {
    return freshness == 0 ? 0 : uint64_t{TTGeneration} << 1 | (freshness == 4 ? 1 : 0);
  }
  static uint64_t Pack(int32_t move, uint8_t bound, int8_t freshness, int32_t score, int8_t depth) {
    return uint64_t{static_cast<uint16_t>(move)} | uint64_t{static_cast<uint32_t>(score)} << 16 |
           uint64_t{static_cast<uint8_t>(depth)} << 48 | uint64_t{bound & 15u} << 56 | AgeCode(freshness) << 60;
  }
  static int32_t MoveOf(uint64_t data) { return static_cast<int16_t>(data); }
  static int32_t ScoreOf(uint64_t data) { return static_cast<int32_t>(data >> 16); }
  static int8_t DepthOf(uint64_t data) { return static_cast<int8_t>(data >> 48); }
  static uint8_t BoundOf(uint64_t data) { return (data >> 56) & 15; }
  static int8_t FreshnessOf(uint64_t data) {
    const uint64_t age = data >> 60;
    if ((age >> 1) != TTGeneration) return 0;
    return (age & 1) ? 4 : 2;
  }
  static uint64_t WithFreshness(uint64_t data, int8_t freshness) {
    return (data & ~(uint64_t{15} << 60)) | AgeCode(freshness) << 60;
  }

  static uint64_t Load(const uint64_t& word) {
    return std::atomic_ref<uint64_t>(const_cast<uint64_t&>(word)).load(std::memory_order_relaxed);
  }
  static void Store(uint64_t& word, uint64_t value) {
    std::atomic_ref<uint64_t>(word).store(value, std::memory_order_relaxed);
  }

  // The whole slot, decoded (the upper key as the check word and the data word give it).
  TTEntry Read() const {
    const uint64_t data = Load(Data);
    return {Load(Check) ^ data, Load(Lower), MoveOf(data), BoundOf(data), FreshnessOf(data), ScoreOf(data),
            DepthOf(data)};
  }
  void Write(const TTEntry& e) {
    const uint64_t data = Pack(e.Move, e.Bound, e.Freshness, e.Score, e.Depth);
    Store(Data, data);
    Store(Lower, e.Lower);
    Store(Check, e.Upper ^ data);
  }
};
static_assert(sizeof(TTSlot) == 24, "TTSlot must not carry padding");

struct TTBucket {
  TTSlot Slot[3];
};
static_assert(sizeof(TTBucket) == 72, "TTBucket must not carry padding");

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
  // Probes that found a usable slot and probes that did not. Every search thread counts its own
  // (so that threads do not write one cache line at every probe); the benchmarks print the main
  // thread's.
  static inline thread_local constinit int32_t Hits = 0;
  static inline thread_local constinit int32_t Misses = 0;
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
  // The search scores a mate by its distance from the root; an entry keeps it as the distance from
  // its own position, so that a transposition reached at another ply reads the right distance.
  // ply: the distance from the root of the node that stores or probes; *score comes back from
  // the probing node's point of view, like the bounds alpha and beta.
  void InsertTranspositionTables(uint64_t upper, uint64_t lower, int ply, int depth, int16_t move,
                                 int score, char bound, int alpha, int beta);
  unsigned SearchTranspositionTables(uint64_t upper, uint64_t lower, int ply, int depth, int alpha,
                                     int beta, int* score, int* move);
  // A position's bucket is chosen by the low 32 bits of its lower key.
  uint64_t BucketIndex(uint64_t lower) const { return static_cast<uint32_t>(lower) & IndexMask; }
  // Asks the memory system for a position's bucket ahead of its probe. The 72 bytes of a
  // bucket (which starts on an 8-byte boundary) touch two 64-byte cache lines at most: its first
  // and its last byte reach both.
  void Prefetch(uint64_t lower) const {
    const char* bucket = reinterpret_cast<const char*>(&Buckets[BucketIndex(lower)]);
    __builtin_prefetch(bucket);
    __builtin_prefetch(bucket + sizeof(TTBucket) - 1);
  }
  // Per mille of the table in use, from the slot 0 of its first 1000 buckets.
  int HashFull() const;
  uint64_t SizeInBytes() const { return BucketCount * sizeof(TTBucket); }
};

extern TranspositionTables PositionCache;
