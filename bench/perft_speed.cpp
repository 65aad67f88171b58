// Perft speed without the command line of the engine: perft_speed [depth [fen]]
// Runs the engine's perft on the start position (or the FEN given) and reports the
// nodes per second of the whole tree and the peak memory of the process.

#include <sys/resource.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "board/chess_board.h"
#include "board/clock.h"
#include "board/fen.h"
#include "board/keys.h"
#include "game/status.h"
#include "movegen/perft.h"

int main(int argc, char** argv) {
  const int depth = argc > 1 ? atoi(argv[1]) : 5;
  MainStatus.initVars();
  MainBoard.InitRep();
  initPStable();
  if (argc > 2) {
    if (const char* reason = SetupBoard(argv[2])) {
      printf("bad position: %s\n", reason);
      return 1;
    }
  }
  MainBoard.InitPieceCounts();
  MainBoard.FiftyMoveCount = 0;
  const int32_t start = ProcessClockMs();
  PerfT perft(depth);
  const int32_t elapsed = ProcessClockMs() - start;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const double seconds = elapsed > 0 ? elapsed / 1000.0 : 0.001;
  printf("perft_speed depth %d: %" PRIu64 " leaves, %" PRIu64 " total, %.3f s, %.0f total nodes/s, peak RSS %ld kB\n",
         depth, perft.LeafNodes, perft.TotalNodes, seconds, perft.TotalNodes / seconds, usage.ru_maxrss);
  return 0;
}
