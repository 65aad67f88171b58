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
#include "hash/transposition_table.h"
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

bool IsMateScore(int score) { return score > MateFoundScore || (score >= -MateValue && score <= MatedScore); }

// Everything the two drivers reset before a search.
void ResetForSearch(ChessBoard& board, bool pushRoot) {
  SearchRoutines& S = Search;
  Status& s = MainStatus;
  // Faulting in a fresh table takes a few hundred milliseconds on some machines: before the
  // clock starts, not during the search, where it would also spoil the speed measurement.
  PositionCache.MakeResident();
  S.HashHitCount = S.NodeCount = S.QuiesceNodeCount = 0;
  S.Aborted = S.BookMovePlayed = S.TimerExtended = S.StopNow = S.TimeUp = S.MoveNow = false;
  s.SearchDepthReached = s.ElapsedSeconds = 0;
  S.RootScore = 0;
  S.RootLegalMoves = 0;
  board.InitPieceCounts();
  std::memset(S.PV, 0, sizeof S.PV);
  S.PVLength = 0;
  S.LineCount = S.RootLine = S.RootExcludedCount = 0;
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

// The clock turned into a node budget: half the time budget's nodes at the speed last measured,
// until the search measures its own speed.
void StartTimeBudget() {
  Status& s = MainStatus;
  ComputeTimeBudget(Search.LastBookPly);
  Search.NodesPerMove = NodesForTime(s.NodesPerSecond, 2000, s.TimePerMove);
  s.EmergencyTimeThreshold = DoubledBudget(Search.NodesPerMove);
  LogInitialBudget();
  Search.NpsCalibrated = false;
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

int SearchRoutines::ProgressiveDeepening(ChessBoard board, char maxDepth, uint64_t* bestFrom, uint64_t* bestTo,
                                         char* bestPromo) {
  Status& s = MainStatus;
  const int limit = maxDepth <= 0 ? DefaultIterationLimit : maxDepth;
  ResetForSearch(board, s.XboardMode == 1);
  const bool waitsForStop = s.NoTimeControl || s.AnalyzeMode;
  *bestFrom = *bestTo = 0;
  *bestPromo = NoPromotion;

  // 2. and 3. The budget: none for a fixed depth, otherwise milliseconds turned into nodes.
  const bool byLimits = NoClock && s.FD == 0;
  if (s.FD != 0) {
    s.CompletedDepth = s.FD;
    LogInitialBudget();
    PollCountdown = InitMoveTimer();
    if (s.FD < 0) return 0;  // nothing to search, nothing to play
  } else if (byLimits) {
    // A node, depth or mate limit: no clock, no speed measurement; the same nodes every time.
    NodesPerMove = s.EmergencyTimeThreshold = INT32_MAX;
    HardTimeLimitMs = 0;
    PollCountdown = UntimedPollInterval();
    if (NodeLimit > 0) PollCountdown = std::min<int64_t>(PollCountdown, NodeLimit);
    LogInitialBudget();
  } else {
    StartTimeBudget();
    PollCountdown = (waitsForStop || s.BenchMode) ? UntimedPollInterval() : TimedSearchPollInterval();
  }
  NpsCalibrated = false;

  enum { NotCalibrated, Calibrated, Extended } budgetState = NotCalibrated;
  bool easyMove = false;
  int score = 0;
  int previousScore = -MateValue;
  int d = 1;
  for (;; d++) {
    // 4.1 Between iterations: is the budget spent?
    if (!s.AnalyzeMode && !s.NoTimeControl && s.FD == 0 && !byLimits && Nodes() > NodesPerMove) {
      bool over = true;
      if (budgetState == NotCalibrated) {
        if (!NpsCalibrated) CalibrateSpeed(false);  // not yet measured inside the tree
        budgetState = Calibrated;
        over = Nodes() > NodesPerMove;
      }
      // The clock may tell that the speed measured was too low (a stall).
      if (over && NodeBudgetHoldsByClock()) over = false;
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
      // Measured in milliseconds; the first iterations take too little time to tell.
      const int32_t ms = ProcessClockMs() - s.StartTime;
      if (ms >= 100) {
        s.NodesPerSecond = static_cast<int32_t>(std::clamp<int64_t>(Nodes() * 1000 / ms, 1, INT32_MAX));
        SpeedMeasured = true;
      }
      // The speed shown is this search's own, once a millisecond has passed; never a guess.
      if (ms > 0) printf("info nps %lld\n", static_cast<long long>(Nodes() * 1000 / ms));
      printf("info time %d\n", std::max(ms, 0));
      fflush(stdout);
    }
    // 4.3
    s.SearchDepthReached = 0;
    RootChange = -1;
    FailingLow = false;
    board.PlyLimit = d <= 6 ? 2 * d : 4 * d;

    // 5. One iteration (of each line, with MultiPV).
    const bool severalLines = MultiPV > 1;
    if (severalLines)
      score = SearchRootLines(board, d, bestFrom, bestTo, bestPromo);
    else
      score = SearchTreeRoot(board.SideToMove, board, -MateValue, MateValue, d, bestFrom, bestTo, bestPromo,
                             static_cast<char>(board.CastleFlags));
    // 6. A book move ends the search.
    if (BookMovePlayed) {
      if (s.UCIMode == 1) {
        // A UCI GUI reads only UCI lines: the book move is named in an info string.
        char move[MoveTextSize];
        fillmovestring(move, 0, static_cast<uint8_t>(__builtin_ctzll(*bestFrom)),
                       static_cast<uint8_t>(__builtin_ctzll(*bestTo)), *bestPromo, 0);
        move[strcspn(move + 1, " \n") + 1] = '\0';
        printf("info string book move %s\n", move + 1);
      } else {
        printf("tellics kibitz Opening Book Move\n");
      }
      fflush(stdout);
      WriteLogFile("Opening Book Move\n");
      // A ponder search answers only when told to, even with the move at hand.
      if (waitsForStop && !MoveNow) WaitForCommand();
      break;
    }
    // 7.
    s.ElapsedSeconds = static_cast<int32_t>(std::min<int64_t>(Nodes() / SafeNodesPerSecond(), INT32_MAX));
    if (s.ElapsedSeconds > 3) {
      LogPrintf("Move Time: %d milliseconds", s.ElapsedSeconds * 1000);
      LogPrintf(" %d  %d %d  %lld %s", d, score, s.ElapsedSeconds, static_cast<long long>(Nodes()),
                BestLineText(*bestFrom, *bestTo, *bestPromo, score));
    }
    // An iteration cut short, or one that had no time to search a single move, counts for nothing
    // (with MultiPV: unless its best line was complete).
    if ((StopNow && !(severalLines && LineCount > 0)) || score == NoScore) {
      LogPrintf("New v from PreviousBestValue %d\n", previousScore);
      score = previousScore;
    }
    RootScore = score;
    previousScore = score;

    if (severalLines) {
      // Every line complete at this depth, best first; UCI GUIs are always shown them.
      if (!Aborted && (s.UCIMode == 1 || s.Post || s.AnalyzeMode)) PrintLines(d);
    } else if ((s.Post || s.AnalyzeMode) && !Aborted) {
      const char* variation = BestLineText(*bestFrom, *bestTo, *bestPromo, score);
      if (s.UCIMode == 1) {
        PrintUciInfoLine(d, score, variation);
      } else {
        if (s.Post && s.ElapsedSeconds > 3) {
          PrintThinkingLine(d, score, variation);
          printf("\n");
        }
        PrintThinkingLine(d, score, variation);
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
    if (byLimits) {
      if (NodeLimit > 0 && Nodes() >= NodeLimit) break;
    } else if (!s.FD && !s.NoTimeControl) {
      if (s.ST != 0) {
        if (ProcessClockMs() - s.StartTime > s.ST) break;
      } else {
        if (d == 1 && score - EasyMoveMargin > RunnerUpScore) easyMove = true;
        if (d >= EasyMoveIteration && RootChange == 0 && !FailingLow && easyMove) break;
        if (Nodes() >= NodesPerMove && !NodeBudgetHoldsByClock()) {
          s.CompletedDepth = d;
          break;
        }
      }
    }
    // A forced move needs no deeper look; a single move listed by searchmoves is analysed.
    const bool onlyMove = RootLegalMoves == 1 && RootIncludedCount == 0;
    bool searchedOut;
    if (s.NoTimeControl)
      searchedOut = onlyMove || IsMateScore(score) || (score == 0 && d > DeadDrawIteration) || d == s.FD ||
                    d + 1 > limit;
    else
      searchedOut = IsMateScore(score) || onlyMove || d == s.FD || d + 1 > limit;
    if (searchedOut) {
      // Pondering and infinite analysis answer only when told to.
      if (waitsForStop && !MoveNow) WaitForCommand();
      break;
    }
  }

  if (!waitsForStop && s.FD == 0 && !byLimits && !Aborted) KeepWholeSearchSpeed();

  // 9. Play the move, unless there is none or a command cancelled the search.
  const bool haveMove = *bestFrom != *bestTo && *bestFrom != 0;
  if (!Aborted && haveMove && score != -MateValue && score != MateValue && score != StalemateScore) {
    uint8_t mask = 0;
    MainBoard.MakeMove(*bestFrom, *bestTo, *bestPromo, mask);
    MainBoard.CastleFlags = static_cast<uint8_t>(MainBoard.CastleFlags & mask);
  }
  const char* variation = BestLineText(*bestFrom, *bestTo, *bestPromo, score);
  if (s.UCIMode == 1) {
    PrintUciInfoLine(std::max(d, 1), score, variation, MultiPV > 1 ? 1 : 0);
  } else {
    if (s.Post && !Aborted) PrintThinkingLine(std::max(d, 1), score, variation);
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

void SearchRoutines::PonderHit() {
  MainStatus.NoTimeControl = 0;
  // A fixed depth or a node limit keeps its own end; a clock budget starts now, and the time
  // spent pondering counts as spent on the move.
  if (MainStatus.FD != 0 || NoClock) return;
  StartTimeBudget();
  PollCountdown = std::min(PollCountdown, TimedSearchPollInterval());
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
