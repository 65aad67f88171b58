#pragma once
// Attack tables: knight, king and pawn attacks for every square, and sliding attacks looked up
// by the occupancy of a piece's lines. The sliding tables are indexed with the processor's
// PEXT instruction when the build machine has it (BMI2, detected when the build is
// configured), otherwise with multiply-and-shift "magic" numbers; both give the same answer.
// Every attack set ends a ray with (and includes) the first occupied square.

#include <array>
#include <cstdint>

#include "board/bit_ops.h"

#if defined(__BMI2__)
#include <immintrin.h>
#define ORVO_SLIDERS_BY_PEXT 1
#endif

namespace attacktab {

namespace detail {

constexpr uint64_t StepAttacks(int sq, const int (*steps)[2], int n) {
  uint64_t m = 0;
  for (int i = 0; i < n; ++i) {
    const int f = (sq & 7) + steps[i][0], r = (sq >> 3) + steps[i][1];
    if (f >= 0 && f < 8 && r >= 0 && r < 8) m |= uint64_t{1} << (r * 8 + f);
  }
  return m;
}

constexpr int KnightSteps[8][2] = {{1, 2}, {2, 1}, {2, -1}, {1, -2}, {-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}};
constexpr int KingSteps[8][2] = {{1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};
constexpr int PawnSteps[2][2][2] = {{{-1, 1}, {1, 1}}, {{-1, -1}, {1, -1}}};

template <int Kind>
constexpr std::array<uint64_t, 64> StepTable() {
  std::array<uint64_t, 64> t{};
  for (int sq = 0; sq < 64; ++sq) {
    if constexpr (Kind == 0) t[sq] = StepAttacks(sq, KnightSteps, 8);
    if constexpr (Kind == 1) t[sq] = StepAttacks(sq, KingSteps, 8);
    if constexpr (Kind == 2) t[sq] = StepAttacks(sq, PawnSteps[0], 2);
    if constexpr (Kind == 3) t[sq] = StepAttacks(sq, PawnSteps[1], 2);
  }
  return t;
}

}  // namespace detail

inline constexpr std::array<uint64_t, 64> Knight = detail::StepTable<0>();
inline constexpr std::array<uint64_t, 64> King = detail::StepTable<1>();
// Squares a pawn of the colour (0 White, 1 Black) on the square attacks.
inline constexpr std::array<std::array<uint64_t, 64>, 2> Pawn = {detail::StepTable<2>(), detail::StepTable<3>()};

// One square's slice of a sliding table: the relevant occupancy (the lines without their
// last square), the multiplier and shift of the magic index, and where its slice starts.
struct Slider {
  uint64_t Mask;
  uint64_t Magic;
  uint32_t Shift;
  uint32_t Offset;
};

extern Slider BishopSliders[64];
extern Slider RookSliders[64];
extern uint64_t SliderAttacks[];

inline uint32_t SliderIndex(const Slider& s, uint64_t occupied) {
#ifdef ORVO_SLIDERS_BY_PEXT
  return s.Offset + static_cast<uint32_t>(_pext_u64(occupied, s.Mask));
#else
  return s.Offset + static_cast<uint32_t>(((occupied & s.Mask) * s.Magic) >> s.Shift);
#endif
}

inline uint64_t Bishop(int sq, uint64_t occupied) { return SliderAttacks[SliderIndex(BishopSliders[sq], occupied)]; }
inline uint64_t Rook(int sq, uint64_t occupied) { return SliderAttacks[SliderIndex(RookSliders[sq], occupied)]; }
inline uint64_t Queen(int sq, uint64_t occupied) { return Bishop(sq, occupied) | Rook(sq, occupied); }

// The attacks of every piece of a set at once: the union of their single attack sets.
inline uint64_t BishopsFrom(uint64_t set, uint64_t occupied) {
  uint64_t m = 0;
  for (; set; set &= set - 1) m |= Bishop(LowestSquare(set), occupied);
  return m;
}
inline uint64_t RooksFrom(uint64_t set, uint64_t occupied) {
  uint64_t m = 0;
  for (; set; set &= set - 1) m |= Rook(LowestSquare(set), occupied);
  return m;
}
inline uint64_t QueensFrom(uint64_t set, uint64_t occupied) {
  uint64_t m = 0;
  for (; set; set &= set - 1) m |= Queen(LowestSquare(set), occupied);
  return m;
}

// Sliding attacks by stepping the rays, the slow reference the tables are filled from.
uint64_t BishopByRays(int sq, uint64_t occupied);
uint64_t RookByRays(int sq, uint64_t occupied);

}  // namespace attacktab
