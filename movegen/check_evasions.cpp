// Moves out of check. The king steps to squares that are not attacked; when exactly one line
// of attack exists, the other pieces may also capture the checker or step between it and the
// king. Pinned pieces are still listed; the caller's legality test after the move drops them.

#include "board/bit_ops.h"
#include "board/masks.h"
#include "movegen/move_gen.h"
#include "movegen/move_list_fill.h"

namespace {

inline uint64_t Own(const ChessBoard& b, int8_t colour) { return colour != 0 ? b.BlackPieces : b.WhitePieces; }

// One move per destination in `targets`, from `step` squares back; a destination on the last
// rank promotes to a queen.
template <bool Black>
inline int EmitPawnTargets(MoveGen& list, int i, uint64_t targets, int step) {
  constexpr uint64_t LastRank = Black ? Rank1 : Rank8;
  constexpr char Queen = Black ? 'q' : 'Q';
  for (; targets; targets &= targets - 1) {
    const uint64_t to = targets & (~targets + 1);
    i = Emit(list, i, PawnBackward<Black>(to, step), to, (to & LastRank) ? Queen : NoPromotion);
  }
  return i;
}

// Pawn moves that meet a check: en passant against the checking pawn, pushes that block,
// captures of the checker. White's pawns move up the board, Black's down.
template <bool Black>
int PawnEvasions(MoveGen& list, uint64_t target, uint64_t ownPawns, uint64_t enemy, int i) {
  constexpr uint64_t StartRank = Black ? Rank7 : Rank2;
  constexpr uint64_t LastRank = Black ? Rank1 : Rank8;
  constexpr uint64_t EnPassantRank = Black ? Rank4 : Rank5;  // where our pawns take en passant
  constexpr uint64_t KingRank = Black ? Rank5 : Rank4;       // one rank behind it
  constexpr uint64_t TheirStart = Black ? Rank2 : Rank7;
  constexpr uint64_t FirstCaptureEdge = Black ? FileH : FileA;   // the capture by 7 squares
  constexpr uint64_t SecondCaptureEdge = Black ? FileA : FileH;  // the capture by 9 squares
  const ChessBoard& b = *list.Board;
  const uint64_t kings = Black ? b.BlackKing : b.WhiteKing;
  const uint64_t king = kings & (~kings + 1);
  const uint64_t theirPawns = Black ? b.WhitePawns : b.BlackPawns;
  // A pawn that has just double-pushed beside our pawn and now checks the king.
  if ((king & KingRank) && (b.LastTo & theirPawns & EnPassantRank) && (b.LastFrom & TheirStart)) {
    const uint64_t behind = PawnForward<Black>(b.LastTo, 8);
    for (uint64_t checkers = attacktab::Pawn[Black][LowestSquare(king)] & theirPawns; checkers;
         checkers &= checkers - 1) {
      const uint64_t checker = checkers & (~checkers + 1);
      for (uint64_t cands = ((checker >> 1) | (checker << 1)) & ownPawns & EnPassantRank; cands; cands &= cands - 1) {
        const uint64_t from = cands & (~cands + 1);
        // The taken pawn stands beside the candidate: to its left unless the candidate is on
        // file a, to its right unless it is on file h.
        if (!(from & FileA) && b.LastTo == (from >> 1)) i = Emit(list, i, from, behind, NoPromotion);
        if (!(from & FileH) && b.LastTo == (from << 1)) i = Emit(list, i, from, behind, NoPromotion);
      }
    }
  }
  const uint64_t empty = ~b.AllPieces;
  const uint64_t movers = ownPawns & ~LastRank;
  const uint64_t passed = PawnForward<Black>(movers & StartRank, 8) & empty;  // a double push crosses these
  i = EmitPawnTargets<Black>(list, i, PawnForward<Black>(movers, 8) & empty & target, 8);
  i = EmitPawnTargets<Black>(list, i, PawnForward<Black>(passed, 8) & empty & target, 16);
  i = EmitPawnTargets<Black>(list, i, PawnForward<Black>(movers & ~FirstCaptureEdge, 7) & enemy & target, 7);
  i = EmitPawnTargets<Black>(list, i, PawnForward<Black>(movers & ~SecondCaptureEdge, 9) & enemy & target, 9);
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
  // An enemy pawn checks from a square a pawn of ours on the king's square would attack.
  const uint64_t pawnCheckers = attacktab::Pawn[black][LowestSquare(king)] & enemyPawns;
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

// The other pieces onto the check squares they attack that hold no piece of their own side.
int MoveGen::GenKnightEvasions(int8_t colour, uint64_t target, int i) {
  return GenPieceMoves<PieceKind::Knight>(*this, colour != 0, target & ~Own(*Board, colour), i);
}
int MoveGen::GenBishopEvasions(int8_t colour, uint64_t target, int i) {
  return GenPieceMoves<PieceKind::Bishop>(*this, colour != 0, target & ~Own(*Board, colour), i);
}
int MoveGen::GenRookEvasions(int8_t colour, uint64_t target, int i) {
  return GenPieceMoves<PieceKind::Rook>(*this, colour != 0, target & ~Own(*Board, colour), i);
}
int MoveGen::GenQueenEvasions(int8_t colour, uint64_t target, int i) {
  return GenPieceMoves<PieceKind::Queen>(*this, colour != 0, target & ~Own(*Board, colour), i);
}

int MoveGen::GenPawnEvasions(int8_t colour, uint64_t target, uint64_t ownPawns, uint64_t enemy, int i) {
  return colour == 0 ? PawnEvasions<false>(*this, target, ownPawns, enemy, i)
                     : PawnEvasions<true>(*this, target, ownPawns, enemy, i);
}
