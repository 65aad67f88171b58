#pragma once
// The static evaluation: material, game phase, piece-square tables, pawn structure (with the
// pawn hash), piece activity, king safety and trapped pieces. One global evaluator, PE; while
// PosEval runs, bb points at the board being evaluated and every term reads it through bb.

#include <cstdint>

#include "board/chess_board.h"

// Per-colour accumulators of BishopEval.
struct BishopRecord {
  int32_t Count;               // bishops of the colour
  uint64_t FianchettoSquare;   // g2 for White, g7 for Black
  int32_t Bonus;               // bishop pair
  int32_t Mid;
  int32_t End;
  int32_t Processed;           // bishops looked at so far
};

class PositionEvaluate {
public:
  // Driver state (all scores from White's point of view).
  int32_t Phase;               // 1 = full material .. 24 = kings and pawns only
  int32_t MidScore;
  int32_t EndScore;
  int32_t WhiteKingSq, BlackKingSq;
  uint64_t WhiteKingFile, BlackKingFile;
  int8_t WhiteNonPawnCount, BlackNonPawnCount;
  int32_t WhitePasserScore, BlackPasserScore;
  int32_t WhiteDoubled, BlackDoubled;

  // Pawn structure. The passer-rank arrays carry a zero guard on each side: the entry of
  // file f (0 = a) is at index f + 1, so the neighbours of any file can be read freely.
  uint8_t WhitePasserRank[10];
  uint8_t BlackPasserRank[10];
  int8_t WhitePasserCount, BlackPasserCount;
  uint8_t PasserFlags;         // 1 white passer, 2 white connected, 16 black passer, 32 black connected
  uint64_t NoWhitePawnFiles, NoBlackPawnFiles, PawnFiles, OpenFiles;
  uint64_t BackwardPawns;
  uint64_t WhitePawnCover, BlackPawnCover;

  // Attack maps, rebuilt by AttackMasks.
  uint64_t WhitePawnAttacks, BlackPawnAttacks;
  uint64_t WhiteKnightAttacks, BlackKnightAttacks;
  uint64_t WhiteBishopAttacks, BlackBishopAttacks;
  uint64_t WhiteRookAttacks, BlackRookAttacks;
  uint64_t WhiteQueenAttacks, BlackQueenAttacks;
  uint64_t WhiteKingAttacks, BlackKingAttacks;
  uint64_t AllWhiteAttacks, AllBlackAttacks;

  // King shelter: files in front of each king without a useful shield pawn.
  int32_t WhiteOpenShield, BlackOpenShield;

  BishopRecord WhiteBishopRecord, BlackBishopRecord;

  // Driver and material (position_evaluate.cpp).
  int PosEval(char side, int alpha, int beta, ChessBoard* board, char flag);
  int MaterialOnly(char side, int bound, ChessBoard& board);
  int SideMaterialValue(char side, ChessBoard* board);
  int32_t DynamicPieceAdjustments(int32_t phase);
  int32_t KingEval(char side);

  // Pawn structure (pawn_eval.cpp).
  int32_t PawnEval04(char side);
  bool DoesPawnPromote(char colour, int rank, uint64_t promotionSquare, char side);
  int32_t RuleofSquare(char side);
  bool QueenAttacks(char colour, uint64_t square, uint64_t targets);

  // Piece activity and king safety (piece_eval.cpp).
  void AttackMasks();
  int32_t PawnShield(char side);
  int32_t PawnFilePenalty(char side, uint64_t pawnsOnFile);
  int32_t PawnStorm(char side);
  int32_t AttackCounts(char side);
  int32_t KnightEval(char side);
  int32_t BishopEval(char side);
  int32_t RookEval(char side);
  int32_t QueenEval(char side);
  int32_t Traps(char side);

private:
  uint64_t ScoreWhitePawns(int32_t& score, int32_t& mid, int32_t& end);
  uint64_t ScoreBlackPawns(int32_t& score, int32_t& mid, int32_t& end);
  void ValueWhitePassers(uint64_t doubledFiles);
  void ValueBlackPassers(uint64_t doubledFiles);
  void WhitePasserExtras(char side);
  void BlackPasserExtras(char side);
  void BishopsOfColour(BishopRecord& rec, bool white);
};

extern PositionEvaluate PE;
extern ChessBoard* bb;

// Tables that move ordering reads too.
extern const int32_t WKnightPost[64];
extern const int32_t BKnightPost[64];
extern const int32_t Passers[8];
extern const int32_t OpenFileControl[8];
extern const int16_t Majorson7[16];
