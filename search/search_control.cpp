// The search between nodes: commands that arrive while it thinks, the time and node budget
// checked at every poll, the speed measurement, and the thinking lines. See search_control.h.

#include "search/search_control.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

#include "driver/clock.h"
#include "driver/commands.h"
#include "driver/input.h"
#include "driver/log_file.h"
#include "driver/move_text.h"
#include "driver/status.h"
#include "hash/transposition_table.h"
#include "search/search_routines.h"
#include "search/time_budget.h"
#include "uci/uci_protocol.h"

bool SpeedMeasured = false;

namespace {

// The word read while the search runs in xboard and console mode (UCI reads its own lines).
char PendingCommand[InputWordSize];

// A search limited by nodes (or by nothing but "stop") looks at its input this often, in nodes.
// The interval never depends on the measured speed, so that a node-limited search stops at the
// same node whatever the machine does: fixed-node games repeat exactly.
constexpr int64_t LimitPollInterval = 4096;
// Until the process has measured its speed, the estimate may be far too high (a loaded or slow
// machine): a timed search then looks at the clock this often, in nodes.
constexpr int64_t FirstSearchPollInterval = 512;
// A timed search this long or longer measures the speed the next search starts from.
constexpr int32_t MinWholeSearchMs = 100;

void AbortForCommand() {
  printf(" Search Aborted due to receiveing following string: %s\n", PendingCommand);
  fflush(stdout);
  Search.Aborted = Search.StopNow = Search.TimeUp = true;
}

// Overrun of the node budget found at a poll inside the tree. Returns true when the node must
// return at once; otherwise the root finishes its current move (TimeUp) or the budget grew.
bool BudgetOverrun() {
  Status& s = MainStatus;
  if (NodeBudgetHoldsByClock()) return false;
  if (Search.FailingLow && !Search.TimerExtended) {
    if (s.ST != 0) {
      Search.StopNow = Search.TimeUp = true;
      return true;
    }
    ExtendBudget();
    return false;
  }
  if (s.ST != 0) {
    Search.StopNow = Search.TimeUp = true;
    return true;
  }
  Search.TimeUp = true;
  return false;
}

// A search that ends only by its node limit, its depth or mate limit, or "stop".
bool LimitCheck() {
  SearchRoutines& S = Search;
  if (S.NodeLimit > 0 && S.Nodes() >= S.NodeLimit) {
    S.StopNow = S.TimeUp = true;
    return true;
  }
  S.PollCountdown = S.NodeLimit > 0 ? std::min<int64_t>(LimitPollInterval, S.NodeLimit - S.Nodes())
                                    : LimitPollInterval;
  return false;
}

// The time check of a poll inside the tree. Returns true when the node must return 0.
bool ClockCheck() {
  Status& s = MainStatus;
  SearchRoutines& S = Search;
  const int32_t now = ProcessClockMs();
  if (S.IterationDepth > 7 && s.AnalyzeMode) {
    if (s.XboardMode == 1) {
      printf("stat01: %d %lld %d %d %d\n", (now - s.StartTime) / 10, static_cast<long long>(S.Nodes()),
             S.IterationDepth, S.RootMoveTotal - S.RootMovesDone, S.RootMoveTotal);
      fflush(stdout);
    }
    S.PollCountdown = s.NodesPerSecond >> 3;
    return false;
  }
  if (S.NoClock && s.FD == 0) return LimitCheck();
  // Untimed searches only look at their input.
  if (s.AnalyzeMode || s.NoTimeControl || s.FD != 0) {
    S.PollCountdown = UntimedPollInterval();
    return false;
  }
  // The safety net: never past the wall-clock limit, whatever the node counts say.
  if (HardTimeLimitMs > 0 && now - s.StartTime >= HardTimeLimitMs) {
    LogPrintf("Hard time limit of %d ms reached\n", HardTimeLimitMs);
    // The speed estimate was far too high (it never reached half its budget): measure it now,
    // so that the next move's budget is right.
    if (!S.NpsCalibrated) CalibrateSpeed(false);
    S.StopNow = S.TimeUp = true;
    return true;
  }
  if (!S.NpsCalibrated) {
    // Half the node budget is half the time budget only when the speed estimate is right; the
    // clock tells when it was too high (a first search, a loaded machine).
    if (S.Nodes() > S.NodesPerMove || now - s.StartTime >= s.TimePerMove / 2) {
      CalibrateSpeed(true);
      if (S.Nodes() > S.NodesPerMove && BudgetOverrun()) return true;
    }
  } else if (S.Nodes() > S.NodesPerMove) {
    if (BudgetOverrun()) return true;
    if (S.Nodes() >= s.EmergencyTimeThreshold) {
      S.StopNow = true;
      return true;
    }
  } else if (S.Nodes() >= s.EmergencyTimeThreshold) {
    S.StopNow = true;
    return true;
  }
  S.PollCountdown = TimedSearchPollInterval();
  return false;
}

// Mate distance of a mate score in moves (positive: the side to move mates), 0 for other scores.
int MateInMoves(int score) {
  if (score > MateBound && score <= MateValue) return (MateValue - score + 1) / 2;
  if (score < -MateBound && score >= -MateValue) return -((score + MateValue) / 2);
  return 0;
}

// Per mille of the table in use, from a sample of its first buckets.
int HashFull() { return PositionCache.HashFull(); }

}  // namespace

int32_t SafeNodesPerSecond() { return std::max<int32_t>(MainStatus.NodesPerSecond, 1); }

int64_t UntimedPollInterval() {
  if (Search.NoClock && MainStatus.FD == 0) return LimitPollInterval;
  const int64_t interval = Search.InitMoveTimer();
  // A ponder search is answered by "ponderhit" while the opponent's clock already runs for us:
  // look at the input as often as a timed search does.
  if (MainStatus.NoTimeControl && !MainStatus.AnalyzeMode) return std::min<int64_t>(interval, 16384);
  return interval;
}

int64_t TimedSearchPollInterval() {
  if (!SpeedMeasured) return FirstSearchPollInterval;
  return TimedPollInterval(SafeNodesPerSecond(), Search.NodesPerMove, HardTimeLimitMs);
}

void SeedNodesPerSecond(int32_t guess) {
  if (!SpeedMeasured) MainStatus.NodesPerSecond = guess;
}

bool DispatchPendingCommand() {
  uint8_t result;
  if (MainStatus.UCIMode == 1) {
    PendingCommand[0] = '\0';
    result = UCI.ReadCommand() ? UCI.UCICore() : 1;
  } else if (ReadWord(PendingCommand, sizeof PendingCommand) == InputResult::TooLong) {
    ReportTooLong(PendingCommand, sizeof PendingCommand, "ignored");
    return false;
  } else {
    result = DoCommand(PendingCommand);
  }
  if (result == 2 || result == 3) {
    AbortForCommand();
    return true;
  }
  if (MainStatus.XboardMode == 1 && MainStatus.UCIMode != 1) DiscardRestOfLine();
  return false;
}

bool PollInputAndClock() {
  if (Search.InputDetected() && DispatchPendingCommand()) return true;
  if (HardStopRequested()) return true;
  return ClockCheck();
}

void CalibrateSpeed(bool inTree) {
  Status& s = MainStatus;
  SearchRoutines& S = Search;
  // Milliseconds, so that a search of a few dozen milliseconds measures its speed as well as a
  // long one; the seconds are kept as a float.
  const int32_t ms = ProcessClockMs() - s.StartTime;
  const float t = static_cast<float>(ms) / 1000.0f;
  LogPrintf(inTree ? "Time Consumption for first half of search was %f \n"
                   : "Time Consumption for first 7 ply was %f \n",
            static_cast<double>(t));
  if (ms > 0 && S.Nodes() > 0) {
    LogPrintf("Current TimerPerMove is %d\n", s.TimePerMove);
    LogPrintf("Previous NPS was %d\n", s.NodesPerSecond);
    LogPrintf("Previous NodesPerMove was %d\n", S.NodesPerMove);
    LogPrintf("Nodes for the first 7 ply %lld\n", static_cast<long long>(S.Nodes()));
    const double nps = static_cast<double>(S.Nodes()) * 1000.0 / ms;
    s.NodesPerSecond = static_cast<int32_t>(std::clamp(nps, 1.0, static_cast<double>(INT32_MAX)));
    SpeedMeasured = true;
    S.NodesPerMove = NodesForTime(s.NodesPerSecond, 1000, s.TimePerMove);
    s.EmergencyTimeThreshold = DoubledBudget(S.NodesPerMove);
    LogPrintf(" Dynamic Nodes Per Second = %d\n", s.NodesPerSecond);
    LogPrintf(" NodesPeMove after Dynamic Adjustment = %d   Emergency Threshold = %d\n", S.NodesPerMove,
              s.EmergencyTimeThreshold);
    if (inTree) {
      printf("info nps %d time %d\n", s.NodesPerSecond, ms);
      fflush(stdout);
    }
  }
  S.NpsCalibrated = true;
}

bool NodeBudgetHoldsByClock() {
  const Status& s = MainStatus;
  // Before the first measurement the node budget stands for half the time budget.
  const int32_t budgetMs = Search.NpsCalibrated ? s.TimePerMove : s.TimePerMove / 2;
  if (ProcessClockMs() - s.StartTime >= budgetMs - budgetMs / 16) return false;
  CalibrateSpeed(false);
  return Search.Nodes() <= Search.NodesPerMove;
}

void KeepWholeSearchSpeed() {
  Status& s = MainStatus;
  const int32_t ms = ProcessClockMs() - s.StartTime;
  if (ms < MinWholeSearchMs || Search.Nodes() <= 0) return;
  const double nps = static_cast<double>(Search.Nodes()) * 1000.0 / ms;
  s.NodesPerSecond = static_cast<int32_t>(std::clamp(nps, 1.0, static_cast<double>(INT32_MAX)));
  SpeedMeasured = true;
  LogPrintf(" Nodes Per Second over the whole search of %d ms = %d\n", ms, s.NodesPerSecond);
}

void ExtendBudget() {
  Status& s = MainStatus;
  SearchRoutines& S = Search;
  auto doubleAll = [&] {
    S.NodesPerMove = DoubledBudget(S.NodesPerMove);
    s.TimePerMove = DoubledBudget(s.TimePerMove);
    s.EmergencyTimeThreshold = DoubledBudget(s.EmergencyTimeThreshold);
  };
  doubleAll();
  S.TimerExtended = true;
  LogPrintf("Timer Extended - Failing Low\n");
  if (S.TimeUp) {
    doubleAll();
    S.TimeUp = false;
  }
}

const char* BestLineText(uint64_t from, uint64_t to, char promo, int score) {
  static char text[MoveTextSize];
  auto index = [](uint64_t m) { return static_cast<uint8_t>(m ? __builtin_ctzll(m) : 0); };
  fillmovestring(text, score, index(from), index(to), promo, 1);
  return text;
}

const char* UciScoreText(int score) {
  static char text[32];
  const int mate = MateInMoves(score);
  if (mate != 0 || score == -MateValue)
    snprintf(text, sizeof text, "mate %d", mate);
  else
    snprintf(text, sizeof text, "cp %d", score / 10);
  return text;
}

int ThinkingScore(int score) {
  const int mate = MateInMoves(score);
  if (mate > 0) return 100000 + mate;
  if (mate < 0 || score == -MateValue) return -100000 + mate;
  return score / 10;
}

void PrintThinkingLine(int depth, int score, const char* variation) {
  const int32_t centiseconds = std::max<int32_t>(ProcessClockMs() - MainStatus.StartTime, 0) / 10;
  printf("%d %d %d %lld %s", depth, ThinkingScore(score), centiseconds, static_cast<long long>(Search.Nodes()),
         variation);
}

void PrintUciInfoLine(int depth, int score, const char* variation, int multipv) {
  const int64_t nodes = Search.Nodes();
  const int32_t ms = std::max<int32_t>(ProcessClockMs() - MainStatus.StartTime, 0);
  // The speed only from a time that could be measured: none before the first millisecond.
  char nps[32] = "";
  if (ms > 0) snprintf(nps, sizeof nps, " nps %lld", static_cast<long long>(nodes * 1000 / ms));
  // The variation text is the thinking lines' (" e2e4 e7e5 \n"): the line ends at its last move.
  int length = static_cast<int>(strlen(variation));
  while (length > 0 && (variation[length - 1] == ' ' || variation[length - 1] == '\n')) length--;
  char line[32] = "";
  if (multipv > 0) snprintf(line, sizeof line, " multipv %d", multipv);
  printf("info depth %d seldepth %d%s score %s nodes %lld%s hashfull %d time %d pv%.*s\n", depth,
         std::max(MainStatus.SearchDepthReached, depth), line, UciScoreText(score), static_cast<long long>(nodes),
         nps, HashFull(), ms, length, variation);
}
