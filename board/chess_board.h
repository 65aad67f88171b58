#pragma once
// The position record: twelve piece bitboards with their unions, side to move, castling rights,
// the last move, the fifty-move clock, piece counts, the pawn-and-king key and a one-move undo copy.
// It holds no pointers and is copied whole wherever a private position is needed.

#include <cstdint>

#include "board/attack_tables.h"
#include "board/bit_ops.h"

constexpr int8_t White = 0;
constexpr int8_t Black = 1;

// Promotion character of an ordinary move (byte 236, -20 as a signed char).
constexpr char NoPromotion = static_cast<char>(236);

// Piece codes, the index of every per-piece table.
enum PieceCode : int {
  WPawn, WKnight, WBishop, WRook, WQueen, WKingCode,
  BPawn, BKnight, BBishop, BRook, BQueen, BKingCode
};

class ChessBoard {
public:
  uint64_t WhitePieces;
  uint64_t BlackPieces;
  uint64_t AllPieces;
  uint64_t WhitePawns;
  uint64_t WhiteBishops;
  uint64_t WhiteKnights;
  uint64_t WhiteRooks;
  uint64_t WhiteQueens;
  uint64_t WhiteKing;
  uint64_t BlackPawns;
  uint64_t BlackBishops;
  uint64_t BlackKnights;
  uint64_t BlackRooks;
  uint64_t BlackQueens;
  uint64_t BlackKing;
  uint64_t PrevWhitePawns;
  uint64_t PrevWhiteBishops;
  uint64_t PrevWhiteKnights;
  uint64_t PrevWhiteRooks;
  uint64_t PrevWhiteQueens;
  uint64_t PrevWhiteKing;
  uint64_t PrevBlackPawns;
  uint64_t PrevBlackBishops;
  uint64_t PrevBlackKnights;
  uint64_t PrevBlackRooks;
  uint64_t PrevBlackQueens;
  uint64_t PrevBlackKing;
  uint64_t PrevWhitePieces;
  uint64_t PrevBlackPieces;
  uint64_t PrevAllPieces;
  uint32_t PawnKingKey;
  uint32_t PrevPawnKingKey;
  int8_t SideToMove;
  uint8_t CastleFlags;           // 1 white king side, 2 white queen side, 4 black king side, 8 black queen side
  uint8_t PrevCastleFlags;
  int32_t PrevFiftyMoveCount;
  uint64_t PrevLastFrom;
  uint64_t PrevLastTo;
  uint64_t LastFrom;             // square mask of the last move's from-square, 0 when unknown
  uint64_t LastTo;
  int32_t MaxDepth;
  int32_t FixedDepth;
  int32_t FiftyMoveCount;
  int32_t PlyLimit;
  uint64_t BestFrom;
  uint64_t BestTo;
  int8_t BestPromotion;
  int32_t CapturedValue;
  uint8_t MatingMaterial;        // bit value 1: White can still mate; 32: Black can
  int32_t WhitePieceTotal;
  int32_t BlackPieceTotal;
  int32_t PrevWhitePieceTotal;
  int32_t PrevBlackPieceTotal;
  int32_t WhiteQueenCount, WhiteRookCount, WhiteBishopCount, WhiteKnightCount, WhitePawnCount;
  int32_t PrevWhiteQueenCount, PrevWhiteRookCount, PrevWhiteBishopCount, PrevWhiteKnightCount,
      PrevWhitePawnCount;
  int32_t BlackQueenCount, BlackRookCount, BlackBishopCount, BlackKnightCount, BlackPawnCount;
  int32_t PrevBlackQueenCount, PrevBlackRookCount, PrevBlackBishopCount, PrevBlackKnightCount,
      PrevBlackPawnCount;
  // Castling as in Chess960 (king and rooks on any files; a castling move is the king taking
  // its own rook), or as in standard chess (the king steps two squares towards the rook). The
  // front end sets it for the game, and reading a position keeps it.
  bool Chess960 = false;
  // The square of the rook each castling right belongs to, by the right's bit (board/castling.h):
  // White's short and long castling, then Black's. Fixed for a game: h1, a1, h8, a8 in standard chess.
  uint8_t CastleRookSquare[4] = {7, 0, 63, 56};

  // Set-up and queries (chess_board.cpp).
  void InitRep();
  void ClearField();
  void InitPieceCounts();
  bool IsKing(int8_t colour, uint64_t sq) const { return (colour ? BlackKing : WhiteKing) & sq; }
  bool IsPawn(int8_t colour, uint64_t sq) const { return (colour ? BlackPawns : WhitePawns) & sq; }
  bool IsBishop(int8_t colour, uint64_t sq) const { return (colour ? BlackBishops : WhiteBishops) & sq; }
  bool IsKnight(int8_t colour, uint64_t sq) const { return (colour ? BlackKnights : WhiteKnights) & sq; }
  bool IsRook(int8_t colour, uint64_t sq) const { return (colour ? BlackRooks : WhiteRooks) & sq; }
  bool IsQueen(int8_t colour, uint64_t sq) const { return (colour ? BlackQueens : WhiteQueens) & sq; }
  bool IsEmptySquare(uint64_t sq) const { return (AllPieces & sq) == 0; }
  // The bitboard of a piece code (WPawn .. BKingCode).
  uint64_t& Pieces(int code);
  uint64_t Pieces(int code) const;
  // The kind of colour's piece on sq, as an offset from the colour's pawn code (WPawn 0 ..
  // WKingCode 5), or NoKind when none of colour's pieces stands there.
  static constexpr int NoKind = 6;
  int KindOn(int8_t colour, uint64_t sq) const {
    const bool black = colour != White;
    if ((black ? BlackPawns : WhitePawns) & sq) return WPawn;
    if ((black ? BlackKnights : WhiteKnights) & sq) return WKnight;
    if ((black ? BlackBishops : WhiteBishops) & sq) return WBishop;
    if ((black ? BlackRooks : WhiteRooks) & sq) return WRook;
    if ((black ? BlackQueens : WhiteQueens) & sq) return WQueen;
    if ((black ? BlackKing : WhiteKing) & sq) return WKingCode;
    return NoKind;
  }
  int8_t PieceColor(uint64_t sq) const { return (WhitePieces & sq) ? White : Black; }
  int32_t QuickPieceCount(int8_t colour) const;
  int32_t QuickPawnCount(int8_t colour) const { return colour ? BlackPawnCount : WhitePawnCount; }
  void DisplayPiece(uint8_t sq) const;
  void DisplayBoard();
  // 0, or why the game is drawn: FiftyMoveDraw (7), or 8 for no mating material or a known dead
  // ending. Also records in MatingMaterial which sides can still mate.
  static constexpr int32_t FiftyMoveDraw = 7;
  int32_t CheckDraw(int8_t colour) {
    // The usual case: both sides keep a pawn, a rook or a queen, so both can still mate and
    // neither is a bare king; only the fifty-move rule can end the game here.
    MatingMaterial = 33;
    if ((WhitePawnCount | WhiteQueenCount | WhiteRookCount) != 0 &&
        (BlackPawnCount | BlackQueenCount | BlackRookCount) != 0)
      return FiftyMoveCount > 99 ? FiftyMoveDraw : 0;
    return CheckDrawByMaterial(colour);
  }
  int32_t CheckDrawByMaterial(int8_t colour);
  bool Test50MoveRule(int8_t from, int8_t to);
  void RecomputeUnions();

  // Attack masks and check detection. A single square is answered from the attack tables;
  // an empty or multi-square mask (only an edited position with several kings passes one)
  // takes the ray-stepping path of attack_masks.cpp, which treats the squares together.
  uint64_t KnightMask(uint64_t s) const { return IsOneSquare(s) ? attacktab::Knight[LowestSquare(s)] : KnightMaskStepped(s); }
  uint64_t KingMask(uint64_t s) const { return IsOneSquare(s) ? attacktab::King[LowestSquare(s)] : KingMaskStepped(s); }
  uint64_t BishopMask(uint64_t s) const {
    return IsOneSquare(s) ? attacktab::Bishop(LowestSquare(s), AllPieces) : BishopMaskStepped(s);
  }
  uint64_t RookMask(uint64_t s) const {
    return IsOneSquare(s) ? attacktab::Rook(LowestSquare(s), AllPieces) : RookMaskStepped(s);
  }
  uint64_t QueenMask(uint64_t s) const { return BishopMask(s) | RookMask(s); }
  uint64_t BishopCheckMask(uint64_t s, uint64_t target) const;
  uint64_t RookCheckMask(uint64_t s, uint64_t target) const;
  int32_t RookAttackCount(uint64_t s) const;
  static uint64_t NorthAttacks(uint64_t sliders, uint64_t empty);
  static uint64_t SouthAttacks(uint64_t sliders, uint64_t empty);
  int InCheck(uint64_t s, int8_t colour) const {
    if (!IsOneSquare(s)) return InCheckStepped(s, colour);
    // Cheapest tests first: pawns, knights, the sliders, the king.
    const bool black = colour != 0;
    const int sq = LowestSquare(s);
    if (attacktab::Pawn[black ? Black : White][sq] & (black ? WhitePawns : BlackPawns)) return 1;
    if (attacktab::Knight[sq] & (black ? WhiteKnights : BlackKnights)) return 1;
    const uint64_t queens = black ? WhiteQueens : BlackQueens;
    const uint64_t diagonal = (black ? WhiteBishops : BlackBishops) | queens;
    if (diagonal && (attacktab::Bishop(sq, AllPieces) & diagonal)) return 1;
    const uint64_t straight = (black ? WhiteRooks : BlackRooks) | queens;
    if (straight && (attacktab::Rook(sq, AllPieces) & straight)) return 1;
    return (attacktab::King[sq] & (black ? WhiteKing : BlackKing)) ? 1 : 0;
  }
  int IsAttacked(uint64_t s, int8_t colour) const { return InCheck(s, colour); }
  // Whether the side to move (SideToMove) is in check.
  bool SideToMoveInCheck() const {
    const int8_t side = SideToMove ? Black : White;
    const uint64_t king = side == White ? WhiteKing : BlackKing;
    return king && InCheck(king, side);
  }
  uint64_t KnightMaskStepped(uint64_t s) const;
  uint64_t KingMaskStepped(uint64_t s) const;
  uint64_t BishopMaskStepped(uint64_t s) const;
  uint64_t RookMaskStepped(uint64_t s) const;
  int InCheckStepped(uint64_t s, int8_t colour) const;

  // Making and unmaking moves (make_move.cpp).
  void MakeMove(uint64_t from, uint64_t to, char promotion, uint8_t& castleMask);
  // The same, also moving the pieces' Zobrist codes in the key pair *upper, *lower; the codes of
  // the side to move and the castling rights are the caller's (ToggleSideAndCastling).
  void MakeMove(uint64_t from, uint64_t to, char promotion, uint8_t& castleMask, uint64_t* upper, uint64_t* lower);
  template <bool Keyed>
  void MakeMoveKeyed(uint64_t from, uint64_t to, char promotion, uint8_t& castleMask, uint64_t* upper,
                     uint64_t* lower);
  void UndoMove(int unused);
  void Promote(int8_t colour, uint64_t sq, int code);
  void DropPawn(int8_t colour, uint64_t sq);
  bool PawnOn7th(int8_t colour) const;
};

// The twelve piece bitboards in piece-code order, so that per-piece tables and the board meet
// by one index. With a constant code the compiler reads the field itself.
inline constexpr uint64_t ChessBoard::*PieceBitboards[12] = {
    &ChessBoard::WhitePawns, &ChessBoard::WhiteKnights, &ChessBoard::WhiteBishops,
    &ChessBoard::WhiteRooks, &ChessBoard::WhiteQueens,  &ChessBoard::WhiteKing,
    &ChessBoard::BlackPawns, &ChessBoard::BlackKnights, &ChessBoard::BlackBishops,
    &ChessBoard::BlackRooks, &ChessBoard::BlackQueens,  &ChessBoard::BlackKing};

inline uint64_t& ChessBoard::Pieces(int code) { return this->*PieceBitboards[code]; }
inline uint64_t ChessBoard::Pieces(int code) const { return this->*PieceBitboards[code]; }

extern ChessBoard MainBoard;
