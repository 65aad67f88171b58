// The search between nodes: commands that arrive while it thinks, the time and node budget
// checked at every poll, the speed measurement and the stop rules. See search_control.h.

#include "search/search_control.h"

#include <algorithm>
#include <climits>

#include "board/clock.h"
#include "board/log_file.h"
#include "search/search_report.h"
#include "search/search_routines.h"
#include "search/threads.h"
#include "search/time_budget.h"

bool SpeedMeasured = false;

namespace {

// The front end's way of handing the search its commands; none until one is installed.
CommandSource Source = {nullptr, nullptr};

// A search limited by nodes (or by nothing but "stop") looks at its input this often, in nodes.
// The interval never depends on the measured speed, so that a node-limited search stops at the
// same node whatever the machine does: fixed-node games repeat exactly.
constexpr int64_t LimitPollInterval = 4096;
// With helper threads the count of all threads moves in jumps (a helper that was not running
// catches up): the main thread looks more often, so as not to go far past the limit.
constexpr int64_t SharedLimitPollInterval = 1024;
// Until the process has measured its speed, the estimate may be far too high (a loaded or slow
// machine): a timed search then looks at the clock this often, in nodes.
constexpr int64_t FirstSearchPollInterval = 512;
// A timed search this long or longer measures the speed the next search starts from.
constexpr int32_t MinWholeSearchMs = 100;

// Iteration rules of a timed search.
constexpr int EasyMoveMargin = 2949;     // first iteration: best move this far ahead of the rest
constexpr int EasyMoveIteration = 11;    // from here an easy move that never changed is played
constexpr int MateFoundScore = 109899;   // above: a mate was found
constexpr int MatedScore = -109900;      // -110000 .. this: the engine is mated
constexpr int DeadDrawIteration = 71;    // a draw score this deep ends infinite thinking

// The tree of a weaker level stops at this many times its node cap: past the cap no iteration
// starts, and one already started mostly finishes, so that its lines are complete.
constexpr int64_t NodeCapOverrun = 4;

bool IsMateScore(int score) { return score > MateFoundScore || (score >= -MateValue && score <= MatedScore); }

bool CommandWaiting() { return Source.Waiting != nullptr && Source.Waiting(); }

// The budget as the next iteration finds it: a node count past the node budget ends a timed
// search, unless the budget proves too small by the clock (a stall) or is extended once for a
// falling score. Returns false when the search must end with the move it has.
bool BudgetAllowsNextIteration() {
  SearchRoutines& S = Search;
  if (Search.Limits.Infinite || S.Limits.Ponder || Search.Limits.FD != 0 || S.Limits.NoClock() || S.Nodes() <= S.NodesPerMove)
    return true;
  bool over = true;
  if (S.Budget == BudgetState::NotCalibrated) {
    if (!S.NpsCalibrated) CalibrateSpeed(false);  // not yet measured inside the tree
    S.Budget = BudgetState::Calibrated;
    over = S.Nodes() > S.NodesPerMove;
  }
  // The clock may tell that the speed measured was too low (a stall).
  if (over && NodeBudgetHoldsByClock()) over = false;
  if (!over) return true;
  if (S.Budget == BudgetState::Calibrated && S.FailingLow && !S.TimerExtended && Search.Limits.ST == 0) {
    ExtendBudget();
    S.Budget = BudgetState::Extended;
    return true;
  }
  return false;
}

// Overrun of the node budget found at a poll inside the tree. Returns true when the node must
// return at once; otherwise the root finishes its current move (TimeUp) or the budget grew.
bool BudgetOverrun() {
  if (NodeBudgetHoldsByClock()) return false;
  if (Search.FailingLow && !Search.TimerExtended) {
    if (Search.Limits.ST != 0) {
      Search.StopNow = Search.TimeUp = true;
      return true;
    }
    ExtendBudget();
    return false;
  }
  if (Search.Limits.ST != 0) {
    Search.StopNow = Search.TimeUp = true;
    return true;
  }
  Search.TimeUp = true;
  return false;
}

// A search that ends only by its node limit, its depth or mate limit, or "stop".
bool LimitCheck() {
  SearchRoutines& S = Search;
  // A node limit counts the nodes of every thread.
  const int64_t limit = S.Limits.Nodes;
  PublishMainThreadNodes(S.Nodes());
  const int64_t nodes = SearchNodesAllThreads();
  if (limit > 0 && nodes >= limit) {
    S.StopNow = S.TimeUp = true;
    return true;
  }
  // Every thread searches on until this one looks again: the nodes left are shared among them.
  const int64_t interval = ThreadCount() > 1 ? SharedLimitPollInterval : LimitPollInterval;
  S.PollCountdown = limit > 0 ? std::min<int64_t>(interval, (limit - nodes) / ThreadCount()) : interval;
  return false;
}

// The time check of a poll inside the tree. Returns true when the node must return 0.
bool ClockCheck() {
  SearchRoutines& S = Search;
  const int32_t now = ProcessClockMs();
  // Analysis has no clock. Its status line goes out when the GUI asks for it with ".".
  if (S.IterationDepth > 7 && Search.Limits.Infinite) {
    S.PollCountdown = Clock.NodesPerSecond >> 3;
    return false;
  }
  // A weaker level's node cap holds whatever else limits the search (a ponder search then waits),
  // once the first iteration has given every line a move.
  if (S.Limits.NodeCap > 0 && Search.Limits.FD == 0 && S.IterationDepth > 1 && S.Nodes() >= NodeCapOverrun * S.Limits.NodeCap) {
    S.StopNow = S.TimeUp = true;
    return true;
  }
  // A helper that has finished the depth asked for has the answer, which the search takes when
  // it ends; a search that waits for "stop" goes on all the same.
  const int depthLimit = S.Limits.DepthLimit();
  if (depthLimit > 0 && !WaitsForStop() && DeepestHelperIteration() >= depthLimit) {
    S.MoveNow = S.StopNow = S.TimeUp = true;
    return true;
  }
  if (S.Limits.NoClock() && Search.Limits.FD == 0) return LimitCheck();
  // Untimed searches only look at their input.
  if (Search.Limits.Infinite || S.Limits.Ponder || Search.Limits.FD != 0) {
    S.PollCountdown = UntimedPollInterval();
    return false;
  }
  // The safety net: never past the wall-clock limit, whatever the node counts say.
  if (HardTimeLimitMs > 0 && now - Clock.StartTime >= HardTimeLimitMs) {
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
    if (S.Nodes() > S.NodesPerMove || now - Clock.StartTime >= Clock.TimePerMove / 2) {
      CalibrateSpeed(true);
      if (S.Nodes() > S.NodesPerMove && BudgetOverrun()) return true;
    }
  } else if (S.Nodes() > S.NodesPerMove) {
    if (BudgetOverrun()) return true;
    if (S.Nodes() >= Clock.EmergencyTimeThreshold) {
      S.StopNow = true;
      return true;
    }
  } else if (S.Nodes() >= Clock.EmergencyTimeThreshold) {
    S.StopNow = true;
    return true;
  }
  S.PollCountdown = TimedSearchPollInterval();
  return false;
}

}  // namespace

int32_t SafeNodesPerSecond() { return std::max<int32_t>(Clock.NodesPerSecond, 1); }

int64_t UntimedPollInterval() {
  if (Search.Limits.NoClock() && Search.Limits.FD == 0) return LimitPollInterval;
  const int64_t interval = Search.InitMoveTimer();
  // A ponder search is answered by "ponderhit" while the opponent's clock already runs for us:
  // look at the input as often as a timed search does.
  if (Search.Limits.Ponder && !Search.Limits.Infinite) return std::min<int64_t>(interval, 16384);
  return interval;
}

int64_t TimedSearchPollInterval() {
  if (!SpeedMeasured) return FirstSearchPollInterval;
  return TimedPollInterval(SafeNodesPerSecond(), Search.NodesPerMove, HardTimeLimitMs);
}

void SeedNodesPerSecond(int32_t guess) {
  if (!SpeedMeasured) Clock.NodesPerSecond = guess;
}

void InstallCommandSource(CommandSource source) { Source = source; }

CommandSource InstalledCommandSource() { return Source; }

bool HandleWaitingCommand() {
  if (Source.Handle == nullptr) return false;
  // A command may change what the helper threads read (the position, the settings, the table):
  // they wait while it is carried out, and search on if the search goes on.
  const bool helpers = PauseHelperSearch();
  const char* word = Source.Handle();
  if (word == nullptr) {
    if (helpers && MayStartMore()) ResumeHelperSearch();
    return false;
  }
  ReportAbort(word);
  Search.Aborted = Search.StopNow = Search.TimeUp = true;
  return true;
}

void WaitForCommand() {
  if (Source.Handle == nullptr) return;  // nobody could end the wait
  while (WaitsForStop() && !Search.MoveNow)
    if (HandleWaitingCommand()) return;
}

bool PollInput() {
  Search.InputCountdown = InputCheckInterval;
  if (CommandWaiting() && HandleWaitingCommand()) return true;
  return MustUnwind();
}

bool PollInputAndClock() { return PollInput() || ClockCheck(); }

NextIteration AfterIteration(int depth, int score, int depthLimit) {
  SearchRoutines& S = Search;
  // A weaker level has searched its nodes: as at its depth limit, a ponder search waits.
  if (S.Limits.NodeCap > 0 && Search.Limits.FD == 0 && S.Nodes() >= S.Limits.NodeCap) return NextIteration::SearchedOut;
  if (!MayStartMore()) return NextIteration::Stop;
  if (S.Limits.NoClock() && Search.Limits.FD == 0) {
    if (S.Limits.Nodes > 0 && SearchNodesAllThreads() >= S.Limits.Nodes) return NextIteration::Stop;
  } else if (!Search.Limits.FD && !S.Limits.Ponder) {
    if (Search.Limits.ST != 0) {
      if (ProcessClockMs() - Clock.StartTime > Search.Limits.ST) return NextIteration::Stop;
    } else {
      if (depth == 1 && score - EasyMoveMargin > S.RunnerUpScore) S.EasyMove = true;
      if (depth >= EasyMoveIteration && S.RootChange == 0 && !S.FailingLow && S.EasyMove) return NextIteration::Stop;
      if (S.Nodes() >= S.NodesPerMove && !NodeBudgetHoldsByClock()) {
        Clock.CompletedDepth = depth;
        return NextIteration::Stop;
      }
    }
  }
  // A forced move needs no deeper look; a single move listed by searchmoves is analysed.
  const bool onlyMove = S.RootLegalMoves == 1 && S.RootIncludedCount == 0;
  const bool deadDraw = S.Limits.Ponder && score == 0 && depth > DeadDrawIteration;
  if (onlyMove || IsMateScore(score) || deadDraw || depth == Search.Limits.FD || depth + 1 > depthLimit)
    return NextIteration::SearchedOut;
  return BudgetAllowsNextIteration() ? NextIteration::Start : NextIteration::Stop;
}

void StartTimeBudget() {
  ComputeTimeBudget(Search.LastBookPly);
  Search.NodesPerMove = NodesForTime(Clock.NodesPerSecond, 2000, Clock.TimePerMove);
  Clock.EmergencyTimeThreshold = DoubledBudget(Search.NodesPerMove);
  LogInitialBudget();
  Search.NpsCalibrated = false;
}

void LogInitialBudget() {
  LogPrintf(" Initial Nodes Per Second = %d\n", Clock.NodesPerSecond);
  LogPrintf(" Initial NodesPeMove  = %d   Emergency Threshold = %d\n", Search.NodesPerMove, Clock.EmergencyTimeThreshold);
  LogPrintf("Current TimerPerMove is %d\n", Clock.TimePerMove);
}

void CalibrateSpeed(bool inTree) {
  SearchRoutines& S = Search;
  // Milliseconds, so that a search of a few dozen milliseconds measures its speed as well as a
  // long one; the seconds are kept as a float.
  const int32_t ms = ProcessClockMs() - Clock.StartTime;
  const float t = static_cast<float>(ms) / 1000.0f;
  LogPrintf(inTree ? "Time Consumption for first half of search was %f \n"
                   : "Time Consumption for first 7 ply was %f \n",
            static_cast<double>(t));
  if (ms > 0 && S.Nodes() > 0) {
    LogPrintf("Current TimerPerMove is %d\n", Clock.TimePerMove);
    LogPrintf("Previous NPS was %d\n", Clock.NodesPerSecond);
    LogPrintf("Previous NodesPerMove was %d\n", S.NodesPerMove);
    LogPrintf("Nodes for the first 7 ply %lld\n", static_cast<long long>(S.Nodes()));
    const double nps = static_cast<double>(S.Nodes()) * 1000.0 / ms;
    Clock.NodesPerSecond = static_cast<int32_t>(std::clamp(nps, 1.0, static_cast<double>(INT32_MAX)));
    SpeedMeasured = true;
    S.NodesPerMove = NodesForTime(Clock.NodesPerSecond, 1000, Clock.TimePerMove);
    Clock.EmergencyTimeThreshold = DoubledBudget(S.NodesPerMove);
    LogPrintf(" Dynamic Nodes Per Second = %d\n", Clock.NodesPerSecond);
    LogPrintf(" NodesPeMove after Dynamic Adjustment = %d   Emergency Threshold = %d\n", S.NodesPerMove,
              Clock.EmergencyTimeThreshold);
    if (inTree) ReportMeasuredSpeed(Clock.NodesPerSecond, ms);
  }
  S.NpsCalibrated = true;
}

bool NodeBudgetHoldsByClock() {
  // Before the first measurement the node budget stands for half the time budget.
  const int32_t budgetMs = Search.NpsCalibrated ? Clock.TimePerMove : Clock.TimePerMove / 2;
  if (ProcessClockMs() - Clock.StartTime >= budgetMs - budgetMs / 16) return false;
  CalibrateSpeed(false);
  return Search.Nodes() <= Search.NodesPerMove;
}

void KeepWholeSearchSpeed() {
  const int32_t ms = ProcessClockMs() - Clock.StartTime;
  if (ms < MinWholeSearchMs || Search.Nodes() <= 0) return;
  const double nps = static_cast<double>(Search.Nodes()) * 1000.0 / ms;
  Clock.NodesPerSecond = static_cast<int32_t>(std::clamp(nps, 1.0, static_cast<double>(INT32_MAX)));
  SpeedMeasured = true;
  LogPrintf(" Nodes Per Second over the whole search of %d ms = %d\n", ms, Clock.NodesPerSecond);
}

void ExtendBudget() {
  SearchRoutines& S = Search;
  auto doubleAll = [&] {
    S.NodesPerMove = DoubledBudget(S.NodesPerMove);
    Clock.TimePerMove = DoubledBudget(Clock.TimePerMove);
    Clock.EmergencyTimeThreshold = DoubledBudget(Clock.EmergencyTimeThreshold);
  };
  doubleAll();
  S.TimerExtended = true;
  LogPrintf("Timer Extended - Failing Low\n");
  if (S.TimeUp) {
    doubleAll();
    S.TimeUp = false;
  }
}
