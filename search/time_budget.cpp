// The time budget of one move. See time_budget.h.

#include "search/time_budget.h"

#include <algorithm>
#include <climits>

#include "board/log_file.h"
#include "search/search_report.h"
#include "search/search_routines.h"

SearchClock Clock;
int32_t HardTimeLimitMs = 0;
int32_t MoveOverheadMs = DefaultMoveOverheadMs;

namespace {

int32_t ClampToInt32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// A fixed time per move (xboard "st", UCI "movetime"). The move must arrive within that time:
// the search aims a little short of it, by the move overhead, but by no more than a tenth of it
// (so that the time asked for is spent) and by no less than a twentieth.
void FixedTimeBudget(const SearchLimits& l) {
  Clock.TimePerMove = Clock.EmergencyTimeThreshold = l.ST;
  LogPrintf(" TimePeMove after ST = %d \n", Clock.TimePerMove);
  LogPrintf(" EmergencyTimeThreshold after ST = %d \n", Clock.EmergencyTimeThreshold);
  const int32_t reserve = std::max(l.ST / 20, std::min(MoveOverheadMs, l.ST / 10));
  Clock.TimePerMove = HardTimeLimitMs = std::max<int32_t>(1, l.ST - reserve);
}

// A known number of moves until the next time control: an even share of 95 % of the time left,
// halved when the control is only a move or three away.
void SessionBudget(const SearchLimits& l) {
  const int64_t share = static_cast<int64_t>(l.TimeLeft) * 95 / l.MovesPerSession;
  Clock.TimePerMove = ClampToInt32(l.MovesPerSession <= 3 ? share / 200 : share / 100);
  HardTimeLimitMs = ClampToInt32(std::min<int64_t>(3 * static_cast<int64_t>(Clock.TimePerMove), l.TimeLeft / 2));
}

// The rest of the game (possibly with an increment) on the time left.
void WholeGameBudget(const SearchLimits& l, int32_t lastBookPly) {
  int64_t perMove = (l.GamePly > 120 && l.TimeIncMs <= 0) ? l.TimeLeft / 40 : l.TimeLeft / 30;
  if (Protocol.UCIMode == 1 || l.GamePly > lastBookPly + 7) {
    // Spend more now and then, when there is time to spare.
    if ((l.GamePly % 10 == 0 || l.GamePly % 9 == 0) && l.TimeLeft > 60000) perMove = perMove * 7 / 4;
  } else {
    // Just out of the book: the middlegame plans are made now.
    perMove = perMove * 3 / 2;
  }
  Clock.TimePerMove = ClampToInt32(perMove);
  LogPrintf(" TimePerMove Before Inc = %d \n", Clock.TimePerMove);

  // The increment in milliseconds: 0.1 s counts as 100 ms, not as nothing.
  const int64_t inc = std::max(l.TimeIncMs, 0);
  int64_t emergency = inc + 2 * static_cast<int64_t>(Clock.TimePerMove);
  if (emergency > l.TimeLeft) {
    LogPrintf("EmergencyTimeThreshold = %d > TimeLeft %d\n", ClampToInt32(emergency), l.TimeLeft);
    emergency = inc * 3 / 10;
  }
  Clock.EmergencyTimeThreshold = ClampToInt32(emergency);
  LogPrintf(" EmergencyTimeThreshold = %d \n", Clock.EmergencyTimeThreshold);

  if (inc > 0) {
    if (l.TimeLeft > 20000)
      Clock.TimePerMove = ClampToInt32(Clock.TimePerMove + inc);
    else if (l.TimeLeft > 10000)
      Clock.TimePerMove = ClampToInt32(Clock.TimePerMove + inc / 2);
  }
  LogPrintf(" TimePerMove After Inc = %d \n", Clock.TimePerMove);

  if (static_cast<int64_t>(Clock.EmergencyTimeThreshold) <= static_cast<int64_t>(Clock.TimePerMove) + 1000) {
    Clock.TimePerMove = Clock.EmergencyTimeThreshold / 2;
    LogPrintf(" Inc = %d \n", Clock.TimePerMove);
  }
  LogPrintf(" Inc = %d \n", l.TimeIncMs / 1000);
  LogPrintf(" EmergencyTimeThreshold after comparing to Inc = %d \n", Clock.EmergencyTimeThreshold);

  ReportTimeBudget(Clock.TimePerMove, l.TimeLeft);

  // Never more than half of what is left, nor past the emergency time.
  int64_t hard = l.TimeLeft / 2;
  if (Clock.EmergencyTimeThreshold > 0) hard = std::min<int64_t>(hard, Clock.EmergencyTimeThreshold);
  HardTimeLimitMs = ClampToInt32(std::max<int64_t>(hard, 1));
}

}  // namespace

// On a clock every move also loses the overhead outside the engine: the search plans that much
// less (keeping at least a quarter of its share) and never reaches past the clock minus it.
void TakeOffMoveOverhead(const SearchLimits& l) {
  const int32_t hard = ClampToInt32(std::min<int64_t>(HardTimeLimitMs, l.TimeLeft) - MoveOverheadMs);
  HardTimeLimitMs = std::max(hard, 1);
  const int32_t perMove = std::max(Clock.TimePerMove - MoveOverheadMs, Clock.TimePerMove / 4);
  Clock.TimePerMove = std::clamp(perMove, 1, HardTimeLimitMs);
  LogPrintf(" TimePerMove after the move overhead of %d = %d, hard limit %d \n", MoveOverheadMs, Clock.TimePerMove,
            HardTimeLimitMs);
}

void ComputeTimeBudget(int32_t lastBookPly) {
  const SearchLimits& l = Search.Limits;
  if (l.ST != 0) {
    FixedTimeBudget(l);
  } else {
    if (l.MovesPerSession != 0)
      SessionBudget(l);
    else
      WholeGameBudget(l, lastBookPly);
    TakeOffMoveOverhead(l);
  }
  if (HardTimeLimitMs < 1) HardTimeLimitMs = 1;
}

int32_t NodesForTime(int32_t nodesPerSecond, int32_t perMs, int64_t ms) {
  return ClampToInt32(static_cast<int64_t>(nodesPerSecond / perMs) * ms);
}

int32_t DoubledBudget(int32_t value) { return ClampToInt32(2 * static_cast<int64_t>(value)); }

int64_t TimedPollInterval(int32_t nodesPerSecond, int32_t nodesPerMove, int32_t hardLimitMs) {
  // The speed estimate can be far off (a loaded machine, a slow build), so the clock is looked at
  // every few thousand nodes whatever the estimate says; the look costs next to nothing.
  constexpr int64_t MinInterval = 512;
  constexpr int64_t MaxInterval = 16384;
  int64_t interval = std::min<int64_t>(nodesPerSecond >> 1, MaxInterval);
  interval = std::min<int64_t>(interval, std::max<int64_t>(MinInterval, nodesPerMove / 4));
  const int64_t byClock = static_cast<int64_t>(nodesPerSecond) * hardLimitMs / 64000;
  interval = std::min<int64_t>(interval, std::max<int64_t>(MinInterval, byClock));
  return std::max<int64_t>(interval, 1);
}
