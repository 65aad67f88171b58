// Zobrist codes and position keys. Every code comes from one deterministic generator started
// from a fixed seed table, so every run of the engine produces the same keys.

#include "board/keys.h"

#include "board/chess_board.h"

uint64_t UPStable[12 * 64];
uint64_t LPStable[12 * 64];
uint64_t CastleCode[16];
uint64_t WtoMove;
uint64_t BtoMove;

namespace {

constexpr int LagTableSize = 55;

constexpr uint32_t RandomSeeds[LagTableSize] = {
    1410651636, 3012776752, 3497475623, 2892145026, 1571949714, 3253082284, 3489895018,
    387949491,  2597396737, 1981903553, 3160251843, 129444464,  1851443344, 4156445905,
    224604922,  1455067070, 3953493484, 1460937157, 2528362617, 317430674,  3229354360,
    117491133,  832845075,  1961600170, 1321557429, 747750121,  545747446,  810476036,
    503334515,  4088144633, 2824216555, 3738252341, 3493754131, 3672533954, 29494241,
    1180928407, 4213624418, 33062851,   3221315737, 1145213552, 2957984897, 4078668503,
    2262661702, 65478801,   2527208841, 1960622036, 315685891,  1196037864, 804614524,
    1421733266, 2017105031, 3882325900, 810735053,  384606609,  2393861397};

struct LaggedFibonacci {
  uint32_t Working[LagTableSize];
  int J = 23;
  int K = 54;
  bool FirstCall = true;
};

LaggedFibonacci Generator;

// Two draws make one 64-bit code: the first is the high half.
uint64_t Random64() {
  const uint64_t high = BetterRandom32();
  const uint64_t low = BetterRandom32();
  return (high << 32) | low;
}

}  // namespace

// Knuth's Algorithm A (additive lagged Fibonacci, lags 24 and 55), modulo 2^32.
uint32_t BetterRandom32() {
  LaggedFibonacci& g = Generator;
  if (g.FirstCall) {
    for (int i = 0; i < LagTableSize; ++i) g.Working[i] = RandomSeeds[i];
    g.J = 23;
    g.K = 54;
    g.FirstCall = false;
  }
  g.Working[g.K] += g.Working[g.J];
  const uint32_t result = g.Working[g.K];
  if (--g.J < 0) g.J = LagTableSize - 1;
  if (--g.K < 0) g.K = LagTableSize - 1;
  return result;
}

void initPStable() {
  // The draw order fixes every code: piece by piece, square by square, upper code then lower.
  for (int piece = 0; piece < 12; ++piece) {
    for (int sq = 0; sq < 64; ++sq) {
      UPStable[piece * 64 + sq] = Random64();
      LPStable[piece * 64 + sq] = Random64();
    }
  }
  for (uint64_t& code : CastleCode) code = Random64();
  BtoMove = Random64();
  WtoMove = Random64();
}

void genhashcode(int8_t side, uint8_t castle, uint64_t* upper, uint64_t* lower, const ChessBoard* board) {
  uint64_t up = 0;
  uint64_t low = 0;
  for (int piece = 0; piece < 12; ++piece) {
    const uint64_t* upCodes = UPStable + piece * 64;
    const uint64_t* lowCodes = LPStable + piece * 64;
    for (uint64_t bits = board->Pieces(piece); bits; bits &= bits - 1) {
      const int sq = LowestSquare(bits);
      up ^= upCodes[sq];
      low ^= lowCodes[sq];
    }
  }
  const uint64_t sideCode = side ? BtoMove : WtoMove;
  const uint64_t castleCode = CastleCode[castle & 15];
  *upper = up ^ sideCode ^ castleCode;
  *lower = low ^ sideCode ^ castleCode;
}

uint64_t LowerKeyHint(const ChessBoard& board, int8_t side, uint64_t lower, uint64_t from, uint64_t to) {
  const int8_t enemy = side == White ? Black : White;
  const int mover = board.KindOn(side, from);
  if (mover == ChessBoard::NoKind) return lower;
  const int moverCode = mover + (side == White ? WPawn : BPawn);
  lower = SideToggled(lower) ^ LPStable[CodeIndex(moverCode, from)] ^ LPStable[CodeIndex(moverCode, to)];
  const int victim = board.KindOn(enemy, to);
  if (victim != ChessBoard::NoKind) lower ^= LPStable[CodeIndex(victim + (enemy == White ? WPawn : BPawn), to)];
  return lower;
}

void genpawnhashcode(int8_t /*side*/, ChessBoard board, uint32_t* pawnKey) {
  uint64_t key = 0;
  for (uint64_t bits = board.WhitePawns; bits; bits &= bits - 1)
    key ^= LPStable[CodeIndex(WPawn, bits)];
  for (uint64_t bits = board.BlackPawns; bits; bits &= bits - 1)
    key ^= LPStable[CodeIndex(BPawn, bits)];
  *pawnKey = static_cast<uint32_t>(key);
}
