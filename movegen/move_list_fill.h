#pragma once
// Appending moves to a move list, and the generator body the piece generators share. The list
// has a fixed capacity; a position with more pseudo-legal moves than that (only possible in an
// edited position crowded with pieces) loses the surplus instead of writing past the arrays.

#include <cstdint>

#include "movegen/move_gen.h"

inline int Emit(MoveGen& list, int i, uint64_t from, uint64_t to, char promotion) {
  if (i >= MaxMoves) return i;
  list.From[i] = from;
  list.To[i] = to;
  list.Promotion[i] = promotion;
  return i + 1;
}

// One move from `from` to every square of `targets`, lowest square first.
inline int EmitAll(MoveGen& list, int i, uint64_t from, uint64_t targets, char promotion) {
  for (; targets; targets &= targets - 1) i = Emit(list, i, from, targets & (~targets + 1), promotion);
  return i;
}

// Which attack set a piece type uses.
enum class PieceKind { Knight, Bishop, Rook, Queen, King };

// The attack set of a piece on the square with index sq (the tables behind the board's masks).
template <PieceKind Kind>
inline uint64_t AttacksOf(const ChessBoard& b, int sq) {
  if constexpr (Kind == PieceKind::Knight) return attacktab::Knight[sq];
  if constexpr (Kind == PieceKind::Bishop) return attacktab::Bishop(sq, b.AllPieces);
  if constexpr (Kind == PieceKind::Rook) return attacktab::Rook(sq, b.AllPieces);
  if constexpr (Kind == PieceKind::Queen) return attacktab::Queen(sq, b.AllPieces);
  if constexpr (Kind == PieceKind::King) return attacktab::King[sq];
}

template <PieceKind Kind>
inline uint64_t PiecesOf(const ChessBoard& b, bool black) {
  if constexpr (Kind == PieceKind::Knight) return black ? b.BlackKnights : b.WhiteKnights;
  if constexpr (Kind == PieceKind::Bishop) return black ? b.BlackBishops : b.WhiteBishops;
  if constexpr (Kind == PieceKind::Rook) return black ? b.BlackRooks : b.WhiteRooks;
  if constexpr (Kind == PieceKind::Queen) return black ? b.BlackQueens : b.WhiteQueens;
  if constexpr (Kind == PieceKind::King) return black ? b.BlackKing : b.WhiteKing;
}

// One generator body for every piece type: `targets` is the set of squares the moves may land
// on (empty squares for quiet moves, the enemy's pieces for captures).
template <PieceKind Kind>
inline int GenPieceMoves(MoveGen& list, bool black, uint64_t targets, int i) {
  const ChessBoard& b = *list.Board;
  for (uint64_t pieces = PiecesOf<Kind>(b, black); pieces; pieces &= pieces - 1) {
    const uint64_t from = pieces & (~pieces + 1);
    i = EmitAll(list, i, from, AttacksOf<Kind>(b, LowestSquare(from)) & targets, NoPromotion);
  }
  return i;
}
