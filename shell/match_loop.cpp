// The match loop: per-match resets, the one-shot modes (perft, test suites, benchmarks) and play.

#include "shell/match_loop.h"

#include <cstdio>
#include <cstdlib>

#include "board/chess_board.h"
#include "board/log_file.h"
#include "game/game_state.h"
#include "game/status.h"
#include "hash/pawn_hash.h"
#include "hash/transposition_table.h"
#include "movegen/perft.h"
#include "xboard/console.h"
#include "search/search_report.h"
#include "search/search_routines.h"
#include "shell/annotate.h"
#include "shell/bench.h"
#include "shell/command_line.h"
#include "shell/epd_suite.h"
#include "uci/uci_protocol.h"
#include "xboard/commands.h"
#include "xboard/game_loop.h"
#include "xboard/xboard_settings.h"

const char* SuiteFile = nullptr;
char FirstWord[256];

namespace {

// Runs the suite named on the command line; a missing name is reported instead of read.
void RunSuite() {
  if (SuiteFile == nullptr) {
    printf("No test-suite file given\n");
    fflush(stdout);
    return;
  }
  ParseEPDSuite(SuiteFile);
}

// The modes that run once and end the program. Returns true when one of them ran.
bool RunOneShotMode() {
  // The review of a PGN file ends the process with its own exit status.
  if (Modes.Annotate) exit(RunAnnotate());
  if (Modes.PERFT == 1) {
    PerfT p(Xboard.getFD());
    (void)p;
    return true;
  }
  if (Modes.DoTestSuite) {
    RunSuite();
    return true;
  }
  if (MainStatus.Mimic == 1) {
    printf("## Mimic == STUDENT\n");
    fflush(stdout);
    RunSuite();
    return true;
  }
  if (MainStatus.PEV) {
    RunSuite();
    return true;
  }
  // The benchmarks end the process themselves.
  if (Modes.SATrain == 1) {
    Modes.BenchMode = 1;
    Bench();
    exit(0);
  }
  if (Modes.BenchMode == 1) {
    Bench();
    exit(0);
  }
  if (Modes.BenchMode == 2) {
    Bench2();
    exit(0);
  }
  // -bench3, -bench4 and -bench5 name no benchmark of their own: run the standard one rather
  // than play a game with input polling switched off.
  if (Modes.BenchMode >= 3) {
    Modes.BenchMode = 1;
    Bench();
    exit(0);
  }
  return false;
}

}  // namespace

int MatchLoop() {
  for (;;) {
    WriteLogFile("=====================================\n");
    WriteLogFile("Next Match\n");
    WriteLogFile("=====================================\n");
    if (Protocol.XboardMode == 1) {
      ClearPawnHash();
      PositionCache.ClearTranspositionTables();
    }
    Phashmisses = 0;
    Phashattempts = 0;
    Search.ClearHistory();

    if (RunOneShotMode()) return 0;

    if (!Protocol.XboardMode && !Protocol.UCIMode) {
      MainBoard.InitPieceCounts();
      if (!FirstScreenShown) {
        printf("\nHello! I am Orvo\n");
        printf("You play White: type moves such as e2e4 or Nf3 (go lets the engine move first); "
               "help lists the commands.\n");
        if (!Protocol.Person) printf("MAXDEPTH = %d\n", MainBoard.MaxDepth);
        fflush(stdout);
        ShowBoard(MainBoard);
      }
      // The word that told the protocol is the person's first command or move.
      TypeAheadWord(FirstWord);
      FirstWord[0] = '\0';
    }
    Xboard.HumanToMove = 1;
    GameLoop();

    if (Protocol.UCIMode == 1) {
      UCI.UCIPrep(FirstWord);
      if (UCI.KeepRunning == 1) MainStatus.PlayAgain = 1;
    }
    if (MainStatus.PlayAgain == 0) {
      CloseLogFile();
      // A GUI gets the farewell as a comment, which it ignores.
      if (const char* comment = Protocol.CommentPrefix()) printf("%sBye, Thanks for the match.\n", comment);
      fflush(stdout);
      return 0;
    }
  }
}
