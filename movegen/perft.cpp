// Perft: counts every legal move path from the game position to a fixed depth with the
// engine's own generators and move maker, to check them against known counts and to time them.

#include "movegen/perft.h"

#include <cinttypes>
#include <cstdio>

#include "board/bit_ops.h"
#include "driver/clock.h"
#include "driver/move_text.h"
#include "driver/status.h"
#include "movegen/legal_move.h"
#include "movegen/move_gen.h"

namespace {

inline uint64_t KingOf(const ChessBoard& b, char colour) { return colour ? b.BlackKing : b.WhiteKing; }

inline int SquareIndex(uint64_t sq) { return sq ? __builtin_ctzll(sq) : 0; }

// The tree walk. `board` belongs to the caller's frame and is used as scratch: each move is
// made on it, tested, and taken back; the child position is a copy.
void Walk(PerfT& counts, char colour, int depth, ChessBoard& board, uint8_t castleFlags, bool trace) {
  if (depth < 1) {
    ++counts.LeafNodes;
    return;
  }
  MoveGen list;
  const int8_t side = colour ? Black : White;
  const uint64_t king = KingOf(board, colour);
  const bool inCheck = board.InCheck(king, side);
  const int n = inCheck ? list.GenCheckEvasions(side, &board) : list.GenerateAllMoves(side, &board, castleFlags);
  const KingSafetyFilter filter = MakeKingSafetyFilter(board, side, inCheck);
  const char other = colour ? White : Black;
  for (int i = 0; i < n; ++i) {
    const uint64_t from = list.From[i];
    const uint64_t to = list.To[i];
    const char promotion = list.Promotion[i];
    const bool mayExpose = MayExposeKing(board, filter, from, to);
    uint8_t castleMask;
    board.MakeMove(from, to, promotion, castleMask);
    if (!mayExpose || !board.InCheck(KingOf(board, colour), side)) {
      ++counts.TotalNodes;
      if (trace) {
        char text[MoveTextSize];
        fillmovestring(text, 0, static_cast<uint8_t>(SquareIndex(from)), static_cast<uint8_t>(SquareIndex(to)),
                       promotion, 0);
        printf("<Move name=\"{ %snodes %" PRIu64 "\">\n", text, counts.TotalNodes);
      }
      if (depth == 1) {
        ++counts.LeafNodes;  // the child would only count itself
      } else {
        ChessBoard child = board;
        Walk(counts, other, depth - 1, child, castleFlags & castleMask, trace);
      }
      if (trace) printf("</Move >\n} \n");
    }
    board.UndoMove(0);
  }
}

}  // namespace

PerfT::PerfT(int depth) : TotalNodes(0), LeafNodes(0) {
  printf("Starting PerfT test \n");
  const int32_t start = ProcessClockMs();
  const bool trace = MainStatus.TraceFlag == 1;
  if (trace) printf("<Trace name=\"Perft\">\n");
  PerformanceTest(MainBoard.SideToMove, depth, MainBoard, static_cast<char>(MainBoard.CastleFlags));
  if (trace) printf("</Trace>\n");
  const int32_t elapsed = ProcessClockMs() - start;
  // A run shorter than one clock tick is rated as if it had taken one tick.
  const uint64_t ticks = elapsed > 0 ? static_cast<uint64_t>(elapsed) : 1;
  printf("%" PRIu64 " Total Nodes at Depth = %d\n", TotalNodes, depth);
  printf("%" PRIu64 " Leaf Nodes at Depth = %d\n", LeafNodes, depth);
  printf("%" PRIu64 " NPS\n", TotalNodes / ticks * 1000);
  fflush(stdout);
}

void PerfT::PerformanceTest(char colour, int depth, ChessBoard board, char castleFlags) {
  Walk(*this, colour, depth, board, static_cast<uint8_t>(castleFlags), MainStatus.TraceFlag == 1);
}
