#include "movegen/move_gen.h"

#include <gtest/gtest.h>

#include <string>

#include "board/masks.h"
#include "tests/movegen/movegen_test_util.h"

namespace {

MoveGen List;

bool Contains(const MoveGen& list, int n, int from, int to, char promotion = NoPromotion) {
  for (int i = 0; i < n; ++i)
    if (list.From[i] == Bit(from) && list.To[i] == Bit(to) && list.Promotion[i] == promotion) return true;
  return false;
}

TEST(MoveGen, StartPositionOrder) {
  ChessBoard b = BoardFromFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
  const int n = List.GenerateAllMoves(White, &b, 15);
  ASSERT_EQ(n, 20);
  EXPECT_EQ(List.MoveCount, 20);
  EXPECT_EQ(List.Board, &b);
  const int knights[4][2] = {{B1, A3}, {B1, C3}, {G1, F3}, {G1, H3}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(List.From[i], Bit(knights[i][0])) << i;
    EXPECT_EQ(List.To[i], Bit(knights[i][1])) << i;
  }
  // Then the pawns file by file, each double push before its single push.
  for (int file = 0; file < 8; ++file) {
    const int i = 4 + 2 * file;
    EXPECT_EQ(List.From[i], Bit(A2 + file));
    EXPECT_EQ(List.To[i], Bit(A4 + file));
    EXPECT_EQ(List.From[i + 1], Bit(A2 + file));
    EXPECT_EQ(List.To[i + 1], Bit(A3 + file));
    EXPECT_EQ(List.Promotion[i], NoPromotion);
  }
  uint64_t from, to;
  char promotion;
  EXPECT_EQ(List.GetMove(5, &from, &to, &promotion), 0);
  EXPECT_EQ(from, Bit(A2));
  EXPECT_EQ(to, Bit(A3));
  EXPECT_EQ(promotion, NoPromotion);

  // Black's reply list is the mirror image, pawns from a7 to h7.
  const int m = List.GenerateAllMoves(Black, &b, 15);
  ASSERT_EQ(m, 20);
  EXPECT_EQ(List.From[4], Bit(A7));
  EXPECT_EQ(List.To[4], Bit(A5));
}

// The generator family a move belongs to, numbered in the order of the full list.
int Family(const ChessBoard& b, const MoveGen& list, int i) {
  const uint64_t from = list.From[i];
  if (from & b.WhitePawns) return 11;
  const bool capture = list.To[i] & b.BlackPieces;
  if ((from & b.WhiteKing) && list.OrderValue[i] == 800 && !capture) return 9;
  const int type = (from & b.WhiteKnights) ? 0 : (from & b.WhiteBishops) ? 1 : (from & b.WhiteRooks) ? 2
                 : (from & b.WhiteQueens) ? 3 : 4;
  if (capture) return type;
  return type == 4 ? 10 : type + 5;
}

TEST(MoveGen, FamiliesComeInTheirFixedOrder) {
  // Every family is present: captures by knight, bishop, rook, queen and king, the quiet
  // moves of the same pieces, castling, pawns.
  ChessBoard b = BoardFromFen("4k3/8/7p/1p2N3/3r4/p1n3p1/P1pBPn2/RN1QK2R w K - 0 1");
  for (int& v : List.OrderValue) v = 0;
  const int n = List.GenerateAllMoves(White, &b, 1);
  bool seen[12] = {};
  int last = 0;
  for (int i = 0; i < n; ++i) {
    const int family = Family(b, List, i);
    EXPECT_GE(family, last) << "move " << i;
    last = family;
    seen[family] = true;
  }
  for (int family = 0; family < 12; ++family) EXPECT_TRUE(seen[family]) << family;
  EXPECT_EQ(List.From[0], Bit(B1));  // Nxa3 before Nxc3: lowest destination first
  EXPECT_EQ(List.To[0], Bit(A3));
  EXPECT_EQ(List.To[1], Bit(C3));

  // The quiescence list: queen, rook, knight, bishop captures, every pawn move, king captures.
  const int q = List.GenerateQuiesceMoves(White, &b);
  const int quiesceRank[12] = {2, 3, 1, 0, 5, -1, -1, -1, -1, -1, -1, 4};
  last = 0;
  for (int i = 0; i < q; ++i) {
    const int family = Family(b, List, i);
    ASSERT_TRUE(family < 5 || family == 11) << "quiet piece move in the quiescence list";
    EXPECT_GE(quiesceRank[family], last) << "move " << i;
    last = quiesceRank[family];
  }
  EXPECT_EQ(last, 5);
}

TEST(MoveGen, EnPassantOnlyRightAfterTheDoublePush) {
  ChessBoard b = BoardFromFen("4k3/8/8/3pP3/8/8/8/4K3 w - - 0 1");
  int n = List.GenerateAllMoves(White, &b, 0);
  EXPECT_FALSE(Contains(List, n, E5, D6));
  b.LastFrom = Bit(D7);
  b.LastTo = Bit(D5);
  n = List.GenerateAllMoves(White, &b, 0);
  EXPECT_TRUE(Contains(List, n, E5, D6));
  // A pawn that came from d6 (one step) cannot be taken en passant.
  b.LastFrom = Bit(D6);
  n = List.GenerateAllMoves(White, &b, 0);
  EXPECT_FALSE(Contains(List, n, E5, D6));

  // Black, from either side of the white pawn; never across the board edge.
  ChessBoard c = BoardFromFen("4k3/8/8/8/p1pP3p/8/8/4K3 b - - 0 1");
  c.LastFrom = Bit(D2);
  c.LastTo = Bit(D4);
  n = List.GenerateAllMoves(Black, &c, 0);
  EXPECT_TRUE(Contains(List, n, C4, D3));
  ChessBoard edge = BoardFromFen("4k3/8/8/8/P6p/8/8/4K3 b - - 0 1");
  edge.LastFrom = Bit(A2);
  edge.LastTo = Bit(A4);
  n = List.GenerateAllMoves(Black, &edge, 0);
  EXPECT_FALSE(Contains(List, n, H4, A3));
}

TEST(MoveGen, OnlyQueenPromotions) {
  ChessBoard b = BoardFromFen("r3k3/1P6/8/8/8/8/8/4K3 w - - 0 1");
  const int n = List.GenerateAllMoves(White, &b, 0);
  EXPECT_TRUE(Contains(List, n, B7, B8, 'Q'));
  EXPECT_TRUE(Contains(List, n, B7, A8, 'Q'));
  int fromPawn = 0;
  for (int i = 0; i < n; ++i) fromPawn += (List.From[i] == Bit(B7));
  EXPECT_EQ(fromPawn, 2);
  ChessBoard c = BoardFromFen("4k3/8/8/8/8/8/6p1/4K2R b - - 0 1");
  const int m = List.GenerateAllMoves(Black, &c, 0);
  EXPECT_TRUE(Contains(List, m, G2, G1, 'q'));
  EXPECT_TRUE(Contains(List, m, G2, H1, 'q'));
}

TEST(MoveGen, CastlingNeedsSafeSquaresAndTheRook) {
  // A black bishop on c4 covers f1: no king-side castle; the queen side still works.
  ChessBoard b = BoardFromFen("4k3/8/8/8/2b5/8/8/R3K2R w KQ - 0 1");
  int n = List.GenerateAllMoves(White, &b, 3);
  EXPECT_FALSE(Contains(List, n, E1, G1));
  EXPECT_TRUE(Contains(List, n, E1, C1));
  // Only b1 attacked (knight on a3... covers b1): the queen side is still allowed.
  b = BoardFromFen("4k3/8/8/8/8/n7/8/R3K2R w KQ - 0 1");
  n = List.GenerateAllMoves(White, &b, 3);
  EXPECT_TRUE(Contains(List, n, E1, C1));
  EXPECT_TRUE(Contains(List, n, E1, G1));
  // The flags passed in decide, not the board's own.
  n = List.GenerateAllMoves(White, &b, 0);
  EXPECT_FALSE(Contains(List, n, E1, C1));
  // In check: no castling at all; a piece between: none on that side.
  b = BoardFromFen("4k3/4r3/8/8/8/8/8/R3K2R w KQ - 0 1");
  n = List.GenerateAllMoves(White, &b, 3);
  EXPECT_FALSE(Contains(List, n, E1, G1));
  EXPECT_FALSE(Contains(List, n, E1, C1));
  b = BoardFromFen("r1n1k2r/8/8/8/8/8/8/4K3 b kq - 0 1");
  n = List.GenerateAllMoves(Black, &b, 12);
  EXPECT_TRUE(Contains(List, n, E8, G8));
  EXPECT_FALSE(Contains(List, n, E8, C8));
  // Castling flags without a king on its start square make no move from an empty square.
  b = BoardFromFen("4k3/8/8/8/8/8/8/R2K3R w KQ - 0 1");
  n = List.GenerateAllMoves(White, &b, 3);
  for (int i = 0; i < n; ++i) EXPECT_TRUE(List.From[i] & b.WhitePieces) << i;
}

TEST(MoveGen, EditedPositionsStayWithinBounds) {
  // No king: both king generators complain, the other pieces still move.
  ChessBoard b = BoardFromFen("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
  b.WhiteKing = 0;
  b.RecomputeUnions();
  testing::internal::CaptureStdout();
  const int n = List.GenerateAllMoves(White, &b, 0);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(n, 14);
  EXPECT_EQ(out, "Major Error: There is No king of a given color\n"
                 "Major Error: There is No king of a given color\n");

  // A pawn left on its last rank by a board editor has no move (and none to "nowhere").
  b = BoardFromFen("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
  b.DropPawn(White, Bit(C8));
  b.DropPawn(Black, Bit(F1));
  for (int8_t side : {White, Black}) {
    const int m = List.GenerateAllMoves(side, &b, 0);
    for (int i = 0; i < m; ++i) {
      EXPECT_NE(List.To[i], 0u);
      EXPECT_FALSE(List.From[i] & (Bit(C8) | Bit(F1)));
    }
  }

  // A board editor can crowd the board far beyond a game's material: the generators stop at
  // the list's capacity instead of writing past it.
  b = BoardFromFen("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
  b.WhiteQueens = 0xaa818420824a1101ULL & ~b.AllPieces;
  b.RecomputeUnions();
  const int many = List.GenerateAllMoves(White, &b, 0);
  EXPECT_GT(many, 200);
  EXPECT_LE(many, MaxMoves);
  List.Board = &b;
  EXPECT_EQ(List.GenQueens(White, MaxMoves - 3), MaxMoves);
  EXPECT_EQ(List.GenPawns(White, MaxMoves), MaxMoves);
  EXPECT_EQ(List.GenKingCaptures(Black, MaxMoves), MaxMoves);
}

}  // namespace
