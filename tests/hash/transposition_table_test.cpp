#include "hash/transposition_table.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "board/log_file.h"

namespace {

// Keys in one chosen bucket: the index is the low 21 bits of the lower key, so the bits above
// tell positions of the same bucket apart.
struct Key {
  uint64_t Upper, Lower;
};
Key KeyIn(uint64_t bucket, uint64_t position) { return {0x9E3779B97F4A7C15ULL * (position + 1), bucket | (position << 40)}; }

TTBucket& BucketOf(uint64_t bucket) { return PositionCache.Buckets[bucket]; }
void EmptyBucket(uint64_t bucket) { std::memset(static_cast<void*>(&BucketOf(bucket)), 0, sizeof(TTBucket)); }

// As the search does, the table is made resident before anything is stored in it.
void Store(Key k, int depth, int move, int score, char bound) {
  PositionCache.MakeResident();
  PositionCache.InsertTranspositionTables(k.Upper, k.Lower, 0, depth, static_cast<int16_t>(move), score, bound, -5, 5);
}

unsigned Probe(Key k, int depth, int alpha, int beta, int* score, int* move) {
  return PositionCache.SearchTranspositionTables(k.Upper, k.Lower, 0, depth, alpha, beta, score, move);
}

bool Holds(const TTEntry& e, Key k) { return e.Upper == k.Upper && e.Lower == k.Lower; }
bool Holds(const TTSlot& slot, Key k) { return Holds(slot.Read(), k); }
void SetFreshness(TTSlot& slot, int8_t freshness) {
  TTEntry e = slot.Read();
  e.Freshness = freshness;
  slot.Write(e);
}

// Pages of a table's whole pages that are in memory, as the system reports them.
size_t PagesInMemory(const TranspositionTables& table, size_t* pages) {
  const size_t pageBytes = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  *pages = table.SizeInBytes() / pageBytes;
  std::vector<unsigned char> inCore(*pages);
  if (mincore(table.Buckets, *pages * pageBytes, inCore.data()) != 0) return 0;
  size_t resident = 0;
  for (unsigned char page : inCore) resident += page & 1;
  return resident;
}

}  // namespace

TEST(TranspositionTable, LayoutAndSize) {
  EXPECT_EQ(sizeof(TTSlot), 24u);
  EXPECT_EQ(PositionCache.SizeInBytes(), 2097155ull * 72ull);
  EXPECT_EQ(PositionCache.IndexMask, 2097151u);
  ASSERT_NE(PositionCache.Buckets, nullptr);
  // The buckets beyond the mask exist and start empty like the rest.
  const TTBucket& last = PositionCache.Buckets[TTABLESIZE - 1];
  for (const TTSlot& s : last.Slot) EXPECT_EQ(s.Read().Upper | s.Read().Lower, 0u);
}

TEST(TranspositionTable, ResizeKeepsBucketsAndTheirRules) {
  EXPECT_EQ(TranspositionTables::BucketsFor(TranspositionTables::DefaultSizeMb), TTABLESIZE);
  for (int mb : {1, 64, 1000}) {
    const uint64_t n = TranspositionTables::BucketsFor(mb);
    const uint64_t reachable = n - 3;
    EXPECT_EQ(reachable & (reachable - 1), 0u) << mb;  // a power of two
    EXPECT_LE(n * sizeof(TTBucket), uint64_t(mb) << 20) << mb;
    EXPECT_GT((2 * reachable + 3) * sizeof(TTBucket), uint64_t(mb) << 20) << mb;  // the largest that fits
  }
  ASSERT_TRUE(PositionCache.Resize(1));
  EXPECT_EQ(PositionCache.BucketCount, 8195u);
  EXPECT_EQ(PositionCache.IndexMask, 8191u);
  // The index now takes the lower key's low 13 bits; the slot rules are the same.
  const Key a = {1, 8191 + (uint64_t(5) << 13)}, b = {2, 8191 + (uint64_t(6) << 13)};
  Store(a, 5, 77, 120, ExactBound);
  Store(b, 3, 88, 130, LowerBound);  // slot 0 is fresh and deeper: the new entry goes to slot 1
  EXPECT_TRUE(Holds(BucketOf(8191).Slot[0], a));
  EXPECT_TRUE(Holds(BucketOf(8191).Slot[1], b));
  int score = 0, move = 0;
  EXPECT_EQ(Probe(a, 5, -1000, 1000, &score, &move), TTExact);
  EXPECT_EQ(score, 120);
  // The same size again takes no memory and keeps the entries.
  const TTBucket* buckets = PositionCache.Buckets;
  ASSERT_TRUE(PositionCache.Resize(1));
  EXPECT_EQ(PositionCache.Buckets, buckets);
  EXPECT_TRUE(Holds(BucketOf(8191).Slot[0], a));
  ASSERT_TRUE(PositionCache.Resize(TranspositionTables::DefaultSizeMb));
  EXPECT_EQ(PositionCache.BucketCount, TTABLESIZE);
  EXPECT_EQ(PositionCache.IndexMask, 2097151u);
}

TEST(TranspositionTable, FaultedInOnlyWhenAskedAndAClearStillClears) {
  // A new table costs nothing until asked for: clearing and ageing it touch none of its pages
  // (the xboard handshake clears it before it is answered).
  TranspositionTables fresh;
  size_t pages = 0;
  fresh.ClearTranspositionTables();
  fresh.AgeTranspositionTables();
  EXPECT_FALSE(fresh.Resident);
  EXPECT_EQ(PagesInMemory(fresh, &pages), 0u);
  // A table of a new size is in memory at once, and empty.
  ASSERT_TRUE(PositionCache.Resize(1));
  EXPECT_TRUE(PositionCache.Resident);
  EXPECT_EQ(PagesInMemory(PositionCache, &pages), pages);
  const char* bytes = reinterpret_cast<const char*>(PositionCache.Buckets);
  EXPECT_EQ(std::count(bytes, bytes + PositionCache.SizeInBytes(), 0), static_cast<long>(PositionCache.SizeInBytes()));
  // Asking again keeps what is stored; a clear wipes it and keeps the pages in memory.
  const Key a = KeyIn(4000, 1);
  Store(a, 5, 77, 120, ExactBound);
  PositionCache.MakeResident();
  EXPECT_TRUE(Holds(BucketOf(4000).Slot[0], a));
  PositionCache.ClearTranspositionTables();
  EXPECT_EQ(std::count(bytes, bytes + PositionCache.SizeInBytes(), 0), static_cast<long>(PositionCache.SizeInBytes()));
  EXPECT_EQ(PagesInMemory(PositionCache, &pages), pages);
  ASSERT_TRUE(PositionCache.Resize(TranspositionTables::DefaultSizeMb));
}

TEST(TranspositionTable, SamePositionTwiceShiftsTheOlderResultDown) {
  const uint64_t b = 101;
  EmptyBucket(b);
  const Key a = KeyIn(b, 1);
  Store(a, 5, 77, 120, ExactBound);
  Store(a, 5, 88, 130, LowerBound);
  const TTBucket& bucket = BucketOf(b);
  EXPECT_TRUE(Holds(bucket.Slot[0], a));
  EXPECT_EQ(bucket.Slot[0].Read().Move, 88);
  EXPECT_EQ(bucket.Slot[0].Read().Score, 130);
  EXPECT_EQ(bucket.Slot[0].Read().Bound, 1);
  EXPECT_EQ(bucket.Slot[0].Read().Freshness, 2);
  EXPECT_EQ(bucket.Slot[1].Read().Move, 77);
  EXPECT_EQ(bucket.Slot[1].Read().Score, 120);
  // A shallower result does not displace a deeper one in slot 0.
  Store(a, 3, 99, 0, ExactBound);
  EXPECT_EQ(bucket.Slot[0].Read().Move, 88);
  EXPECT_EQ(bucket.Slot[1].Read().Move, 99);
  EXPECT_EQ(bucket.Slot[1].Read().Freshness, 4);
  EXPECT_EQ(bucket.Slot[2].Read().Move, 77);
}

TEST(TranspositionTable, OtherPositionGoesToSlotOneAndPushesSlotTwo) {
  const uint64_t b = 202;
  EmptyBucket(b);
  const Key a = KeyIn(b, 1), c = KeyIn(b, 2), d = KeyIn(b, 3);
  Store(a, 4, 1, 10, ExactBound);
  Store(c, 9, 2, 20, ExactBound);  // deeper, but slot 0 holds a fresh other position
  Store(d, 1, 3, 30, ExactBound);
  const TTBucket& bucket = BucketOf(b);
  EXPECT_TRUE(Holds(bucket.Slot[0], a));
  EXPECT_TRUE(Holds(bucket.Slot[1], d));
  EXPECT_TRUE(Holds(bucket.Slot[2], c));
  EXPECT_EQ(bucket.Slot[2].Read().Freshness, 4);
  // A negative move value is kept sign-extended.
  Store(d, 1, -2, 0, UpperBound);
  EXPECT_EQ(bucket.Slot[1].Read().Move, -2);
}

TEST(TranspositionTable, AgedEntriesGiveMovesButNoCutoffs) {
  const uint64_t b = 303;
  EmptyBucket(b);
  const Key a = KeyIn(b, 1), c = KeyIn(b, 2);
  Store(a, 6, 555, 40, ExactBound);
  // An aged entry stays aged however often the table is aged again, also once the generations
  // have gone round.
  for (int i = 0; i <= TTLastGeneration; i++) {
    PositionCache.AgeTranspositionTables();
    EXPECT_EQ(BucketOf(b).Slot[0].Read().Freshness, 0) << i;
  }
  EXPECT_EQ(BucketOf(b).Slot[0].Read().Score, 40);
  int score = -1, move = -1;
  EXPECT_EQ(Probe(a, 2, -100, 100, &score, &move), 3u);
  EXPECT_EQ(move, 555);
  EXPECT_EQ(score, -1);
  // The next insertion takes slot 0 even for another, shallower position.
  Store(c, 1, 7, 0, ExactBound);
  EXPECT_TRUE(Holds(BucketOf(b).Slot[0], c));
  EXPECT_TRUE(Holds(BucketOf(b).Slot[1], a));
}

TEST(TranspositionTable, ProbeResultCodes) {
  const uint64_t b = 404;
  const Key a = KeyIn(b, 1);
  int score = 0, move = 0;

  EmptyBucket(b);
  Store(a, 5, 11, 70, ExactBound);
  SetFreshness(BucketOf(b).Slot[0], 1);  // a cutoff in slot 0 confirms the entry
  EXPECT_EQ(Probe(a, 5, -100, 100, &score, &move), 2u);
  EXPECT_EQ(score, 70);
  EXPECT_EQ(move, 11);
  EXPECT_EQ(BucketOf(b).Slot[0].Read().Freshness, 2);

  EmptyBucket(b);
  Store(a, 5, 11, 300, LowerBound);
  EXPECT_EQ(Probe(a, 4, -100, 100, &score, &move), 1u);
  EXPECT_EQ(score, 100);
  EXPECT_EQ(Probe(a, 4, -100, 400, &score, &move), 3u);

  EmptyBucket(b);
  Store(a, 5, 11, -300, UpperBound);
  EXPECT_EQ(Probe(a, 5, -100, 100, &score, &move), 0u);
  EXPECT_EQ(score, -100);

  // Deeper than stored: no cutoff, and the probe counts a miss.
  const int32_t hits = PositionCache.Hits, misses = PositionCache.Misses;
  EXPECT_EQ(Probe(a, 6, -100, 100, &score, &move), 3u);
  EXPECT_EQ(PositionCache.Hits, hits);
  EXPECT_EQ(PositionCache.Misses, misses + 1);

  // Unknown position: move untouched.
  move = 1234;
  EXPECT_EQ(Probe(KeyIn(b, 9), 1, -100, 100, &score, &move), 3u);
  EXPECT_EQ(move, 1234);
}

TEST(TranspositionTable, NullMoveHintComesFromAFreshSlotTwo) {
  const uint64_t b = 505;
  EmptyBucket(b);
  const Key a = KeyIn(b, 1), c = KeyIn(b, 2), d = KeyIn(b, 3);
  Store(c, 3, 1, 0, ExactBound);
  Store(a, 4, 2, -50, UpperBound);  // slot 1
  Store(d, 4, 3, 0, ExactBound);    // slot 1; a moves to slot 2
  ASSERT_TRUE(Holds(BucketOf(b).Slot[2], a));
  int score = 0, move = 0;
  // Depth 6 needs a stored depth of at least 6 - 3: 4 will do; no cutoff since 6 > 4.
  EXPECT_EQ(Probe(a, 6, -100, 0, &score, &move), 4u);
  EXPECT_EQ(move, 2);
  EXPECT_EQ(Probe(a, 6, -100, -60, &score, &move), 3u);  // the bound is not below beta
  EXPECT_EQ(Probe(a, 8, -100, 0, &score, &move), 3u);    // not deep enough for the hint
}

// Threads store into the table without locks, so a slot may hold words of two stores at once.
// Such a slot must match neither position: no score or move of one is ever given to the other.
TEST(TranspositionTable, SlotMixedFromTwoStoresMatchesNeither) {
  const uint64_t b = 909;
  const Key a = KeyIn(b, 1), c = KeyIn(b, 2);
  EmptyBucket(b);
  Store(a, 5, 11, 70, ExactBound);
  const TTSlot first = BucketOf(b).Slot[0];
  EmptyBucket(b);
  Store(c, 5, 22, 80, ExactBound);
  const TTSlot second = BucketOf(b).Slot[0];
  for (int mix = 1; mix < 7; mix++) {
    TTSlot& slot = BucketOf(b).Slot[0];
    slot.Check = (mix & 1 ? first : second).Check;
    slot.Lower = (mix & 2 ? first : second).Lower;
    slot.Data = (mix & 4 ? first : second).Data;
    for (const Key& k : {a, c}) {
      int score = -1, move = -1;
      EXPECT_EQ(Probe(k, 1, -100, 100, &score, &move), TTNoCut) << mix;
      EXPECT_EQ(move, -1) << mix;
    }
  }
}

TEST(TranspositionTable, MateScoresKeepTheirDistanceFromThePosition) {
  const uint64_t b = 606;
  EmptyBucket(b);
  const Key a = KeyIn(b, 1), c = KeyIn(b, 2), d = KeyIn(b, 3);
  PositionCache.MakeResident();
  // At ply 3, mating at ply 7 (four plies on) and mated at ply 9 (six plies on).
  PositionCache.InsertTranspositionTables(a.Upper, a.Lower, 3, 5, 0, 110000 - 7, ExactBound, -5, 5);
  PositionCache.InsertTranspositionTables(c.Upper, c.Lower, 3, 5, 0, 9 - 110000, ExactBound, -5, 5);
  PositionCache.InsertTranspositionTables(d.Upper, d.Lower, 3, 5, 0, 1234, ExactBound, -5, 5);
  int score = 0, move = 0;
  // Reached again at ply 5: the same distances from the position, further from the root.
  EXPECT_EQ(PositionCache.SearchTranspositionTables(a.Upper, a.Lower, 5, 5, -200000, 200000, &score, &move), TTExact);
  EXPECT_EQ(score, 110000 - 9);
  EXPECT_EQ(PositionCache.SearchTranspositionTables(c.Upper, c.Lower, 1, 5, -200000, 200000, &score, &move), TTExact);
  EXPECT_EQ(score, 7 - 110000);
  EXPECT_EQ(PositionCache.SearchTranspositionTables(d.Upper, d.Lower, 9, 5, -200000, 200000, &score, &move), TTExact);
  EXPECT_EQ(score, 1234);
  // A bound is compared with the window as the probing node sees it: a lower bound of a mate in
  // 4 plies cuts a beta of a mate in 5 plies from this node, not one of a mate in 3.
  EmptyBucket(b);
  PositionCache.InsertTranspositionTables(a.Upper, a.Lower, 0, 5, 0, 110000 - 4, LowerBound, -5, 5);
  EXPECT_EQ(PositionCache.SearchTranspositionTables(a.Upper, a.Lower, 10, 5, 0, 110000 - 15, &score, &move),
            TTLowerCut);
  EXPECT_EQ(PositionCache.SearchTranspositionTables(a.Upper, a.Lower, 10, 5, 0, 110000 - 13, &score, &move),
            TTNoCut);
}

TEST(TranspositionTable, ClearingWipesEverythingAndLogs) {
  FILE* saved = dlog;
  dlog = std::tmpfile();
  ASSERT_NE(dlog, nullptr);
  Store(KeyIn(707, 1), 3, 9, 9, ExactBound);
  PositionCache.ClearTranspositionTables();
  const TTEntry s = BucketOf(707).Slot[0].Read();
  EXPECT_EQ(s.Upper | s.Lower, 0u);
  EXPECT_EQ(s.Move | s.Score | s.Bound | s.Freshness | s.Depth, 0);
  char text[128] = {};
  std::rewind(dlog);
  const size_t got = std::fread(text, 1, sizeof text - 1, dlog);
  EXPECT_STREQ(std::string(text, got).c_str(), "Clearing Transposition Tables\n\n");
  std::fclose(dlog);
  dlog = saved;
}

// A plain model of one bucket: slot 0 holds the deepest fresh result of its position, slot 1
// the newest other entry, slot 2 the previous slot 1. Random insertions, probes and ageing on
// a handful of positions must leave the real bucket exactly as the model says.
TEST(TranspositionTable, MatchesAModelOfTheThreeSlotRules) {
  struct Entry {
    int Position = -1;  // -1 empty
    int Depth = 0, Score = 0, Move = 0, Bound = 0, Fresh = 0;
  };
  const uint64_t b = 808;
  EmptyBucket(b);
  Entry model[3];
  std::mt19937 rng(12345);
  auto roll = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const int rounds =
#ifdef ORVO_SANITIZED
      2000;
#else
      20000;
#endif
  for (int round = 0; round < rounds; round++) {
    const int action = roll(0, 19);
    const int pos = roll(0, 3);
    const Key k = KeyIn(b, static_cast<uint64_t>(pos));
    if (action < 10) {
      const int depth = roll(0, 10), score = roll(-500, 500), move = roll(1, 4095), bound = roll(0, 2);
      Store(k, depth, move, score, static_cast<char>(bound));
      const Entry e{pos, depth, score, move, bound, 0};
      const bool zeroOpen = model[0].Fresh <= 0 ||
                            (model[0].Position == pos && model[0].Depth <= depth);
      model[2] = model[1];
      if (zeroOpen) {
        model[1] = model[0];
        model[0] = e;
        model[0].Fresh = 2;
      } else {
        model[1] = e;
        model[1].Fresh = 4;
      }
    } else if (action < 19) {
      const int depth = roll(0, 10), alpha = roll(-400, 300), beta = alpha + roll(1, 200);
      int score = 0, move = -7;
      const unsigned got = Probe(k, depth, alpha, beta, &score, &move);
      // Expected: the first fresh matching slot (0, 1, 2) deep enough to decide cuts.
      unsigned want = 3;
      int wantMove = -7, bestDepth = -1, wantScore = 0, cutSlot = -1;
      for (int s = 0; s < 3 && cutSlot < 0; s++) {
        const Entry& e = model[s];
        if (e.Position != pos) continue;
        if (s == 0 || e.Depth > bestDepth) {
          wantMove = e.Move;
          bestDepth = e.Depth;
        }
        if (e.Fresh <= 0 || depth > e.Depth) continue;
        if (e.Bound == 2) { want = 2; wantScore = e.Score; cutSlot = s; }
        else if (e.Bound == 1 && beta <= e.Score) { want = 1; wantScore = beta; cutSlot = s; }
        else if (e.Bound == 0 && e.Score <= alpha) { want = 0; wantScore = alpha; cutSlot = s; }
      }
      if (cutSlot == 0) model[0].Fresh = 2;
      ASSERT_EQ(got == 4 ? 3u : got, want) << "round " << round;
      ASSERT_EQ(move, wantMove) << "round " << round;
      if (want <= 2) {
        ASSERT_EQ(score, wantScore) << "round " << round;
      }
    } else {
      // Ageing, limited to this bucket (the whole-table pass is tested above).
      for (TTSlot& real : BucketOf(b).Slot) SetFreshness(real, 0);
      for (Entry& e : model) e.Fresh = 0;
    }
    for (int s = 0; s < 3; s++) {
      const TTEntry real = BucketOf(b).Slot[s].Read();
      const Entry& e = model[s];
      if (e.Position < 0) {
        ASSERT_EQ(real.Upper | real.Lower, 0u);
        continue;
      }
      ASSERT_TRUE(Holds(real, KeyIn(b, static_cast<uint64_t>(e.Position)))) << "round " << round << " slot " << s;
      ASSERT_EQ(real.Depth, e.Depth);
      ASSERT_EQ(real.Score, e.Score);
      ASSERT_EQ(real.Move, e.Move);
      ASSERT_EQ(real.Bound, e.Bound);
      ASSERT_EQ(real.Freshness, e.Fresh);
    }
  }
}
