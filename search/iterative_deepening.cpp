// Iterative deepening and time management: root searches of depth 1, 2, 3, ... under a node
// budget derived from the clock, the checks made at polls inside the tree, the waiting of
// infinite analysis and pondering, and the fixed-depth driver of the benchmarks.

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
#include "hash/keys.h"
#include "hash/move_history.h"
#include "search/search_control.h"
#include "search/search_routines.h"
#include "search/time_budget.h"
#include "uci/uci_protocol.h"

namespace {

constexpr int DefaultIterationLimit = 100;
constexpr int EasyMoveMargin = 2949;     // first iteration: best move this far ahead of the rest
constexpr int EasyMoveIteration = 11;    // from here an easy move that never changed is played
constexpr int MateFoundScore = 109899;   // above: a mate was found
constexpr int MatedScore = -109900;      // -110000 .. this: the engine is mated
constexpr int DeadDrawIteration = 71;    // a draw score this deep ends infinite thinking

int32_t SafeNodesPerSecond() { return std::max<int32_t>(MainStatus.NodesPerSecond, 1); }

bool IsMateScore(int score) { return score > MateFoundScore || (score >= -MateValue && score <= MatedScore); }

// The word read while the search runs in xboard and console mode (UCI reads its own lines).
char PendingCommand[InputWordSize];

void AbortForCommand() {
  printf(" Search Aborted due to receiveing following string: %s\n", PendingCommand);
  fflush(stdout);
  Search.Aborted = Search.StopNow = Search.TimeUp = true;
}

// Overrun of the node budget found at a poll inside the tree. Returns true when the node must
// return at once; otherwise the root finishes its current move (TimeUp) or the budget grew.
bool BudgetOverrun() {
  Status& s = MainStatus;
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

// Poll interval of a search without a budget. A ponder search is answered by "ponderhit" while
// the opponent's clock already runs for us: look at the input as often as a timed search does.
int64_t UntimedPollInterval() {
  const int64_t interval = Search.InitMoveTimer();
  if (MainStatus.NoTimeControl && !MainStatus.AnalyzeMode) return std::min<int64_t>(interval, 16384);
  return interval;
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
  // Untimed searches only look at their input.
  if (s.AnalyzeMode || s.NoTimeControl || s.FD != 0) {
    S.PollCountdown = UntimedPollInterval();
    return false;
  }
  // The safety net: never past the wall-clock limit, whatever the node counts say.
  if (HardTimeLimitMs > 0 && now - s.StartTime >= HardTimeLimitMs) {
    LogPrintf("Hard time limit of %d ms reached\n", HardTimeLimitMs);
    S.StopNow = S.TimeUp = true;
    return true;
  }
  if (!S.NpsCalibrated) {
    if (S.Nodes() > S.NodesPerMove) {
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
  S.PollCountdown = TimedPollInterval(SafeNodesPerSecond(), S.NodesPerMove, HardTimeLimitMs);
  return false;
}

// Everything the two drivers reset before a search.
void ResetForSearch(ChessBoard& board, bool pushRoot) {
  SearchRoutines& S = Search;
  Status& s = MainStatus;
  S.HashHitCount = S.NodeCount = S.QuiesceNodeCount = 0;
  S.Aborted = S.BookMovePlayed = S.TimerExtended = S.StopNow = S.TimeUp = S.MoveNow = false;
  s.SearchDepthReached = s.ElapsedSeconds = 0;
  S.RootScore = 0;
  S.RootLegalMoves = 0;
  board.InitPieceCounts();
  std::memset(S.PV, 0, sizeof S.PV);
  S.PVLength = 0;
  for (auto& killers : S.Killers) killers[0] = killers[1];
  s.StartTime = ProcessClockMs();
  const int8_t side = board.SideToMove ? Black : White;
  genpawnhashcode(side, board, &board.PawnKingKey);
  uint64_t upper = 0, lower = 0;
  genhashcode(side, board.CastleFlags, &upper, &lower, &board);
  if (pushRoot) MoveList.InsertMoveHistory(upper, lower);
}

void LogInitialBudget() {
  const Status& s = MainStatus;
  LogPrintf(" Initial Nodes Per Second = %d\n", s.NodesPerSecond);
  LogPrintf(" Initial NodesPeMove  = %d   Emergency Threshold = %d\n", Search.NodesPerMove, s.EmergencyTimeThreshold);
  LogPrintf("Current TimerPerMove is %d\n", s.TimePerMove);
}

const char* VariationOf(uint64_t from, uint64_t to, char promo, int score) {
  static char text[MoveTextSize];
  auto index = [](uint64_t m) { return static_cast<uint8_t>(m ? __builtin_ctzll(m) : 0); };
  fillmovestring(text, score, index(from), index(to), promo, 1);
  return text;
}

void PrintIterationLine(int d, int score, const char* variation) {
  printf("%d %d %d %lld %s", d, score / 10, MainStatus.ElapsedSeconds, static_cast<long long>(Search.Nodes()),
         variation);
}

void PrintUciLine(int d, int score, const char* variation) {
  printf("info depth %d score cp %d time %d nodes %lld pv%s", d, score / 10, MainStatus.ElapsedSeconds * 1000,
         static_cast<long long>(Search.Nodes()), variation);
}

// Infinite analysis or pondering with nothing left to search: wait for the command that ends
// it. "stop" or "?" ends it with the best move; "ponderhit" hands the move to the game; an
// aborting command ends it without one. Anything else is answered and the wait goes on.
void WaitForCommand() {
  for (;;) {
    if (DispatchPendingCommand()) return;
    if (Search.MoveNow) return;
    if (!MainStatus.NoTimeControl && !MainStatus.AnalyzeMode) return;
  }
}

}  // namespace

bool HardStopRequested() { return (Search.StopNow && MainStatus.FD == 0) || Search.MoveNow; }

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
  const float t = static_cast<float>((ProcessClockMs() - s.StartTime + 500) / 1000);
  LogPrintf(inTree ? "Time Consumption for first half of search was %f \n"
                   : "Time Consumption for first 7 ply was %f \n",
            static_cast<double>(t));
  if (t > 0) {
    LogPrintf("Current TimerPerMove is %d\n", s.TimePerMove);
    LogPrintf("Previous NPS was %d\n", s.NodesPerSecond);
    LogPrintf("Previous NodesPerMove was %d\n", S.NodesPerMove);
    LogPrintf("Nodes for the first 7 ply %lld\n", static_cast<long long>(S.Nodes()));
    const double nps = static_cast<double>(S.Nodes()) / static_cast<double>(t);
    s.NodesPerSecond = static_cast<int32_t>(std::clamp(nps, 1.0, static_cast<double>(INT32_MAX)));
    S.NodesPerMove = NodesForTime(s.NodesPerSecond, 1000, s.TimePerMove);
    s.EmergencyTimeThreshold = DoubledBudget(S.NodesPerMove);
    LogPrintf(" Dynamic Nodes Per Second = %d\n", s.NodesPerSecond);
    LogPrintf(" NodesPeMove after Dynamic Adjustment = %d   Emergency Threshold = %d\n", S.NodesPerMove,
              s.EmergencyTimeThreshold);
    if (inTree) {
      printf("info nps %d time %d\n", s.NodesPerSecond, static_cast<int>(t * 1000));
      fflush(stdout);
    }
  }
  S.NpsCalibrated = true;
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

int SearchRoutines::ProgressiveDeepening(ChessBoard board, char maxDepth, uint64_t* bestFrom, uint64_t* bestTo,
                                         char* bestPromo) {
  Status& s = MainStatus;
  const int limit = maxDepth <= 0 ? DefaultIterationLimit : maxDepth;
  ResetForSearch(board, s.XboardMode == 1);
  const bool waitsForStop = s.NoTimeControl || s.AnalyzeMode;
  *bestFrom = *bestTo = 0;
  *bestPromo = NoPromotion;

  // 2. and 3. The budget: none for a fixed depth, otherwise milliseconds turned into nodes.
  if (s.FD != 0) {
    s.CompletedDepth = s.FD;
    LogInitialBudget();
    PollCountdown = InitMoveTimer();
    if (s.FD < 0) return 0;  // nothing to search, nothing to play
  } else {
    ComputeTimeBudget(LastBookPly);
    NodesPerMove = NodesForTime(s.NodesPerSecond, 2000, s.TimePerMove);
    s.EmergencyTimeThreshold = DoubledBudget(NodesPerMove);
    PollCountdown = (waitsForStop || s.BenchMode) ? UntimedPollInterval()
                                                  : TimedPollInterval(SafeNodesPerSecond(), NodesPerMove, HardTimeLimitMs);
    LogInitialBudget();
  }
  NpsCalibrated = false;

  enum { NotCalibrated, Calibrated, Extended } budgetState = NotCalibrated;
  bool easyMove = false;
  int score = 0;
  int previousScore = -MateValue;
  int d = 1;
  for (;; d++) {
    // 4.1 Between iterations: is the budget spent?
    if (!s.AnalyzeMode && !s.NoTimeControl && s.FD == 0 && Nodes() > NodesPerMove) {
      bool over = true;
      if (budgetState == NotCalibrated) {
        CalibrateSpeed(false);
        budgetState = Calibrated;
        over = Nodes() > NodesPerMove;
      }
      if (over) {
        if (budgetState == Calibrated && FailingLow && !TimerExtended && s.ST == 0) {
          ExtendBudget();
          budgetState = Extended;
        } else {
          // Play the move of the last completed iteration.
          d--;
          break;
        }
      }
    }
    // 4.2 Analysis reports its speed before every iteration.
    if (s.AnalyzeMode) {
      const int32_t seconds = (ProcessClockMs() - s.StartTime + 500) / 1000;
      if (seconds > 0)
        s.NodesPerSecond = static_cast<int32_t>(std::clamp<int64_t>(Nodes() / seconds, 1, INT32_MAX));
      printf("info nps %d\n", s.NodesPerSecond);
      printf("info time %d\n", s.ElapsedSeconds * 1000);
      fflush(stdout);
    }
    // 4.3
    s.SearchDepthReached = 0;
    RootChange = -1;
    FailingLow = false;
    board.PlyLimit = d <= 6 ? 2 * d : 4 * d;

    // 5. One iteration.
    score = SearchTreeRoot(board.SideToMove, board, -MateValue, MateValue, d, bestFrom, bestTo, bestPromo,
                           static_cast<char>(board.CastleFlags));
    // 6. A book move ends the search.
    if (BookMovePlayed) {
      printf("tellics kibitz Opening Book Move\n");
      fflush(stdout);
      WriteLogFile("Opening Book Move\n");
      break;
    }
    // 7.
    s.ElapsedSeconds = static_cast<int32_t>(std::min<int64_t>(Nodes() / SafeNodesPerSecond(), INT32_MAX));
    if (s.ElapsedSeconds > 3) {
      LogPrintf("Move Time: %d milliseconds", s.ElapsedSeconds * 1000);
      LogPrintf(" %d  %d %d  %lld %s", d, score, s.ElapsedSeconds, static_cast<long long>(Nodes()),
                VariationOf(*bestFrom, *bestTo, *bestPromo, score));
    }
    // An iteration cut short, or one that had no time to search a single move, counts for nothing.
    if (StopNow || score == NoScore) {
      LogPrintf("New v from PreviousBestValue %d\n", previousScore);
      score = previousScore;
    }
    RootScore = score;
    previousScore = score;

    if (s.Post || s.AnalyzeMode) {
      const char* variation = VariationOf(*bestFrom, *bestTo, *bestPromo, score);
      if (s.UCIMode == 1) {
        PrintUciLine(d, score, variation);
      } else {
        if (s.Post && s.ElapsedSeconds > 3) {
          PrintIterationLine(d, score, variation);
          printf("\n");
        }
        PrintIterationLine(d, score, variation);
      }
      fflush(stdout);
    }

    // The stop rules.
    if (MoveNow) break;
    // A spent budget (or the wall-clock limit) starts no new iteration.
    if ((TimeUp || StopNow) && !Aborted && !s.FD && !s.NoTimeControl) break;
    if (Aborted) {
      if (!s.NoTimeControl) return score;  // the command that aborted takes over; nothing is played
      WaitForCommand();
      break;
    }
    if (!s.FD && !s.NoTimeControl) {
      if (s.ST != 0) {
        if (ProcessClockMs() - s.StartTime > s.ST) break;
      } else {
        if (d == 1 && score - EasyMoveMargin > RunnerUpScore) easyMove = true;
        if (d >= EasyMoveIteration && RootChange == 0 && !FailingLow && easyMove) break;
        if (Nodes() >= NodesPerMove) {
          s.CompletedDepth = d;
          break;
        }
      }
    }
    bool searchedOut;
    if (s.NoTimeControl)
      searchedOut = RootLegalMoves == 1 || IsMateScore(score) || (score == 0 && d > DeadDrawIteration) || d == s.FD ||
                    d + 1 > limit;
    else
      searchedOut = IsMateScore(score) || RootLegalMoves == 1 || d == s.FD || d + 1 > limit;
    if (searchedOut) {
      // Pondering and infinite analysis answer only when told to.
      if (waitsForStop && !MoveNow) WaitForCommand();
      break;
    }
  }

  // 9. Play the move, unless there is none or a command cancelled the search.
  const bool haveMove = *bestFrom != *bestTo && *bestFrom != 0;
  if (!Aborted && haveMove && score != -MateValue && score != MateValue && score != StalemateScore) {
    uint8_t mask = 0;
    MainBoard.MakeMove(*bestFrom, *bestTo, *bestPromo, mask);
    MainBoard.CastleFlags = static_cast<uint8_t>(MainBoard.CastleFlags & mask);
  }
  const char* variation = VariationOf(*bestFrom, *bestTo, *bestPromo, score);
  if (s.UCIMode == 1) {
    PrintUciLine(std::max(d, 1), score, variation);
  } else {
    if (s.Post && !Aborted) PrintIterationLine(std::max(d, 1), score, variation);
    if (s.Kibitz) {
      if (BookMovePlayed) {
        printf("tellics kibitz Book Move\n");
      } else {
        if (s.ElapsedSeconds == 0) s.ElapsedSeconds = 1;
        printf("tellics kibitz ply=%d v=%d centipawns millisecs=%d Nodes=%lld nps=%d %s\n", s.CompletedDepth,
               score / 10, s.ElapsedSeconds * 1000, static_cast<long long>(Nodes()), s.NodesPerSecond, variation);
      }
    }
  }
  fflush(stdout);
  return score;
}

int SearchRoutines::SearchExactDepth(ChessBoard board, char depth, uint64_t* bestFrom, uint64_t* bestTo,
                                     char* bestPromo) {
  ResetForSearch(board, true);
  MainStatus.CompletedDepth = MainStatus.FD;
  int d = depth;
  if (d <= 0) {
    d = 200;
    board.PlyLimit = 400;
  } else {
    board.PlyLimit = 2 * d;
  }
  return SearchTreeRoot(board.SideToMove, board, -MateValue, MateValue, d, bestFrom, bestTo, bestPromo,
                        static_cast<char>(board.CastleFlags));
}
