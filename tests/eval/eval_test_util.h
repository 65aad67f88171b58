#pragma once
// Helpers for the evaluation tests: boards from FEN text with current counts, draw flags and
// pawn key, and the colour-flipped mirror of a board.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "board/chess_board.h"
#include "board/fen.h"
#include "board/keys.h"
#include "eval/position_evaluate.h"
#include "hash/pawn_hash.h"

// The pawn keys need the code tables; fill them once per process.
inline void EnsureKeyTables() {
  if (LPStable[0] == 0 && LPStable[1] == 0) initPStable();
}

// Brings the derived fields up to date the way the search does before evaluating.
inline void Prepare(ChessBoard& b) {
  EnsureKeyTables();
  b.RecomputeUnions();
  b.InitPieceCounts();
  b.WhitePieceTotal = b.WhiteQueenCount + b.WhiteRookCount + b.WhiteBishopCount +
                      b.WhiteKnightCount + b.WhitePawnCount;
  b.BlackPieceTotal = b.BlackQueenCount + b.BlackRookCount + b.BlackBishopCount +
                      b.BlackKnightCount + b.BlackPawnCount;
  b.FiftyMoveCount = 0;
  b.CheckDraw(0);
  genpawnhashcode(b.SideToMove, b, &b.PawnKingKey);
}

inline ChessBoard FromFen(const std::string& fen) {
  const ChessBoard saved = MainBoard;
  const char* reason = SetupBoard(fen.c_str());
  EXPECT_EQ(reason, nullptr) << fen << ": " << (reason ? reason : "");
  ChessBoard b = MainBoard;
  MainBoard = saved;
  Prepare(b);
  return b;
}

// Ranks reversed, colours exchanged, side to move and castling rights exchanged.
inline ChessBoard Mirror(const ChessBoard& b) {
  ChessBoard m{};
  auto flip = [](uint64_t x) { return __builtin_bswap64(x); };
  m.WhitePawns = flip(b.BlackPawns);
  m.WhiteKnights = flip(b.BlackKnights);
  m.WhiteBishops = flip(b.BlackBishops);
  m.WhiteRooks = flip(b.BlackRooks);
  m.WhiteQueens = flip(b.BlackQueens);
  m.WhiteKing = flip(b.BlackKing);
  m.BlackPawns = flip(b.WhitePawns);
  m.BlackKnights = flip(b.WhiteKnights);
  m.BlackBishops = flip(b.WhiteBishops);
  m.BlackRooks = flip(b.WhiteRooks);
  m.BlackQueens = flip(b.WhiteQueens);
  m.BlackKing = flip(b.WhiteKing);
  m.SideToMove = b.SideToMove ? 0 : 1;
  m.CastleFlags = static_cast<uint8_t>(((b.CastleFlags & 3) << 2) | ((b.CastleFlags >> 2) & 3));
  m.LastFrom = flip(b.LastFrom);
  m.LastTo = flip(b.LastTo);
  Prepare(m);
  return m;
}

// Evaluation from the mover's view with the full window. With `fresh`, the pawn-hash entry of
// the board is invalidated first, so the structure is evaluated rather than looked up (the
// cached terms depend on where the kings stood when the entry was made).
inline int Evaluate(ChessBoard& b, bool fresh = true, int alpha = -110000, int beta = 110000) {
  if (fresh) PawnHashArray[b.PawnKingKey & PawnHashIndexMask].Pawns = ~0ULL;
  return PE.PosEval(b.SideToMove, alpha, beta, &b, 0);
}

// Evaluates the board (filling the attack maps and the pawn structure) and clears the
// accumulators, so that one term called next can be read alone in MidScore and EndScore.
inline void ReadyForOneTerm(ChessBoard& b) {
  Evaluate(b);
  PE.MidScore = PE.EndScore = 0;
}
