#pragma once
// A cheap first step of the legality test after a pseudo-legal move. A move can leave its own
// king attacked only when the side was already in check, when the king itself moves, when the
// piece leaves a line from the king on which an enemy slider of the matching kind stands (it
// may be pinned), or when an en passant capture also takes a pawn off the board. Every other
// move is legal without asking InCheck; for these the caller makes the move and asks.

#include <array>
#include <cstdint>

#include "board/bit_ops.h"
#include "board/chess_board.h"
#include "board/masks.h"

namespace legality_detail {

// File and rank steps of the eight directions: the four straight ones first.
constexpr int DirFile[8] = {0, 0, 1, -1, 1, 1, -1, -1};
constexpr int DirRank[8] = {1, -1, 0, 0, 1, -1, 1, -1};

// For each direction and square, the squares a slider would cross on an empty board.
constexpr std::array<std::array<uint64_t, 64>, 8> MakeRays() {
  std::array<std::array<uint64_t, 64>, 8> rays{};
  for (int d = 0; d < 8; ++d) {
    for (int sq = 0; sq < 64; ++sq) {
      uint64_t m = 0;
      for (int f = (sq & 7) + DirFile[d], r = (sq >> 3) + DirRank[d]; f >= 0 && f < 8 && r >= 0 && r < 8;
           f += DirFile[d], r += DirRank[d])
        m |= uint64_t{1} << (r * 8 + f);
      rays[d][sq] = m;
    }
  }
  return rays;
}

}  // namespace legality_detail

inline constexpr std::array<std::array<uint64_t, 64>, 8> EmptyBoardRays = legality_detail::MakeRays();

// What one node knows before trying its moves.
struct KingSafetyFilter {
  uint64_t King;     // the mover's king
  uint64_t Pinnable; // squares on a line between the king and an enemy slider that could use it
  uint64_t EnPassant; // own pawns beside an enemy pawn that has just made a double step
  bool InCheck;
};

inline KingSafetyFilter MakeKingSafetyFilter(const ChessBoard& b, int8_t colour, bool inCheck) {
  const bool black = colour != 0;
  KingSafetyFilter filter{black ? b.BlackKing : b.WhiteKing, 0, 0, inCheck};
  if (!filter.King || (filter.King & (filter.King - 1))) {
    filter.InCheck = true;  // no king or several: always ask
    return filter;
  }
  // An en passant capture takes two pawns off one rank, which may open it to the king; the
  // pawns that might capture so are always tested.
  const uint64_t theirStart = black ? Rank2 : Rank7, ourFifth = black ? Rank4 : Rank5;
  if ((b.LastFrom & theirStart) && (b.LastTo & ourFifth & (black ? b.WhitePawns : b.BlackPawns)))
    filter.EnPassant = (((b.LastTo << 1) & ~FileA) | ((b.LastTo >> 1) & ~FileH)) & (black ? b.BlackPawns : b.WhitePawns);
  const uint64_t queens = black ? b.WhiteQueens : b.BlackQueens;
  const uint64_t straight = (black ? b.WhiteRooks : b.BlackRooks) | queens;
  const uint64_t diagonal = (black ? b.WhiteBishops : b.BlackBishops) | queens;
  const int k = LowestSquare(filter.King);
  for (int d = 0; d < 8; ++d) {
    const uint64_t ray = EmptyBoardRays[d][k];
    if (ray & (d < 4 ? straight : diagonal)) filter.Pinnable |= ray;
  }
  return filter;
}

// True when a move from `from`, judged on the board before it is made, needs the full test.
inline bool MayExposeKing(const KingSafetyFilter& filter, uint64_t from) {
  return filter.InCheck || (from & (filter.King | filter.Pinnable | filter.EnPassant));
}

// The own pieces pinned to the king: each stands alone between the king and an enemy slider
// that moves along that line, so it may only move along the line (the king's ray through it,
// the slider's square included) without exposing the king. At most one piece per direction.
struct PinnedPieces {
  uint64_t Pinned;
  int Count;
  uint64_t Piece[8];
  uint64_t Line[8];

  // The squares a pinned piece may move to without leaving its line; every square for another.
  uint64_t LineOf(uint64_t piece) const {
    if (!(piece & Pinned)) return ~uint64_t{0};
    for (int p = 0;; ++p)
      if (Piece[p] == piece) return Line[p];
  }
};

// `king` is the colour's one king.
inline PinnedPieces FindPinnedPieces(const ChessBoard& b, int8_t colour, uint64_t king) {
  const bool black = colour != 0;
  PinnedPieces pins{0, 0, {}, {}};
  const uint64_t own = black ? b.BlackPieces : b.WhitePieces;
  const uint64_t queens = black ? b.WhiteQueens : b.BlackQueens;
  const uint64_t straight = (black ? b.WhiteRooks : b.BlackRooks) | queens;
  const uint64_t diagonal = (black ? b.WhiteBishops : b.BlackBishops) | queens;
  const int k = LowestSquare(king);
  for (int d = 0; d < 8; ++d) {
    const uint64_t ray = EmptyBoardRays[d][k];
    const uint64_t sliders = ray & (d < 4 ? straight : diagonal);
    if (!sliders) continue;
    // Along a ray of rising square index the piece nearest the king is the lowest one.
    const bool rising = legality_detail::DirRank[d] > 0 || (legality_detail::DirRank[d] == 0 && legality_detail::DirFile[d] > 0);
    uint64_t blockers = ray & b.AllPieces;
    const uint64_t first = rising ? blockers & (~blockers + 1) : SquareMask(static_cast<int>(BSR(blockers)));
    if (!(first & own)) continue;
    blockers ^= first;
    if (!blockers) continue;
    const uint64_t second = rising ? blockers & (~blockers + 1) : SquareMask(static_cast<int>(BSR(blockers)));
    if (!(second & sliders)) continue;
    pins.Pinned |= first;
    pins.Piece[pins.Count] = first;
    pins.Line[pins.Count] = ray;
    ++pins.Count;
  }
  return pins;
}
