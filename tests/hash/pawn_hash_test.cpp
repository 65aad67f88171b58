// The pawn hash: a cached structure scores exactly as a freshly evaluated one, entries are
// found by the low 16 bits and guarded by the full key and the pawn set, and the counters.

#include <gtest/gtest.h>

#include <climits>

#include "../eval/eval_test_util.h"

namespace {

const char* const Structures[] = {
    "r1bq1rk1/pp2ppbp/2np1np1/8/3NP3/2N1BP2/PPPQ2PP/R3KB1R w KQ - 0 9",
    "8/5pk1/6p1/8/3P4/1P3K2/P7/8 w - - 0 40",
    "4k3/2p5/8/3P4/8/8/5PP1/4K3 b - - 0 1",
    "2r2rk1/pp1bqppp/2n1pn2/3p4/2PP4/P1NBPN2/1PQ2PPP/R4RK1 b - - 0 12",
};

}  // namespace

TEST(PawnHash, CachedStructureScoresLikeAFreshOne) {
  for (const char* fen : Structures) {
    ChessBoard b = FromFen(fen);
    const int32_t attempts = Phashattempts, misses = Phashmisses;
    const int cold = Evaluate(b, true);
    const int warm = Evaluate(b, false);
    EXPECT_EQ(cold, warm) << fen;
    EXPECT_EQ(Phashattempts - attempts, 2);
    EXPECT_EQ(Phashmisses - misses, 1);
  }
}

TEST(PawnHash, EmptyStructureAtKeyZeroIsATrueHit) {
  ChessBoard b = FromFen("4k3/8/8/8/8/8/8/Q3K2r w - - 0 1");
  ASSERT_EQ(b.PawnKingKey, 0u);
  const int fresh = Evaluate(b, true);
  // Leave rubbish in entry 0, as an earlier structure with the same low bits would.
  PawnHashArray[0].Pawn.MidTerm = 12345;
  PawnHashArray[0].Pawn.OpenFiles = 0;
  PawnHashArray[0].Pawn.NoBlackPawnFiles = 0;
  ClearPawnHash();
  EXPECT_TRUE(InPawnHash(0, 0));
  const int32_t misses = Phashmisses;
  EXPECT_EQ(Evaluate(b, false), fresh);
  EXPECT_EQ(Phashmisses, misses);   // found, not recomputed
}

TEST(PawnHash, KeysSharingTheLowBitsEvictEachOther) {
  ChessBoard a = FromFen(Structures[1]);
  ChessBoard other = a;
  other.PawnKingKey ^= 0x10000u;
  const uint64_t pawns = a.WhitePawns | a.BlackPawns;
  const int32_t misses = Phashmisses;
  Evaluate(a, true);
  EXPECT_TRUE(InPawnHash(a.PawnKingKey, pawns));
  Evaluate(other, false);
  EXPECT_FALSE(InPawnHash(a.PawnKingKey, pawns));
  Evaluate(a, false);
  EXPECT_EQ(Phashmisses - misses, 3);
}

TEST(PawnHash, ColoursOfThePawnsAreToldApartByTheKey) {
  ChessBoard a = FromFen("4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1");
  ChessBoard swapped = FromFen("4k3/8/8/3P4/4p3/8/8/4K3 w - - 0 1");
  ASSERT_EQ(a.WhitePawns | a.BlackPawns, swapped.WhitePawns | swapped.BlackPawns);
  Evaluate(a, true);
  EXPECT_FALSE(InPawnHash(swapped.PawnKingKey, swapped.WhitePawns | swapped.BlackPawns));
}

TEST(PawnHash, CountersWrapInsteadOfOverflowing) {
  ChessBoard b = FromFen(Structures[0]);
  Phashattempts = INT32_MAX;
  Phashmisses = INT32_MAX;
  Evaluate(b, true);
  EXPECT_EQ(Phashattempts, INT32_MIN);
  EXPECT_EQ(Phashmisses, INT32_MIN);
  Phashattempts = 0;
  Phashmisses = 0;
}
