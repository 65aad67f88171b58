// Evaluation speed: full-window evaluations per second over a fixed set of positions, with
// the pawn hash warm as it is during a search.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "board/chess_board.h"
#include "board/fen.h"
#include "board/keys.h"
#include "eval/position_evaluate.h"
#include "hash/pawn_hash.h"

namespace {

const char* const Positions[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r1bqkbnr/pppp1ppp/2n5/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R b KQkq - 3 3",
    "r1bq1rk1/pp2ppbp/2np1np1/8/3NP3/2N1BP2/PPPQ2PP/R3KB1R w KQ - 0 9",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "2r2rk1/pp1bqppp/2n1pn2/3p4/2PP4/P1NBPN2/1PQ2PPP/R4RK1 b - - 0 12",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    "6k1/5pp1/8/8/8/8/r4PPP/3R2K1 w - - 0 1",
    "8/5pk1/6p1/8/3P4/1P3K2/P7/8 w - - 0 40",
    "8/2k5/8/2b5/5N2/4K3/2P3P1/8 w - - 0 1",
    "4k3/2p5/8/3P4/8/8/5PP1/4K3 w - - 0 1",
    "r5k1/1b3ppp/8/8/8/8/1B3PPP/R5K1 w - - 0 1",
    "3q2k1/5ppp/8/8/8/8/5PPP/3Q2K1 b - - 0 1",
};

}  // namespace

int main(int argc, char** argv) {
  initPStable();
  std::vector<ChessBoard> boards;
  for (const char* fen : Positions) {
    if (const char* reason = SetupBoard(fen)) {
      std::printf("cannot set up %s: %s\n", fen, reason);
      return 1;
    }
    ChessBoard b = MainBoard;
    b.InitPieceCounts();
    b.FiftyMoveCount = 0;
    b.CheckDraw(0);
    genpawnhashcode(b.SideToMove, b, &b.PawnKingKey);
    boards.push_back(b);
  }

  // An optional argument sets the number of rounds (a short run for profiling).
  const int Rounds = argc > 1 ? std::atoi(argv[1]) : 200000;
  if (Rounds < 1) return 1;
  long long checksum = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int round = 0; round < Rounds; ++round)
    for (ChessBoard& b : boards) checksum += PE.PosEval(b.SideToMove, -110000, 110000, &b, 0);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double evaluations = static_cast<double>(Rounds) * static_cast<double>(boards.size());
  std::printf("Evaluation speed: %.0f evaluations per second (%zu positions x %d rounds, %.2f s, checksum %lld)\n",
              evaluations / seconds, boards.size(), Rounds, seconds, checksum);
  std::printf("Pawn misses %d Pawn attempts %d\n", Phashmisses, Phashattempts);
  return 0;
}
