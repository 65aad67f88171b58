// Making and unmaking moves. MakeMove first saves everything it will change into the record's
// undo copy, so UndoMove can take back exactly one move; deeper take-backs keep whole copies
// of the board instead.

#include "board/bit_ops.h"
#include "board/chess_board.h"
#include "board/masks.h"
#include "hash/keys.h"

namespace {

// Value of a captured piece as the search reads it from CapturedValue.
constexpr int32_t PawnValue = 800;
constexpr int32_t KnightValue = 3250;
constexpr int32_t BishopValue = 3250;
constexpr int32_t RookValue = 5000;
constexpr int32_t QueenValue = 9750;

// What survives of the castling rights after the moving piece leaves its square.
constexpr uint8_t AllRights = 15;
constexpr uint8_t WhiteKingMoved = 12;
constexpr uint8_t WhiteRookLeftH1 = 14;
constexpr uint8_t WhiteRookLeftA1 = 13;
constexpr uint8_t BlackKingMoved = 3;
constexpr uint8_t BlackRookLeftH8 = 11;
constexpr uint8_t BlackRookLeftA8 = 7;

// A move to or from a rook's corner ends the castling on that side: the rook has left, or it is
// being captured there. Another rook that reaches the corner later never castles.
inline uint8_t CornerRightsKept(uint64_t squares) {
  uint8_t kept = AllRights;
  if (squares & Bit(H1)) kept &= WhiteRookLeftH1;
  if (squares & Bit(A1)) kept &= WhiteRookLeftA1;
  if (squares & Bit(H8)) kept &= BlackRookLeftH8;
  if (squares & Bit(A8)) kept &= BlackRookLeftA8;
  return kept;
}

// The pawn-and-king key of a piece on a square: the low half of its lower Zobrist code.
inline uint32_t PawnKingCode(int piece, uint64_t sq) {
  return sq ? static_cast<uint32_t>(LPStable[piece * 64 + __builtin_ctzll(sq)]) : 0;
}

// Moves one piece within its bitboard.
inline void Shift(uint64_t& pieces, uint64_t from, uint64_t to) { pieces = (pieces & ~from) | to; }

// The references MakeMove needs for one colour, so both colours share one body.
struct Side {
  uint64_t& Pawns;
  uint64_t& Knights;
  uint64_t& Bishops;
  uint64_t& Rooks;
  uint64_t& Queens;
  uint64_t& King;
  int32_t& PawnCount;
  int32_t& KnightCount;
  int32_t& BishopCount;
  int32_t& RookCount;
  int32_t& QueenCount;
};

inline Side WhiteSide(ChessBoard& b) {
  return {b.WhitePawns, b.WhiteKnights, b.WhiteBishops, b.WhiteRooks, b.WhiteQueens, b.WhiteKing,
          b.WhitePawnCount, b.WhiteKnightCount, b.WhiteBishopCount, b.WhiteRookCount, b.WhiteQueenCount};
}

inline Side BlackSide(ChessBoard& b) {
  return {b.BlackPawns, b.BlackKnights, b.BlackBishops, b.BlackRooks, b.BlackQueens, b.BlackKing,
          b.BlackPawnCount, b.BlackKnightCount, b.BlackBishopCount, b.BlackRookCount, b.BlackQueenCount};
}

// Removes the victim standing on `to`; a king is never taken off the board.
inline void RemoveCaptured(ChessBoard& b, Side s, int pawnCode, uint64_t to) {
  if (s.Pawns & to) {
    s.Pawns ^= to;
    --s.PawnCount;
    b.CapturedValue = PawnValue;
    b.PawnKingKey ^= PawnKingCode(pawnCode, to);
  } else if (s.Knights & to) {
    s.Knights ^= to;
    --s.KnightCount;
    b.CapturedValue = KnightValue;
  } else if (s.Bishops & to) {
    s.Bishops ^= to;
    --s.BishopCount;
    b.CapturedValue = BishopValue;
  } else if (s.Rooks & to) {
    s.Rooks ^= to;
    --s.RookCount;
    b.CapturedValue = RookValue;
  } else if (s.Queens & to) {
    s.Queens ^= to;
    --s.QueenCount;
    b.CapturedValue = QueenValue;
  }
  b.FiftyMoveCount = 0;
}

// The piece code a promotion letter asks for, relative to the colour's knight (0 knight ..
// 3 queen). Anything that is not one of the eight letters makes a queen: a pawn must never
// stay on its last rank.
inline int PromotionOffset(char promotion) {
  switch (promotion) {
    case 'N': case 'n': return 0;
    case 'B': case 'b': return 1;
    case 'R': case 'r': return 2;
    default: return 3;
  }
}

inline void PromoteOn(ChessBoard& b, Side s, int8_t colour, uint64_t to, char promotion) {
  const int pawnCode = colour ? BPawn : WPawn;
  b.PawnKingKey ^= PawnKingCode(pawnCode, to);
  const int offset = PromotionOffset(promotion);
  b.Promote(colour, to, pawnCode + 1 + offset);
  int32_t* counts[4] = {&s.KnightCount, &s.BishopCount, &s.RookCount, &s.QueenCount};
  ++*counts[offset];
  --s.PawnCount;
}

}  // namespace

void ChessBoard::MakeMove(uint64_t from, uint64_t to, char promotion, uint8_t& castleMask) {
  // 1. The undo copy of everything a move may change.
  PrevWhitePawns = WhitePawns;
  PrevWhiteBishops = WhiteBishops;
  PrevWhiteKnights = WhiteKnights;
  PrevWhiteRooks = WhiteRooks;
  PrevWhiteQueens = WhiteQueens;
  PrevWhiteKing = WhiteKing;
  PrevBlackPawns = BlackPawns;
  PrevBlackBishops = BlackBishops;
  PrevBlackKnights = BlackKnights;
  PrevBlackRooks = BlackRooks;
  PrevBlackQueens = BlackQueens;
  PrevBlackKing = BlackKing;
  PrevWhitePieces = WhitePieces;
  PrevBlackPieces = BlackPieces;
  PrevAllPieces = AllPieces;
  PrevPawnKingKey = PawnKingKey;
  PrevCastleFlags = CastleFlags;
  PrevFiftyMoveCount = FiftyMoveCount;
  PrevLastFrom = LastFrom;
  PrevLastTo = LastTo;
  PrevWhitePieceTotal = WhitePieceTotal;
  PrevBlackPieceTotal = BlackPieceTotal;
  PrevWhiteQueenCount = WhiteQueenCount;
  PrevWhiteRookCount = WhiteRookCount;
  PrevWhiteBishopCount = WhiteBishopCount;
  PrevWhiteKnightCount = WhiteKnightCount;
  PrevWhitePawnCount = WhitePawnCount;
  PrevBlackQueenCount = BlackQueenCount;
  PrevBlackRookCount = BlackRookCount;
  PrevBlackBishopCount = BlackBishopCount;
  PrevBlackKnightCount = BlackKnightCount;
  PrevBlackPawnCount = BlackPawnCount;

  // 2. The move itself is remembered for the next move's en passant test.
  LastFrom = from;
  LastTo = to;
  castleMask = AllRights;
  ++FiftyMoveCount;
  CapturedValue = 0;

  // 3, 4. A captured piece leaves the board.
  if (to & WhitePieces) RemoveCaptured(*this, WhiteSide(*this), WPawn, to);
  else if (to & BlackPieces) RemoveCaptured(*this, BlackSide(*this), BPawn, to);

  // 5. A white piece moves.
  if (from & WhitePieces) {
    if (WhitePawns & from) {
      // En passant: the black pawn that just went from rank 7 to rank 5 beside ours is taken
      // while our pawn lands behind it.
      if ((from & Rank5) && (PrevLastFrom & Rank7) && (PrevLastTo & Rank5) && (BlackPawns & PrevLastTo) &&
          !(to & PrevBlackPieces)) {
        const bool left = !(from & FileA) && PrevLastTo == (from >> 1) && to == (from << 7);
        const bool right = !(from & FileH) && PrevLastTo == (from << 1) && to == (from << 9);
        if (left || right) {
          const uint64_t victim = to >> 8;
          BlackPawns &= ~victim;
          BlackPieces &= ~victim;
          PawnKingKey ^= PawnKingCode(BPawn, victim);
          --BlackPawnCount;
        }
      }
      Shift(WhitePawns, from, to);
      PawnKingKey ^= PawnKingCode(WPawn, from) ^ PawnKingCode(WPawn, to);
      FiftyMoveCount = 0;
    } else if (WhiteBishops & from) {
      Shift(WhiteBishops, from, to);
    } else if (WhiteKnights & from) {
      Shift(WhiteKnights, from, to);
    } else if (WhiteRooks & from) {
      Shift(WhiteRooks, from, to);
      if (from == Bit(H1)) castleMask = WhiteRookLeftH1;
      else if (from == Bit(A1)) castleMask = WhiteRookLeftA1;
    } else if (WhiteQueens & from) {
      Shift(WhiteQueens, from, to);
    } else if (WhiteKing & from) {
      PawnKingKey ^= PawnKingCode(WKingCode, from) ^ PawnKingCode(WKingCode, to);
      Shift(WhiteKing, from, to);
      castleMask = WhiteKingMoved;
      // The rook half of castling, when the rook is there to move.
      if (from == Bit(E1) && to == Bit(G1) && (WhiteRooks & Bit(H1))) Shift(WhiteRooks, Bit(H1), Bit(F1));
      else if (from == Bit(E1) && to == Bit(C1) && (WhiteRooks & Bit(A1))) Shift(WhiteRooks, Bit(A1), Bit(D1));
    }
  } else if (from & BlackPieces) {
    // 6. A black piece moves: the mirror image.
    if (BlackPawns & from) {
      if ((from & Rank4) && (PrevLastFrom & Rank2) && (PrevLastTo & Rank4) && (WhitePawns & PrevLastTo) &&
          !(to & PrevWhitePieces)) {
        const bool right = !(from & FileH) && PrevLastTo == (from << 1) && to == (from >> 7);
        const bool left = !(from & FileA) && PrevLastTo == (from >> 1) && to == (from >> 9);
        if (left || right) {
          const uint64_t victim = to << 8;
          WhitePawns &= ~victim;
          WhitePieces &= ~victim;
          PawnKingKey ^= PawnKingCode(WPawn, victim);
          --WhitePawnCount;
        }
      }
      Shift(BlackPawns, from, to);
      PawnKingKey ^= PawnKingCode(BPawn, from) ^ PawnKingCode(BPawn, to);
      FiftyMoveCount = 0;
    } else if (BlackKnights & from) {
      Shift(BlackKnights, from, to);
    } else if (BlackBishops & from) {
      Shift(BlackBishops, from, to);
    } else if (BlackRooks & from) {
      Shift(BlackRooks, from, to);
      if (from == Bit(H8)) castleMask = BlackRookLeftH8;
      else if (from == Bit(A8)) castleMask = BlackRookLeftA8;
    } else if (BlackQueens & from) {
      Shift(BlackQueens, from, to);
    } else if (BlackKing & from) {
      PawnKingKey ^= PawnKingCode(BKingCode, from) ^ PawnKingCode(BKingCode, to);
      Shift(BlackKing, from, to);
      castleMask = BlackKingMoved;
      if (from == Bit(E8) && to == Bit(G8) && (BlackRooks & Bit(H8))) Shift(BlackRooks, Bit(H8), Bit(F8));
      else if (from == Bit(E8) && to == Bit(C8) && (BlackRooks & Bit(A8))) Shift(BlackRooks, Bit(A8), Bit(D8));
    }
  }

  // 7, 8. The pawn that has just reached its last rank is promoted.
  if (WhitePawns & Rank8 & to) PromoteOn(*this, WhiteSide(*this), White, to, promotion);
  else if (BlackPawns & Rank1 & to) PromoteOn(*this, BlackSide(*this), Black, to, promotion);

  castleMask &= CornerRightsKept(from | to);

  // 9. Totals and unions from scratch.
  WhitePieceTotal = WhiteQueenCount + WhiteRookCount + WhiteBishopCount + WhiteKnightCount + WhitePawnCount;
  BlackPieceTotal = BlackQueenCount + BlackRookCount + BlackBishopCount + BlackKnightCount + BlackPawnCount;
  WhitePieces = WhitePawns | WhiteKnights | WhiteBishops | WhiteRooks | WhiteQueens | WhiteKing;
  BlackPieces = BlackPawns | BlackKnights | BlackBishops | BlackRooks | BlackQueens | BlackKing;
  AllPieces = WhitePieces | BlackPieces;
}

void ChessBoard::UndoMove(int /*unused*/) {
  WhitePawns = PrevWhitePawns;
  WhiteBishops = PrevWhiteBishops;
  WhiteKnights = PrevWhiteKnights;
  WhiteRooks = PrevWhiteRooks;
  WhiteQueens = PrevWhiteQueens;
  WhiteKing = PrevWhiteKing;
  BlackPawns = PrevBlackPawns;
  BlackBishops = PrevBlackBishops;
  BlackKnights = PrevBlackKnights;
  BlackRooks = PrevBlackRooks;
  BlackQueens = PrevBlackQueens;
  BlackKing = PrevBlackKing;
  WhitePieces = PrevWhitePieces;
  BlackPieces = PrevBlackPieces;
  AllPieces = PrevAllPieces;
  PawnKingKey = PrevPawnKingKey;
  CastleFlags = PrevCastleFlags;
  FiftyMoveCount = PrevFiftyMoveCount;
  LastFrom = PrevLastFrom;
  LastTo = PrevLastTo;
  WhitePieceTotal = PrevWhitePieceTotal;
  BlackPieceTotal = PrevBlackPieceTotal;
  WhiteQueenCount = PrevWhiteQueenCount;
  WhiteRookCount = PrevWhiteRookCount;
  WhiteBishopCount = PrevWhiteBishopCount;
  WhiteKnightCount = PrevWhiteKnightCount;
  WhitePawnCount = PrevWhitePawnCount;
  BlackQueenCount = PrevBlackQueenCount;
  BlackRookCount = PrevBlackRookCount;
  BlackBishopCount = PrevBlackBishopCount;
  BlackKnightCount = PrevBlackKnightCount;
  BlackPawnCount = PrevBlackPawnCount;
}

void ChessBoard::Promote(int8_t colour, uint64_t sq, int code) {
  if (colour == 0) {
    WhitePawns ^= sq;
    switch (code) {
      case WKnight: WhiteKnights |= sq; break;
      case WBishop: WhiteBishops |= sq; break;
      case WRook: WhiteRooks |= sq; break;
      case WQueen: WhiteQueens |= sq; break;
      default: break;
    }
  } else {
    BlackPawns ^= sq;
    switch (code) {
      case BKnight: BlackKnights |= sq; break;
      case BBishop: BlackBishops |= sq; break;
      case BRook: BlackRooks |= sq; break;
      case BQueen: BlackQueens |= sq; break;
      default: break;
    }
  }
}

void ChessBoard::DropPawn(int8_t colour, uint64_t sq) {
  if (colour == 0) {
    WhitePawns ^= sq;
    WhitePieces ^= sq;
  } else {
    BlackPawns ^= sq;
    BlackPieces ^= sq;
  }
  AllPieces ^= sq;
}

bool ChessBoard::PawnOn7th(int8_t colour) const {
  return colour == 0 ? (WhitePawns & Rank7) != 0 : (BlackPawns & Rank2) != 0;
}
