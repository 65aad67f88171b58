// Iterative deepening and time management: root searches of depth 1, 2, 3, ... under a node
// budget derived from the clock, the checks made at polls inside the tree, the waiting of
// infinite analysis and pondering, and the fixed-depth driver of the benchmarks.

#include <algorithm>
#include <climits>
#include <cstring>

#include "board/clock.h"
#include "board/keys.h"
#include "board/log_file.h"
#include "hash/move_history.h"
#include "hash/transposition_table.h"
#include "search/search_control.h"
#include "search/search_report.h"
#include "search/search_routines.h"
#include "search/threads.h"
#include "search/time_budget.h"
#include "search/variation_text.h"

namespace {

constexpr int DefaultIterationLimit = 100;

// Everything the two drivers reset before a search.
void ResetForSearch(ChessBoard& board, bool pushRoot) {
  SearchRoutines& S = Search;
  // Faulting in a fresh table takes a few hundred milliseconds on some machines: before the
  // clock starts, not during the search, where it would also spoil the speed measurement.
  PositionCache.MakeResident();
  S.HashHitCount = S.NodeCount = S.QuiesceNodeCount = S.TableHits = 0;
  S.Aborted = S.BookMovePlayed = S.TimerExtended = S.StopNow = S.TimeUp = S.MoveNow = false;
  S.EasyMove = false;
  S.Budget = BudgetState::NotCalibrated;
  Clock.SearchDepthReached = Clock.ElapsedSeconds = 0;
  S.RootScore = 0;
  S.RootLegalMoves = 0;
  board.InitPieceCounts();
  std::memset(S.PV, 0, sizeof S.PV);
  S.PVLength = 0;
  S.LineCount = S.RootLine = S.RootExcludedCount = 0;
  for (auto& killers : S.Killers) killers[0] = killers[1];
  Clock.StartTime = ProcessClockMs();
  const int8_t side = board.SideToMove ? Black : White;
  genpawnhashcode(side, board, &board.PawnKingKey);
  uint64_t upper = 0, lower = 0;
  genhashcode(side, board.CastleFlags, &upper, &lower, &board);
  if (pushRoot) MoveList.InsertMoveHistory(upper, lower);
  S.RankRootByTables(board);
}

}  // namespace

SearchResult SearchRoutines::ProgressiveDeepening(ChessBoard board) {
  const int limit = Limits.Depth <= 0 ? DefaultIterationLimit : Limits.Depth;
  ResetForSearch(board, Protocol.XboardMode == 1);
  SearchResult best;
  uint64_t* const bestFrom = &best.From;
  uint64_t* const bestTo = &best.To;
  char* const bestPromo = &best.Promotion;

  // 2. and 3. The budget: none for a fixed depth, otherwise milliseconds turned into nodes.
  if (Limits.FD != 0) {
    Clock.CompletedDepth = Limits.FD;
    LogInitialBudget();
    PollCountdown = InitMoveTimer();
    if (Limits.FD < 0) return best;  // nothing to search, nothing to play
  } else if (Limits.NoClock()) {
    // A node, depth or mate limit: no clock, no speed measurement; the same nodes every time.
    NodesPerMove = Clock.EmergencyTimeThreshold = INT32_MAX;
    HardTimeLimitMs = 0;
    PollCountdown = UntimedPollInterval();
    if (Limits.Nodes > 0) PollCountdown = std::min<int64_t>(PollCountdown, Limits.Nodes);
    LogInitialBudget();
  } else {
    StartTimeBudget();
    PollCountdown = (WaitsForStop() || Limits.BenchMode) ? UntimedPollInterval() : TimedSearchPollInterval();
  }
  NpsCalibrated = false;
  // With more than one thread the helpers search the same root beside this loop.
  StartHelperSearch(board);

  int score = 0;
  int previousScore = -MateValue;
  int completed = 0;  // the deepest iteration this thread finished
  int d = 1;
  for (;; d++) {
    // 4.2 Analysis reports its speed before every iteration.
    if (Limits.Infinite) {
      // Measured in milliseconds; the first iterations take too little time to tell.
      const int32_t ms = ProcessClockMs() - Clock.StartTime;
      if (ms >= 100) {
        Clock.NodesPerSecond = static_cast<int32_t>(std::clamp<int64_t>(Nodes() * 1000 / ms, 1, INT32_MAX));
        SpeedMeasured = true;
      }
      ReportAnalysisSpeed(ms, SearchNodesAllThreads());
    }
    // 4.3
    AnnounceIteration(d);
    Clock.SearchDepthReached = 0;
    RootChange = -1;
    FailingLow = false;
    board.PlyLimit = d <= 6 ? 2 * d : 4 * d;

    // 5. One iteration (of each line, with MultiPV).
    const bool severalLines = LinesSearched() > 1;
    if (severalLines)
      score = SearchRootLines(board, d, bestFrom, bestTo, bestPromo);
    else
      score = SearchTreeRoot(board.SideToMove, board, -MateValue, MateValue, d, bestFrom, bestTo, bestPromo,
                             static_cast<char>(board.CastleFlags));
    // 6. A book move ends the search.
    if (BookMovePlayed) {
      ReportBookMove(*bestFrom, *bestTo, *bestPromo);
      WriteLogFile("Opening Book Move\n");
      // A ponder search answers only when told to, even with the move at hand.
      WaitForCommand();
      break;
    }
    // 7.
    Clock.ElapsedSeconds = static_cast<int32_t>(std::min<int64_t>(Nodes() / SafeNodesPerSecond(), INT32_MAX));
    if (Clock.ElapsedSeconds > 3) {
      const RootVariation line = BestLine(*bestFrom, *bestTo, *bestPromo);
      LogPrintf("Move Time: %d milliseconds", Clock.ElapsedSeconds * 1000);
      LogPrintf(" %d  %d %d  %lld %s", d, score, Clock.ElapsedSeconds, static_cast<long long>(Nodes()),
                VariationText(line.Moves, line.Length));
    }
    // An iteration cut short, or one that had no time to search a single move, counts for nothing
    // (with MultiPV: unless its best line was complete).
    if ((StopNow && !(severalLines && LineCount > 0)) || score == NoScore) {
      LogPrintf("New v from PreviousBestValue %d\n", previousScore);
      score = previousScore;
    } else {
      completed = d;
    }
    RootScore = score;
    previousScore = score;

    // A command that ended the search has replaced its position: its lines would mislead.
    if (!Aborted) {
      if (severalLines) {
        // Only the lines asked for are shown (a weaker level searches more); one line, as usual.
        SearchInfo lines[MaxMultiPV];
        const int shown = std::min(LineCount, MultiPV);
        for (int k = 0; k < shown; k++)
          lines[k] = {d, LineScore[k], LinePV[k], LineLength[k], MultiPV > 1 ? k + 1 : 0};
        ReportLines(lines, shown);
      } else {
        const RootVariation line = BestLine(*bestFrom, *bestTo, *bestPromo);
        ReportIteration({d, score, line.Moves, line.Length});
      }
    }

    // The stop rules.
    if (MoveNow) break;
    if (Aborted) {
      if (!Limits.Ponder) {
        EndHelperSearch();
        best.Score = score;
        return best;  // the command that aborted takes over; nothing is played
      }
      WaitForCommand();
      break;
    }
    const NextIteration next = AfterIteration(d, score, limit);
    if (next == NextIteration::Stop) break;
    if (next == NextIteration::SearchedOut) {
      // Pondering and infinite analysis answer only when told to (a ponder search that had its
      // "ponderhit" is the engine's own and answers now).
      WaitForCommand();
      break;
    }
  }

  EndHelperSearch();
  if (!Aborted && !BookMovePlayed && LinesSearched() <= 1)
    TakeHelperIteration(completed, &d, &score, bestFrom, bestTo, bestPromo);
  if (!WaitsForStop() && Limits.FD == 0 && !Limits.NoClock() && !Aborted) KeepWholeSearchSpeed();

  // 9. The move, unless there is none or a command cancelled the search.
  const bool haveMove = *bestFrom != *bestTo && *bestFrom != 0;
  best.Playable = !Aborted && haveMove && score != -MateValue && score != MateValue && score != StalemateScore;
  const RootVariation line = BestLine(*bestFrom, *bestTo, *bestPromo);
  best.Score = ShownScore(line.Moves[0], score);  // the endgame tables' result where they know it
  ReportSearchEnd({std::max(d, 1), score, line.Moves, line.Length, MultiPV > 1 ? 1 : 0});
  return best;
}

void SearchRoutines::TakeHelperIteration(int completed, int* depth, int* score, uint64_t* bestFrom, uint64_t* bestTo,
                                         char* bestPromo) {
  FinishedIteration deeper;
  if (!TakeDeepestHelperIteration(&deeper) || deeper.Depth <= completed) return;
  // A deeper look is taken when it keeps this thread's move or finds a better score, and always
  // when it has the depth that was asked for, which this thread did not finish.
  const bool agrees = deeper.Line[0].Code == PV[0][0].Code;
  const bool reachedLimit = Limits.DepthLimit() > 0 && deeper.Depth >= Limits.DepthLimit();
  if (completed > 0 && !agrees && deeper.Score <= *score && !reachedLimit) return;
  TakeRootLine(deeper.Line, deeper.Length, bestFrom, bestTo, bestPromo);
  *depth = deeper.Depth;
  *score = RootScore = deeper.Score;
}

void SearchRoutines::PonderHit() {
  Limits.Ponder = false;
  // A fixed depth or a node limit keeps its own end; a clock budget starts now, and the time
  // spent pondering counts as spent on the move.
  if (Limits.FD != 0 || Limits.NoClock()) return;
  StartTimeBudget();
  PollCountdown = std::min(PollCountdown, TimedSearchPollInterval());
}

int SearchRoutines::SearchExactDepth(ChessBoard board, char depth, uint64_t* bestFrom, uint64_t* bestTo,
                                     char* bestPromo) {
  ResetForSearch(board, true);
  Clock.CompletedDepth = Limits.FD;
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
