// The search's output in its three forms: UCI info lines, xboard thinking lines and the console's
// (the xboard form). See search_report.h.

#include "search/search_report.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "board/bit_ops.h"
#include "board/clock.h"
#include "board/log_file.h"
#include "game/move_text.h"
#include "hash/transposition_table.h"
#include "search/search_routines.h"
#include "search/threads.h"
#include "search/time_budget.h"

ProtocolSettings Protocol;
bool ShowCurrentMove = true;

namespace {

bool Uci() { return Protocol.UCIMode == 1; }

// Mated or stalemated at the root the search has no move (its best move is the null a1a1): there
// is no line to show, the game-end announcement says it all.
bool NoMove(uint64_t from, uint64_t to) { return from == to; }

// Only the main thread reports; a helper thread searching beside it at the root is silent.
bool Silent() { return Search.Helper; }

int32_t SearchMs() { return std::max<int32_t>(ProcessClockMs() - Clock.StartTime, 0); }

// Mate distance of a mate score in moves (positive: the side to move mates), 0 for other scores.
int MateInMoves(int score) {
  if (score > MateBound && score <= MateValue) return (MateValue - score + 1) / 2;
  if (score < -MateBound && score >= -MateValue) return -((score + MateValue) / 2);
  return 0;
}

// One UCI "info" line for the best line: depth, seldepth, score, nodes, nps (left out before the
// first millisecond), hashfull, time and the variation, ending right after its last move.
// multipv > 0 numbers the line among several ("multipv N").
void PrintUciInfoLine(int depth, int score, const char* variation, int multipv = 0) {
  const int64_t nodes = SearchNodesAllThreads();
  const int32_t ms = SearchMs();
  char nps[32] = "";
  if (ms > 0) snprintf(nps, sizeof nps, " nps %lld", static_cast<long long>(nodes * 1000 / ms));
  // The variation text is the thinking lines' (" e2e4 e7e5 \n"): the line ends at its last move.
  int length = static_cast<int>(strlen(variation));
  while (length > 0 && (variation[length - 1] == ' ' || variation[length - 1] == '\n')) length--;
  char line[32] = "";
  if (multipv > 0) snprintf(line, sizeof line, " multipv %d", multipv);
  printf("info depth %d seldepth %d%s score %s nodes %lld%s hashfull %d time %d pv%.*s\n", depth,
         std::max(Clock.SearchDepthReached, depth), line, UciScoreText(score), static_cast<long long>(nodes),
         nps, PositionCache.HashFull(), ms, length, variation);
}

// One xboard or console thinking line, "ply score time nodes pv": the time in centiseconds.
void PrintThinkingLine(int depth, int score, const char* variation) {
  printf("%d %d %d %lld %s", depth, ThinkingScore(score), SearchMs() / 10,
         static_cast<long long>(SearchNodesAllThreads()), variation);
}

// The line of the front end in use for one best line.
void PrintLine(int depth, int score, const char* variation, int multipv = 0) {
  if (Uci())
    PrintUciInfoLine(depth, score, variation, multipv);
  else
    PrintThinkingLine(depth, score, variation);
}

}  // namespace

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

void ReportIterationStart(int depth) {
  if (!Uci() || Silent()) return;
  printf("info depth %d\n", depth);
  fflush(stdout);
}

void ReportCurrentMove(int depth, uint64_t from, uint64_t to, int number) {
  if (!Uci() || Silent()) return;
  if (ShowCurrentMove && depth > 8 && Search.Nodes() > 3LL * Clock.NodesPerSecond) {
    const int f = LowestSquare(from), t = LowestSquare(to);
    printf("info currmove %c%d%c%d currmovenumber %d\n", 'a' + (f & 7), f / 8 + 1, 'a' + (t & 7), t / 8 + 1, number);
  }
  fflush(stdout);
}

void ReportBestLine(int depth, int score, uint64_t from, uint64_t to, char promo) {
  if (Silent()) return;
  const char* variation = BestLineText(from, to, promo, score);
  if (Uci())
    PrintUciInfoLine(depth, score, variation);
  else if (Protocol.XboardMode == 1 && Protocol.Post && !NoMove(from, to))
    PrintThinkingLine(depth, score, variation);
  fflush(stdout);
}

void ReportNewBestMove(int depth, int score, uint64_t from, uint64_t to, char promo) {
  if (Uci() || depth > 7) ReportBestLine(depth, score, from, to, promo);
}

void ReportIteration(int depth, int score, uint64_t from, uint64_t to, char promo) {
  if (!Protocol.Post && !Search.Limits.Infinite) return;
  if (!Uci() && NoMove(from, to)) return;
  const char* variation = BestLineText(from, to, promo, score);
  // A long iteration is announced once more, after an empty line, so that it stands out.
  if (!Uci() && Protocol.Post && Clock.ElapsedSeconds > 3) {
    PrintThinkingLine(depth, score, variation);
    printf("\n");
  }
  PrintLine(depth, score, variation);
  fflush(stdout);
}

void ReportLines(int depth) {
  if (!Uci() && !Protocol.Post && !Search.Limits.Infinite) return;
  SearchRoutines& S = Search;
  // The variation text is read from PV row 0: each line goes there in turn, then the best again.
  // Only the lines asked for are shown (a weaker level searches more); one line, as usual.
  const int shown = std::min(S.LineCount, S.MultiPV);
  for (int k = 0; k < shown; k++) {
    S.ShowLine(k);
    const PVEntry move = S.LinePV[k][0];
    const char* variation =
        BestLineText(SquareMask(move.Code >> 6), SquareMask(move.Code & 63), move.Promotion, S.LineScore[k]);
    PrintLine(depth, S.LineScore[k], variation, S.MultiPV > 1 ? k + 1 : 0);
  }
  if (S.LineCount > 0) S.ShowLine(0);
  fflush(stdout);
}

void ReportSearchEnd(int depth, int score, uint64_t from, uint64_t to, char promo) {
  const SearchRoutines& S = Search;
  const char* variation = BestLineText(from, to, promo, score);
  if (Uci()) {
    PrintUciInfoLine(depth, score, variation, S.MultiPV > 1 ? 1 : 0);
  } else if (!NoMove(from, to)) {
    if (Protocol.Post && !S.Aborted) PrintThinkingLine(depth, score, variation);
    if (Protocol.Kibitz) {
      if (S.BookMovePlayed)
        printf("tellics kibitz Book Move\n");
      else
        printf("tellics kibitz ply=%d v=%d centipawns millisecs=%d Nodes=%lld nps=%d %s\n", Clock.CompletedDepth,
               score / 10, std::max(Clock.ElapsedSeconds, 1) * 1000, static_cast<long long>(SearchNodesAllThreads()),
               Clock.NodesPerSecond, variation);
    }
  }
  fflush(stdout);
}

void ReportBookLookup() {
  // A UCI GUI reads only UCI lines: there the header goes to the log.
  if (Uci()) WriteLogFile("Look through the Opening Book");
  else if (Protocol.XboardMode != 1) printf("Look through the Opening Book\n");
}

void ReportBookMove(uint64_t from, uint64_t to, char promo) {
  if (Uci()) {
    // A UCI GUI reads only UCI lines: the book move is named in an info string.
    char move[MoveTextSize];
    fillmovestring(move, 0, static_cast<uint8_t>(LowestSquare(from)), static_cast<uint8_t>(LowestSquare(to)), promo,
                   0);
    move[strcspn(move + 1, " \n") + 1] = '\0';
    printf("info string book move %s\n", move + 1);
  } else {
    printf("tellics kibitz Opening Book Move\n");
  }
  fflush(stdout);
}

void ReportAnalysisSpeed(int32_t ms, int64_t nodes) {
  // The speed shown is this search's own, once a millisecond has passed; never a guess.
  const char* comment = Protocol.CommentPrefix();
  if (comment == nullptr) return;
  if (ms > 0) printf("%sinfo nps %lld\n", comment, static_cast<long long>(nodes * 1000 / ms));
  printf("%sinfo time %d\n", comment, std::max(ms, 0));
  fflush(stdout);
}

void ReportMeasuredSpeed(int32_t nodesPerSecond, int32_t ms) {
  const char* comment = Protocol.CommentPrefix();
  if (comment == nullptr) return;
  printf("%sinfo nps %d time %d\n", comment, nodesPerSecond, ms);
  fflush(stdout);
}

void ReportStatus() {
  const SearchRoutines& S = Search;
  printf("stat01: %d %lld %d %d %d\n", (ProcessClockMs() - Clock.StartTime) / 10,
         static_cast<long long>(SearchNodesAllThreads()), S.IterationDepth, S.RootMoveTotal - S.RootMovesDone, S.RootMoveTotal);
  fflush(stdout);
}

void ReportAbort(const char* word) {
  // The console's line starts with a blank, the comment with its "# " instead.
  const char* comment = Protocol.CommentPrefix();
  if (comment == nullptr) return;
  printf("%sSearch Aborted due to receiveing following string: %s\n", *comment ? comment : " ", word);
  fflush(stdout);
}

void ReportTimeBudget(int32_t timePerMove, int32_t timeLeft) {
  // The moves per session the console's clock assumes.
  constexpr int32_t DefaultMovesPerSession = 50;
  if (Protocol.XboardMode == 1 || Uci()) return;
  printf("Time Per Move = %d\n", timePerMove);
  printf("Time Left = %d\n", timeLeft);
  printf("DefaultMovesPerSession = %d\n", DefaultMovesPerSession);
  fflush(stdout);
}

void ReportTableTrace(const char* event, int score, int alpha, int beta, uint64_t upper, uint64_t lower) {
  printf("%s: v=%d alpha=%d beta=%d\n", event, score, alpha, beta);
  printf("Upper HC %llu Lower HC %llu\n", static_cast<unsigned long long>(upper),
         static_cast<unsigned long long>(lower));
}
