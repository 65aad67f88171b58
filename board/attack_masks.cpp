// Attack sets in the board's occupancy by stepping the rays one square at a time; the edge
// files stop a ray before it can wrap round to the other side. Single squares are answered
// from the tables (chess_board.h); these walks serve masks of several squares, which they
// treat together, and the check-line masks of check evasions.

#include "board/bit_ops.h"
#include "board/chess_board.h"
#include "board/masks.h"

namespace {

// Walks one ray: shift by `step` (left when positive, right when negative) until the ray
// leaves the board, meets an occupied square (included) or reaches `edge` (included).
template <int Step>
inline uint64_t Ray(uint64_t s, uint64_t occupied, uint64_t edge) {
  uint64_t ray = 0;
  uint64_t x = s;
  const uint64_t stop = occupied | edge;
  for (;;) {
    x = Step > 0 ? (x << Step) : (x >> -Step);
    if (!x) break;
    ray |= x;
    if (x & stop) break;
  }
  return ray;
}

// A bishop's or a rook's rays from s, each passed through `keep` (which returns the ray or
// nothing) before they are joined.
template <typename Keep>
inline uint64_t BishopRays(uint64_t s, uint64_t occupied, Keep keep) {
  if (!s) return 0;
  uint64_t m = 0;
  if (!(s & FileH)) m |= keep(Ray<-7>(s, occupied, FileH)) | keep(Ray<9>(s, occupied, FileH));
  if (!(s & FileA)) m |= keep(Ray<-9>(s, occupied, FileA)) | keep(Ray<7>(s, occupied, FileA));
  return m;
}

template <typename Keep>
inline uint64_t RookRays(uint64_t s, uint64_t occupied, Keep keep) {
  if (!s) return 0;
  uint64_t m = keep(Ray<-8>(s, occupied, 0)) | keep(Ray<8>(s, occupied, 0));
  if (!(s & FileA)) m |= keep(Ray<-1>(s, occupied, FileA));
  if (!(s & FileH)) m |= keep(Ray<1>(s, occupied, FileH));
  return m;
}

// An attack mask keeps every ray; a check-line mask only the rays that reach the target.
struct Whole {
  uint64_t operator()(uint64_t ray) const { return ray; }
};
struct Reaching {
  uint64_t Target;
  uint64_t operator()(uint64_t ray) const { return (ray & Target) ? ray : 0; }
};

}  // namespace

uint64_t ChessBoard::KnightMaskStepped(uint64_t s) const {
  uint64_t m = 0;
  if (!(s & FilesGH)) m |= s >> 6;
  if (!(s & FilesAB)) m |= s >> 10;
  if (!(s & FileH)) m |= s >> 15;
  if (!(s & FileA)) m |= s >> 17;
  if (!(s & FilesAB)) m |= s << 6;
  if (!(s & FilesGH)) m |= s << 10;
  if (!(s & FileA)) m |= s << 15;
  if (!(s & FileH)) m |= s << 17;
  return m;
}

uint64_t ChessBoard::KingMaskStepped(uint64_t s) const {
  uint64_t m = (s << 8) | (s >> 8);
  if (!(s & FileH)) m |= (s << 9) | (s >> 7) | (s << 1);
  if (!(s & FileA)) m |= (s << 7) | (s >> 9) | (s >> 1);
  return m;
}

uint64_t ChessBoard::BishopMaskStepped(uint64_t s) const { return BishopRays(s, AllPieces, Whole{}); }
uint64_t ChessBoard::RookMaskStepped(uint64_t s) const { return RookRays(s, AllPieces, Whole{}); }
uint64_t ChessBoard::BishopCheckMask(uint64_t s, uint64_t target) const {
  return BishopRays(s, AllPieces, Reaching{target});
}
uint64_t ChessBoard::RookCheckMask(uint64_t s, uint64_t target) const {
  return RookRays(s, AllPieces, Reaching{target});
}

int32_t ChessBoard::RookAttackCount(uint64_t s) const {
  if (!s) return 0;
  const uint64_t own = ((WhiteRooks | WhiteQueens) & s) ? WhitePieces : BlackPieces;
  return PopCount(RookMask(s) & ~own);
}

uint64_t ChessBoard::SouthAttacks(uint64_t sliders, uint64_t empty) {
  uint64_t flood = sliders | ((sliders >> 8) & empty);
  uint64_t e2 = empty & (empty >> 8);
  flood |= (flood >> 16) & e2;
  uint64_t e4 = e2 & (e2 >> 16);
  flood |= (flood >> 32) & e4;
  return flood >> 8;
}

uint64_t ChessBoard::NorthAttacks(uint64_t sliders, uint64_t empty) {
  uint64_t flood = sliders | ((sliders << 8) & empty);
  uint64_t e2 = empty & (empty << 8);
  flood |= (flood << 16) & e2;
  uint64_t e4 = e2 & (e2 << 16);
  flood |= (flood << 32) & e4;
  return flood << 8;
}

int ChessBoard::InCheckStepped(uint64_t s, int8_t colour) const {
  const bool black = colour != 0;
  // Pawns first, then knights, then sliders, then the king: cheapest tests first.
  if (black) {
    if (!(s & FileH) && ((s >> 7) & WhitePawns)) return 1;
    if (!(s & FileA) && ((s >> 9) & WhitePawns)) return 1;
  } else {
    if (!(s & FileA) && ((s << 7) & BlackPawns)) return 1;
    if (!(s & FileH) && ((s << 9) & BlackPawns)) return 1;
  }
  const uint64_t knights = black ? WhiteKnights : BlackKnights;
  if (KnightMaskStepped(s) & knights) return 1;
  const uint64_t queens = black ? WhiteQueens : BlackQueens;
  const uint64_t diagonal = (black ? WhiteBishops : BlackBishops) | queens;
  if (diagonal && (BishopMaskStepped(s) & diagonal)) return 1;
  const uint64_t straight = (black ? WhiteRooks : BlackRooks) | queens;
  if (straight && (RookMaskStepped(s) & straight)) return 1;
  return (KingMaskStepped(s) & (black ? WhiteKing : BlackKing)) ? 1 : 0;
}
