// The position record: start position, clearing, piece counts, queries, the text diagram and
// the draw tests.

#include "board/chess_board.h"

#include <cstdio>
#include <type_traits>

#include "board/bit_ops.h"
#include "board/castling.h"
#include "board/fen.h"
#include "board/masks.h"

// The search copies the record at every node with a plain block copy.
static_assert(std::is_trivially_copyable_v<ChessBoard>, "ChessBoard must stay a flat value");

ChessBoard MainBoard;

namespace {

// Square mask of an index; indices outside the board give an empty mask.
inline uint64_t MaskOf(int sq) { return (sq >= 0 && sq < 64) ? SquareMask(sq) : 0; }

// King distance: the larger of the file distance and the rank distance.
int KingDistance(int a, int b) {
  int df = (a & 7) - (b & 7);
  int dr = (a >> 3) - (b >> 3);
  if (df < 0) df = -df;
  if (dr < 0) dr = -dr;
  return df > dr ? df : dr;
}

// No pawns, queens or rooks, and at most two knights, or one lone bishop: no forced mate.
bool LacksMatingMaterial(int pawns, int queens, int rooks, int bishops, int knights) {
  if (pawns || queens || rooks) return false;
  return (bishops == 0 && knights <= 2) || (bishops == 1 && knights == 0);
}

// Where the bare king holds the queening corner of a rook's pawn, by attacking side and file.
constexpr uint64_t WhiteHCornerKing = Bit(G8) | Bit(H8) | Bit(G7) | Bit(H7);
constexpr uint64_t WhiteACornerKing = Bit(A8) | Bit(B8) | Bit(A7) | Bit(B7);
constexpr uint64_t BlackHCornerKing = Bit(G1) | Bit(H1) | Bit(G2) | Bit(H2);
constexpr uint64_t BlackACornerKing = Bit(A1) | Bit(B1) | Bit(A2) | Bit(B2);

// Bishop and rook's pawn against the bare king: the pawn's queening square is of the other
// colour than the bishop, so a king in that corner cannot be driven out.
bool WrongBishopDraw(uint64_t pawn, uint64_t bishop, uint64_t defendingKing, bool whiteAttacks) {
  const uint64_t hBishopColour = whiteAttacks ? LightSquares : DarkSquares;
  const uint64_t aBishopColour = whiteAttacks ? DarkSquares : LightSquares;
  const uint64_t hCorner = whiteAttacks ? WhiteHCornerKing : BlackHCornerKing;
  const uint64_t aCorner = whiteAttacks ? WhiteACornerKing : BlackACornerKing;
  if ((pawn & FileH) && (bishop & hBishopColour) && (defendingKing & hCorner)) return true;
  if ((pawn & FileA) && (bishop & aBishopColour) && (defendingKing & aCorner)) return true;
  return false;
}

}  // namespace

void ChessBoard::InitRep() {
  WhitePawns = 0xFF00ULL;
  WhiteKnights = 66;
  WhiteBishops = 36;
  WhiteRooks = 129;
  WhiteQueens = 8;
  WhiteKing = 16;
  BlackPawns = 0x00FF000000000000ULL;
  BlackKnights = 0x4200000000000000ULL;
  BlackBishops = 0x2400000000000000ULL;
  BlackRooks = 0x8100000000000000ULL;
  BlackQueens = 0x0800000000000000ULL;
  BlackKing = 0x1000000000000000ULL;
  WhitePieces = 0xFFFFULL;
  BlackPieces = 0xFFFF000000000000ULL;
  AllPieces = WhitePieces | BlackPieces;
  CastleFlags = 15;
  SetStandardCastleRooks(*this);
  SideToMove = White;
  LastFrom = 0;
  LastTo = 0;
  MaxDepth = 56;
}

void ChessBoard::ClearField() {
  WhitePieces = BlackPieces = AllPieces = 0;
  WhitePawns = WhiteBishops = WhiteKnights = WhiteRooks = WhiteQueens = WhiteKing = 0;
  BlackPawns = BlackBishops = BlackKnights = BlackRooks = BlackQueens = BlackKing = 0;
  CastleFlags = 0;
  SetStandardCastleRooks(*this);
  LastFrom = LastTo = 0;
  WhitePieceTotal = BlackPieceTotal = 0;
  WhiteQueenCount = WhiteRookCount = WhiteBishopCount = WhiteKnightCount = WhitePawnCount = 0;
  BlackQueenCount = BlackRookCount = BlackBishopCount = BlackKnightCount = BlackPawnCount = 0;
}

void ChessBoard::InitPieceCounts() {
  WhiteQueenCount = PopCount32Halves(WhiteQueens);
  WhiteRookCount = PopCount32Halves(WhiteRooks);
  WhiteBishopCount = PopCount32Halves(WhiteBishops);
  WhiteKnightCount = PopCount32Halves(WhiteKnights);
  WhitePawnCount = PopCount32Halves(WhitePawns);
  BlackQueenCount = PopCount32Halves(BlackQueens);
  BlackRookCount = PopCount32Halves(BlackRooks);
  BlackBishopCount = PopCount32Halves(BlackBishops);
  BlackKnightCount = PopCount32Halves(BlackKnights);
  BlackPawnCount = PopCount32Halves(BlackPawns);
}

void ChessBoard::RecomputeUnions() {
  WhitePieces = WhitePawns | WhiteKnights | WhiteBishops | WhiteRooks | WhiteQueens | WhiteKing;
  BlackPieces = BlackPawns | BlackKnights | BlackBishops | BlackRooks | BlackQueens | BlackKing;
  AllPieces = WhitePieces | BlackPieces;
}

int32_t ChessBoard::QuickPieceCount(int8_t) const {
  return WhiteQueenCount + WhiteRookCount + WhiteBishopCount + WhiteKnightCount + BlackQueenCount +
         BlackRookCount + BlackBishopCount + BlackKnightCount;
}

void ChessBoard::DisplayPiece(uint8_t sq) const {
  const uint64_t mask = MaskOf(sq);
  const char* error = nullptr;
  char letter = '-';
  if ((WhitePieces | BlackPieces) & mask) {
    letter = DecodePiece(mask, *this);
    if (letter == '?')
      error = (WhitePieces & mask) ? "Major Error: DisplayPiece unknown White Piece\n"
                                   : "Major Error: DisplayPiece unknown Black Piece\n";
  } else if (AllPieces & mask) {
    error = "Major Error: DisplayPiece has unknown Color\n";
  }
  if (error)
    fputs(error, stdout);
  else
    putchar(letter);
  putchar(' ');
}

void ChessBoard::DisplayBoard() {
  fputs("   A B C D E F G H\n\n", stdout);
  for (int rank = 7; rank >= 0; rank--) {
    printf("%d  ", rank + 1);
    for (int file = 0; file < 8; file++) DisplayPiece(static_cast<uint8_t>(rank * 8 + file));
    printf(" %d\n", rank + 1);
  }
  fputs("\n   A B C D E F G H\n", stdout);
  fflush(stdout);
}

bool ChessBoard::Test50MoveRule(int8_t from, int8_t to) {
  const uint64_t fromMask = MaskOf(from);
  if (((WhitePawns | BlackPawns) & fromMask) || (AllPieces & MaskOf(to))) {
    FiftyMoveCount = 0;
    return false;
  }
  FiftyMoveCount++;
  return FiftyMoveCount > 99;
}

// The rest of the draw test, for a side without pawns, rooks and queens.
int32_t ChessBoard::CheckDrawByMaterial(int8_t) {
  if (LacksMatingMaterial(WhitePawnCount, WhiteQueenCount, WhiteRookCount, WhiteBishopCount,
                          WhiteKnightCount))
    MatingMaterial &= static_cast<uint8_t>(~1u);
  if (LacksMatingMaterial(BlackPawnCount, BlackQueenCount, BlackRookCount, BlackBishopCount,
                          BlackKnightCount))
    MatingMaterial &= static_cast<uint8_t>(~32u);

  if (MatingMaterial == 0) {
    // With a king in the corner and the kings two squares apart a mate can still arise from a
    // blunder (king and knight against a cornered king and knight), so that is not scored dead.
    const bool cornered = (WhiteKing | BlackKing) & Corners;
    const bool kingsClose = WhiteKing && BlackKing &&
                            KingDistance(LowestSquare(WhiteKing), LowestSquare(BlackKing)) == 2;
    if (!(cornered && kingsClose)) return 8;
  }

  if (FiftyMoveCount > 99) return FiftyMoveDraw;

  // The lone-king side is judged from its counts, which are current whenever the draw test
  // may be used (the totals are only brought up to date by MakeMove).
  const int blackMaterial =
      BlackPawnCount + BlackQueenCount + BlackRookCount + BlackBishopCount + BlackKnightCount;
  const int whiteMaterial =
      WhitePawnCount + WhiteQueenCount + WhiteRookCount + WhiteBishopCount + WhiteKnightCount;

  if (WhitePawnCount == 1 && WhiteBishopCount == 1 && WhiteQueenCount == 0 && WhiteRookCount == 0 &&
      WhiteKnightCount == 0 && blackMaterial == 0 &&
      WrongBishopDraw(WhitePawns, WhiteBishops, BlackKing, true))
    return 8;

  if (BlackPawnCount == 1 && BlackBishopCount == 1 && BlackQueenCount == 0 && BlackRookCount == 0 &&
      BlackKnightCount == 0 && whiteMaterial == 0 &&
      WrongBishopDraw(BlackPawns, BlackBishops, WhiteKing, false))
    return 8;

  return 0;
}
