#pragma once
// A fixed-capacity pseudo-legal move list with its generators.

#include <cstdint>

#include "board/chess_board.h"
#include "movegen/order_tables.h"

constexpr int MaxMoves = 335;

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
