// Coordinate move text (e2e4, e7e8q) checked against the legal moves of the side to move.

#include "game/move_parse.h"

#include <cctype>
#include <cstring>

#include "board/bit_ops.h"
#include "board/masks.h"
#include "movegen/move_gen.h"
#include "search/search_routines.h"

namespace {

bool IsFile(char c) { return c >= 'a' && c <= 'h'; }
bool IsRank(char c) { return c >= '1' && c <= '8'; }
bool IsPromotionLetter(char c) {
  const char lower = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return lower == 'n' || lower == 'b' || lower == 'r' || lower == 'q';
}

int SquareOf(const char* text) { return (text[0] - 'a') + 8 * (text[1] - '1'); }

// True when the move, made on a copy, leaves the mover's own king unattacked.
bool KeepsKingSafe(const ChessBoard& board, uint64_t from, uint64_t to, char promo) {
  ChessBoard after = board;
  uint8_t castleMask = 15;
  after.MakeMove(from, to, promo, castleMask);
  const int8_t side = board.SideToMove ? Black : White;
  const uint64_t king = side == White ? after.WhiteKing : after.BlackKing;
  if (king == 0) return false;
  return after.InCheck(king, side) == 0;
}

}  // namespace

bool LooksLikeMoveText(const char* text) {
  const size_t len = strnlen(text, 6);
  if (len != 4 && len != 5) return false;
  if (!IsFile(text[0]) || !IsRank(text[1]) || !IsFile(text[2]) || !IsRank(text[3])) return false;
  return len == 4 || IsPromotionLetter(text[4]);
}

bool ParseLegalMove(const ChessBoard& board, const char* text, uint64_t* from, uint64_t* to, char* promo) {
  if (text == nullptr || !LooksLikeMoveText(text)) return false;
  const uint64_t fromMask = SquareMask(SquareOf(text));
  const uint64_t toMask = SquareMask(SquareOf(text + 2));
  const int8_t side = board.SideToMove ? Black : White;

  // The piece must belong to the side to move (castling moves the king from its own square).
  const uint64_t own = side == White ? board.WhitePieces : board.BlackPieces;
  if ((own & fromMask) == 0) return false;

  // A pawn reaching its last rank promotes: to the piece named, a queen when none is named.
  // A letter on any other move is not a move of this position.
  const uint64_t pawns = side == White ? board.WhitePawns : board.BlackPawns;
  const uint64_t lastRank = side == White ? Rank8 : Rank1;
  const bool promotes = (pawns & fromMask) && (toMask & lastRank);
  char promotion = NoPromotion;
  if (promotes)
    promotion = text[4] ? static_cast<char>(tolower(static_cast<unsigned char>(text[4]))) : 'q';
  else if (text[4])
    return false;

  ChessBoard work = board;
  MoveGen gen;
  const int n = gen.GenerateAllMoves(side, &work, board.CastleFlags);
  for (int i = 0; i < n && i < MaxMoves; i++) {
    if (gen.From[i] != fromMask || gen.To[i] != toMask) continue;
    if (!KeepsKingSafe(board, fromMask, toMask, promotion)) return false;
    *from = fromMask;
    *to = toMask;
    *promo = promotion;
    return true;
  }
  return false;
}

int CountLegalMoves(const ChessBoard& board) {
  const int8_t side = board.SideToMove ? Black : White;
  ChessBoard work = board;
  MoveGen gen;
  const int n = gen.GenerateAllMoves(side, &work, board.CastleFlags);
  int legal = 0;
  for (int i = 0; i < n && i < MaxMoves; i++)
    if (KeepsKingSafe(board, gen.From[i], gen.To[i], gen.Promotion[i])) legal++;
  return legal;
}

bool ExpectedReply(const ChessBoard& after, uint64_t* from, uint64_t* to, char* promo) {
  if (Search.PVLength < 2 || Search.PV[0][1].Code == 0) return false;
  ChessBoard board = after;
  return FindLegalMove(board, board.SideToMove ? Black : White, board.CastleFlags, Search.PV[0][1], from, to, promo);
}

int LegalEnPassantSquare(const ChessBoard& board) {
  const PawnTargets t = board.SideToMove ? PawnTargetsOf<true>(board) : PawnTargetsOf<false>(board);
  if (!t.EnPassantFrom || !IsOneSquare(t.EnPassantTo) || !board.IsEmptySquare(t.EnPassantTo)) return -1;
  for (uint64_t pawns = t.EnPassantFrom; pawns; pawns &= pawns - 1)
    if (KeepsKingSafe(board, pawns & (~pawns + 1), t.EnPassantTo, NoPromotion)) return LowestSquare(t.EnPassantTo);
  return -1;
}
