// Castling rights and moves in standard chess and in Chess960.

#include "board/castling.h"

#include "board/bit_ops.h"
#include "board/masks.h"

void SetStandardCastleRooks(ChessBoard& b) {
  b.CastleRookSquare[CastleRight(White, CastleShort)] = H1;
  b.CastleRookSquare[CastleRight(White, CastleLong)] = A1;
  b.CastleRookSquare[CastleRight(Black, CastleShort)] = H8;
  b.CastleRookSquare[CastleRight(Black, CastleLong)] = A8;
}

uint8_t RookRightsKept(const ChessBoard& b, uint64_t squares) {
  uint8_t kept = 15;
  for (int right = 0; right < 4; right++)
    if (squares & SquareMask(b.CastleRookSquare[right])) kept &= static_cast<uint8_t>(~(1 << right));
  return kept;
}

int CastlingWing(const ChessBoard& b, uint64_t from, uint64_t to) {
  const bool black = b.SideToMove != White;
  if (!((black ? b.BlackKing : b.WhiteKing) & from) || from == to) return -1;
  const int files = LowestSquare(to) % 8 - LowestSquare(from) % 8;
  if (b.Chess960) {
    if (!((black ? b.BlackRooks : b.WhiteRooks) & to)) return -1;
    return files > 0 ? CastleShort : CastleLong;
  }
  if (LowestSquare(to) / 8 != LowestSquare(from) / 8 || (files != 2 && files != -2)) return -1;
  return files > 0 ? CastleShort : CastleLong;
}

void DropImpossibleCastling(ChessBoard& b) {
  for (int colour = White; colour <= Black; colour++) {
    const uint64_t king = colour == White ? b.WhiteKing : b.BlackKing;
    const uint64_t rooks = colour == White ? b.WhiteRooks : b.BlackRooks;
    const uint64_t backRank = colour == White ? Rank1 : Rank8;
    const bool kingHome = IsOneSquare(king) && (king & backRank) && (b.Chess960 || (king & (FileE & backRank)));
    for (int wing = CastleShort; wing <= CastleLong; wing++) {
      const int right = CastleRight(colour, wing);
      const int rook = b.CastleRookSquare[right];
      const bool rightSide = kingHome && (wing == CastleShort ? rook > LowestSquare(king) : rook < LowestSquare(king));
      if (!rightSide || !(rooks & SquareMask(rook))) b.CastleFlags &= static_cast<uint8_t>(~(1 << right));
    }
  }
}

void SetChess960(ChessBoard& b, bool on) {
  if (b.Chess960 == on) return;
  b.Chess960 = on;
  if (!on) SetStandardCastleRooks(b);
  DropImpossibleCastling(b);
}
