#include "search/time_budget.h"

#include <gtest/gtest.h>

#include <climits>

#include "search/search_report.h"
#include "search/search_routines.h"

namespace {

// xboard play, the book left long ago.
void XboardClock(int32_t timeLeft, int32_t inc, int32_t gamePly) {
  Protocol.XboardMode = 1;
  Protocol.UCIMode = 0;
  SearchLimits& s = Search.Limits;
  s.ST = 0;
  s.MovesPerSession = 0;
  s.TimeLeft = timeLeft;
  s.TimeIncMs = inc * 1000;
  s.GamePly = gamePly;
  MoveOverheadMs = 0;  // the formulas themselves; the overhead has its own test
}

constexpr int32_t LongAgo = -100;

}  // namespace

TEST(TimeBudget, WholeGameShares) {
  XboardClock(300000, 0, 41);
  ComputeTimeBudget(LongAgo);
  EXPECT_EQ(Clock.TimePerMove, 10000);
  EXPECT_EQ(Clock.EmergencyTimeThreshold, 20000);
  EXPECT_EQ(NodesForTime(1200000, 2000, Clock.TimePerMove), 600 * 10000);

  // Every tenth (and ninth) ply gets 7/4 of the share while more than a minute is left.
  XboardClock(300000, 0, 40);
  ComputeTimeBudget(LongAgo);
  EXPECT_EQ(Clock.TimePerMove, 17500);

  // Just out of the book: half as much again.
  XboardClock(300000, 0, 41);
  ComputeTimeBudget(38);
  EXPECT_EQ(Clock.TimePerMove, 15000);

  // Late in a game without increment: a fortieth.
  XboardClock(300000, 0, 121);
  ComputeTimeBudget(LongAgo);
  EXPECT_EQ(Clock.TimePerMove, 7500);
}

TEST(TimeBudget, IncrementIsAddedAndBoundedByTheEmergencyTime) {
  XboardClock(15000, 2, 30);
  ComputeTimeBudget(LongAgo);
  EXPECT_EQ(Clock.EmergencyTimeThreshold, 3000);
  EXPECT_EQ(Clock.TimePerMove, 1500);  // 500 + 2 * 500; 3000 > 1500 + 1000, no halving

  // A large increment against little time: the emergency time falls back to 300 ms per second
  // of increment, and below ten seconds no increment is added to the share.
  XboardClock(5000, 10, 30);
  ComputeTimeBudget(LongAgo);
  EXPECT_EQ(Clock.EmergencyTimeThreshold, 3000);
  EXPECT_EQ(Clock.TimePerMove, 166);
  // With almost nothing left the share would be half the emergency time, more than is left:
  // it is cut to the wall-clock limit, half of what is left.
  XboardClock(100, 1, 30);
  ComputeTimeBudget(LongAgo);
  EXPECT_EQ(Clock.TimePerMove, 50);
  EXPECT_EQ(HardTimeLimitMs, 50);
}

TEST(TimeBudget, SessionsAndFixedTime) {
  XboardClock(60000, 0, 30);
  Search.Limits.MovesPerSession = 2;
  ComputeTimeBudget(LongAgo);
  EXPECT_EQ(Clock.TimePerMove, 14250);
  Search.Limits.MovesPerSession = 40;
  ComputeTimeBudget(LongAgo);
  EXPECT_EQ(Clock.TimePerMove, 1425);
  Search.Limits.MovesPerSession = 0;

  // A fixed time per move aims a little short of it: within 85 to 100 % whatever the overhead.
  for (int32_t overhead : {0, 30, 5000}) {
    MoveOverheadMs = overhead;
    for (int32_t st : {100, 1000, 2000}) {
      Search.Limits.ST = st;
      ComputeTimeBudget(LongAgo);
      EXPECT_EQ(Clock.EmergencyTimeThreshold, st);
      EXPECT_EQ(HardTimeLimitMs, Clock.TimePerMove);
      EXPECT_LE(Clock.TimePerMove, st);
      EXPECT_GE(Clock.TimePerMove, st * 85 / 100) << st << " ms, overhead " << overhead;
    }
  }
  Search.Limits.ST = 0;
  Protocol.XboardMode = 0;
}

TEST(TimeBudget, MoveOverheadComesOffEveryClockBudget) {
  // 10 s + 0.1 s in UCI: the fraction of the increment counts (383 ms, not 333 ms).
  XboardClock(10000, 0, 1);
  Protocol.UCIMode = 1;
  Search.Limits.TimeIncMs = 100;
  ComputeTimeBudget(LongAgo);
  EXPECT_EQ(Clock.TimePerMove, 383);
  const int32_t hard = HardTimeLimitMs;
  MoveOverheadMs = 30;
  ComputeTimeBudget(LongAgo);
  EXPECT_EQ(Clock.TimePerMove, 353);
  EXPECT_EQ(HardTimeLimitMs, hard - 30);
  // Never past the clock minus the overhead, and never below a quarter of the share.
  XboardClock(40, 0, 30);
  MoveOverheadMs = 30;
  ComputeTimeBudget(LongAgo);
  EXPECT_GE(Clock.TimePerMove, 1);
  EXPECT_LE(HardTimeLimitMs, 10);
  Protocol.UCIMode = 0;
  Protocol.XboardMode = 0;
  MoveOverheadMs = DefaultMoveOverheadMs;
}

TEST(TimeBudget, WallClockLimitNeverExceedsHalfTheTimeLeft) {
  for (int32_t left : {100, 1000, 15000, 300000, 7200000}) {
    for (int32_t inc : {0, 1, 5, 30}) {
      XboardClock(left, inc, 25);
      ComputeTimeBudget(LongAgo);
      EXPECT_GE(HardTimeLimitMs, 1);
      EXPECT_LE(HardTimeLimitMs, std::max(left / 2, 1)) << left << " + " << inc;
    }
  }
  Protocol.XboardMode = 0;
}

TEST(TimeBudget, HugeBudgetsSaturateInsteadOfOverflowing) {
  // Analysis sets two weeks per move; the node budget must not wrap around.
  EXPECT_EQ(NodesForTime(1200000, 2000, 1209600000), INT32_MAX);
  EXPECT_EQ(DoubledBudget(INT32_MAX), INT32_MAX);
  EXPECT_EQ(DoubledBudget(1000), 2000);
  // Polls come every few thousand nodes, whatever the speed estimate, and more often for a
  // short limit or a slow engine.
  EXPECT_EQ(TimedPollInterval(1000000000, INT32_MAX, 1000000), 16384);
  EXPECT_EQ(TimedPollInterval(10000, INT32_MAX, 1000000), 5000);
  EXPECT_LE(TimedPollInterval(1000000, INT32_MAX, 10), 1024);
  EXPECT_GE(TimedPollInterval(1000000, 10, 1), 1);
}
