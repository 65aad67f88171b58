// Static exchange evaluation: both sides recapture on one square with their cheapest piece,
// sliders lined up behind a capturer join in, and a backward minimax decides where each side
// would rather stop.

#include "movegen/see.h"

#include <cstdio>
#include <cstdlib>

#include "board/masks.h"
#include "board/piece_values.h"

SEE see;

namespace {

// At most 32 pieces can take part in one exchange.
constexpr int MaxExchange = 40;

// Value of whatever piece stands on square s (either colour); 0 when empty.
int PieceValue(const ChessBoard& b, uint64_t s) {
  if ((b.WhitePawns | b.BlackPawns) & s) return PawnValue;
  if ((b.WhiteKnights | b.BlackKnights) & s) return KnightValue;
  if ((b.WhiteBishops | b.BlackBishops) & s) return BishopValue;
  if ((b.WhiteRooks | b.BlackRooks) & s) return RookValue;
  if ((b.WhiteQueens | b.BlackQueens) & s) return QueenValue;
  if ((b.WhiteKing | b.BlackKing) & s) return KingValue;
  return 0;
}

int Sign(int x) { return (x > 0) - (x < 0); }

void ReportBadDirection(const char* location, int step, int to, int from) {
  std::printf("%sERROR: dir > 10: dir = %d to = %d from = %d\n", location, step, to, from);
  std::fflush(stdout);
}

}  // namespace

SEE::SEE() : Board(nullptr) {
  for (int a = 0; a < 64; a++) {
    for (int b = 0; b < 64; b++) {
      const int dr = b / 8 - a / 8;
      const int df = b % 8 - a % 8;
      int step = 0;
      if (a != b && (dr == 0 || df == 0 || dr == df || dr == -df)) step = Sign(dr) * 8 + Sign(df);
      Direction[a][b] = static_cast<int16_t>(step);
    }
  }
}

uint64_t SEE::SquareAttacksDefences(uint64_t s) const {
  const ChessBoard& b = *Board;
  const uint64_t rooksQueens = b.WhiteRooks | b.BlackRooks | b.WhiteQueens | b.BlackQueens;
  const uint64_t bishopsQueens = b.WhiteBishops | b.BlackBishops | b.WhiteQueens | b.BlackQueens;
  uint64_t set = (b.RookMask(s) & rooksQueens) | (b.BishopMask(s) & bishopsQueens);
  set |= b.KnightMask(s) & (b.WhiteKnights | b.BlackKnights);
  set |= b.KingMask(s) & (b.WhiteKing | b.BlackKing);
  // A white pawn attacks s from one rank below, a black pawn from one rank above.
  uint64_t whitePawnSquares = 0, blackPawnSquares = 0;
  if (!(s & FileH)) {
    whitePawnSquares |= s >> 7;
    blackPawnSquares |= s << 9;
  }
  if (!(s & FileA)) {
    whitePawnSquares |= s >> 9;
    blackPawnSquares |= s << 7;
  }
  set |= (whitePawnSquares & b.WhitePawns) | (blackPawnSquares & b.BlackPawns);
  return set;
}

int SEE::LVP(char colour, uint64_t set) const {
  const ChessBoard& b = *Board;
  const bool black = colour != 0;
  const uint64_t byValue[6] = {
      black ? b.BlackPawns : b.WhitePawns,     black ? b.BlackKnights : b.WhiteKnights,
      black ? b.BlackBishops : b.WhiteBishops, black ? b.BlackRooks : b.WhiteRooks,
      black ? b.BlackQueens : b.WhiteQueens,   black ? b.BlackKing : b.WhiteKing};
  for (uint64_t pieces : byValue)
    if (const uint64_t found = pieces & set) return LowestSquare(found);
  return -1;
}

uint64_t SEE::AddXrayAttacker(uint64_t set, int sq, int step) const {
  const ChessBoard& b = *Board;
  uint64_t sliders = 0;
  uint64_t wrapFile = 0;  // the file a step lands on after crossing the board's edge
  switch (step) {
    case 8: case -8:
      sliders = b.WhiteRooks | b.BlackRooks | b.WhiteQueens | b.BlackQueens;
      break;
    case 1: case -1:
      sliders = b.WhiteRooks | b.BlackRooks | b.WhiteQueens | b.BlackQueens;
      wrapFile = step == 1 ? FileA : FileH;
      break;
    case 7: case -7: case 9: case -9:
      sliders = b.WhiteBishops | b.BlackBishops | b.WhiteQueens | b.BlackQueens;
      wrapFile = (step == 9 || step == -7) ? FileA : FileH;
      break;
    default:
      std::printf("ERROR: dir not in range. dir = %d\n", step);
      std::fflush(stdout);
      std::exit(0);
  }
  for (int s = sq + step; s >= 0 && s < 64; s += step) {
    const uint64_t mask = Bit(s);
    if (mask & wrapFile) break;
    if (mask & b.AllPieces) {
      if (mask & sliders) set |= mask;
      break;
    }
  }
  return set;
}

int SEE::StaticExchangeEvaluation(char colour, uint64_t from, uint64_t to, ChessBoard* board) {
  Board = board;
  if (to == 0 || from == 0) return 0;
  const int toIndex = LowestSquare(to);
  const int fromIndex = LowestSquare(from);
  uint64_t attackers = SquareAttacksDefences(to) & ~from;

  int32_t gain[MaxExchange];
  gain[0] = PieceValue(*board, to);
  int32_t next = PieceValue(*board, from);

  int step = Direction[toIndex][fromIndex];
  if (step < -9 || step > 9) {
    ReportBadDirection("ERROR: Location #1\n", step, toIndex, fromIndex);
    std::exit(0);
  }
  if (step != 0) attackers = AddXrayAttacker(attackers, fromIndex, step);

  char side = colour;
  int sq = LVP(side, attackers);
  int d = 0;
  while (sq >= 0 && d + 1 < MaxExchange) {
    d++;
    side = side ? 0 : 1;
    gain[d] = next - gain[d - 1];
    attackers &= ~Bit(sq);
    next = PieceValue(*board, Bit(sq));
    step = Direction[toIndex][sq];
    if (step < -9 || step > 9)
      ReportBadDirection("ERROR: Location #2\n", step, toIndex, sq);
    else if (step != 0)
      attackers = AddXrayAttacker(attackers, sq, step);
    sq = LVP(side, attackers);
  }
  // Backward: each side stops capturing when continuing would leave it worse off.
  for (int k = d; k >= 1; k--)
    if (gain[k] > -gain[k - 1]) gain[k - 1] = -gain[k];
  return gain[0];
}
