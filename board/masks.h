#pragma once
// Fixed board geometry. The settings record carries copies of these masks too; the board,
// move generation and evaluation read the constants here, which the compiler can fold.

#include <cstdint>

#include "board/bit_ops.h"

constexpr uint64_t FileA = 0x0101010101010101ULL;
constexpr uint64_t FileB = FileA << 1;
constexpr uint64_t FileC = FileA << 2;
constexpr uint64_t FileD = FileA << 3;
constexpr uint64_t FileE = FileA << 4;
constexpr uint64_t FileF = FileA << 5;
constexpr uint64_t FileG = FileA << 6;
constexpr uint64_t FileH = FileA << 7;
constexpr uint64_t FilesGH = 0xC0C0C0C0C0C0C0C0ULL;
constexpr uint64_t FilesAB = 0x0303030303030303ULL;
constexpr uint64_t FilesFGH = 0xE0E0E0E0E0E0E0E0ULL;
constexpr uint64_t FilesABC = 0x0707070707070707ULL;

constexpr uint64_t Rank1 = 0xFFULL;
constexpr uint64_t Rank2 = Rank1 << 8;
constexpr uint64_t Rank3 = Rank1 << 16;
constexpr uint64_t Rank4 = Rank1 << 24;
constexpr uint64_t Rank5 = Rank1 << 32;
constexpr uint64_t Rank6 = Rank1 << 40;
constexpr uint64_t Rank7 = Rank1 << 48;
constexpr uint64_t Rank8 = Rank1 << 56;

constexpr uint64_t LightSquares = 0x55AA55AA55AA55AAULL;
constexpr uint64_t DarkSquares = 0xAA55AA55AA55AA55ULL;
constexpr uint64_t Corners = 0x8100000000000081ULL;
constexpr uint64_t WhiteHalf = 0x00000000FFFFFFFFULL;
constexpr uint64_t BlackHalf = 0xFFFFFFFF00000000ULL;

constexpr uint64_t FileMasks[8] = {FileA, FileB, FileC, FileD, FileE, FileF, FileG, FileH};
constexpr uint64_t RankMasks[8] = {Rank1, Rank2, Rank3, Rank4, Rank5, Rank6, Rank7, Rank8};

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
