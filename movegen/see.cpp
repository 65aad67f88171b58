// Static exchange evaluation: both sides recapture on one square with their cheapest piece,
// sliders lined up behind a capturer join in, and a backward minimax decides where each side
// would rather stop.

#include "movegen/see.h"

#include <cstdio>
#include <cstdlib>

#include "board/masks.h"
#include "board/piece_values.h"
#include "movegen/legal_move.h"

thread_local constinit SEE see;

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

void ReportBadDirection(const char* location, int step, int to, int from) {
  std::printf("%sERROR: dir > 10: dir = %d to = %d from = %d\n", location, step, to, from);
  std::fflush(stdout);
}

// Index into EmptyBoardRays of the direction a step goes (0 up, 1 down, 2 right, 3 left,
// 4 up-right, 5 down-right, 6 up-left, 7 down-left); -1 for anything but the eight steps.
constexpr int StepRay(int step) {
  switch (step) {
    case 8: return 0;
    case -8: return 1;
    case 1: return 2;
    case -1: return 3;
    case 9: return 4;
    case -7: return 5;
    case 7: return 6;
    case -9: return 7;
    default: return -1;
  }
}

// The slider standing first behind square sq on the ray d (seen from the exchange square, the
// ray continues past sq), when it can move along that ray; 0 otherwise. Square indices grow
// along the rays of a positive step (up, right, up-right, up-left), so the nearest piece on
// those is the lowest one, and on the others the highest.
inline uint64_t SliderBehind(const ChessBoard& b, int sq, int d) {
  const uint64_t pieces = EmptyBoardRays[d][sq] & b.AllPieces;
  if (!pieces) return 0;
  const bool rising = d % 2 == 0;
  const uint64_t nearest = rising ? pieces & (~pieces + 1) : Bit(static_cast<int>(BSR(pieces)));
  const uint64_t queens = b.WhiteQueens | b.BlackQueens;
  const uint64_t sliders = d < 4 ? b.WhiteRooks | b.BlackRooks | queens : b.WhiteBishops | b.BlackBishops | queens;
  return nearest & sliders;
}

// Every piece attacking the square with index s, the first piece of each slider ray only.
inline uint64_t AttackersOf(const ChessBoard& b, int s) {
  const uint64_t queens = b.WhiteQueens | b.BlackQueens;
  uint64_t set = attacktab::Rook(s, b.AllPieces) & (b.WhiteRooks | b.BlackRooks | queens);
  set |= attacktab::Bishop(s, b.AllPieces) & (b.WhiteBishops | b.BlackBishops | queens);
  set |= attacktab::Knight[s] & (b.WhiteKnights | b.BlackKnights);
  set |= attacktab::King[s] & (b.WhiteKing | b.BlackKing);
  // A white pawn attacks s from the squares a black pawn on s would attack, and the reverse.
  set |= (attacktab::Pawn[Black][s] & b.WhitePawns) | (attacktab::Pawn[White][s] & b.BlackPawns);
  return set;
}

// The colour's least valuable piece in set: its square index, or -1, and its value. One copy
// per colour, so that every piece code is a constant and each bitboard is read directly.
template <bool IsBlack>
int LeastValuableOf(const ChessBoard& b, uint64_t set, int32_t& value) {
  constexpr int Pawn = IsBlack ? BPawn : WPawn;
  for (int kind = WPawn; kind <= WKingCode; ++kind) {
    if (const uint64_t found = set & b.Pieces(Pawn + kind)) {
      value = KindValues[kind];
      return LowestSquare(found);
    }
  }
  return -1;
}

int LeastValuable(const ChessBoard& b, bool black, uint64_t set, int32_t& value) {
  return black ? LeastValuableOf<true>(b, set, value) : LeastValuableOf<false>(b, set, value);
}

}  // namespace

uint64_t SEE::SquareAttacksDefences(uint64_t s) const {
  const ChessBoard& b = *Board;
  if (IsOneSquare(s)) return AttackersOf(b, LowestSquare(s));
  // Several squares at once (the masks then treat them together).
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
  int32_t value = 0;
  return LeastValuable(*Board, colour != 0, set, value);
}

uint64_t SEE::AddXrayAttacker(uint64_t set, int sq, int step) const {
  const int d = StepRay(step);
  if (d < 0) {
    std::printf("ERROR: dir not in range. dir = %d\n", step);
    std::fflush(stdout);
    std::exit(0);
  }
  return set | SliderBehind(*Board, sq, d);
}

int SEE::StaticExchangeEvaluation(char colour, uint64_t from, uint64_t to, ChessBoard* board) {
  Board = board;
  if (to == 0 || from == 0) return 0;
  const ChessBoard& b = *board;
  const int toIndex = LowestSquare(to);
  const int fromIndex = LowestSquare(from);
  uint64_t attackers = (IsOneSquare(to) ? AttackersOf(b, toIndex) : SquareAttacksDefences(to)) & ~from;

  int32_t gain[MaxExchange];
  gain[0] = PieceValue(b, to);
  int32_t next = PieceValue(b, from);

  int step = Direction[toIndex][fromIndex];
  if (step < -9 || step > 9) {
    ReportBadDirection("ERROR: Location #1\n", step, toIndex, fromIndex);
    std::exit(0);
  }
  // The slider behind a piece that has captured joins in (a step that is none of the eight
  // ends the program in AddXrayAttacker).
  auto addXray = [&](int sq, int step) {
    const int ray = StepRay(step);
    attackers = ray >= 0 ? attackers | SliderBehind(b, sq, ray) : AddXrayAttacker(attackers, sq, step);
  };
  if (step != 0) addXray(fromIndex, step);

  bool black = colour != 0;
  int32_t value = 0;  // of the piece on sq
  int sq = LeastValuable(b, black, attackers, value);
  int d = 0;
  while (sq >= 0 && d + 1 < MaxExchange) {
    d++;
    black = !black;
    gain[d] = next - gain[d - 1];
    attackers &= ~Bit(sq);
    next = value;
    step = Direction[toIndex][sq];
    if (step < -9 || step > 9)
      ReportBadDirection("ERROR: Location #2\n", step, toIndex, sq);
    else if (step != 0)
      addXray(sq, step);
    sq = LeastValuable(b, black, attackers, value);
  }
  // Backward: each side stops capturing when continuing would leave it worse off.
  for (int k = d; k >= 1; k--)
    if (gain[k] > -gain[k - 1]) gain[k - 1] = -gain[k];
  return gain[0];
}
