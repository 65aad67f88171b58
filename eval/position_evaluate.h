#pragma once
// The static evaluation. (Members are added by the evaluation code.)

#include <cstdint>

#include "board/chess_board.h"

class PositionEvaluate {
public:
  int PosEval(char side, int alpha, int beta, ChessBoard* board, char flag);
  int MaterialOnly(char side, int bound, ChessBoard& board);
  int SideMaterialValue(char side, ChessBoard* board);
};

extern PositionEvaluate PE;
extern ChessBoard* bb;

// Tables that move ordering reads too.
extern const int32_t WKnightPost[64];
extern const int32_t BKnightPost[64];
extern const int32_t Passers[8];
extern const int32_t OpenFileControl[8];
extern const int16_t Majorson7[16];
