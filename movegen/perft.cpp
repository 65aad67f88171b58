// Perft: counts every legal move path from the game position to a fixed depth with the
// engine's own generators and move maker, to check them against known counts and to time them.

#include "movegen/perft.h"

#include <cinttypes>
#include <cstdio>

#include "board/attack_tables.h"
#include "board/bit_ops.h"
#include "board/clock.h"
#include "board/log_file.h"
#include "board/move_coordinates.h"
#include "movegen/legal_move.h"
#include "movegen/move_gen.h"

namespace {

inline uint64_t KingOf(const ChessBoard& b, char colour) { return colour ? b.BlackKing : b.WhiteKing; }

// The legal moves of a side that is not in check and has one king, counted without listing
// them; the moves counted are exactly those GenerateAllMoves lists and MakeMove plays. A piece
// that is not pinned may make every move of its target set; a pinned one only those along its
// line to the king. The king's steps are tested with the king lifted off the board, so that a
// slider's ray runs through its square. Castling and en passant, the moves that take or move a
// second piece, are made and tested. Returns -1 for a position crowded enough (an edited one,
// with many queens) that its list might overflow; that one is counted by the list.
template <bool Black>
int64_t CountLastPly(ChessBoard& board, MoveGen& list, uint8_t castleFlags, uint64_t king) {
  constexpr int8_t Side = Black ? ::Black : ::White;
  const uint64_t knights = Black ? board.BlackKnights : board.WhiteKnights;
  const uint64_t bishops = Black ? board.BlackBishops : board.WhiteBishops;
  const uint64_t rooks = Black ? board.BlackRooks : board.WhiteRooks;
  const uint64_t queens = Black ? board.BlackQueens : board.WhiteQueens;
  const uint64_t pawns = Black ? board.BlackPawns : board.WhitePawns;
  // No piece has more moves than these: a queen 27, a rook 14, a bishop 13, a knight or the king
  // 8, a pawn 4, castling 2.
  if (27 * PopCount(queens) + 14 * PopCount(rooks) + 13 * PopCount(bishops) + 8 * PopCount(knights) +
          4 * PopCount(pawns) + 10 >= MaxMoves)
    return -1;
  const uint64_t own = Black ? board.BlackPieces : board.WhitePieces;
  const uint64_t occupied = board.AllPieces;
  const PinnedPieces pins = FindPinnedPieces(board, Side, king);
  int64_t legal = 0;
  auto countPieces = [&](uint64_t pieces, auto attacks) {
    for (; pieces; pieces &= pieces - 1) {
      const uint64_t from = pieces & (~pieces + 1);
      uint64_t targets = attacks(LowestSquare(from)) & ~own;
      if (from & pins.Pinned) targets &= pins.LineOf(from);
      legal += PopCount(targets);
    }
  };
  countPieces(knights, [](int sq) { return attacktab::Knight[sq]; });
  countPieces(bishops, [occupied](int sq) { return attacktab::Bishop(sq, occupied); });
  countPieces(rooks, [occupied](int sq) { return attacktab::Rook(sq, occupied); });
  countPieces(queens, [occupied](int sq) { return attacktab::Queen(sq, occupied); });

  const PawnTargets t = PawnTargetsOf<Black>(board);
  const uint64_t freePawns = t.Pawns & ~pins.Pinned;
  legal += PopCount(t.Single & PawnForward<Black>(freePawns, 8)) + PopCount(t.Twice & PawnForward<Black>(freePawns, 16)) +
           PopCount(t.First & PawnForward<Black>(freePawns, 7)) + PopCount(t.Second & PawnForward<Black>(freePawns, 9));
  for (uint64_t p = t.Pawns & pins.Pinned; p; p &= p - 1) {
    const uint64_t from = p & (~p + 1);
    const uint64_t targets = (t.Single & PawnForward<Black>(from, 8)) | (t.Twice & PawnForward<Black>(from, 16)) |
                             (t.First & PawnForward<Black>(from, 7)) | (t.Second & PawnForward<Black>(from, 9));
    legal += PopCount(targets & pins.LineOf(from));
  }

  uint8_t castleMask;
  for (uint64_t p = t.EnPassantFrom; p; p &= p - 1) {
    board.MakeMove(p & (~p + 1), t.EnPassantTo, NoPromotion, castleMask);
    legal += !board.InCheck(KingOf(board, Side), Side);
    board.UndoMove(0);
  }
  if (castleFlags & (Black ? 12 : 3)) {
    list.Board = &board;
    const int n = list.GenCastle(Side, 0, castleFlags);
    for (int i = 0; i < n; ++i) {
      board.MakeMove(list.From[i], list.To[i], list.Promotion[i], castleMask);
      legal += !board.InCheck(KingOf(board, Side), Side);
      board.UndoMove(0);
    }
  }

  board.AllPieces ^= king;
  for (uint64_t to = attacktab::King[LowestSquare(king)] & ~own; to; to &= to - 1)
    legal += !board.InCheck(to & (~to + 1), Side);
  board.AllPieces ^= king;
  return legal;
}

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
  if (depth == 1 && !trace && !inCheck && IsOneSquare(king)) {
    // Each legal move at the last ply is both a node and a leaf.
    const int64_t legal = colour ? CountLastPly<true>(board, list, castleFlags, king)
                                 : CountLastPly<false>(board, list, castleFlags, king);
    if (legal >= 0) {
      counts.TotalNodes += static_cast<uint64_t>(legal);
      counts.LeafNodes += static_cast<uint64_t>(legal);
      return;
    }
  }
  const int n = inCheck ? list.GenCheckEvasions(side, &board) : list.GenerateAllMoves(side, &board, castleFlags);
  const KingSafetyFilter filter = MakeKingSafetyFilter(board, side, inCheck);
  const char other = colour ? White : Black;
  if (depth == 1 && !trace) {
    // The last ply from the list: a move that cannot expose the king is legal as it stands, and
    // only the others are made and tested.
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
  const bool trace = TraceFlag == 1;
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

int PerfT::Divide(const ChessBoard& board, int depth, PerftRootMove* out) {
  ChessBoard root = board;
  const char colour = root.SideToMove ? Black : White;
  const int8_t side = colour;
  const uint8_t castleFlags = root.CastleFlags;
  MoveGen list;
  const int n = root.InCheck(KingOf(root, colour), side) ? list.GenCheckEvasions(side, &root)
                                                         : list.GenerateAllMoves(side, &root, castleFlags);
  int count = 0;
  for (int i = 0; i < n; ++i) {
    ChessBoard child = root;
    uint8_t castleMask;
    child.MakeMove(list.From[i], list.To[i], list.Promotion[i], castleMask);
    if (child.InCheck(KingOf(child, colour), side)) continue;
    PerfT counts(Quiet{});
    Walk(counts, colour ? White : Black, depth - 1, child, castleFlags & castleMask, false);
    out[count++] = PerftRootMove{list.From[i], list.To[i], list.Promotion[i], counts.LeafNodes};
  }
  return count;
}

void PerfT::PerformanceTest(char colour, int depth, ChessBoard board, char castleFlags) {
  Walk(*this, colour, depth, board, static_cast<uint8_t>(castleFlags), TraceFlag == 1);
}
