// The transposition table: search results keyed by the position's key pair.

#include "hash/transposition_table.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sys/mman.h>

#include "board/log_file.h"
#include "hash/huge_pages.h"

TranspositionTables PositionCache;

namespace {

constexpr size_t PageBytes = 4096;  // the mapping is whole small pages

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

// Scores beyond these carry a mate distance; the store adds the remaining depth to them.
constexpr int MateStoreHigh = 109800;
constexpr int MateStoreLow = -109801;

// The counters run for the whole process; wrap instead of overflowing.
void Bump(int32_t& counter, int by) {
  counter = static_cast<int32_t>(static_cast<uint32_t>(counter) + static_cast<uint32_t>(by));
}

bool SameKeys(const TTSlot& slot, uint64_t upper, uint64_t lower) {
  return slot.Upper == upper && slot.Lower == lower;
}

// The cutoff tests shared by the three slots. Returns 0, 1 or 2 on a cutoff, 3 otherwise;
// sets *hint to 4 when a fresh upper bound of enough depth says the position stays below beta.
unsigned TryCutoff(const TTSlot& slot, int depth, int reduction, int alpha, int beta, int* score,
                   unsigned* hint) {
  if (slot.Bound == UpperBound && slot.Score < beta && slot.Depth >= depth - reduction)
    *hint = TTBelowBeta;
  if (depth > slot.Depth) return TTNoCut;
  if (slot.Bound == ExactBound) {
    *score = slot.Score;
    return TTExact;
  }
  if (slot.Bound == LowerBound && beta <= slot.Score) {
    *score = beta;
    return TTLowerCut;
  }
  if (slot.Bound == UpperBound && slot.Score <= alpha) {
    *score = alpha;
    return TTUpperCut;
  }
  return TTNoCut;
}

// The table lives in its own mapping, aligned to 2 MiB so that it can sit on huge pages. The
// mapping starts zeroed and costs nothing until it is touched, so start-up stays fast.
size_t MappedBytes(uint64_t buckets) {
  const size_t pages = (static_cast<size_t>(buckets) * sizeof(TTBucket) + PageBytes - 1) / PageBytes;
  return pages * PageBytes;
}

TTBucket* MapTable(uint64_t buckets) {
  const size_t bytes = MappedBytes(buckets);
  // Map one huge page more than needed and trim both ends to a 2 MiB boundary.
  void* raw = mmap(nullptr, bytes + HugePageBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const uintptr_t start = reinterpret_cast<uintptr_t>(raw);
  const uintptr_t aligned = (start + HugePageBytes - 1) & ~(uintptr_t{HugePageBytes} - 1);
  if (aligned > start) munmap(raw, aligned - start);
  const uintptr_t tail = aligned + bytes;
  const uintptr_t mappedEnd = start + bytes + HugePageBytes;
  if (mappedEnd > tail) munmap(reinterpret_cast<void*>(tail), mappedEnd - tail);
  void* table = reinterpret_cast<void*>(aligned);
  AdviseHugePages(table, bytes);
  return static_cast<TTBucket*>(table);
}

void UnmapTable(TTBucket* table, uint64_t buckets) {
  if (table != nullptr) munmap(table, MappedBytes(buckets));
}

}  // namespace

TranspositionTables::TranspositionTables()
    : Buckets(nullptr), Hits(0), Misses(0), IndexMask(TTABLESIZE - 4), BucketCount(TTABLESIZE), Resident(false) {
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
  for (size_t offset = 0; offset < bytes; offset += PageBytes) bytePtr[offset] = 0;
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
  // A table not yet resident holds nothing, and reading it all would fault in shared zero pages
  // that the first stores of a search then have to break up again.
  if (!Resident) return;
  // Writing only where needed leaves the untouched (still zero) part of the table unwritten.
  for (uint64_t i = 0; i < BucketCount; i++)
    for (TTSlot& slot : Buckets[i].Slot)
      if (slot.Freshness != 0) slot.Freshness = 0;
}

void TranspositionTables::InsertTranspositionTables(uint64_t upper, uint64_t lower, char /*side*/,
                                                    int depth, int16_t move, int score, char bound,
                                                    int /*alpha*/, int /*beta*/) {
  TTSlot* slot = SlotsOf(*this, lower, 1);

  // A mate found with depth d left is stored d further out; the probing node corrects it by
  // its own ply.
  if (score > MateStoreHigh)
    score += depth;
  else if (score <= MateStoreLow)
    score -= depth;

  const bool slot0Replaceable = slot[0].Depth <= depth || slot[0].Freshness <= 0;
  const bool intoSlot0 =
      slot[0].Freshness <= 0 || (SameKeys(slot[0], upper, lower) && slot0Replaceable);

  slot[2] = slot[1];
  TTSlot* target = &slot[1];
  if (intoSlot0) {
    slot[1] = slot[0];
    target = &slot[0];
  }
  target->Upper = upper;
  target->Lower = lower;
  target->Move = move;
  target->Bound = static_cast<uint8_t>(bound);
  target->Freshness = intoSlot0 ? 2 : 4;
  target->Score = score;
  target->Depth = static_cast<int8_t>(depth);
}

unsigned TranspositionTables::SearchTranspositionTables(uint64_t upper, uint64_t lower, char /*side*/,
                                                        int depth, int alpha, int beta, int* score,
                                                        int* move) {
  TTSlot* slot = SlotsOf(*this, lower, 2);
  const int reduction = depth > 5 ? 3 : 2;
  unsigned result = TTNoCut;
  int bestDepth = -1;

  // Slot 0: its move is always taken; a cutoff here confirms the entry (freshness 2 again).
  if (SameKeys(slot[0], upper, lower)) {
    *move = slot[0].Move;
    bestDepth = slot[0].Depth;
    if (slot[0].Freshness > 0) {
      const unsigned cut = TryCutoff(slot[0], depth, reduction, alpha, beta, score, &result);
      if (cut != TTNoCut) {
        slot[0].Freshness = 2;
        Bump(Hits, 1);
        return cut;
      }
    }
  }

  // Slot 1: the move only when deeper than slot 0's.
  if (SameKeys(slot[1], upper, lower)) {
    if (slot[1].Depth > bestDepth) {
      *move = slot[1].Move;
      bestDepth = slot[1].Depth;
    }
    if (slot[1].Freshness > 0) {
      const unsigned cut = TryCutoff(slot[1], depth, reduction, alpha, beta, score, &result);
      if (cut != TTNoCut) {
        Bump(Hits, 1);
        return cut;
      }
    }
  }

  // Slot 2: only a probe that reaches a fresh entry here reports the null-move hint; every
  // other miss answers plain "nothing usable".
  if (SameKeys(slot[2], upper, lower)) {
    if (slot[2].Depth > bestDepth) *move = slot[2].Move;
    if (slot[2].Freshness > 0) {
      const unsigned cut = TryCutoff(slot[2], depth, reduction, alpha, beta, score, &result);
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
