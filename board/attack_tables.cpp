// Filling the sliding-attack tables once at start-up (about 107,000 entries, under a
// megabyte). Each square's slice holds the attack set for every subset of its relevant
// occupancy, found by stepping the rays.

#include "board/attack_tables.h"

namespace attacktab {

namespace {

// Found by a seeded random search for sparse multipliers that map every occupancy subset of
// the square to a slot of its own or to a slot with the same attack set.
constexpr uint64_t BishopMagics[64] = {
    0x10102002004A1420ULL, 0x8020040400584008ULL, 0x10510800811201C8ULL, 0x5204042080000088ULL,
    0x2204106880000002ULL, 0x1401042004000000ULL, 0x0400880410042004ULL, 0x0028208200A02020ULL,
    0x1500241990010E00ULL, 0x8001200182020A40ULL, 0x40004101030B0000ULL, 0x8002041042000100ULL,
    0x4010011041020038ULL, 0x0000010421044000ULL, 0x1500210808020A00ULL, 0x8000088400880520ULL,
    0x0405004010040100ULL, 0x1005823210040108ULL, 0x2708008102040011ULL, 0x4048200404009100ULL,
    0x0018104101400024ULL, 0x0003000601190101ULL, 0x8004803108491000ULL, 0x8014241200820800ULL,
    0x0006E080100C3040ULL, 0x0501044A11041800ULL, 0x9020300008004045ULL, 0x0894080000220040ULL,
    0x1001010083104000ULL, 0x5004030040900080ULL, 0x000400422C012400ULL, 0x0002128698404812ULL,
    0x1010108404900440ULL, 0x0928021182084100ULL, 0x2006080409020024ULL, 0x1010202020180080ULL,
    0xA010008200202200ULL, 0x2098015100019004ULL, 0x0002041440810811ULL, 0x802A02020000B098ULL,
    0x0009015090004060ULL, 0x4000821082081001ULL, 0x0100210040420800ULL, 0x0800004010488A00ULL,
    0x2000081104004040ULL, 0x4C8E029015000082ULL, 0x0420340322224842ULL, 0x1298260043400210ULL,
    0x0000822802400008ULL, 0x00008A0101600000ULL, 0x3040003412080021ULL, 0x3040290220884800ULL,
    0x4A1500401041004AULL, 0x8010200282020781ULL, 0x0020203142209091ULL, 0x0070300600902110ULL,
    0x0040808800B62048ULL, 0x0000810400C44420ULL, 0x00080400440C0441ULL, 0x8340080020840411ULL,
    0x0000000104208200ULL, 0x0000800810D00080ULL, 0x0400530411080200ULL, 0x4040702400932244ULL,
};
constexpr uint64_t RookMagics[64] = {
    0x1080004008801020ULL, 0x0840092002C03000ULL, 0x1900200010400900ULL, 0x0880100008000480ULL,
    0x4200100420080200ULL, 0x8100020100080400ULL, 0x0200040110886200ULL, 0x0200008040220411ULL,
    0x0404800084400220ULL, 0x0000401000402000ULL, 0x0086001081220440ULL, 0x0408800800100280ULL,
    0x000A001201040820ULL, 0x8848800200840080ULL, 0x4001000100040200ULL, 0x0442000102105084ULL,
    0x9080010020804100ULL, 0x0040404000201009ULL, 0x0000808010002009ULL, 0x2200090021D00100ULL,
    0x0008008008040080ULL, 0x0004004002010040ULL, 0x0011040008015042ULL, 0x00000A0001768104ULL,
    0x0000800080204009ULL, 0x2010004140002001ULL, 0x9800200280100080ULL, 0x1000100080080080ULL,
    0x0442000A00049020ULL, 0x2100040080020080ULL, 0x0800120400900148ULL, 0x0010040A00128541ULL,
    0x2800804000800030ULL, 0x1010002000400041ULL, 0x4000200011004100ULL, 0x0610008410800800ULL,
    0x0400802402800800ULL, 0xC100020080800400ULL, 0x0002000802000401ULL, 0x0182085882000401ULL,
    0x0220204000808000ULL, 0x2860100040024022ULL, 0x0001002004110040ULL, 0x99101042000A0020ULL,
    0x0004080004008080ULL, 0x0010040002008080ULL, 0x2012004881020004ULL, 0x8300842444820011ULL,
    0x0088403882010200ULL, 0x0820400080210100ULL, 0x0110910040A00300ULL, 0x0801100280080480ULL,
    0x0242009008200600ULL, 0x1002000489500200ULL, 0x0040800200010080ULL, 0x0091800041000080ULL,
    0x0000209300488001ULL, 0x04C1002414824001ULL, 0x020020000B001041ULL, 0x7000100004200901ULL,
    0x8002002004100802ULL, 0x30010002084C0007ULL, 0x0888221800813004ULL, 0x4000002840840112ULL,
};

constexpr int BishopDirs[4][2] = {{1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
constexpr int RookDirs[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};

// The rays from sq in four directions. With `inner` the last square of each ray is left out
// (a piece there cannot block anything beyond it); otherwise each ray stops at and includes
// the first occupied square.
uint64_t Rays(int sq, uint64_t occupied, const int (*dirs)[2], bool inner) {
  uint64_t m = 0;
  for (int d = 0; d < 4; ++d) {
    for (int f = (sq & 7) + dirs[d][0], r = (sq >> 3) + dirs[d][1]; f >= 0 && f < 8 && r >= 0 && r < 8;
         f += dirs[d][0], r += dirs[d][1]) {
      const int nf = f + dirs[d][0], nr = r + dirs[d][1];
      if (inner && (nf < 0 || nf > 7 || nr < 0 || nr > 7)) break;
      const uint64_t bit = uint64_t{1} << (r * 8 + f);
      m |= bit;
      if (occupied & bit) break;
    }
  }
  return m;
}

constexpr uint32_t BishopEntries = 5248;
constexpr uint32_t RookEntries = 102400;

uint32_t Fill(Slider* sliders, const uint64_t* magics, const int (*dirs)[2], uint32_t offset) {
  for (int sq = 0; sq < 64; ++sq) {
    Slider& s = sliders[sq];
    s.Mask = Rays(sq, 0, dirs, true);
    s.Magic = magics[sq];
    const int bits = PopCount(s.Mask);
    s.Shift = static_cast<uint32_t>(64 - bits);
    s.Offset = offset;
    // Every subset of the mask, by the carry-rippler walk.
    uint64_t subset = 0;
    do {
      SliderAttacks[SliderIndex(s, subset)] = Rays(sq, subset, dirs, false);
      subset = (subset - s.Mask) & s.Mask;
    } while (subset);
    offset += uint32_t{1} << bits;
  }
  return offset;
}

struct TableFiller {
  TableFiller() {
    const uint32_t end = Fill(BishopSliders, BishopMagics, BishopDirs, 0);
    Fill(RookSliders, RookMagics, RookDirs, end);
  }
};

}  // namespace

Slider BishopSliders[64];
Slider RookSliders[64];
uint64_t SliderAttacks[BishopEntries + RookEntries];

namespace {
const TableFiller Filler;  // after the tables above: same file, so constructed after them
}

uint64_t BishopByRays(int sq, uint64_t occupied) { return Rays(sq, occupied, BishopDirs, false); }
uint64_t RookByRays(int sq, uint64_t occupied) { return Rays(sq, occupied, RookDirs, false); }

}  // namespace attacktab
