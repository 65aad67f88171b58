// Pseudo-legal move generation. Every generator appends to the three parallel arrays of the
// list, pieces lowest square first and destinations lowest square first, and returns the next
// free slot. The order of the generators inside GenerateAllMoves is the order in which the
// search and perft meet the moves.

#include <cstdio>

#include "board/bit_ops.h"
#include "board/castling.h"
#include "board/masks.h"
#include "movegen/move_gen.h"
#include "movegen/move_list_fill.h"

namespace {

// The king generators complain about a missing or doubled king and still do what they can.
inline bool KingsPresent(const ChessBoard& b, bool black) {
  const uint64_t kings = black ? b.BlackKing : b.WhiteKing;
  if (!kings) {
    printf("Major Error: There is No king of a given color\n");
    return false;
  }
  for (uint64_t extra = kings & (kings - 1); extra; extra &= extra - 1)
    printf("Major Error: There is more than one king of a given color\n");
  return true;
}

inline uint64_t Empty(const ChessBoard& b) { return ~b.AllPieces; }
inline uint64_t Enemy(const ChessBoard& b, bool black) { return black ? b.WhitePieces : b.BlackPieces; }

void ReportFullList(int count) {
  if (count >= MaxMoves) printf("Major Error: move list full, further moves dropped\n");
}

}  // namespace

int MoveGen::GenKnights(int8_t colour, int i) {
  return GenPieceMoves<PieceKind::Knight>(*this, colour != 0, Empty(*Board), i);
}
int MoveGen::GenBishops(int8_t colour, int i) {
  return GenPieceMoves<PieceKind::Bishop>(*this, colour != 0, Empty(*Board), i);
}
int MoveGen::GenRooks(int8_t colour, int i) {
  return GenPieceMoves<PieceKind::Rook>(*this, colour != 0, Empty(*Board), i);
}
int MoveGen::GenQueens(int8_t colour, int i) {
  return GenPieceMoves<PieceKind::Queen>(*this, colour != 0, Empty(*Board), i);
}
int MoveGen::GenKings(int8_t colour, int i) {
  if (!KingsPresent(*Board, colour != 0)) return i;
  return GenPieceMoves<PieceKind::King>(*this, colour != 0, Empty(*Board), i);
}

int MoveGen::GenKnightCaptures(int8_t colour, int i) {
  return GenPieceMoves<PieceKind::Knight>(*this, colour != 0, Enemy(*Board, colour != 0), i);
}
int MoveGen::GenBishopCaptures(int8_t colour, int i) {
  return GenPieceMoves<PieceKind::Bishop>(*this, colour != 0, Enemy(*Board, colour != 0), i);
}
int MoveGen::GenRookCaptures(int8_t colour, int i) {
  return GenPieceMoves<PieceKind::Rook>(*this, colour != 0, Enemy(*Board, colour != 0), i);
}
int MoveGen::GenQueenCaptures(int8_t colour, int i) {
  return GenPieceMoves<PieceKind::Queen>(*this, colour != 0, Enemy(*Board, colour != 0), i);
}
int MoveGen::GenKingCaptures(int8_t colour, int i) {
  if (!KingsPresent(*Board, colour != 0)) return i;
  return GenPieceMoves<PieceKind::King>(*this, colour != 0, Enemy(*Board, colour != 0), i);
}

namespace {

// Every pawn move of one colour, pawn by pawn: double push, single push, the two captures
// (White up-left then up-right, Black down-right then down-left), en passant. The squares each
// kind of move reaches are found for all pawns at once; the pawns are then visited lowest
// square first, those about to promote apart, since all their moves carry the promotion.
template <bool Black>
int GenPawnMovesOf(MoveGen& list, int i) {
  constexpr uint64_t PromotingRank = Black ? Rank2 : Rank7;
  constexpr char Queen = Black ? 'q' : 'Q';
  const PawnTargets t = PawnTargetsOf<Black>(*list.Board);

  // The pawns that can capture, and those with a double push (which always have the single
  // push too). A pawn that cannot capture has its single push and perhaps the double push
  // before it, with no further test.
  const uint64_t twiceFrom = PawnBackward<Black>(t.Twice, 16);
  const uint64_t capturers = PawnBackward<Black>(t.First, 7) | PawnBackward<Black>(t.Second, 9) | t.EnPassantFrom;
  auto emitPawn = [&](uint64_t from, char promotion) {
    if (!(from & capturers)) {
      if (from & twiceFrom) i = Emit(list, i, from, PawnForward<Black>(from, 16), NoPromotion);
      i = Emit(list, i, from, PawnForward<Black>(from, 8), promotion);
      return;
    }
    if (t.Twice & PawnForward<Black>(from, 16)) i = Emit(list, i, from, PawnForward<Black>(from, 16), NoPromotion);
    if (t.Single & PawnForward<Black>(from, 8)) i = Emit(list, i, from, PawnForward<Black>(from, 8), promotion);
    if (t.First & PawnForward<Black>(from, 7)) i = Emit(list, i, from, PawnForward<Black>(from, 7), promotion);
    if (t.Second & PawnForward<Black>(from, 9)) i = Emit(list, i, from, PawnForward<Black>(from, 9), promotion);
    if (from & t.EnPassantFrom) i = Emit(list, i, from, t.EnPassantTo, NoPromotion);
  };
  const uint64_t movers = PawnBackward<Black>(t.Single, 8) | capturers;
  // White's promoting pawns stand above all its others, Black's below.
  const uint64_t lowerGroup = movers & (Black ? PromotingRank : ~PromotingRank);
  const uint64_t upperGroup = movers & (Black ? ~PromotingRank : PromotingRank);
  for (uint64_t p = lowerGroup; p; p &= p - 1) emitPawn(p & (~p + 1), Black ? Queen : NoPromotion);
  for (uint64_t p = upperGroup; p; p &= p - 1) emitPawn(p & (~p + 1), Black ? NoPromotion : Queen);
  return i;
}

}  // namespace

// A pawn reaching the last rank becomes a queen; no other promotion is generated.
int MoveGen::GenPawns(int8_t colour, int i) {
  return colour == 0 ? GenPawnMovesOf<false>(*this, i) : GenPawnMovesOf<true>(*this, i);
}

namespace {

// One castling move: the squares between king and rook empty, the rook at home, and the
// king's start, crossing and landing squares not attacked. The king must stand on its
// start square; castling flags alone do not put it there.
struct CastleRule {
  uint8_t Flag;
  int KingFrom, KingTo, RookHome;
  uint64_t MustBeEmpty;
  uint64_t MustBeSafe;
};

constexpr CastleRule WhiteCastles[2] = {
    {1, E1, G1, H1, Bit(F1) | Bit(G1), Bit(E1) | Bit(F1) | Bit(G1)},
    {2, E1, C1, A1, Bit(B1) | Bit(C1) | Bit(D1), Bit(E1) | Bit(D1) | Bit(C1)}};
constexpr CastleRule BlackCastles[2] = {
    {4, E8, G8, H8, Bit(F8) | Bit(G8), Bit(E8) | Bit(F8) | Bit(G8)},
    {8, E8, C8, A8, Bit(B8) | Bit(C8) | Bit(D8), Bit(E8) | Bit(D8) | Bit(C8)}};

constexpr int CastleOrderValue = 800;

}  // namespace

// Chess960 castling, written as the king taking its own rook: the king and the rook go to the
// squares of standard castling from wherever they stand. Every square either crosses or lands on
// must be empty but for the two of them, and the squares of the king's way, both ends included,
// must not be attacked.
int MoveGen::GenCastle960(int8_t colour, int i, uint8_t castleFlags) {
  const ChessBoard& b = *Board;
  const uint64_t king = colour ? b.BlackKing : b.WhiteKing;
  const uint64_t rooks = colour ? b.BlackRooks : b.WhiteRooks;
  if (!IsOneSquare(king)) return i;
  const int kingFrom = LowestSquare(king);
  for (int wing = CastleShort; wing <= CastleLong; ++wing) {
    const int right = CastleRight(colour, wing);
    if (!(castleFlags & (1 << right))) continue;
    const int rookFrom = b.CastleRookSquare[right];
    if (!(rooks & SquareMask(rookFrom))) continue;
    const uint64_t kingWay = RankSpan(kingFrom, CastleKingTarget(colour, wing));
    const uint64_t rookWay = RankSpan(rookFrom, CastleRookTarget(colour, wing));
    if ((kingWay | rookWay) & b.AllPieces & ~(king | SquareMask(rookFrom))) continue;
    bool safe = true;
    for (uint64_t sq = kingWay; sq && safe; sq &= sq - 1) safe = !b.IsAttacked(sq & (~sq + 1), colour);
    if (!safe) continue;
    const int before = i;
    i = Emit(*this, i, king, SquareMask(rookFrom), NoPromotion);
    if (i > before) OrderValue[before] = CastleOrderValue;
  }
  return i;
}

int MoveGen::GenCastle(int8_t colour, int i, uint8_t castleFlags) {
  const ChessBoard& b = *Board;
  if (b.Chess960) return GenCastle960(colour, i, castleFlags);
  const bool black = colour != 0;
  const CastleRule* rules = black ? BlackCastles : WhiteCastles;
  const uint64_t king = black ? b.BlackKing : b.WhiteKing;
  const uint64_t rooks = black ? b.BlackRooks : b.WhiteRooks;
  for (int r = 0; r < 2; ++r) {
    const CastleRule& rule = rules[r];
    if (!(castleFlags & rule.Flag)) continue;
    if (!(king & Bit(rule.KingFrom)) || !(rooks & Bit(rule.RookHome))) continue;
    if (b.AllPieces & rule.MustBeEmpty) continue;
    bool safe = true;
    for (uint64_t sq = rule.MustBeSafe; sq && safe; sq &= sq - 1)
      safe = !b.IsAttacked(sq & (~sq + 1), colour);
    if (!safe) continue;
    const int before = i;
    i = Emit(*this, i, Bit(rule.KingFrom), Bit(rule.KingTo), NoPromotion);
    if (i > before) OrderValue[before] = CastleOrderValue;
  }
  return i;
}

namespace {

// GenerateAllMoves visits every piece twice, once for its captures and once for its quiet
// moves; the attack set of each piece is computed once and kept here, by square.
struct AttackCache {
  uint64_t Attacks[64];
};

template <PieceKind Kind>
inline void FillCache(AttackCache& cache, const ChessBoard& b, bool black) {
  for (uint64_t pieces = PiecesOf<Kind>(b, black); pieces; pieces &= pieces - 1) {
    const int sq = LowestSquare(pieces);
    cache.Attacks[sq] = AttacksOf<Kind>(b, sq);
  }
}

template <PieceKind Kind>
inline int EmitCached(MoveGen& list, const AttackCache& cache, bool black, uint64_t targets, int i) {
  for (uint64_t pieces = PiecesOf<Kind>(*list.Board, black); pieces; pieces &= pieces - 1) {
    const uint64_t from = pieces & (~pieces + 1);
    i = EmitAll(list, i, from, cache.Attacks[LowestSquare(from)] & targets, NoPromotion);
  }
  return i;
}

}  // namespace

// The order of the list: knight, bishop, rook, queen and king captures; quiet knight, bishop,
// rook and queen moves; castling; quiet king moves; every pawn move. It is the order the
// single-piece generators above would produce one after another.
int MoveGen::GenerateAllMoves(int8_t colour, ChessBoard* board, uint8_t castleFlags) {
  Board = board;
  const ChessBoard& b = *board;
  const bool black = colour != 0;
  AttackCache cache;
  FillCache<PieceKind::Knight>(cache, b, black);
  FillCache<PieceKind::Bishop>(cache, b, black);
  FillCache<PieceKind::Rook>(cache, b, black);
  FillCache<PieceKind::Queen>(cache, b, black);
  FillCache<PieceKind::King>(cache, b, black);
  const uint64_t enemy = Enemy(b, black);
  const uint64_t empty = Empty(b);
  int i = 0;
  i = EmitCached<PieceKind::Knight>(*this, cache, black, enemy, i);
  i = EmitCached<PieceKind::Bishop>(*this, cache, black, enemy, i);
  i = EmitCached<PieceKind::Rook>(*this, cache, black, enemy, i);
  i = EmitCached<PieceKind::Queen>(*this, cache, black, enemy, i);
  if (KingsPresent(b, black)) i = EmitCached<PieceKind::King>(*this, cache, black, enemy, i);
  i = EmitCached<PieceKind::Knight>(*this, cache, black, empty, i);
  i = EmitCached<PieceKind::Bishop>(*this, cache, black, empty, i);
  i = EmitCached<PieceKind::Rook>(*this, cache, black, empty, i);
  i = EmitCached<PieceKind::Queen>(*this, cache, black, empty, i);
  i = GenCastle(colour, i, castleFlags);
  if (KingsPresent(b, black)) i = EmitCached<PieceKind::King>(*this, cache, black, empty, i);
  i = GenPawns(colour, i);
  ReportFullList(i);
  MoveCount = i;
  return i;
}

int MoveGen::GenerateQuiesceMoves(int8_t colour, ChessBoard* board) {
  Board = board;
  int i = 0;
  i = GenQueenCaptures(colour, i);
  i = GenRookCaptures(colour, i);
  i = GenKnightCaptures(colour, i);
  i = GenBishopCaptures(colour, i);
  i = GenPawns(colour, i);
  // What GenKingCaptures does, without the call.
  const bool black = colour != 0;
  if (KingsPresent(*board, black)) i = GenPieceMoves<PieceKind::King>(*this, black, Enemy(*board, black), i);
  ReportFullList(i);
  return i;
}

int MoveGen::GetMove(int i, uint64_t* from, uint64_t* to, char* promotion) const {
  *from = From[i];
  *to = To[i];
  *promotion = Promotion[i];
  return 0;
}

// Finds the legal move of board with this move code (and this promotion, when it names one).
bool FindLegalMove(ChessBoard& board, int8_t side, uint8_t castle, const PVEntry& entry, uint64_t* from,
                   uint64_t* to, char* promo) {
  MoveGen list;
  const int n = list.GenerateAllMoves(side, &board, castle);
  const uint64_t wantFrom = SquareMask(entry.Code >> 6), wantTo = SquareMask(entry.Code & 63);
  for (int i = 0; i < n; i++) {
    if (list.From[i] != wantFrom || list.To[i] != wantTo) continue;
    if (entry.Promotion != NoPromotion && list.Promotion[i] != NoPromotion && list.Promotion[i] != entry.Promotion)
      continue;
    ChessBoard after = board;
    uint8_t mask = 0;
    after.MakeMove(list.From[i], list.To[i], list.Promotion[i], mask);
    if (after.InCheck(side ? after.BlackKing : after.WhiteKing, side)) continue;
    *from = list.From[i];
    *to = list.To[i];
    *promo = list.Promotion[i];
    return true;
  }
  return false;
}
