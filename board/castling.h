#pragma once
// Castling, in standard chess and in Chess960. Each side has two rights: short castling, towards
// the h-file, and long castling, towards the a-file. The king ends on the g- or the c-file and
// the rook beside it on the f- or the d-file, wherever they started; every square either of them
// crosses or lands on must be empty but for the two of them, and the king may not start on, pass
// or land on an attacked square. The rights are the four bits of ChessBoard::CastleFlags, and
// CastleRookSquare[i] is the square of the rook that bit 1 << i belongs to.
//
// Standard chess writes castling as the king's two-square step (e1g1); Chess960 as the king
// taking its own rook (e1h1), since there the king may move one square or none at all.

#include <cstdint>

#include "board/chess_board.h"

constexpr int CastleShort = 0;
constexpr int CastleLong = 1;

// The bit index of a right: White short 0, White long 1, Black short 2, Black long 3.
constexpr int CastleRight(int colour, int wing) { return 2 * colour + wing; }
// Where castling puts the king and the rook (square indices).
constexpr int CastleKingTarget(int colour, int wing) { return (wing == CastleShort ? 6 : 2) + 56 * colour; }
constexpr int CastleRookTarget(int colour, int wing) { return (wing == CastleShort ? 5 : 3) + 56 * colour; }
// The squares from a to b on one rank, both included, in either order.
constexpr uint64_t RankSpan(int a, int b) {
  const int low = a < b ? a : b, high = a < b ? b : a;
  return (~uint64_t{0} >> (63 - high)) & (~uint64_t{0} << low);
}

// The standard castling rooks: h1, a1, h8 and a8.
void SetStandardCastleRooks(ChessBoard& b);

// The rights that survive a Chess960 move touching squares (its from- and to-square): a rook
// that leaves its square, or is taken there, takes its right with it.
uint8_t RookRightsKept(const ChessBoard& b, uint64_t squares);

// The wing of the castling move from-to of the side to move (CastleShort or CastleLong), or -1
// when from-to does not castle. The move is not checked for legality.
int CastlingWing(const ChessBoard& b, uint64_t from, uint64_t to);

// Keeps only the rights whose king and rook stand where castling needs them: the king on its
// back rank (on the e-file in standard chess), the rook on its square, on the right side of it.
void DropImpossibleCastling(ChessBoard& b);

// Makes castling on b that of Chess960 (on) or of standard chess: in standard chess the rooks
// are those of the corners again, and the rights the position cannot have in the new mode go.
void SetChess960(ChessBoard& b, bool on);
