// Move ordering: every move of a list gets an OrderValue, and NextMove hands out the best
// remaining move, so a cutoff after the first few moves spares sorting the rest.

#include <utility>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

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

// What the ordering needs to know of the piece on a from-square and its side. A generated list
// holds each piece's moves one after another, so this is worked out once per piece, not once
// per move.
struct Mover {
  uint64_t From;
  int FromIndex;
  bool Black;
  MoverKind Kind;
  uint64_t Enemy;          // the other side's pieces: a move onto them is a capture
  char QueenPromotion;     // 'Q' or 'q'
  const int32_t* History;  // the side's history of the moves from this square, by to-square
  uint64_t KingLines;      // the enemy king's lines for a rook or queen, else nothing
  bool MaySpecial;         // a principal-variation, hash or killer move may start here
};

// specialFroms: the from-squares of the principal-variation, hash and killer moves.
Mover MoverOn(const ChessBoard& b, const OrderTables& learnt, uint64_t kingLines, uint64_t specialFroms,
              uint64_t from) {
  const bool black = (b.WhitePieces & from) == 0;
  const MoverKind kind = KindOn(b, black, from);
  const int fromIndex = SquareIndex(from);
  return {from,
          fromIndex,
          black,
          kind,
          black ? b.WhitePieces : b.BlackPieces,
          black ? 'q' : 'Q',
          learnt.History[black ? 1 : 0] + MoveCode(fromIndex, 0),
          (kind == Rook || kind == Queen) ? kingLines : 0,
          ((specialFroms >> fromIndex) & 1) != 0};
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
  // Each of these rules matches once: its code, or Spent (which no move code equals) when the
  // rule is not open or has matched.
  constexpr int Spent = -1;
  int pvCode = tableRow && mode != 3 ? pvMove.Code : Spent;
  int hashCode = hashMove != 0 ? hashMove : Spent;
  int killer0Code = tableRow ? learnt.Killers[ply][0] : Spent;
  int killer1Code = tableRow ? learnt.Killers[ply][1] : Spent;

  // Most pieces start none of these moves, and their moves skip the four tests.
  uint64_t specialFroms = 0;
  for (const int code : {pvCode, hashCode, killer0Code, killer1Code})
    if (code >= 0 && code < 4096) specialFroms |= Bit(code >> 6);

  Mover mover = MoverOn(b, learnt, kingLines, specialFroms, 0);  // replaced at the first real from-square
  if (count > MaxMoves) count = MaxMoves;
  for (int i = 0; i < count; i++) {
    if (From[i] != mover.From) mover = MoverOn(b, learnt, kingLines, specialFroms, From[i]);
    const int to = SquareIndex(To[i]);
    if (mover.MaySpecial) {
      // The first open rule whose move this is gives the move its value and closes.
      const int code = MoveCode(mover.FromIndex, to);
      auto claims = [&](int& rule, int32_t order) {
        if (code != rule) return false;
        OrderValue[i] = order;
        rule = Spent;
        return true;
      };
      if ((Promotion[i] == pvMove.Promotion && claims(pvCode, PVMoveOrder)) || claims(hashCode, HashMoveOrder) ||
          claims(killer0Code, FirstKillerOrder) || claims(killer1Code, SecondKillerOrder))
        continue;
    }

    const MoverKind victim = (mover.Enemy & To[i]) ? KindOn(b, !mover.Black, To[i]) : NoPiece;
    int32_t value;
    if (victim != NoPiece)
      value = CaptureBase + OrderVictimValue[victim] +
              AttackerAdjustment(b, mover.Kind, mover.Black, mover.FromIndex, to);
    else if (Promotion[i] == NoPromotion)
      value = mover.History[to] >> 7;
    else if (Promotion[i] == mover.QueenPromotion)
      value = QuietQueenPromotionOrder;
    else
      value = OtherQuietOrder;
    // Rooks and queens moving onto the enemy king's file or rank.
    if (To[i] & mover.KingLines) value += KingLineBonus;
    OrderValue[i] = value;
  }
}

void MoveGen::QuiesceAssignMoveOrderValues(int count) {
  const ChessBoard& b = *Board;
  if (count > MaxMoves) count = MaxMoves;
  for (int i = 0; i < count; i++) {
    // Most of these are pawn pushes to an empty square short of the last rank: worth nothing,
    // whichever side moves.
    if (!(To[i] & (b.AllPieces | Rank1 | Rank8))) {
      OrderValue[i] = 0;
      continue;
    }
    const bool black = (b.WhitePieces & From[i]) == 0;
    const MoverKind victim = VictimOn(b, black, To[i]);
    if (victim != NoPiece) {
      const MoverKind mover = KindOn(b, black, From[i]);
      OrderValue[i] = OrderVictimValue[victim] + QuiesceCaptureBase - QuiesceMoverPenalty[mover];
    } else {
      // Only a pawn reaching the last rank counts.
      const bool promotes = (To[i] & (black ? Rank1 : Rank8)) && ((black ? b.BlackPawns : b.WhitePawns) & From[i]);
      OrderValue[i] = promotes ? QuietPromotionQuiesceOrder : 0;
    }
  }
}

namespace {

#if defined(__SSE2__)
// The order values as vectors of 32-bit lanes, as wide as the build's instruction set allows:
// the larger of two vectors lane by lane, the lanes where two vectors are equal as bits, and a
// vector whose every lane holds the largest of v's lanes.
#if defined(__AVX2__)
using Lanes = __m256i;
constexpr int LaneCount = 8;
inline Lanes LoadLanes(const int32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const Lanes*>(p)); }
inline Lanes Larger(Lanes a, Lanes b) { return _mm256_max_epi32(a, b); }
inline int EqualLanes(Lanes a, Lanes b) { return _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(a, b))); }
inline Lanes Spread(Lanes v) {
  v = Larger(v, _mm256_permute2x128_si256(v, v, 1));  // the two halves swapped
  v = Larger(v, _mm256_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2)));
  return Larger(v, _mm256_shuffle_epi32(v, _MM_SHUFFLE(2, 3, 0, 1)));
}
#else
using Lanes = __m128i;
constexpr int LaneCount = 4;
inline Lanes LoadLanes(const int32_t* p) { return _mm_loadu_si128(reinterpret_cast<const Lanes*>(p)); }
inline Lanes Larger(Lanes a, Lanes b) {
#if defined(__SSE4_1__)
  return _mm_max_epi32(a, b);
#else
  const Lanes aWins = _mm_cmpgt_epi32(a, b);
  return _mm_or_si128(_mm_and_si128(aWins, a), _mm_andnot_si128(aWins, b));
#endif
}
inline int EqualLanes(Lanes a, Lanes b) { return _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(a, b))); }
inline Lanes Spread(Lanes v) {
  v = Larger(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2)));
  return Larger(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(2, 3, 0, 1)));
}
#endif
#endif

// Index of the first of values[i .. n - 1] holding their largest value; i < n.
int FirstIndexOfMax(const int32_t* values, int i, int n) {
#if defined(__SSE2__)
  // Ranges of at least one vector: the largest value a vector at a time, then the first lane
  // holding it. A range that is not a whole number of vectors ends with a vector overlapping
  // the one before, which changes neither the maximum nor the first place it is found.
  if (n - i >= LaneCount) {
    Lanes best = LoadLanes(values + i);
    int j = i + LaneCount;
    for (; j + LaneCount <= n; j += LaneCount) best = Larger(best, LoadLanes(values + j));
    if (j < n) best = Larger(best, LoadLanes(values + n - LaneCount));
    best = Spread(best);
    for (j = i;; j += LaneCount) {
      const int start = j + LaneCount <= n ? j : n - LaneCount;
      const int lanes = EqualLanes(LoadLanes(values + start), best);
      if (lanes) return start + __builtin_ctz(static_cast<unsigned>(lanes));
    }
  }
#endif
  // Short ranges one by one; the best move is usually among the first few, so the test rarely
  // succeeds.
  const int32_t* best = values + i;
  int32_t bestValue = *best;
  for (const int32_t *p = best + 1, *end = values + n; p < end; ++p) {
    if (*p > bestValue) {
      best = p;
      bestValue = *p;
    }
  }
  return static_cast<int>(best - values);
}

}  // namespace

void MoveGen::SelectBest(int i, int n) {
  const int best = FirstIndexOfMax(OrderValue, i, n);
  if (best != i) {
    std::swap(From[i], From[best]);
    std::swap(To[i], To[best]);
    std::swap(Promotion[i], Promotion[best]);
    std::swap(OrderValue[i], OrderValue[best]);
  }
}
