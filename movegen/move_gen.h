#pragma once
// A fixed-capacity pseudo-legal move list with its generators.

#include <cstdint>

#include "board/bit_ops.h"
#include "board/chess_board.h"
#include "board/masks.h"
#include "movegen/order_tables.h"

constexpr int MaxMoves = 335;

// A pawn step of n squares towards the colour's last rank, and back.
template <bool Black>
constexpr uint64_t PawnForward(uint64_t squares, int n) {
  return Black ? squares >> n : squares << n;
}
template <bool Black>
constexpr uint64_t PawnBackward(uint64_t squares, int n) {
  return Black ? squares << n : squares >> n;
}

// The squares the pawn moves of one colour reach, for all its pawns at once. A pawn with a
// move of a kind lands on the matching set shifted by that move's step (8 for the single push,
// 16 for the double push, 7 and 9 for the captures: White up-left and up-right, Black down-right
// and down-left); a move onto the last rank promotes to a queen. En passant is possible only
// right after an enemy double push to the pawn's rank; EnPassantFrom holds the pawns that may
// take so, all onto EnPassantTo. The generator lists these moves and perft counts them.
struct PawnTargets {
  uint64_t Pawns;  // the colour's pawns, less any on the last rank (an edited position), which have no move
  uint64_t Single, Twice, First, Second;
  uint64_t EnPassantFrom, EnPassantTo;
};

template <bool Black>
inline PawnTargets PawnTargetsOf(const ChessBoard& b) {
  constexpr uint64_t StartRank = Black ? Rank7 : Rank2;
  constexpr uint64_t LastRank = Black ? Rank1 : Rank8;
  constexpr uint64_t EnPassantRank = Black ? Rank4 : Rank5;
  constexpr uint64_t FirstCaptureEdge = Black ? FileH : FileA;   // the capture by 7 squares
  constexpr uint64_t SecondCaptureEdge = Black ? FileA : FileH;  // the capture by 9 squares
  PawnTargets t;
  t.Pawns = (Black ? b.BlackPawns : b.WhitePawns) & ~LastRank;
  const uint64_t enemy = Black ? b.WhitePieces : b.BlackPieces;
  const uint64_t empty = ~b.AllPieces;
  t.Single = PawnForward<Black>(t.Pawns, 8) & empty;
  t.Twice = PawnForward<Black>(t.Single & PawnForward<Black>(StartRank, 8), 8) & empty;
  t.First = PawnForward<Black>(t.Pawns & ~FirstCaptureEdge, 7) & enemy;
  t.Second = PawnForward<Black>(t.Pawns & ~SecondCaptureEdge, 9) & enemy;
  t.EnPassantFrom = 0;
  t.EnPassantTo = PawnForward<Black>(b.LastTo, 8);
  if ((b.LastTo & (Black ? b.WhitePawns : b.BlackPawns) & EnPassantRank) && (b.LastFrom & (Black ? Rank2 : Rank7))) {
    // The capturing pawn stands directly left or right of the pawn that has just moved.
    const uint64_t left = b.LastTo >> 1, right = b.LastTo << 1;
    if (!(b.LastFrom & FileA) && IsOneSquare(left)) t.EnPassantFrom |= left;
    if (!(b.LastFrom & FileH) && IsOneSquare(right)) t.EnPassantFrom |= right;
    t.EnPassantFrom &= t.Pawns & EnPassantRank;
  }
  return t;
}

class MoveGen {
public:
  ChessBoard* Board;
  uint64_t From[MaxMoves];
  uint64_t To[MaxMoves];
  char Promotion[MaxMoves];
  int32_t OrderValue[MaxMoves];
  int32_t MoveCount;

  int GenerateAllMoves(int8_t colour, ChessBoard* board, uint8_t castleFlags);
  int GenerateQuiesceMoves(int8_t colour, ChessBoard* board);
  int GenCheckEvasions(int8_t colour, ChessBoard* board);

  int GenKnights(int8_t colour, int i);
  int GenBishops(int8_t colour, int i);
  int GenRooks(int8_t colour, int i);
  int GenQueens(int8_t colour, int i);
  int GenKings(int8_t colour, int i);
  int GenKnightCaptures(int8_t colour, int i);
  int GenBishopCaptures(int8_t colour, int i);
  int GenRookCaptures(int8_t colour, int i);
  int GenQueenCaptures(int8_t colour, int i);
  int GenKingCaptures(int8_t colour, int i);
  int GenPawns(int8_t colour, int i);
  int GenCastle(int8_t colour, int i, uint8_t castleFlags);
  int GenCastle960(int8_t colour, int i, uint8_t castleFlags);

  // Check evasions (check_evasions.cpp).
  int GenKingEvasions(int8_t colour, uint64_t target, int i);
  int GenKnightEvasions(int8_t colour, uint64_t target, int i);
  int GenBishopEvasions(int8_t colour, uint64_t target, int i);
  int GenRookEvasions(int8_t colour, uint64_t target, int i);
  int GenQueenEvasions(int8_t colour, uint64_t target, int i);
  int GenPawnEvasions(int8_t colour, uint64_t target, uint64_t ownPawns, uint64_t enemy, int i);

  int GetMove(int i, uint64_t* from, uint64_t* to, char* promotion) const;

  // Move ordering (move_order.cpp).
  // The principal variation, killers and history of ply come from learnt.
  void AssignMoveOrderValues(const OrderTables& learnt, int count, int ply, uint64_t enemyKingSquare,
                             int hashMove, char mode);
  void QuiesceAssignMoveOrderValues(int count);
  void NextMove(int i, int n, uint64_t* from, uint64_t* to, char* promotion);
  // One selection-sort step: the first of entries i .. n - 1 with the largest value into slot i.
  void SelectBest(int i, int n);
  // Copies entry i into slot at (past the n moves of the list, where NextMove only reads it).
  void CopyEntry(int i, int at) {
    From[at] = From[i];
    To[at] = To[i];
    Promotion[at] = Promotion[i];
    OrderValue[at] = OrderValue[i];
  }
};

// Brings the best remaining move to slot i and returns it. Strictly greater wins, so equal
// values keep list order.
inline void MoveGen::NextMove(int i, int n, uint64_t* from, uint64_t* to, char* promotion) {
  if (i < 0 || i >= MaxMoves) return;
  if (n > MaxMoves) n = MaxMoves;
  if (i < n) SelectBest(i, n);
  *from = From[i];
  *to = To[i];
  *promotion = Promotion[i];
}

// Finds the legal move of board whose code is entry's (and whose promotion is entry's, when it
// names one) and returns it in from, to and promo; false when there is none.
bool FindLegalMove(ChessBoard& board, int8_t side, uint8_t castle, const PVEntry& entry, uint64_t* from,
                   uint64_t* to, char* promo);
