// Moves out of check. The king steps to squares that are not attacked; when exactly one line
// of attack exists, the other pieces may also capture the checker or step between it and the
// king. Pinned pieces are still listed; the caller's legality test after the move drops them.

#include "board/bit_ops.h"
#include "board/masks.h"
#include "movegen/move_gen.h"
#include "movegen/move_list_fill.h"

namespace {

// Every piece of one kind moves onto the check squares it attacks.
template <typename Attacks>
inline int GenEvasionsOf(MoveGen& list, uint64_t pieces, uint64_t allowed, int i, Attacks attacks) {
  for (; pieces; pieces &= pieces - 1) {
    const uint64_t from = pieces & (~pieces + 1);
    i = EmitAll(list, i, from, attacks(from) & allowed, NoPromotion);
  }
  return i;
}

// One move per destination in `targets`; the pawn came from `shift` squares back (positive:
// the pawn stood lower on the board). Destinations on `lastRank` promote.
inline int EmitPawnTargets(MoveGen& list, int i, uint64_t targets, int shift, uint64_t lastRank, char queen) {
  for (; targets; targets &= targets - 1) {
    const uint64_t to = targets & (~targets + 1);
    const uint64_t from = shift > 0 ? (to >> shift) : (to << -shift);
    i = Emit(list, i, from, to, (to & lastRank) ? queen : NoPromotion);
  }
  return i;
}

}  // namespace

int MoveGen::GenCheckEvasions(int8_t colour, ChessBoard* board) {
  Board = board;
  const ChessBoard& b = *board;
  const bool black = colour != 0;
  const uint64_t kings = black ? b.BlackKing : b.WhiteKing;
  if (!kings) return 0;
  const uint64_t king = kings & (~kings + 1);

  const uint64_t enemyPawns = black ? b.WhitePawns : b.BlackPawns;
  const uint64_t enemyKnights = black ? b.WhiteKnights : b.BlackKnights;
  const uint64_t enemyQueens = black ? b.WhiteQueens : b.BlackQueens;
  const uint64_t enemyStraight = (black ? b.WhiteRooks : b.BlackRooks) | enemyQueens;
  const uint64_t enemyDiagonal = (black ? b.WhiteBishops : b.BlackBishops) | enemyQueens;

  // The check lines: checker squares plus the squares between a slider and the king.
  uint64_t target = 0;
  int lines = 0;
  uint64_t pawnCheckers = 0;
  if (!black) {
    if (!(king & FileA)) pawnCheckers |= (king << 7) & enemyPawns;
    if (!(king & FileH)) pawnCheckers |= (king << 9) & enemyPawns;
  } else {
    if (!(king & FileH)) pawnCheckers |= (king >> 7) & enemyPawns;
    if (!(king & FileA)) pawnCheckers |= (king >> 9) & enemyPawns;
  }
  target |= pawnCheckers;
  lines += PopCount(pawnCheckers);
  if (const uint64_t knights = b.KnightMask(king) & enemyKnights) {
    target |= knights;
    ++lines;
  }
  if (enemyStraight) {
    const uint64_t straight = b.RookCheckMask(king, enemyStraight);
    if (straight & enemyStraight) {
      target |= straight;
      ++lines;
    }
  }
  if (enemyDiagonal) {
    const uint64_t diagonal = b.BishopCheckMask(king, enemyDiagonal);
    if (diagonal & enemyDiagonal) {
      target |= diagonal;
      ++lines;
    }
  }

  int i = GenKingEvasions(colour, target, 0);
  // Against a double check only the king can help.
  if (lines != 1) return i;
  i = GenKnightEvasions(colour, target, i);
  i = GenRookEvasions(colour, target, i);
  i = GenBishopEvasions(colour, target, i);
  i = GenPawnEvasions(colour, target, black ? b.BlackPawns : b.WhitePawns, black ? b.WhitePieces : b.BlackPieces, i);
  i = GenQueenEvasions(colour, target, i);
  return i;
}

int MoveGen::GenKingEvasions(int8_t colour, uint64_t /*target*/, int i) {
  ChessBoard& b = *Board;
  const bool black = colour != 0;
  uint64_t& own = black ? b.BlackPieces : b.WhitePieces;
  for (uint64_t kings = black ? b.BlackKing : b.WhiteKing; kings; kings &= kings - 1) {
    const uint64_t king = kings & (~kings + 1);
    uint64_t candidates = b.KingMask(king) & ~own;
    // Lift the king off the board so that a slider's ray runs on through its square: stepping
    // back along the line of a check is no escape.
    own &= ~king;
    b.AllPieces &= ~king;
    for (; candidates; candidates &= candidates - 1) {
      const uint64_t to = candidates & (~candidates + 1);
      if (!b.InCheck(to, colour)) i = Emit(*this, i, king, to, NoPromotion);
    }
    own |= king;
    b.AllPieces |= king;
  }
  return i;
}

int MoveGen::GenKnightEvasions(int8_t colour, uint64_t target, int i) {
  const ChessBoard& b = *Board;
  const bool black = colour != 0;
  const uint64_t allowed = target & ~(black ? b.BlackPieces : b.WhitePieces);
  return GenEvasionsOf(*this, black ? b.BlackKnights : b.WhiteKnights, allowed, i,
                       [&b](uint64_t s) { return b.KnightMask(s); });
}

int MoveGen::GenBishopEvasions(int8_t colour, uint64_t target, int i) {
  const ChessBoard& b = *Board;
  const bool black = colour != 0;
  const uint64_t allowed = target & ~(black ? b.BlackPieces : b.WhitePieces);
  return GenEvasionsOf(*this, black ? b.BlackBishops : b.WhiteBishops, allowed, i,
                       [&b](uint64_t s) { return b.BishopMask(s); });
}

int MoveGen::GenRookEvasions(int8_t colour, uint64_t target, int i) {
  const ChessBoard& b = *Board;
  const bool black = colour != 0;
  const uint64_t allowed = target & ~(black ? b.BlackPieces : b.WhitePieces);
  return GenEvasionsOf(*this, black ? b.BlackRooks : b.WhiteRooks, allowed, i,
                       [&b](uint64_t s) { return b.RookMask(s); });
}

int MoveGen::GenQueenEvasions(int8_t colour, uint64_t target, int i) {
  const ChessBoard& b = *Board;
  const bool black = colour != 0;
  const uint64_t allowed = target & ~(black ? b.BlackPieces : b.WhitePieces);
  return GenEvasionsOf(*this, black ? b.BlackQueens : b.WhiteQueens, allowed, i,
                       [&b](uint64_t s) { return b.BishopMask(s) | b.RookMask(s); });
}

// Pawn moves that meet a check: en passant against the checking pawn, pushes that block,
// captures of the checker.
int MoveGen::GenPawnEvasions(int8_t colour, uint64_t target, uint64_t ownPawns, uint64_t enemy, int i) {
  const ChessBoard& b = *Board;
  const uint64_t empty = ~b.AllPieces;
  if (colour == 0) {
    const uint64_t king = b.WhiteKing & (~b.WhiteKing + 1);
    // A pawn that has just double-pushed beside our pawn and now checks the king on rank 4.
    if ((king & Rank4) && (b.LastTo & b.BlackPawns & Rank5) && (b.LastFrom & Rank7)) {
      uint64_t checkers = 0;
      if (!(king & FileA)) checkers |= (king << 7) & b.BlackPawns;
      if (!(king & FileH)) checkers |= (king << 9) & b.BlackPawns;
      for (; checkers; checkers &= checkers - 1) {
        const uint64_t checker = checkers & (~checkers + 1);
        for (uint64_t cands = ((checker >> 1) | (checker << 1)) & ownPawns & Rank5; cands; cands &= cands - 1) {
          const uint64_t from = cands & (~cands + 1);
          // The taken pawn stands beside the candidate: to its left unless the candidate is on
          // file a, to its right unless it is on file h.
          if (!(from & FileA) && b.LastTo == (from >> 1)) i = Emit(*this, i, from, b.LastTo << 8, NoPromotion);
          if (!(from & FileH) && b.LastTo == (from << 1)) i = Emit(*this, i, from, b.LastTo << 8, NoPromotion);
        }
      }
    }
    const uint64_t movers = ownPawns & ~Rank8;
    i = EmitPawnTargets(*this, i, (movers << 8) & empty & target, 8, Rank8, 'Q');
    i = EmitPawnTargets(*this, i, (((movers & Rank2) << 8) & empty) << 8 & empty & Rank4 & target, 16, Rank8, 'Q');
    i = EmitPawnTargets(*this, i, ((movers & ~FileA) << 7) & enemy & target, 7, Rank8, 'Q');
    i = EmitPawnTargets(*this, i, ((movers & ~FileH) << 9) & enemy & target, 9, Rank8, 'Q');
  } else {
    const uint64_t king = b.BlackKing & (~b.BlackKing + 1);
    if ((king & Rank5) && (b.LastTo & b.WhitePawns & Rank4) && (b.LastFrom & Rank2)) {
      uint64_t checkers = 0;
      if (!(king & FileH)) checkers |= (king >> 7) & b.WhitePawns;
      if (!(king & FileA)) checkers |= (king >> 9) & b.WhitePawns;
      for (; checkers; checkers &= checkers - 1) {
        const uint64_t checker = checkers & (~checkers + 1);
        for (uint64_t cands = ((checker >> 1) | (checker << 1)) & ownPawns & Rank4; cands; cands &= cands - 1) {
          const uint64_t from = cands & (~cands + 1);
          if (!(from & FileA) && b.LastTo == (from >> 1)) i = Emit(*this, i, from, b.LastTo >> 8, NoPromotion);
          if (!(from & FileH) && b.LastTo == (from << 1)) i = Emit(*this, i, from, b.LastTo >> 8, NoPromotion);
        }
      }
    }
    const uint64_t movers = ownPawns & ~Rank1;
    i = EmitPawnTargets(*this, i, (movers >> 8) & empty & target, -8, Rank1, 'q');
    i = EmitPawnTargets(*this, i, (((movers & Rank7) >> 8) & empty) >> 8 & empty & Rank5 & target, -16, Rank1, 'q');
    i = EmitPawnTargets(*this, i, ((movers & ~FileH) >> 7) & enemy & target, -7, Rank1, 'q');
    i = EmitPawnTargets(*this, i, ((movers & ~FileA) >> 9) & enemy & target, -9, Rank1, 'q');
  }
  return i;
}
