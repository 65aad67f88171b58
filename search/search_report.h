#pragma once
// What the search tells the GUI or the person at the console: the thinking lines, the root move
// being searched, the lines that end a search, the speed it measured, book moves and traces. One
// function for each kind of news, each with its UCI, xboard and console form. Nothing else in the
// search writes to standard output.

#include <cstdint>

#include "movegen/order_tables.h"

// The protocol the engine speaks and its switches, set by the front end in use and read by
// everything that writes to the GUI or the person.
struct ProtocolSettings {
  int8_t XboardMode = 0;        // an xboard GUI
  int8_t UCIMode = 0;           // a UCI GUI
  int8_t Post = 0;              // thinking lines on (xboard "post", the console, UCI_AnalyseMode)
  int8_t Kibitz = 0;            // the end of each search told to the chess server
  int8_t CommentsRejected = 0;  // the xboard GUI answered "rejected debug"
  // Nothing of the search is shown: every Report function returns at once. For a search the
  // engine makes for itself while a front end waits (a game review, game/review.h).
  bool Silent = false;
  // The console speaks to a person (at a terminal, or "quiet"): none of the diagnostic lines it
  // writes for scripts (the book lookup, speeds, the time budget).
  int8_t Person = 0;

  // The start of a line that is no protocol message (a greeting, a speed measured, a farewell):
  // "" at the console and under UCI; under xboard "# ", a comment the GUI ignores, or nullptr
  // when the GUI refused comments (the line is then not sent at all).
  const char* CommentPrefix() const {
    if (XboardMode != 1 || UCIMode == 1) return "";
    return CommentsRejected ? nullptr : "# ";
  }
};
extern ProtocolSettings Protocol;

// The UCI option "UCI_ShowCurrLine": the root move under search is shown in long searches.
extern bool ShowCurrentMove;

// A score as the thinking lines show it. UCI: "cp X" or "mate N" (moves; negative when the
// engine is being mated). xboard and console: centipawns, and 100000 + N for "mate in N moves",
// -100000 - N for "mated in N moves".
const char* UciScoreText(int score);
int ThinkingScore(int score);

// One line of thinking as the search hands it over: the depth, the score and the variation
// that earns it (its first move the one to play). MultiPV numbers the line among several
// ("multipv N" under UCI); 0 for a line on its own.
struct SearchInfo {
  int Depth = 0;
  int Score = 0;
  const PVEntry* Line = nullptr;
  int Length = 0;
  int MultiPV = 0;
};

// UCI: "info depth N" as an iteration begins.
void ReportIterationStart(int depth);
// UCI: "info currmove e2e4 currmovenumber N" for the number-th legal root move, once a search
// is deep and long enough for a GUI to care.
void ReportCurrentMove(int depth, uint64_t from, uint64_t to, char promo, int number);
// A new best move at the root, or the best move so far when a stop cuts the iteration short:
// the UCI info line, or the xboard thinking line when thinking output is on.
void ReportBestLine(const SearchInfo& info);
// A new best move at the root: UCI GUIs see every one, xboard only those of deep iterations.
void ReportNewBestMove(const SearchInfo& info);
// The best line at the end of an iteration, when thinking output (or analysis) is on. xboard and
// the console see no line when the side to move has no move (mate or stalemate).
void ReportIteration(const SearchInfo& info);
// The lines of a search for several best lines (MultiPV), best first, at the end of an iteration.
void ReportLines(const SearchInfo* lines, int count);
// The last lines of a search: the best line once more (UCI always; xboard and console with
// thinking output), and the kibitz line when kibitzing; xboard and the console get neither when
// the side to move has no move.
void ReportSearchEnd(const SearchInfo& info);
// The book is about to be asked (the console sees it; under UCI the log).
void ReportBookLookup();
// The book chose the move.
void ReportBookMove(uint64_t from, uint64_t to, char promo);
// Analysis, before every iteration: the speed of this search and the time it has run. Under
// xboard these lines, the measured speed and the abort below are "# " comments, which GUIs ignore.
void ReportAnalysisSpeed(int32_t ms, int64_t nodes);
// The speed measured inside the tree of a timed search.
void ReportMeasuredSpeed(int32_t nodesPerSecond, int32_t ms);
// xboard "stat01": time, nodes, depth, root moves left and root moves in all.
void ReportStatus();
// A command arrived that ends the search (a new position, "quit", ...): word is its text.
void ReportAbort(const char* word);
// The console's view of the time budget of a move.
void ReportTimeBudget(int32_t timePerMove, int32_t timeLeft);
// The trace of table traffic ("traceflag"): what happened, the window and the position's keys.
void ReportTableTrace(const char* event, int score, int alpha, int beta, uint64_t upper, uint64_t lower);
