// The pawn hash table and its counters.

#include "hash/pawn_hash.h"

#include "hash/huge_pages.h"

namespace {

// The main thread's table. Aligned to a 2 MiB boundary so the table can sit on transparent huge
// pages (see below).
alignas(HugePageBytes) PawnHashEntry MainPawnHash[PawnHashSize];

}  // namespace

thread_local constinit PawnHashEntry* PawnHashArray = MainPawnHash;
thread_local constinit int32_t Phashattempts = 0;
thread_local constinit int32_t Phashmisses = 0;

namespace {

// A pawnless board whose pawn key is 0 finds entry 0 marked as "key 0, no pawns", which the
// lookup takes for a hit. So that entry must hold what evaluating an empty pawn structure
// really gives (every file open, no passers, both pawn scores -30), not leftovers of whatever
// structure was stored there before.
void StoreEmptyStructure(PawnHashEntry& entry) {
  entry = PawnHashEntry{};
  entry.Pawn.WhitePawnScore = -30;
  entry.Pawn.BlackPawnScore = -30;
  entry.Pawn.OpenFiles = ~0ULL;
  entry.Pawn.NoWhitePawnFiles = ~0ULL;
  entry.Pawn.NoBlackPawnFiles = ~0ULL;
}

// The table is probed at almost every evaluation, under keys that move with the kings, so its
// probes are scattered over megabytes: on huge pages they cost far fewer TLB misses.
struct EmptyStructureAtStart {
  EmptyStructureAtStart() {
    AdviseHugePages(MainPawnHash, sizeof(MainPawnHash));
    StoreEmptyStructure(MainPawnHash[0]);
  }
} emptyStructureAtStart;

constexpr size_t PawnHashBytes = sizeof(PawnHashEntry) * PawnHashSize;

}  // namespace

PawnHashEntry* NewPawnHash() {
  // A mapping of its own starts zeroed, as the static array does; only entry 0 needs its
  // record of "no pawns".
  auto* table = static_cast<PawnHashEntry*>(MapTableMemory(PawnHashBytes));
  if (table != nullptr) StoreEmptyStructure(table[0]);
  return table;
}

void FreePawnHash(PawnHashEntry* table) {
  if (table != MainPawnHash) UnmapTableMemory(table, PawnHashBytes);
}

void ClearPawnHash() { ClearPawnHash(PawnHashArray); }

void ClearPawnHash(PawnHashEntry* table) {
  for (uint32_t i = 0; i < PawnHashSize; i++) {
    PawnHashEntry& entry = table[i];
    entry.PawnKey = 0;
    entry.Pawns = 0;
    PawnStructure& pawn = entry.Pawn;
    for (int i = 0; i < 10; ++i) {
      pawn.WhitePasserRank[i] = 0;
      pawn.BlackPasserRank[i] = 0;
    }
    pawn.WhitePawnScore = 0;
    pawn.BlackPawnScore = 0;
    pawn.WhitePasserScore = 0;
    pawn.BlackPasserScore = 0;
    pawn.WhitePasserCount = 0;
    pawn.BlackPasserCount = 0;
    pawn.PasserFlags = 0;
  }
  // Only entry 0 can be reached with key 0; make it a true record of "no pawns".
  StoreEmptyStructure(table[0]);
}
