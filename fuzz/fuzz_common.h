#pragma once
// What every fuzz target shares: a quiet engine set up once, and the invariants a position must
// keep whatever the input was. A broken invariant aborts, which the fuzzer reports with the input.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "board/bit_ops.h"
#include "board/chess_board.h"
#include "board/keys.h"
#include "board/masks.h"
#include "game/status.h"
#include "movegen/move_gen.h"
#include "search/search_report.h"

#define FUZZ_CHECK(condition)                                                        \
  do {                                                                               \
    if (!(condition)) {                                                              \
      fprintf(stderr, "invariant broken: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
      abort();                                                                       \
    }                                                                                \
  } while (0)

// The engine's output goes nowhere; the fuzzer reports on standard error.
inline void QuietEngine() {
  static bool done = false;
  if (done) return;
  done = true;
  if (!freopen("/dev/null", "w", stdout)) abort();
  initPStable();
  MainStatus.initVars();
  MainBoard.InitRep();
  MainBoard.FiftyMoveCount = 0;
  MainBoard.InitPieceCounts();
}

// The position makes sense: twelve disjoint piece sets with their unions, one king each, no
// pawn on a back rank, the side that has just moved not in check, castling rights only with
// the king and rook at home, an en passant chance only behind a pawn that has just moved two.
inline void CheckPosition(const ChessBoard& b) {
  const uint64_t white[6] = {b.WhitePawns, b.WhiteKnights, b.WhiteBishops, b.WhiteRooks, b.WhiteQueens, b.WhiteKing};
  const uint64_t black[6] = {b.BlackPawns, b.BlackKnights, b.BlackBishops, b.BlackRooks, b.BlackQueens, b.BlackKing};
  uint64_t seen = 0, w = 0, bl = 0;
  for (uint64_t set : white) {
    FUZZ_CHECK((seen & set) == 0);
    seen |= set;
    w |= set;
  }
  for (uint64_t set : black) {
    FUZZ_CHECK((seen & set) == 0);
    seen |= set;
    bl |= set;
  }
  FUZZ_CHECK(b.WhitePieces == w && b.BlackPieces == bl && b.AllPieces == (w | bl));
  FUZZ_CHECK(PopCount(b.WhiteKing) == 1 && PopCount(b.BlackKing) == 1);
  FUZZ_CHECK(((b.WhitePawns | b.BlackPawns) & (Rank1 | Rank8)) == 0);
  FUZZ_CHECK(b.SideToMove == White || b.SideToMove == Black);
  const int8_t waiting = b.SideToMove ? White : Black;
  FUZZ_CHECK(!b.InCheck(waiting == White ? b.WhiteKing : b.BlackKing, waiting));
  const uint8_t f = b.CastleFlags;
  FUZZ_CHECK((f & ~15) == 0);
  if (f & 3) FUZZ_CHECK(b.WhiteKing == Bit(E1));
  if (f & 12) FUZZ_CHECK(b.BlackKing == Bit(E8));
  if (f & 1) FUZZ_CHECK(b.WhiteRooks & Bit(H1));
  if (f & 2) FUZZ_CHECK(b.WhiteRooks & Bit(A1));
  if (f & 4) FUZZ_CHECK(b.BlackRooks & Bit(H8));
  if (f & 8) FUZZ_CHECK(b.BlackRooks & Bit(A8));
  if (b.LastTo & (Rank4 | Rank5) && b.LastFrom & (Rank2 | Rank7))
    FUZZ_CHECK(b.AllPieces & b.LastTo);
}

// The twelve piece sets of two boards agree.
inline bool SamePieces(const ChessBoard& a, const ChessBoard& b) {
  return memcmp(&a.WhitePawns, &b.WhitePawns, 12 * sizeof(uint64_t)) == 0;
}

// after is before with one legal move of before's side to move played.
inline bool OneLegalMoveApart(const ChessBoard& before, const ChessBoard& after) {
  ChessBoard work = before;
  MoveGen gen;
  const int8_t side = before.SideToMove ? Black : White;
  const int n = gen.GenerateAllMoves(side, &work, static_cast<char>(before.CastleFlags));
  for (int i = 0; i < n; i++) {
    // Every promotion piece may have been asked for.
    const char promotions[5] = {gen.Promotion[i], 'n', 'b', 'r', 'q'};
    const int tries = gen.Promotion[i] == NoPromotion ? 1 : 5;
    for (int p = 0; p < tries; p++) {
      ChessBoard made = before;
      uint8_t mask = 15;
      made.MakeMove(gen.From[i], gen.To[i], promotions[p], mask);
      const uint64_t king = side == White ? made.WhiteKing : made.BlackKing;
      if (made.InCheck(king, side)) continue;
      if (SamePieces(made, after) && (before.CastleFlags & mask) == after.CastleFlags) return true;
    }
  }
  return false;
}

// The input as NUL-terminated text (NUL bytes inside become spaces).
inline std::string Text(const uint8_t* data, size_t size) {
  std::string s(reinterpret_cast<const char*>(data), size);
  for (char& c : s)
    if (c == '\0') c = ' ';
  return s;
}
