#pragma once
// The pawn hash: structural results of the pawn evaluation cached under the 32-bit pawn key.
// One entry per key (index = low 16 bits), no replacement policy: a new result overwrites.

#include <cstdint>

// What the pawn evaluation caches for one pawn structure (White's view where a sign matters).
// The evaluator keeps the same record for the board it evaluates, so a hit or a store copies
// it whole. The passer-rank arrays carry a zero guard on each side: the entry of file f
// (0 = a) is at index f + 1, so the neighbours of any file can be read freely.
struct PawnStructure {
  int32_t WhiteDoubled;        // doubled pawns of each side
  int32_t BlackDoubled;
  int32_t MidTerm;             // middlegame pawn term
  uint64_t BackwardPawns;      // pawns of both colours marked backward
  uint64_t PawnFiles;          // all squares of the files holding a pawn
  uint64_t OpenFiles;          // ... and of the files holding none
  uint64_t WhitePawnCover;     // squares attacked by each side's pawns
  uint64_t BlackPawnCover;
  uint8_t WhitePasserRank[10]; // rank of the most advanced passer of each file, 0 if none
  int32_t BlackPawnScore;
  int32_t WhitePawnScore;
  int32_t BlackPasserScore;    // passer values before the terms that are not cached
  int32_t WhitePasserScore;
  uint8_t BlackPasserRank[10];
  int8_t BlackPasserCount;
  int8_t WhitePasserCount;
  uint8_t PasserFlags;         // 1 white passer, 2 white connected, 16 black passer, 32 black connected
  int32_t EndTerm;             // endgame pawn term
  uint64_t NoBlackPawnFiles;   // all squares of the files without a pawn of that colour
  uint64_t NoWhitePawnFiles;
};

struct PawnHashEntry {
  uint32_t PawnKey;            // full pawn key of the stored structure
  uint64_t Pawns;              // all pawns of both colours, the check value
  PawnStructure Pawn;
};

constexpr uint32_t PawnHashSize = 65538;       // entries 0..65535 are reachable
constexpr uint32_t PawnHashIndexMask = 0xffff;

// The running thread's table: every search thread has its own (the structures its search meets
// stay in its own cache, and no thread writes another's). The main thread's is a static array;
// a helper thread's is mapped when the thread is created (NewPawnHash) and given to it before
// it searches. Its counters are the thread's too.
extern thread_local constinit PawnHashEntry* PawnHashArray;
extern thread_local constinit int32_t Phashattempts;
extern thread_local constinit int32_t Phashmisses;

// A table of its own for a helper thread, in the state the main thread's has at start; nullptr
// when the memory cannot be had. Released with FreePawnHash.
PawnHashEntry* NewPawnHash();
void FreePawnHash(PawnHashEntry* table);

// Asks the memory system for a pawn key's entry ahead of its lookup; the 136 bytes of an entry
// touch three cache lines.
inline void PrefetchPawnEntry(uint32_t key) {
  const char* entry = reinterpret_cast<const char*>(&PawnHashArray[key & PawnHashIndexMask]);
  __builtin_prefetch(entry);
  __builtin_prefetch(entry + 64);
  __builtin_prefetch(entry + sizeof(PawnHashEntry) - 1);
}

// True when the entry of this key holds exactly this pawn key and this pawn set.
inline bool InPawnHash(uint32_t key, uint64_t pawns) {
  const PawnHashEntry& entry = PawnHashArray[key & PawnHashIndexMask];
  return entry.PawnKey == key && entry.Pawns == pawns;
}
// Clears the identifying and passer fields of every entry of the running thread's table, or of
// the one given (a helper's, while it is idle).
void ClearPawnHash();
void ClearPawnHash(PawnHashEntry* table);
