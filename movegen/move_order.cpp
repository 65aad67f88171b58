// Move ordering: every move of a list gets an OrderValue, and NextMove hands out the best
// remaining move, so a cutoff after the first few moves spares sorting the rest.

#include <utility>

#include "board/bit_ops.h"
#include "board/masks.h"
#include "board/piece_values.h"
#include "eval/eval_tables.h"
#include "movegen/move_gen.h"

namespace {

// Full-width ordering values.
constexpr int32_t HashMoveOrder = 29000;
constexpr int32_t PVMoveOrder = 28998;
constexpr int32_t FirstKillerOrder = 1020;
constexpr int32_t SecondKillerOrder = 1010;
constexpr int32_t CaptureBase = 9750;
constexpr int32_t QuietQueenPromotionOrder = 4875;
constexpr int32_t OtherQuietOrder = 500;
constexpr int32_t KingLineBonus = 28;
// Quiescence values: a quiet push to the last rank comes after every capture.
constexpr int32_t QuietPromotionQuiesceOrder = 750;
constexpr int32_t QuiesceCaptureBase = 10;

enum MoverKind { Pawn, Knight, Bishop, Rook, Queen, King, NoPiece };

// Victim values by kind, the piece values with a knight a shade below a bishop. A king never
// stands capturable in a searched position; it is given more than a queen so such a move (if
// one ever appears) is looked at first.
constexpr int32_t OrderVictimValue[7] = {PawnValue, KnightValue - 2, BishopValue, RookValue,
                                         QueenValue, 10000, 0};
// What the quiescence ordering subtracts for the capturing piece.
constexpr int32_t QuiesceMoverPenalty[7] = {3, 12, 12, 19, 38, 38, 0};

static_assert(int{Pawn} == int{WPawn} && int{Knight} == int{WKnight} && int{Bishop} == int{WBishop} &&
              int{Rook} == int{WRook} && int{Queen} == int{WQueen} && int{King} == int{WKingCode} &&
              int{NoPiece} == ChessBoard::NoKind);
MoverKind KindOn(const ChessBoard& b, bool black, uint64_t s) {
  return static_cast<MoverKind>(b.KindOn(black ? Black : White, s));
}

// The enemy piece on the destination; most moves go to an empty square, which one test of the
// enemy's union answers.
MoverKind VictimOn(const ChessBoard& b, bool moverBlack, uint64_t to) {
  return ((moverBlack ? b.WhitePieces : b.BlackPieces) & to) ? KindOn(b, !moverBlack, to) : NoPiece;
}

// Rank counted from the mover's own side (0 = its first rank).
int RelativeRank(bool black, int sq) { return black ? 7 - sq / 8 : sq / 8; }

// True when no enemy pawn stands ahead of a pawn on sq on its own or a neighbouring file.
bool PassedOn(const ChessBoard& b, bool black, int sq) {
  const int file = sq % 8, rank = sq / 8;
  uint64_t files = FileMasks[file];
  if (file > 0) files |= FileMasks[file - 1];
  if (file < 7) files |= FileMasks[file + 1];
  uint64_t ahead;
  if (black)
    ahead = rank == 0 ? 0 : (uint64_t{1} << (8 * rank)) - 1;
  else
    ahead = rank == 7 ? 0 : ~uint64_t{0} << (8 * (rank + 1));
  return (files & ahead & (black ? b.WhitePawns : b.BlackPawns)) == 0;
}

// How the capturing piece changes a capture's order value.
int32_t AttackerAdjustment(const ChessBoard& b, MoverKind kind, bool black, int from, int to) {
  switch (kind) {
    case Bishop:
      return -12;
    case Knight:
      return (black ? BKnightPost[to] : WKnightPost[to]) - 10;
    case Rook: {
      int32_t v = -19;
      if (((b.WhitePawns | b.BlackPawns) & FileMasks[to % 8]) == 0) v += OpenFileControl[to % 8];
      if (RelativeRank(black, to) == 6) v += Majorson7[1];
      return v;
    }
    case Pawn: {
      int32_t v = -3;
      if (PassedOn(b, black, to)) v += Passers[RelativeRank(black, to)] - Passers[RelativeRank(black, from)];
      return v;
    }
    case Queen:
      return -38;
    case King:
      return -14625;
    default:
      return 0;
  }
}

}  // namespace

void MoveGen::AssignMoveOrderValues(const OrderTables& learnt, int count, int ply, uint64_t enemyKingSquare,
                                     int hashMove, char mode) {
  const ChessBoard& b = *Board;
  const uint64_t kingLines =
      enemyKingSquare ? FileMasks[SquareIndex(enemyKingSquare) % 8] | RankMasks[SquareIndex(enemyKingSquare) / 8]
                      : 0;
  // The principal-variation and killer tables have MaxPly rows; deeper plies have none.
  const bool tableRow = ply >= 0 && ply < MaxPly;
  const PVEntry pvMove = tableRow ? learnt.PV[ply][ply] : PVEntry{0, 0};
  const uint16_t killer0 = tableRow ? learnt.Killers[ply][0] : 0;
  const uint16_t killer1 = tableRow ? learnt.Killers[ply][1] : 0;
  bool pvFree = tableRow && mode != 3, hashFree = hashMove != 0, killer0Free = tableRow,
       killer1Free = tableRow;

  if (count > MaxMoves) count = MaxMoves;
  for (int i = 0; i < count; i++) {
    const int from = SquareIndex(From[i]), to = SquareIndex(To[i]);
    const int code = MoveCode(from, to);
    if (pvFree && code == pvMove.Code && Promotion[i] == pvMove.Promotion) {
      OrderValue[i] = PVMoveOrder;
      pvFree = false;
      continue;
    }
    if (hashFree && code == hashMove) {
      OrderValue[i] = HashMoveOrder;
      hashFree = false;
      continue;
    }
    if (killer0Free && code == killer0) {
      OrderValue[i] = FirstKillerOrder;
      killer0Free = false;
      continue;
    }
    if (killer1Free && code == killer1) {
      OrderValue[i] = SecondKillerOrder;
      killer1Free = false;
      continue;
    }

    const bool black = (b.WhitePieces & From[i]) == 0;
    const MoverKind mover = KindOn(b, black, From[i]);
    const MoverKind victim = VictimOn(b, black, To[i]);
    int32_t value;
    if (victim != NoPiece)
      value = CaptureBase + OrderVictimValue[victim] + AttackerAdjustment(b, mover, black, from, to);
    else if (Promotion[i] == (black ? 'q' : 'Q'))
      value = QuietQueenPromotionOrder;
    else if (Promotion[i] == NoPromotion)
      value = learnt.History[black ? 1 : 0][code] >> 7;
    else
      value = OtherQuietOrder;
    // Rooks and queens moving onto the enemy king's file or rank.
    if ((mover == Rook || mover == Queen) && (To[i] & kingLines)) value += KingLineBonus;
    OrderValue[i] = value;
  }
}

void MoveGen::QuiesceAssignMoveOrderValues(int count) {
  const ChessBoard& b = *Board;
  if (count > MaxMoves) count = MaxMoves;
  for (int i = 0; i < count; i++) {
    const bool black = (b.WhitePieces & From[i]) == 0;
    const MoverKind mover = KindOn(b, black, From[i]);
    const MoverKind victim = VictimOn(b, black, To[i]);
    if (victim != NoPiece) {
      OrderValue[i] = OrderVictimValue[victim] + QuiesceCaptureBase - QuiesceMoverPenalty[mover];
    } else {
      const bool promotes = mover == Pawn && (To[i] & (black ? Rank1 : Rank8));
      OrderValue[i] = promotes ? QuietPromotionQuiesceOrder : 0;
    }
  }
}

void MoveGen::NextMove(int i, int n, uint64_t* from, uint64_t* to, char* promotion) {
  if (i < 0 || i >= MaxMoves) return;
  if (n > MaxMoves) n = MaxMoves;
  if (i < n) {
    // Selection sort, one step: strictly greater wins, so equal values keep list order.
    int best = i;
    for (int j = i + 1; j < n; j++)
      if (OrderValue[j] > OrderValue[best]) best = j;
    if (best != i) {
      std::swap(From[i], From[best]);
      std::swap(To[i], To[best]);
      std::swap(Promotion[i], Promotion[best]);
      std::swap(OrderValue[i], OrderValue[best]);
    }
  }
  *from = From[i];
  *to = To[i];
  *promotion = Promotion[i];
}
