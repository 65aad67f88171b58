#pragma once
// Bit operations on bitboards. Square index 0..63 = rank * 8 + file (a1 = 0, h8 = 63).

#include <cstdint>

// 1 + index of the lowest set bit; x must not be 0.
inline uint32_t RightMostBit(uint64_t x) { return static_cast<uint32_t>(__builtin_ctzll(x)) + 1; }

// Index of the highest set bit; x must not be 0.
inline uint64_t BSR(uint64_t x) { return 63u - static_cast<uint64_t>(__builtin_clzll(x)); }

// Index of the lowest set bit; x must not be 0.
inline int LowestSquare(uint64_t x) { return __builtin_ctzll(x); }

// Whether x is exactly one square.
inline constexpr bool IsOneSquare(uint64_t x) { return x && !(x & (x - 1)); }

inline int PopCount(uint64_t x) { return __builtin_popcountll(x); }

// Population count of one bitboard the classic SWAR way, on each 32-bit half.
inline int32_t PopCount32Halves(uint64_t x) {
  auto half = [](uint32_t v) {
    v = v - ((v >> 1) & 0x55555555u);
    v = (v & 0x33333333u) + ((v >> 2) & 0x33333333u);
    v = (v + (v >> 4)) & 0x0F0F0F0Fu;
    return static_cast<int32_t>((v * 0x01010101u) >> 24);
  };
  return half(static_cast<uint32_t>(x)) + half(static_cast<uint32_t>(x >> 32));
}

// Index of the highest set bit by smearing it downwards; 0 gives 0xFFFFFFFF.
inline uint32_t MyLog2(uint64_t x) {
  x |= x >> 1;
  x |= x >> 2;
  x |= x >> 4;
  x |= x >> 8;
  x |= x >> 16;
  x |= x >> 32;
  return static_cast<uint32_t>(PopCount(x)) - 1u;
}

// Square index <-> square mask. Bit is the short name the board code uses.
inline constexpr uint64_t SquareMask(int sq) { return uint64_t{1} << sq; }
inline constexpr uint64_t Bit(int sq) { return uint64_t{1} << sq; }

// Index of the lowest square of a mask, 0 for an empty mask (move codes and move text).
inline int SquareIndex(uint64_t mask) { return mask ? LowestSquare(mask) : 0; }
