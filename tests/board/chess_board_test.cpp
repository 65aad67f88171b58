#include "board/chess_board.h"

#include <gtest/gtest.h>

#include <string>

#include "board/masks.h"
#include "board_test_util.h"

namespace {

std::string Diagram(ChessBoard& board) {
  testing::internal::CaptureStdout();
  board.DisplayBoard();
  return testing::internal::GetCapturedStdout();
}

}  // namespace

TEST(ChessBoard, InitRepSetsStartPosition) {
  GlobalsGuard guard;
  ChessBoard b{};
  b.InitRep();
  EXPECT_EQ(b.WhitePieces, 0xFFFFULL);
  EXPECT_EQ(b.BlackPieces, 0xFFFF000000000000ULL);
  EXPECT_EQ(b.AllPieces, b.WhitePieces | b.BlackPieces);
  EXPECT_EQ(b.WhiteKing, Bit(E1));
  EXPECT_EQ(b.BlackQueens, Bit(D8));
  EXPECT_EQ(b.CastleFlags, 15);
  EXPECT_EQ(b.SideToMove, White);
  EXPECT_EQ(b.MaxDepth, 56);
  b.InitPieceCounts();
  EXPECT_EQ(b.WhitePawnCount, 8);
  EXPECT_EQ(b.BlackKnightCount, 2);
  EXPECT_EQ(b.QuickPieceCount(White), 14);
  EXPECT_EQ(b.QuickPawnCount(Black), 8);
  b.ClearField();
  EXPECT_EQ(b.AllPieces, 0u);
  EXPECT_EQ(b.WhitePawnCount + b.BlackQueenCount + b.WhitePieceTotal, 0);
  EXPECT_EQ(b.PieceColor(Bit(E4)), Black);  // an empty square answers Black
}

TEST(ChessBoard, DiagramOfStartPosition) {
  GlobalsGuard guard;
  MainBoard.InitRep();
  EXPECT_EQ(Diagram(MainBoard),
            "   A B C D E F G H\n\n"
            "8  r n b q k b n r  8\n"
            "7  p p p p p p p p  7\n"
            "6  - - - - - - - -  6\n"
            "5  - - - - - - - -  5\n"
            "4  - - - - - - - -  4\n"
            "3  - - - - - - - -  3\n"
            "2  P P P P P P P P  2\n"
            "1  R N B Q K B N R  1\n\n"
            "   A B C D E F G H\n");
}

TEST(ChessBoard, DiagramReportsInconsistentBitboards) {
  ChessBoard b{};
  b.InitRep();
  b.WhitePieces |= Bit(E4);  // in the union but in no white piece bitboard
  b.AllPieces |= Bit(D4);    // in neither colour's union
  testing::internal::CaptureStdout();
  b.DisplayPiece(E4);
  b.DisplayPiece(D4);
  b.DisplayPiece(200);       // off the board: shown as empty
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Major Error: DisplayPiece unknown White Piece\n Major Error: DisplayPiece has unknown Color\n - ");
}

TEST(ChessBoard, FiftyMoveCounting) {
  GlobalsGuard guard;
  ChessBoard& b = Position("4k3/4p3/8/8/8/8/8/R3K3 w - - 0 1");
  b.FiftyMoveCount = 98;
  EXPECT_FALSE(b.Test50MoveRule(A1, A2));   // quiet rook move: 99
  EXPECT_EQ(b.FiftyMoveCount, 99);
  EXPECT_TRUE(b.Test50MoveRule(A2, A3));    // 100
  EXPECT_FALSE(b.Test50MoveRule(E7, E6));   // pawn move resets
  EXPECT_EQ(b.FiftyMoveCount, 0);
  b.FiftyMoveCount = 40;
  EXPECT_FALSE(b.Test50MoveRule(A1, E7));   // capture resets
  EXPECT_EQ(b.FiftyMoveCount, 0);
  EXPECT_FALSE(b.Test50MoveRule(-1, 64));   // nonsense squares count as a quiet move
  EXPECT_EQ(b.FiftyMoveCount, 1);
}

TEST(ChessBoard, DrawByMaterial) {
  GlobalsGuard guard;
  for (const char* fen : {"8/8/3k4/8/8/3K4/8/8 w - -", "8/8/3k4/8/8/3KN3/8/8 w - -",
                          "8/8/3k4/8/8/3KB3/8/8 w - -", "8/8/3k4/8/8/2NKN3/8/8 w - -",
                          "8/8/3kn3/8/8/3KB3/8/8 b - -"}) {
    EXPECT_EQ(Position(fen).CheckDraw(White), 8) << fen;
    EXPECT_EQ(MainBoard.MatingMaterial, 0) << fen;
  }
  // Three knights can mate; so can a rook.
  EXPECT_EQ(Position("8/8/3k4/8/8/1NNKN3/8/8 w - -").CheckDraw(White), 0);
  EXPECT_EQ(MainBoard.MatingMaterial, 1);
  EXPECT_EQ(Position("8/8/3k4/8/8/3K4/8/7r w - -").CheckDraw(White), 0);
  EXPECT_EQ(MainBoard.MatingMaterial, 32);
  // A cornered king two squares from the other king: not scored dead, but the fifty-move
  // rule still applies.
  ChessBoard& b = Position("k7/2K5/8/8/8/8/8/6N1 w - -");
  EXPECT_EQ(b.CheckDraw(White), 0);
  b.FiftyMoveCount = 100;
  EXPECT_EQ(b.CheckDraw(White), 7);
  EXPECT_EQ(Position("k7/3K4/8/8/8/8/8/6N1 w - -").CheckDraw(White), 8);
}

TEST(ChessBoard, FiftyMoveDrawAndWrongBishop) {
  GlobalsGuard guard;
  ChessBoard& b = Position("4k3/8/8/8/8/8/4P3/4K3 w - -");
  b.FiftyMoveCount = 99;
  EXPECT_EQ(b.CheckDraw(White), 0);
  b.FiftyMoveCount = 100;
  EXPECT_EQ(b.CheckDraw(White), 7);
  struct Case {
    const char* fen;
    int expected;
  };
  const Case cases[] = {
      {"7k/8/8/8/8/8/4B2P/4K3 w - -", 8},   // light bishop, h-pawn, king h8
      {"7k/8/8/8/8/8/3B3P/4K3 w - -", 0},   // dark bishop queens on h8
      {"8/6k1/8/8/8/8/4B2P/4K3 w - -", 8},  // king g7 is in the corner too
      {"8/8/5k2/8/8/8/4B2P/4K3 w - -", 0},  // king not in the corner
      {"k7/8/8/8/8/8/P2B4/4K3 w - -", 8},   // dark bishop, a-pawn, king a8
      {"k7/8/8/8/8/8/P3B3/4K3 w - -", 0},
      {"7k/8/8/8/8/8/4B2P/4K2n w - -", 0},  // the defender still has a piece
      {"4k3/7p/3b4/8/8/8/8/7K b - -", 8},   // Black's h-pawn, dark bishop, king h1
      {"4k3/7p/4b3/8/8/8/8/7K b - -", 0},
      {"4k3/p7/4b3/8/8/8/8/K7 b - -", 8},   // Black's a-pawn, light bishop, king a1
  };
  for (const Case& c : cases) EXPECT_EQ(Position(c.fen).CheckDraw(White), c.expected) << c.fen;
}

TEST(ChessBoard, WrongBishopNeedsTheDefenderReallyBare) {
  GlobalsGuard guard;
  // After a FEN set-up only the counts are current; the totals are stale (here 0). A queen
  // for the defender must still rule the wrong-bishop draw out.
  ChessBoard& b = Position("7k/8/8/8/8/8/4B2P/4K2q w - -");
  b.WhitePieceTotal = b.BlackPieceTotal = 0;
  EXPECT_EQ(b.CheckDraw(White), 0);
}
