// Making and unmaking moves. MakeMove first saves everything it will change into the record's
// undo copy, so UndoMove can take back exactly one move; deeper take-backs keep whole copies
// of the board instead.

#include "board/bit_ops.h"
#include "board/chess_board.h"
#include "board/masks.h"
#include "board/piece_values.h"
#include "hash/keys.h"

namespace {

// Castling rights that survive a move. A king move gives up both of its side's rights. A move to
// or from a rook's corner ends the castling on that wing: the rook has left, or it is being
// captured there, so another rook that reaches the corner later never castles.
constexpr uint8_t AllRights = 15;
constexpr uint8_t KingMovedRights[2] = {12, 3};
inline uint8_t CornerRightsKept(uint64_t squares) {
  uint8_t kept = AllRights;
  if (!(squares & Corners)) return kept;
  if (squares & Bit(H1)) kept &= 14;
  if (squares & Bit(A1)) kept &= 13;
  if (squares & Bit(H8)) kept &= 11;
  if (squares & Bit(A8)) kept &= 7;
  return kept;
}

// The pawn-and-king key of a piece on a square: the low half of its lower Zobrist code.
inline uint32_t PawnKingCode(int piece, uint64_t sq) {
  return sq ? static_cast<uint32_t>(LPStable[CodeIndex(piece, sq)]) : 0;
}

// Moves one piece within its bitboard.
inline void Shift(uint64_t& pieces, uint64_t from, uint64_t to) { pieces = (pieces & ~from) | to; }

// The position's Zobrist key pair, when the caller keeps it move by move: every piece that
// appears on or leaves a square toggles that piece's codes on that square. Without keys
// (Keyed false) the toggles compile to nothing.
template <bool Keyed>
struct KeyPair {
  uint64_t* Upper;
  uint64_t* Lower;
  void Toggle(int piece, uint64_t sq) const {
    if constexpr (Keyed) {
      *Upper ^= UPStable[CodeIndex(piece, sq)];
      *Lower ^= LPStable[CodeIndex(piece, sq)];
    }
  }
  void Move(int piece, uint64_t from, uint64_t to) const {
    Toggle(piece, from);
    Toggle(piece, to);
  }
};

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

template <int8_t Colour>
inline Side SideOf(ChessBoard& b) {
  if constexpr (Colour == White)
    return {b.WhitePawns, b.WhiteKnights, b.WhiteBishops, b.WhiteRooks, b.WhiteQueens, b.WhiteKing,
            b.WhitePawnCount, b.WhiteKnightCount, b.WhiteBishopCount, b.WhiteRookCount, b.WhiteQueenCount};
  else
    return {b.BlackPawns, b.BlackKnights, b.BlackBishops, b.BlackRooks, b.BlackQueens, b.BlackKing,
            b.BlackPawnCount, b.BlackKnightCount, b.BlackBishopCount, b.BlackRookCount, b.BlackQueenCount};
}

// Removes the victim standing on `to`; a king is never taken off the board.
template <bool Keyed>
inline void RemoveCaptured(ChessBoard& b, Side s, int pawnCode, uint64_t to, KeyPair<Keyed> keys) {
  if (s.Pawns & to) {
    s.Pawns ^= to;
    --s.PawnCount;
    b.CapturedValue = PawnValue;
    b.PawnKingKey ^= PawnKingCode(pawnCode, to);
    keys.Toggle(pawnCode, to);
  } else if (s.Knights & to) {
    s.Knights ^= to;
    --s.KnightCount;
    b.CapturedValue = KnightValue;
    keys.Toggle(pawnCode + WKnight, to);
  } else if (s.Bishops & to) {
    s.Bishops ^= to;
    --s.BishopCount;
    b.CapturedValue = BishopValue;
    keys.Toggle(pawnCode + WBishop, to);
  } else if (s.Rooks & to) {
    s.Rooks ^= to;
    --s.RookCount;
    b.CapturedValue = RookValue;
    keys.Toggle(pawnCode + WRook, to);
  } else if (s.Queens & to) {
    s.Queens ^= to;
    --s.QueenCount;
    b.CapturedValue = QueenValue;
    keys.Toggle(pawnCode + WQueen, to);
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

template <bool Keyed>
inline void PromoteOn(ChessBoard& b, Side s, int8_t colour, uint64_t to, char promotion, KeyPair<Keyed> keys) {
  const int pawnCode = colour ? BPawn : WPawn;
  b.PawnKingKey ^= PawnKingCode(pawnCode, to);
  const int offset = PromotionOffset(promotion);
  b.Promote(colour, to, pawnCode + 1 + offset);
  keys.Toggle(pawnCode, to);
  keys.Toggle(pawnCode + 1 + offset, to);
  int32_t* counts[4] = {&s.KnightCount, &s.BishopCount, &s.RookCount, &s.QueenCount};
  ++*counts[offset];
  --s.PawnCount;
}

// Moves a piece of colour Us from `from` to `to`: en passant, the rook half of castling and the
// pawn-and-king key included. The board's Prev fields already hold the position before the move.
template <int8_t Us, bool Keyed>
inline void MovePiece(ChessBoard& b, uint64_t from, uint64_t to, uint8_t& castleMask, KeyPair<Keyed> keys) {
  constexpr int8_t Them = Us == White ? Black : White;
  Side us = SideOf<Us>(b);
  Side them = SideOf<Them>(b);
  const int ownPawn = Us == White ? WPawn : BPawn;
  const int ownKing = Us == White ? WKingCode : BKingCode;
  if (us.Pawns & from) {
    // En passant: the enemy pawn that has just made a double step beside ours is taken while
    // ours lands behind it. Mirrored for Black: rank 4, a double step from rank 2.
    constexpr uint64_t OurFifth = Us == White ? Rank5 : Rank4;
    constexpr uint64_t TheirStart = Us == White ? Rank7 : Rank2;
    const uint64_t prevTheirs = Us == White ? b.PrevBlackPieces : b.PrevWhitePieces;
    if ((from & OurFifth) && (b.PrevLastFrom & TheirStart) && (b.PrevLastTo & OurFifth) &&
        (them.Pawns & b.PrevLastTo) && !(to & prevTheirs)) {
      // Towards file a: White captures up-left (+7), Black down-left (-9); towards file h the
      // other diagonal.
      const bool towardsA = !(from & FileA) && b.PrevLastTo == (from >> 1) && to == (Us == White ? from << 7 : from >> 9);
      const bool towardsH = !(from & FileH) && b.PrevLastTo == (from << 1) && to == (Us == White ? from << 9 : from >> 7);
      if (towardsA || towardsH) {
        const uint64_t victim = Us == White ? to >> 8 : to << 8;
        them.Pawns &= ~victim;
        (Us == White ? b.BlackPieces : b.WhitePieces) &= ~victim;
        b.PawnKingKey ^= PawnKingCode(Us == White ? BPawn : WPawn, victim);
        keys.Toggle(Us == White ? BPawn : WPawn, victim);
        --them.PawnCount;
      }
    }
    Shift(us.Pawns, from, to);
    b.PawnKingKey ^= PawnKingCode(ownPawn, from) ^ PawnKingCode(ownPawn, to);
    keys.Move(ownPawn, from, to);
    b.FiftyMoveCount = 0;
  } else if (us.Knights & from) {
    Shift(us.Knights, from, to);
    keys.Move(ownPawn + WKnight, from, to);
  } else if (us.Bishops & from) {
    Shift(us.Bishops, from, to);
    keys.Move(ownPawn + WBishop, from, to);
  } else if (us.Rooks & from) {
    Shift(us.Rooks, from, to);
    keys.Move(ownPawn + WRook, from, to);
  } else if (us.Queens & from) {
    Shift(us.Queens, from, to);
    keys.Move(ownPawn + WQueen, from, to);
  } else if (us.King & from) {
    b.PawnKingKey ^= PawnKingCode(ownKing, from) ^ PawnKingCode(ownKing, to);
    Shift(us.King, from, to);
    keys.Move(ownKing, from, to);
    castleMask = KingMovedRights[Us];
    // The rook half of castling, when the rook is there to move.
    constexpr uint64_t KingHome = Bit(Us == White ? E1 : E8);
    constexpr uint64_t ShortTo = Bit(Us == White ? G1 : G8), LongTo = Bit(Us == White ? C1 : C8);
    constexpr uint64_t ShortRook = Bit(Us == White ? H1 : H8), LongRook = Bit(Us == White ? A1 : A8);
    constexpr int OwnRook = Us == White ? WRook : BRook;
    if (from == KingHome && to == ShortTo && (us.Rooks & ShortRook)) {
      Shift(us.Rooks, ShortRook, ShortRook >> 2);
      keys.Move(OwnRook, ShortRook, ShortRook >> 2);
    } else if (from == KingHome && to == LongTo && (us.Rooks & LongRook)) {
      Shift(us.Rooks, LongRook, LongRook << 3);
      keys.Move(OwnRook, LongRook, LongRook << 3);
    }
  }
}

}  // namespace

void ChessBoard::MakeMove(uint64_t from, uint64_t to, char promotion, uint8_t& castleMask) {
  MakeMoveKeyed<false>(from, to, promotion, castleMask, nullptr, nullptr);
}

void ChessBoard::MakeMove(uint64_t from, uint64_t to, char promotion, uint8_t& castleMask, uint64_t* upper,
                          uint64_t* lower) {
  MakeMoveKeyed<true>(from, to, promotion, castleMask, upper, lower);
}

template <bool Keyed>
void ChessBoard::MakeMoveKeyed(uint64_t from, uint64_t to, char promotion, uint8_t& castleMask, uint64_t* upper,
                               uint64_t* lower) {
  const KeyPair<Keyed> keys{upper, lower};
  // The undo copy of everything a move may change.
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

  // The move itself is remembered for the next move's en passant test.
  LastFrom = from;
  LastTo = to;
  castleMask = AllRights;
  ++FiftyMoveCount;
  CapturedValue = 0;

  // A captured piece leaves the board.
  if (to & WhitePieces) RemoveCaptured(*this, SideOf<White>(*this), WPawn, to, keys);
  else if (to & BlackPieces) RemoveCaptured(*this, SideOf<Black>(*this), BPawn, to, keys);

  // The piece moves.
  if (from & WhitePieces) MovePiece<White>(*this, from, to, castleMask, keys);
  else if (from & BlackPieces) MovePiece<Black>(*this, from, to, castleMask, keys);

  // The pawn that has just reached its last rank is promoted.
  if (WhitePawns & Rank8 & to) PromoteOn(*this, SideOf<White>(*this), White, to, promotion, keys);
  else if (BlackPawns & Rank1 & to) PromoteOn(*this, SideOf<Black>(*this), Black, to, promotion, keys);

  castleMask &= CornerRightsKept(from | to);

  // Totals and unions from scratch.
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
