// Making and unmaking moves. MakeMove first saves everything it will change into the record's
// undo copy, so UndoMove can take back exactly one move; deeper take-backs keep whole copies
// of the board instead.

#include "board/bit_ops.h"
#include "board/castling.h"
#include "board/chess_board.h"
#include "board/keys.h"
#include "board/masks.h"
#include "board/piece_values.h"

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

// Takes the victim on `to` off one kind of a side's pieces, when it is of that kind.
template <bool Keyed>
inline bool Take(ChessBoard& b, uint64_t& pieces, int32_t& count, int32_t value, int code, uint64_t to,
                 KeyPair<Keyed> keys) {
  if (!(pieces & to)) return false;
  pieces ^= to;
  --count;
  b.CapturedValue = value;
  keys.Toggle(code, to);
  return true;
}

// Removes the victim standing on `to`; a king is never taken off the board.
template <bool Keyed>
inline void RemoveCaptured(ChessBoard& b, Side s, int pawnCode, uint64_t to, KeyPair<Keyed> keys) {
  if (Take(b, s.Pawns, s.PawnCount, PawnValue, pawnCode, to, keys)) {
    b.PawnKingKey ^= PawnKingCode(pawnCode, to);
  } else {
    Take(b, s.Knights, s.KnightCount, KnightValue, pawnCode + WKnight, to, keys) ||
        Take(b, s.Bishops, s.BishopCount, BishopValue, pawnCode + WBishop, to, keys) ||
        Take(b, s.Rooks, s.RookCount, RookValue, pawnCode + WRook, to, keys) ||
        Take(b, s.Queens, s.QueenCount, QueenValue, pawnCode + WQueen, to, keys);
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

// Moves one of `pieces` from `from` to `to`, when one stands there.
template <bool Keyed>
inline bool MoveIfOn(uint64_t& pieces, int code, uint64_t from, uint64_t to, KeyPair<Keyed> keys) {
  if (!(pieces & from)) return false;
  Shift(pieces, from, to);
  keys.Move(code, from, to);
  return true;
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
    return;
  }
  if (MoveIfOn(us.Knights, ownPawn + WKnight, from, to, keys) ||
      MoveIfOn(us.Bishops, ownPawn + WBishop, from, to, keys) ||
      MoveIfOn(us.Rooks, ownPawn + WRook, from, to, keys) ||
      MoveIfOn(us.Queens, ownPawn + WQueen, from, to, keys))
    return;
  if (us.King & from) {
    if (b.Chess960 && (us.Rooks & to)) {
      // Chess960 castling, the king taking its own rook: both go to their castled squares (one of
      // them, or both, may already stand there).
      const int wing = to > from ? CastleShort : CastleLong;
      const uint64_t kingTo = Bit(CastleKingTarget(Us, wing)), rookTo = Bit(CastleRookTarget(Us, wing));
      constexpr int OwnRook = Us == White ? WRook : BRook;
      b.PawnKingKey ^= PawnKingCode(ownKing, from) ^ PawnKingCode(ownKing, kingTo);
      Shift(us.King, from, kingTo);
      keys.Move(ownKing, from, kingTo);
      Shift(us.Rooks, to, rookTo);
      keys.Move(OwnRook, to, rookTo);
      castleMask = KingMovedRights[Us];
      return;
    }
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

// Calls f(saved, current) for every field a move may change: the undo copy and the field itself.
template <typename F>
inline void ForEachUndoField(ChessBoard& b, F f) {
  f(b.PrevWhitePawns, b.WhitePawns);
  f(b.PrevBlackPawns, b.BlackPawns);
  f(b.PrevWhiteKnights, b.WhiteKnights);
  f(b.PrevBlackKnights, b.BlackKnights);
  f(b.PrevWhiteBishops, b.WhiteBishops);
  f(b.PrevBlackBishops, b.BlackBishops);
  f(b.PrevWhiteRooks, b.WhiteRooks);
  f(b.PrevBlackRooks, b.BlackRooks);
  f(b.PrevWhiteQueens, b.WhiteQueens);
  f(b.PrevBlackQueens, b.BlackQueens);
  f(b.PrevWhiteKing, b.WhiteKing);
  f(b.PrevBlackKing, b.BlackKing);
  f(b.PrevWhitePieces, b.WhitePieces);
  f(b.PrevBlackPieces, b.BlackPieces);
  f(b.PrevAllPieces, b.AllPieces);
  f(b.PrevPawnKingKey, b.PawnKingKey);
  f(b.PrevCastleFlags, b.CastleFlags);
  f(b.PrevFiftyMoveCount, b.FiftyMoveCount);
  f(b.PrevLastFrom, b.LastFrom);
  f(b.PrevLastTo, b.LastTo);
  f(b.PrevWhitePieceTotal, b.WhitePieceTotal);
  f(b.PrevBlackPieceTotal, b.BlackPieceTotal);
  f(b.PrevWhitePawnCount, b.WhitePawnCount);
  f(b.PrevBlackPawnCount, b.BlackPawnCount);
  f(b.PrevWhiteKnightCount, b.WhiteKnightCount);
  f(b.PrevBlackKnightCount, b.BlackKnightCount);
  f(b.PrevWhiteBishopCount, b.WhiteBishopCount);
  f(b.PrevBlackBishopCount, b.BlackBishopCount);
  f(b.PrevWhiteRookCount, b.WhiteRookCount);
  f(b.PrevBlackRookCount, b.BlackRookCount);
  f(b.PrevWhiteQueenCount, b.WhiteQueenCount);
  f(b.PrevBlackQueenCount, b.BlackQueenCount);
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
  ForEachUndoField(*this, [](auto& saved, const auto& current) { saved = current; });

  // The move itself is remembered for the next move's en passant test.
  LastFrom = from;
  LastTo = to;
  castleMask = AllRights;
  ++FiftyMoveCount;
  CapturedValue = 0;

  // A captured piece leaves the board; in Chess960 castling the king "takes" its own rook, which
  // stays.
  if (to & WhitePieces) {
    if (!(Chess960 && (from & WhitePieces))) RemoveCaptured(*this, SideOf<White>(*this), WPawn, to, keys);
  } else if (to & BlackPieces) {
    if (!(Chess960 && (from & BlackPieces))) RemoveCaptured(*this, SideOf<Black>(*this), BPawn, to, keys);
  }

  // The piece moves.
  if (from & WhitePieces) MovePiece<White>(*this, from, to, castleMask, keys);
  else if (from & BlackPieces) MovePiece<Black>(*this, from, to, castleMask, keys);

  // The pawn that has just reached its last rank is promoted.
  if (WhitePawns & Rank8 & to) PromoteOn(*this, SideOf<White>(*this), White, to, promotion, keys);
  else if (BlackPawns & Rank1 & to) PromoteOn(*this, SideOf<Black>(*this), Black, to, promotion, keys);

  castleMask &= Chess960 ? RookRightsKept(*this, from | to) : CornerRightsKept(from | to);

  // Totals and unions from scratch.
  WhitePieceTotal = WhiteQueenCount + WhiteRookCount + WhiteBishopCount + WhiteKnightCount + WhitePawnCount;
  BlackPieceTotal = BlackQueenCount + BlackRookCount + BlackBishopCount + BlackKnightCount + BlackPawnCount;
  WhitePieces = WhitePawns | WhiteKnights | WhiteBishops | WhiteRooks | WhiteQueens | WhiteKing;
  BlackPieces = BlackPawns | BlackKnights | BlackBishops | BlackRooks | BlackQueens | BlackKing;
  AllPieces = WhitePieces | BlackPieces;
}

void ChessBoard::UndoMove(int /*unused*/) {
  ForEachUndoField(*this, [](const auto& saved, auto& current) { current = saved; });
}

// The pawn on sq becomes the piece of `code`, when that is one of the colour's knight .. queen.
void ChessBoard::Promote(int8_t colour, uint64_t sq, int code) {
  const int pawn = colour == 0 ? WPawn : BPawn;
  Pieces(pawn) ^= sq;
  if (code > pawn && code < pawn + WKingCode) Pieces(code) |= sq;
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
