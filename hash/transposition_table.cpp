// The transposition table: search results keyed by the position's key pair.

#include "hash/transposition_table.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sys/mman.h>

#include "board/log_file.h"
#include "board/piece_values.h"
#include "hash/huge_pages.h"

TranspositionTables PositionCache;

namespace {

// The slots of a position's bucket. An index past the table would mean a broken table: that is
// reported (caller 1 stores, 2 probes) and the engine stops.
TTSlot* SlotsOf(TranspositionTables& table, uint64_t lower, int caller) {
  const uint64_t index = table.BucketIndex(lower);
  if (index >= table.BucketCount) {
    std::printf("Major problem%d: index > TTABLESIZE %llu\n", caller, static_cast<unsigned long long>(index));
    std::fflush(stdout);
    std::exit(0);
  }
  return table.Buckets[index].Slot;
}

// A node at ply from the root stores a mate as its distance from the node...
int ScoreToTable(int score, int ply) {
  if (score > MateBound) return score + ply;
  if (score < -MateBound) return score - ply;
  return score;
}

// ...and a node at ply reads it back as a distance from the root.
int ScoreFromTable(int stored, int ply) {
  if (stored > MateBound) return stored - ply;
  if (stored < -MateBound) return stored + ply;
  return stored;
}

// The counters run for the whole process; wrap instead of overflowing.
void Bump(int32_t& counter, int by) {
  counter = static_cast<int32_t>(static_cast<uint32_t>(counter) + static_cast<uint32_t>(by));
}

// The upper key is compared first; the lower key is read only when it matches.
bool SameKeys(const TTSlot& slot, uint64_t data, uint64_t upper, uint64_t lower) {
  return (TTSlot::Load(slot.Check) ^ data) == upper && TTSlot::Load(slot.Lower) == lower;
}

// The cutoff tests shared by the three slots, on a slot's data word. Returns 0, 1 or 2 on a
// cutoff, 3 otherwise; sets *hint to 4 when a fresh upper bound of enough depth says the
// position stays below beta.
unsigned TryCutoff(uint64_t data, int ply, int depth, int reduction, int alpha, int beta, int* score,
                   unsigned* hint) {
  const uint8_t bound = TTSlot::BoundOf(data);
  const int stored = ScoreFromTable(TTSlot::ScoreOf(data), ply);
  const int storedDepth = TTSlot::DepthOf(data);
  if (bound == UpperBound && stored < beta && storedDepth >= depth - reduction) *hint = TTBelowBeta;
  if (depth > storedDepth) return TTNoCut;
  if (bound == ExactBound) {
    *score = stored;
    return TTExact;
  }
  if (bound == LowerBound && beta <= stored) {
    *score = beta;
    return TTLowerCut;
  }
  if (bound == UpperBound && stored <= alpha) {
    *score = alpha;
    return TTUpperCut;
  }
  return TTNoCut;
}

// Copies a slot word by word (a slot another thread is writing may come out mixed, and then
// fails its key test wherever it goes).
void CopySlot(TTSlot& to, const TTSlot& from) {
  TTSlot::Store(to.Check, TTSlot::Load(from.Check));
  TTSlot::Store(to.Lower, TTSlot::Load(from.Lower));
  TTSlot::Store(to.Data, TTSlot::Load(from.Data));
}

// A slot of the position with this upper key, read as data, gets a new freshness; the check
// word follows its data word.
void SetFreshness(TTSlot& slot, uint64_t upper, uint64_t data, int8_t freshness) {
  const uint64_t fresh = TTSlot::WithFreshness(data, freshness);
  TTSlot::Store(slot.Data, fresh);
  TTSlot::Store(slot.Check, upper ^ fresh);
}

size_t MappedBytes(uint64_t buckets) { return MappedLength(static_cast<size_t>(buckets) * sizeof(TTBucket)); }

TTBucket* MapTable(uint64_t buckets) {
  return static_cast<TTBucket*>(MapTableMemory(static_cast<size_t>(buckets) * sizeof(TTBucket)));
}

void UnmapTable(TTBucket* table, uint64_t buckets) {
  UnmapTableMemory(table, static_cast<size_t>(buckets) * sizeof(TTBucket));
}

}  // namespace

TranspositionTables::TranspositionTables()
    : Buckets(nullptr), IndexMask(TTABLESIZE - 4), BucketCount(TTABLESIZE), Resident(false) {
  Buckets = MapTable(BucketCount);
  if (Buckets == nullptr) {
    std::printf("ERROR: cannot allocate the transposition table (%llu bytes)\n",
                static_cast<unsigned long long>(SizeInBytes()));
    std::fflush(stdout);
    std::exit(1);
  }
}

uint64_t TranspositionTables::BucketsFor(int sizeMb) {
  if (sizeMb < MinSizeMb) sizeMb = MinSizeMb;
  if (sizeMb > MaxSizeMb) sizeMb = MaxSizeMb;
  const uint64_t bytes = static_cast<uint64_t>(sizeMb) << 20;
  uint64_t reachable = 1;
  while ((2 * reachable + 3) * sizeof(TTBucket) <= bytes) reachable *= 2;
  return reachable + 3;
}

bool TranspositionTables::Resize(int sizeMb) {
  const uint64_t count = BucketsFor(sizeMb);
  if (count == BucketCount) return true;
  TTBucket* fresh = MapTable(count);
  if (fresh == nullptr) return false;
  UnmapTable(Buckets, BucketCount);
  Buckets = fresh;
  BucketCount = count;
  IndexMask = count - 4;
  Resident = false;
  LogPrintf("Transposition table resized to %llu buckets", static_cast<unsigned long long>(count));
  // The GUI waits for the answer to the command that asked for the size: a good moment.
  MakeResident();
  return true;
}

void TranspositionTables::MakeResident() {
  if (Resident) return;
  const size_t bytes = MappedBytes(BucketCount);
#ifdef MADV_POPULATE_WRITE
  // The system faults the pages in as if written, without writing, in one call. When it cannot
  // (short of memory), it is not asked again: the search faults the rest in as it goes.
  if (madvise(Buckets, bytes, MADV_POPULATE_WRITE) == 0 || errno != EINVAL) {
    Resident = true;
    return;
  }
  // An older system that does not know the request.
#endif
  // A store per small page faults it in (on a huge page, the first store of it does). Writing zero
  // keeps the contents: nothing is stored into the table before it is resident.
  volatile char* bytePtr = reinterpret_cast<volatile char*>(Buckets);
  for (size_t offset = 0; offset < bytes; offset += SmallPageBytes) bytePtr[offset] = 0;
  Resident = true;
}

void TranspositionTables::ClearTranspositionTables() {
  WriteLogFile("Clearing Transposition Tables\n");
  // A resident table is written over rather than handed back to the system: the pages stay in
  // place, so the search that follows a new game does not stop to fault 170 MB of zeroed pages in
  // again. A table not yet resident is not touched (the xboard match loop clears it before the
  // GUI's first command is answered): its pages are handed back and read as zero again.
  if (!Resident && madvise(Buckets, MappedBytes(BucketCount), MADV_DONTNEED) == 0) return;
  std::memset(Buckets, 0, SizeInBytes());
  Resident = true;
}

void TranspositionTables::AgeTranspositionTables() {
  if (TTGeneration < TTLastGeneration) {
    TTGeneration++;
    return;
  }
  // The generations have run out: every entry is aged in place, and they start again.
  TTGeneration = 1;
  // A table not yet resident holds nothing, and reading it all would fault in shared zero pages
  // that the first stores of a search then have to break up again.
  if (!Resident) return;
  // Writing only where needed leaves the untouched (still zero) part of the table unwritten.
  for (uint64_t i = 0; i < BucketCount; i++)
    for (TTSlot& slot : Buckets[i].Slot) {
      const uint64_t data = TTSlot::Load(slot.Data);
      if ((data >> 60) != 0) SetFreshness(slot, TTSlot::Load(slot.Check) ^ data, data, 0);
    }
}

int TranspositionTables::HashFull() const {
  if (Buckets == nullptr) return 0;
  int used = 0;
  for (uint64_t i = 0; i < 1000 && i < BucketCount; i++)
    used += TTSlot::FreshnessOf(TTSlot::Load(Buckets[i].Slot[0].Data)) > 0;
  return used;
}

void TranspositionTables::InsertTranspositionTables(uint64_t upper, uint64_t lower, int ply, int depth,
                                                    int16_t move, int score, char bound, int /*alpha*/,
                                                    int /*beta*/) {
  TTSlot* slot = SlotsOf(*this, lower, 1);
  score = ScoreToTable(score, ply);

  const uint64_t data0 = TTSlot::Load(slot[0].Data);
  const bool slot0Replaceable = TTSlot::DepthOf(data0) <= depth || TTSlot::FreshnessOf(data0) <= 0;
  const bool intoSlot0 =
      TTSlot::FreshnessOf(data0) <= 0 || (SameKeys(slot[0], data0, upper, lower) && slot0Replaceable);

  CopySlot(slot[2], slot[1]);
  TTSlot* target = &slot[1];
  if (intoSlot0) {
    CopySlot(slot[1], slot[0]);
    target = &slot[0];
  }
  const uint64_t data = TTSlot::Pack(move, static_cast<uint8_t>(bound), intoSlot0 ? 2 : 4, score,
                                     static_cast<int8_t>(depth));
  TTSlot::Store(target->Data, data);
  TTSlot::Store(target->Lower, lower);
  TTSlot::Store(target->Check, upper ^ data);
}

unsigned TranspositionTables::SearchTranspositionTables(uint64_t upper, uint64_t lower, int ply, int depth,
                                                        int alpha, int beta, int* score, int* move) {
  TTSlot* slot = SlotsOf(*this, lower, 2);
  const int reduction = depth > 5 ? 3 : 2;
  unsigned result = TTNoCut;
  int bestDepth = -1;

  // Slot 0: its move is always taken; a cutoff here confirms the entry (freshness 2 again).
  const uint64_t data0 = TTSlot::Load(slot[0].Data);
  if (SameKeys(slot[0], data0, upper, lower)) {
    *move = TTSlot::MoveOf(data0);
    bestDepth = TTSlot::DepthOf(data0);
    if (TTSlot::FreshnessOf(data0) > 0) {
      const unsigned cut = TryCutoff(data0, ply, depth, reduction, alpha, beta, score, &result);
      if (cut != TTNoCut) {
        if (TTSlot::FreshnessOf(data0) != 2) SetFreshness(slot[0], upper, data0, 2);
        Bump(Hits, 1);
        return cut;
      }
    }
  }

  // Slot 1: the move only when deeper than slot 0's.
  const uint64_t data1 = TTSlot::Load(slot[1].Data);
  if (SameKeys(slot[1], data1, upper, lower)) {
    if (TTSlot::DepthOf(data1) > bestDepth) {
      *move = TTSlot::MoveOf(data1);
      bestDepth = TTSlot::DepthOf(data1);
    }
    if (TTSlot::FreshnessOf(data1) > 0) {
      const unsigned cut = TryCutoff(data1, ply, depth, reduction, alpha, beta, score, &result);
      if (cut != TTNoCut) {
        Bump(Hits, 1);
        return cut;
      }
    }
  }

  // Slot 2: only a probe that reaches a fresh entry here reports the null-move hint; every
  // other miss answers plain "nothing usable".
  const uint64_t data2 = TTSlot::Load(slot[2].Data);
  if (SameKeys(slot[2], data2, upper, lower)) {
    if (TTSlot::DepthOf(data2) > bestDepth) *move = TTSlot::MoveOf(data2);
    if (TTSlot::FreshnessOf(data2) > 0) {
      const unsigned cut = TryCutoff(data2, ply, depth, reduction, alpha, beta, score, &result);
      if (cut != TTNoCut) {
        Bump(Hits, 1);
        return cut;
      }
      Bump(Misses, 1);
      return result;
    }
  }
  Bump(Misses, 1);
  return TTNoCut;
}
