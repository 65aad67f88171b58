// The EPD test-suite runner: each line of the file is read as a position, shown, and searched
// to a fixed depth or only evaluated.

#include "shell/epd_suite.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/chess_board.h"
#include "board/fen.h"
#include "eval/position_evaluate.h"
#include "game/game_state.h"
#include "game/status.h"
#include "hash/move_history.h"
#include "search/search_routines.h"
#include "search/variation_text.h"
#include "shell/command_line.h"
#include "xboard/xboard_settings.h"

namespace {

constexpr int SuiteLineSize = 512;
constexpr int DefaultSuiteDepth = 3;

void SearchLine(const char* line) {
  printf("%s\n", line);
  if (Xboard.getFD() == 0) Xboard.setFD(DefaultSuiteDepth);
  const int depth = Xboard.getFD();
  SearchLimits limits;
  limits.Depth = limits.FD = static_cast<int8_t>(depth);
  limits.GamePly = MainStatus.GamePly;
  limits.UseBook = MainStatus.UseBook == 1;
  SetSearchLimits(limits);
  const SearchResult best = Search.ProgressiveDeepening(MainBoard);
  const int score = best.Score;
  if (best.From == 0 || best.To == 0 || score == -MateValue || score == StalemateScore) {
    printf("%d %d   (no legal move)\n", depth, score);
  } else {
    const RootVariation line = Search.BestLine(best.From, best.To, best.Promotion);
    printf("%d %d   %s", depth, score, VariationText(line.Moves, line.Length));
  }
  fflush(stdout);
}

int Evaluate() {
  MainBoard.InitPieceCounts();
  return PE.PosEval(MainBoard.SideToMove, -MateValue, MateValue, &MainBoard,
                    static_cast<char>(MainBoard.CastleFlags));
}

}  // namespace

void ParseEPDSuite(const char* path) {
  FILE* file = fopen(path, "r");
  if (!file) {
    printf("ERROR: opening file %s\n", path);
    fflush(stdout);
    exit(1);
  }
  printf("## file opened %s\n", path);
  fflush(stdout);
  printf("## Entering ParseEPDSuite and Opened data file\n");
  fflush(stdout);
  if (MainStatus.Mimic == 1) printf("In ParseEPDSuite and Mimic == STUDENT \n");

  char line[SuiteLineSize];
  int count = 0;
  for (;;) {
    const FileLine read = ReadFileLine(file, line, sizeof line);
    if (read == FileLine::End) break;
    if (read == FileLine::Failed) {
      printf("ERROR: reading file %s\n", path);
      fflush(stdout);
      exit(1);
    }
    count++;
    if (read == FileLine::TooLong) {
      printf("Line %d skipped: longer than %d characters\n", count, SuiteLineSize - 1);
      continue;
    }
    if (const char* reason = SetupBoard(line)) {
      printf("Line %d skipped: %s\n", count, reason);
      continue;
    }
    // Each line is a game of its own: no history, no fifty-move count carried over.
    MainBoard.FiftyMoveCount = 0;
    MainBoard.InitPieceCounts();
    MoveList.Init();
    if (MainStatus.Mimic == 0) ShowBoard(MainBoard);
    if (Modes.getDoTestSuite()) SearchLine(line);
    if (MainStatus.Mimic == 1) Evaluate();
    if (MainStatus.PEV) PrintEvaluation(MainBoard);
  }
  fclose(file);
  printf("%d\n", count);
  fflush(stdout);
}
