// The time budget of one move. See time_budget.h.

#include "search/time_budget.h"

#include <algorithm>
#include <climits>

#include "board/log_file.h"
#include "game/status.h"
#include "search/search_report.h"

int32_t HardTimeLimitMs = 0;
int32_t MoveOverheadMs = DefaultMoveOverheadMs;

namespace {

int32_t ClampToInt32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// A fixed time per move (xboard "st", UCI "movetime"). The move must arrive within that time:
// the search aims a little short of it, by the move overhead, but by no more than a tenth of it
// (so that the time asked for is spent) and by no less than a twentieth.
void FixedTimeBudget(Status& s) {
  s.TimePerMove = s.EmergencyTimeThreshold = s.ST;
  LogPrintf(" TimePeMove after ST = %d \n", s.TimePerMove);
  LogPrintf(" EmergencyTimeThreshold after ST = %d \n", s.EmergencyTimeThreshold);
  const int32_t reserve = std::max(s.ST / 20, std::min(MoveOverheadMs, s.ST / 10));
  s.TimePerMove = HardTimeLimitMs = std::max<int32_t>(1, s.ST - reserve);
}

// A known number of moves until the next time control: an even share of 95 % of the time left,
// halved when the control is only a move or three away.
void SessionBudget(Status& s) {
  const int64_t share = static_cast<int64_t>(s.TimeLeft) * 95 / s.MovesPerSession;
  s.TimePerMove = ClampToInt32(s.MovesPerSession <= 3 ? share / 200 : share / 100);
  HardTimeLimitMs = ClampToInt32(std::min<int64_t>(3 * static_cast<int64_t>(s.TimePerMove), s.TimeLeft / 2));
}

// The rest of the game (possibly with an increment) on the time left.
void WholeGameBudget(Status& s, int32_t lastBookPly) {
  int64_t perMove = (s.GamePly > 120 && s.TimeIncMs <= 0) ? s.TimeLeft / 40 : s.TimeLeft / 30;
  if (s.UCIMode == 1 || s.GamePly > lastBookPly + 7) {
    // Spend more now and then, when there is time to spare.
    if ((s.GamePly % 10 == 0 || s.GamePly % 9 == 0) && s.TimeLeft > 60000) perMove = perMove * 7 / 4;
  } else {
    // Just out of the book: the middlegame plans are made now.
    perMove = perMove * 3 / 2;
  }
  s.TimePerMove = ClampToInt32(perMove);
  LogPrintf(" TimePerMove Before Inc = %d \n", s.TimePerMove);

  // The increment in milliseconds: 0.1 s counts as 100 ms, not as nothing.
  const int64_t inc = std::max(s.TimeIncMs, 0);
  int64_t emergency = inc + 2 * static_cast<int64_t>(s.TimePerMove);
  if (emergency > s.TimeLeft) {
    LogPrintf("EmergencyTimeThreshold = %d > TimeLeft %d\n", ClampToInt32(emergency), s.TimeLeft);
    emergency = inc * 3 / 10;
  }
  s.EmergencyTimeThreshold = ClampToInt32(emergency);
  LogPrintf(" EmergencyTimeThreshold = %d \n", s.EmergencyTimeThreshold);

  if (inc > 0) {
    if (s.TimeLeft > 20000)
      s.TimePerMove = ClampToInt32(s.TimePerMove + inc);
    else if (s.TimeLeft > 10000)
      s.TimePerMove = ClampToInt32(s.TimePerMove + inc / 2);
  }
  LogPrintf(" TimePerMove After Inc = %d \n", s.TimePerMove);

  if (static_cast<int64_t>(s.EmergencyTimeThreshold) <= static_cast<int64_t>(s.TimePerMove) + 1000) {
    s.TimePerMove = s.EmergencyTimeThreshold / 2;
    LogPrintf(" Inc = %d \n", s.TimePerMove);
  }
  LogPrintf(" Inc = %d \n", s.TimeInc);
  LogPrintf(" EmergencyTimeThreshold after comparing to Inc = %d \n", s.EmergencyTimeThreshold);

  ReportTimeBudget(s.TimePerMove, s.TimeLeft, s.DefaultMovesPerSession);

  // Never more than half of what is left, nor past the emergency time.
  int64_t hard = s.TimeLeft / 2;
  if (s.EmergencyTimeThreshold > 0) hard = std::min<int64_t>(hard, s.EmergencyTimeThreshold);
  HardTimeLimitMs = ClampToInt32(std::max<int64_t>(hard, 1));
}

}  // namespace

// On a clock every move also loses the overhead outside the engine: the search plans that much
// less (keeping at least a quarter of its share) and never reaches past the clock minus it.
void TakeOffMoveOverhead(Status& s) {
  const int32_t hard = ClampToInt32(std::min<int64_t>(HardTimeLimitMs, s.TimeLeft) - MoveOverheadMs);
  HardTimeLimitMs = std::max(hard, 1);
  const int32_t perMove = std::max(s.TimePerMove - MoveOverheadMs, s.TimePerMove / 4);
  s.TimePerMove = std::clamp(perMove, 1, HardTimeLimitMs);
  LogPrintf(" TimePerMove after the move overhead of %d = %d, hard limit %d \n", MoveOverheadMs, s.TimePerMove,
            HardTimeLimitMs);
}

void ComputeTimeBudget(int32_t lastBookPly) {
  Status& s = MainStatus;
  if (s.ST != 0) {
    FixedTimeBudget(s);
  } else {
    if (s.MovesPerSession != 0)
      SessionBudget(s);
    else
      WholeGameBudget(s, lastBookPly);
    TakeOffMoveOverhead(s);
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
