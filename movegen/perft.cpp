// Perft: counts every legal move path from the game position to a fixed depth with the
// engine's own generators and move maker, to check them against known counts and to time them.

#include "movegen/perft.h"

#include <cinttypes>
#include <cstdio>

#include "board/bit_ops.h"
#include "board/clock.h"
#include "board/move_coordinates.h"
#include "driver/status.h"
#include "movegen/legal_move.h"
#include "movegen/move_gen.h"

namespace {

inline uint64_t KingOf(const ChessBoard& b, char colour) { return colour ? b.BlackKing : b.WhiteKing; }

// The tree walk. `board` belongs to the caller's frame; each move is made on a copy of it, which
// becomes the child position. At the last ply moves are only made when they might be illegal.
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
  if (depth == 1 && !trace) {
    // The last ply only counts: a move that cannot expose the king is legal as it stands, and
    // only the others are made and tested. Each legal move is both a node and a leaf.
    uint64_t legal = 0;
    for (int i = 0; i < n; ++i) {
      const uint64_t from = list.From[i];
      const uint64_t to = list.To[i];
      if (!MayExposeKing(filter, from)) {
        ++legal;
        continue;
      }
      uint8_t castleMask;
      board.MakeMove(from, to, list.Promotion[i], castleMask);
      legal += !board.InCheck(KingOf(board, colour), side);
      board.UndoMove(0);
    }
    counts.TotalNodes += legal;
    counts.LeafNodes += legal;
    return;
  }
  for (int i = 0; i < n; ++i) {
    const uint64_t from = list.From[i];
    const uint64_t to = list.To[i];
    const char promotion = list.Promotion[i];
    const bool mayExpose = MayExposeKing(filter, from);
    // The child is a copy of this position with the move made on it; this board stays as it is.
    ChessBoard child = board;
    uint8_t castleMask;
    child.MakeMove(from, to, promotion, castleMask);
    if (!mayExpose || !child.InCheck(KingOf(child, colour), side)) {
      ++counts.TotalNodes;
      if (trace) {
        // The move as the protocols print it, " e2e4 " and a line feed, then the node count.
        char text[8];
        *PutMoveCoordinates(text, SquareIndex(from), SquareIndex(to), promotion) = '\0';
        printf("<Move name=\"{  %s \nnodes %" PRIu64 "\">\n", text, counts.TotalNodes);
      }
      if (depth == 1) ++counts.LeafNodes;  // the child would only count itself
      else Walk(counts, other, depth - 1, child, castleFlags & castleMask, trace);
      if (trace) printf("</Move >\n} \n");
    }
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
