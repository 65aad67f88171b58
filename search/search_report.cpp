// The search's output in its three forms: UCI info lines, xboard thinking lines and the console's
// (the xboard form). See search_report.h.

#include "search/search_report.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "board/bit_ops.h"
#include "board/clock.h"
#include "board/log_file.h"
#include "board/move_coordinates.h"
#include "hash/transposition_table.h"
#include "search/search_routines.h"
#include "search/threads.h"
#include "search/time_budget.h"
#include "search/variation_text.h"

ProtocolSettings Protocol;
bool ShowCurrentMove = true;

namespace {

bool Uci() { return Protocol.UCIMode == 1; }

// Mated or stalemated at the root the search has no move (its best move is the null a1a1): there
// is no line to show, the game-end announcement says it all.
bool NoMove(const SearchInfo& info) {
  if (info.Length < 1) return true;
  const uint16_t code = info.Line[0].Code;
  return (code >> 6 & 63) == (code & 63);
}

// Only the main thread reports; a helper thread searching beside it at the root is silent, and
// so is every thread of a search told to be (Protocol.Silent).
bool Silent() { return Search.Helper || Protocol.Silent; }

int32_t SearchMs() { return std::max<int32_t>(ProcessClockMs() - Clock.StartTime, 0); }

// Mate distance of a mate score in moves (positive: the side to move mates), 0 for other scores.
int MateInMoves(int score) {
  if (score > MateBound && score <= MateValue) return (MateValue - score + 1) / 2;
  if (score < -MateBound && score >= -MateValue) return -((score + MateValue) / 2);
  return 0;
}

// One UCI "info" line for the best line: depth, seldepth, score, nodes, nps (left out before the
// first millisecond), hashfull, tbhits (the endgame tables' answers), time and the variation,
// ending right after its last move.
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
  printf("info depth %d seldepth %d%s score %s nodes %lld%s hashfull %d tbhits %lld time %d pv%.*s\n", depth,
         std::max(Clock.SearchDepthReached, depth), line, UciScoreText(score), static_cast<long long>(nodes),
         nps, PositionCache.HashFull(), static_cast<long long>(SearchTableHitsAllThreads()), ms, length, variation);
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

const char* LineText(const SearchInfo& info) { return VariationText(info.Line, info.Length); }

// The score a line shows: where the endgame tables know the root, their result for its move.
int Shown(const SearchInfo& info) {
  return info.Length > 0 ? Search.ShownScore(info.Line[0], info.Score) : info.Score;
}

}  // namespace

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

void ReportCurrentMove(int depth, uint64_t from, uint64_t to, char promo, int number) {
  if (!Uci() || Silent()) return;
  if (ShowCurrentMove && depth > 8 && Search.Nodes() > 3LL * Clock.NodesPerSecond) {
    // A promotion names its piece ("e7e8q"), as in every other move a UCI GUI reads.
    char move[8];
    *PutMoveCoordinates(move, LowestSquare(from), LowestSquare(to), promo) = '\0';
    printf("info currmove %s currmovenumber %d\n", move, number);
  }
  fflush(stdout);
}

void ReportBestLine(const SearchInfo& info) {
  if (Silent()) return;
  const char* variation = LineText(info);
  if (Uci())
    PrintUciInfoLine(info.Depth, Shown(info), variation);
  else if (Protocol.XboardMode == 1 && Protocol.Post && !NoMove(info))
    PrintThinkingLine(info.Depth, Shown(info), variation);
  fflush(stdout);
}

void ReportNewBestMove(const SearchInfo& info) {
  if (Uci() || info.Depth > 7) ReportBestLine(info);
}

void ReportIteration(const SearchInfo& info) {
  if (Protocol.Silent) return;
  if (!Protocol.Post && !Search.Limits.Infinite) return;
  if (!Uci() && NoMove(info)) return;
  const char* variation = LineText(info);
  // A long iteration is announced once more, after an empty line, so that it stands out.
  if (!Uci() && Protocol.Post && Clock.ElapsedSeconds > 3) {
    PrintThinkingLine(info.Depth, Shown(info), variation);
    printf("\n");
  }
  PrintLine(info.Depth, Shown(info), variation);
  fflush(stdout);
}

void ReportLines(const SearchInfo* lines, int count) {
  if (Protocol.Silent) return;
  if (!Uci() && !Protocol.Post && !Search.Limits.Infinite) return;
  for (int k = 0; k < count; k++) PrintLine(lines[k].Depth, Shown(lines[k]), LineText(lines[k]), lines[k].MultiPV);
  fflush(stdout);
}

void ReportSearchEnd(const SearchInfo& info) {
  if (Protocol.Silent) return;
  const SearchRoutines& S = Search;
  const char* variation = LineText(info);
  if (Uci()) {
    PrintUciInfoLine(info.Depth, Shown(info), variation, info.MultiPV);
  } else if (!NoMove(info)) {
    if (Protocol.Post && !S.Aborted) PrintThinkingLine(info.Depth, Shown(info), variation);
    if (Protocol.Kibitz) {
      if (S.BookMovePlayed)
        printf("tellics kibitz Book Move\n");
      else
        printf("tellics kibitz ply=%d v=%d centipawns millisecs=%d Nodes=%lld nps=%d %s\n", Clock.CompletedDepth,
               Shown(info) / 10, std::max(Clock.ElapsedSeconds, 1) * 1000,
               static_cast<long long>(SearchNodesAllThreads()), Clock.NodesPerSecond, variation);
    }
  }
  fflush(stdout);
}

void ReportBookLookup() {
  if (Protocol.Silent) return;
  // A UCI GUI reads only UCI lines: there the header goes to the log.
  if (Uci()) WriteLogFile("Look through the Opening Book");
  else if (Protocol.XboardMode != 1 && !Protocol.Person) printf("Look through the Opening Book\n");
}

void ReportBookMove(uint64_t from, uint64_t to, char promo) {
  if (Protocol.Silent) return;
  if (Uci()) {
    // A UCI GUI reads only UCI lines: the book move is named in an info string.
    char move[8];
    *PutMoveCoordinates(move, LowestSquare(from), LowestSquare(to), promo) = '\0';
    printf("info string book move %s\n", move);
  } else if (!Protocol.Person) {
    printf("tellics kibitz Opening Book Move\n");
  }
  fflush(stdout);
}

void ReportAnalysisSpeed(int32_t ms, int64_t nodes) {
  if (Protocol.Silent) return;
  // The speed shown is this search's own, once a millisecond has passed; never a guess.
  const char* comment = Protocol.CommentPrefix();
  if (comment == nullptr || Protocol.Person) return;
  if (ms > 0) printf("%sinfo nps %lld\n", comment, static_cast<long long>(nodes * 1000 / ms));
  printf("%sinfo time %d\n", comment, std::max(ms, 0));
  fflush(stdout);
}

void ReportMeasuredSpeed(int32_t nodesPerSecond, int32_t ms) {
  if (Protocol.Silent) return;
  const char* comment = Protocol.CommentPrefix();
  if (comment == nullptr || Protocol.Person) return;
  printf("%sinfo nps %d time %d\n", comment, nodesPerSecond, ms);
  fflush(stdout);
}

void ReportStatus() {
  if (Protocol.Silent) return;
  const SearchRoutines& S = Search;
  printf("stat01: %d %lld %d %d %d\n", (ProcessClockMs() - Clock.StartTime) / 10,
         static_cast<long long>(SearchNodesAllThreads()), S.IterationDepth, S.RootMoveTotal - S.RootMovesDone, S.RootMoveTotal);
  fflush(stdout);
}

void ReportAbort(const char* word) {
  if (Protocol.Silent) return;
  // The console's line starts with a blank, the comment with its "# " instead.
  const char* comment = Protocol.CommentPrefix();
  if (comment == nullptr) return;
  printf("%sSearch Aborted due to receiveing following string: %s\n", *comment ? comment : " ", word);
  fflush(stdout);
}

void ReportTimeBudget(int32_t timePerMove, int32_t timeLeft) {
  if (Protocol.Silent) return;
  // The moves per session the console's clock assumes.
  constexpr int32_t DefaultMovesPerSession = 50;
  if (Protocol.XboardMode == 1 || Uci() || Protocol.Person) return;
  printf("Time Per Move = %d\n", timePerMove);
  printf("Time Left = %d\n", timeLeft);
  printf("DefaultMovesPerSession = %d\n", DefaultMovesPerSession);
  fflush(stdout);
}

void ReportTableTrace(const char* event, int score, int alpha, int beta, uint64_t upper, uint64_t lower) {
  if (Protocol.Silent) return;
  printf("%s: v=%d alpha=%d beta=%d\n", event, score, alpha, beta);
  printf("Upper HC %llu Lower HC %llu\n", static_cast<unsigned long long>(upper),
         static_cast<unsigned long long>(lower));
}
