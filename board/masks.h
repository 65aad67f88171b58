#pragma once
// Fixed board geometry, in one place: the board, move generation and evaluation read the
// constants here, which the compiler can fold.

#include <cstdint>

#include "board/bit_ops.h"

// Square names as indices.
enum Square : int {
  A1, B1, C1, D1, E1, F1, G1, H1,
  A2, B2, C2, D2, E2, F2, G2, H2,
  A3, B3, C3, D3, E3, F3, G3, H3,
  A4, B4, C4, D4, E4, F4, G4, H4,
  A5, B5, C5, D5, E5, F5, G5, H5,
  A6, B6, C6, D6, E6, F6, G6, H6,
  A7, B7, C7, D7, E7, F7, G7, H7,
  A8, B8, C8, D8, E8, F8, G8, H8
};

// File f (0 = file a) and rank r (0 = rank 1) as masks.
constexpr uint64_t FileMask(int f) { return 0x0101010101010101ULL << f; }
constexpr uint64_t RankMask(int r) { return 0xFFULL << (8 * r); }

constexpr uint64_t FileA = FileMask(0), FileB = FileMask(1), FileC = FileMask(2), FileD = FileMask(3),
                   FileE = FileMask(4), FileF = FileMask(5), FileG = FileMask(6), FileH = FileMask(7);
constexpr uint64_t Rank1 = RankMask(0), Rank2 = RankMask(1), Rank3 = RankMask(2), Rank4 = RankMask(3),
                   Rank5 = RankMask(4), Rank6 = RankMask(5), Rank7 = RankMask(6), Rank8 = RankMask(7);
constexpr uint64_t FileMasks[8] = {FileA, FileB, FileC, FileD, FileE, FileF, FileG, FileH};
constexpr uint64_t RankMasks[8] = {Rank1, Rank2, Rank3, Rank4, Rank5, Rank6, Rank7, Rank8};

// The two and the three files at each edge of the board.
constexpr uint64_t FilesAB = FileA | FileB, FilesABC = FilesAB | FileC;
constexpr uint64_t FilesGH = FileG | FileH, FilesFGH = FileF | FilesGH;

// h1 is a light square, a1 a dark one.
constexpr uint64_t LightSquares = 0x55AA55AA55AA55AAULL;
constexpr uint64_t DarkSquares = ~LightSquares;
constexpr uint64_t Corners = Bit(A1) | Bit(H1) | Bit(A8) | Bit(H8);
constexpr uint64_t WhiteHalf = Rank1 | Rank2 | Rank3 | Rank4;
constexpr uint64_t BlackHalf = ~WhiteHalf;

// Six-square diagonal runs in front of a castled king, read by the king-attack evaluation.
constexpr uint64_t DiagonalFrom(int from, int step, int length) {
  uint64_t diagonal = 0;
  for (int i = 0; i < length; ++i) diagonal |= Bit(from + i * step);
  return diagonal;
}
constexpr uint64_t DiagH2C7 = DiagonalFrom(H2, 7, 6), DiagG2B7 = DiagonalFrom(G2, 7, 6),
                   DiagF2A7 = DiagonalFrom(F2, 7, 6);
constexpr uint64_t DiagC2H7 = DiagonalFrom(C2, 9, 6), DiagB2G7 = DiagonalFrom(B2, 9, 6),
                   DiagA2F7 = DiagonalFrom(A2, 9, 6);

static_assert(FileH == 0x8080808080808080ULL && Rank8 == 0xFF00000000000000ULL);
static_assert(FilesAB == 0x0303030303030303ULL && FilesFGH == 0xE0E0E0E0E0E0E0E0ULL);
static_assert((LightSquares & (Bit(H1) | Bit(A2))) == (Bit(H1) | Bit(A2)) && (DarkSquares & Bit(A1)) != 0);
static_assert(Corners == 0x8100000000000081ULL && BlackHalf == 0xFFFFFFFF00000000ULL);
static_assert(DiagH2C7 == 0x0004081020408000ULL);
static_assert(DiagA2F7 == (Bit(A2) | Bit(B3) | Bit(C4) | Bit(D5) | Bit(E6) | Bit(F7)));
