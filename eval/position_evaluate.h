#pragma once
// The static evaluation: material, game phase, piece-square tables, pawn structure (with the
// pawn hash), piece activity, king safety and trapped pieces. One evaluator, PE, per thread;
// while PosEval runs, bb points at the board being evaluated and every term reads it through bb.

#include <array>
#include <cstdint>

#include "board/chess_board.h"
#include "hash/pawn_hash.h"

// The attacks of the first few pieces of one kind, one set per piece.
using SliderAttacks = std::array<uint64_t, 4>;

// Per-colour accumulators of BishopEval.
struct BishopRecord {
  int32_t Count;               // bishops of the colour
  uint64_t FianchettoSquare;   // g2 for White, g7 for Black
  int32_t Bonus;               // bishop pair
  int32_t Mid;
  int32_t End;
  int32_t Processed;           // bishops looked at so far
};

// The static evaluation taken apart: each stage's share of the score (White's view, in the
// evaluation's units), in the order they are added.
struct EvalTerm {
  const char* Name;
  int32_t Value;
};
struct EvalReport {
  static constexpr int MaxTerms = 16;
  EvalTerm Terms[MaxTerms];
  int Count;
  int32_t Phase;   // 1 = full material .. 24 = kings and pawns only; 0 when a pawnless ending is settled early
  int32_t Total;   // what PosEval returns: the side to move's view
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

  // Pawn structure of the evaluated board, as cached in the pawn hash; the passer scores
  // then gain the terms that depend on kings and pieces.
  PawnStructure Pawn;

  // Attack maps, rebuilt by AttackMasks.
  uint64_t WhitePawnAttacks, BlackPawnAttacks;
  uint64_t WhiteKnightAttacks, BlackKnightAttacks;
  uint64_t WhiteBishopAttacks, BlackBishopAttacks;
  uint64_t WhiteRookAttacks, BlackRookAttacks;
  uint64_t WhiteQueenAttacks, BlackQueenAttacks;
  uint64_t WhiteKingAttacks, BlackKingAttacks;
  uint64_t AllWhiteAttacks, AllBlackAttacks;
  // ... and the attacks of each colour's first bishops and rooks one by one (from the lowest
  // square up), which mobility reads.
  SliderAttacks WhiteBishopAttacksEach, BlackBishopAttacksEach;
  SliderAttacks WhiteRookAttacksEach, BlackRookAttacksEach;

  // King shelter: files in front of each king without a useful shield pawn.
  int32_t WhiteOpenShield, BlackOpenShield;

  BishopRecord WhiteBishopRecord, BlackBishopRecord;

  // Driver and material (position_evaluate.cpp).
  int PosEval(char side, int alpha, int beta, ChessBoard* board, char flag);
  // PosEval with no window (nothing is cut short), its terms written to report.
  void EvaluateTerms(char side, ChessBoard* board, EvalReport& report);
  int MaterialOnly(char side, int bound, ChessBoard& board);
  int SideMaterialValue(char side, ChessBoard* board);
  int32_t DynamicPieceAdjustments(int32_t phase);
  int32_t KingEval(char side);
  int32_t CentreControl() const;

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
  // PosEval's body; the instance with Report also fills report.
  template <bool Report>
  int Evaluate(char side, int alpha, int beta, ChessBoard* board, EvalReport* report);
  // PawnEval04 in two steps, so that PosEval can build the attack maps in between: the
  // structure from the pawn hash (adding its middlegame and endgame terms, returning the pawn
  // score; ScorePawnStructure works it out on a miss) and the passer terms that read the maps.
  int32_t PawnStructureTerms();
  void ScorePawnStructure(PawnHashEntry& entry);
  void PassedPawnTerms(char side);
  // RuleofSquare's race between the unstoppable passers of a pawn ending.
  int32_t PawnRace(char side);
  // The king-safety terms of both kings (middlegame, White's view), for the sides that have
  // the pieces to attack; the pawn storm is halved unless the kings stand on opposite wings.
  int32_t KingSafety(bool whiteAttacks, bool blackAttacks, bool oppositeWings);
  // KnightEval, BishopEval, RookEval and QueenEval in one call: returns the sum of their results.
  int32_t PieceActivity(char side);

  // Each colour's half of a term, written once as a template on the colour (White or Black).
  template <int8_t Us> uint64_t ScorePawns();
  template <int8_t Us> void ValuePassers(uint64_t doubledFiles);
  template <int8_t Us> void PasserExtras(char side);
  template <int8_t Us> void AttackMapsOf();
  template <int8_t Us> int32_t ShelterFilePenalty(uint64_t pawnsOnFile);
  template <int8_t Us> int32_t ShelterOf();
  template <int8_t Us> int32_t StormBy() const;
  template <int8_t Us> int32_t AttackOn() const;
  template <int8_t Us> void KnightsOf(int32_t& mid, int32_t& end);
  template <int8_t Us> void RooksOf(int32_t& halfOpen, int32_t& mid, int32_t& end);
  template <int8_t Us> void QueensOf(int32_t& mid, int32_t& end);
  template <int8_t Us> void HeavyPiecesOnSeventh();
  template <int8_t Us> int32_t CentreSquaresAttacked() const;
  void BishopsOfColour(BishopRecord& rec, bool white);
};

// Each search thread evaluates with its own evaluator (and its own bb below).
extern thread_local constinit PositionEvaluate PE;

// Prints the static evaluation of board for its side to move, term by term, as plain lines (the
// test-suite runner's -pev and the UCI "eval" command). board is not changed; its piece counts
// are taken from the bitboards.
void PrintEvaluation(const ChessBoard& board);
extern thread_local constinit ChessBoard* bb;
