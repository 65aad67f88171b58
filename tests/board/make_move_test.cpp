#include <gtest/gtest.h>

#include <cstring>

#include "board/bit_ops.h"
#include "board/chess_board.h"
#include "board/keys.h"
#include "board/masks.h"
#include "tests/board/board_test_util.h"
#include "tests/movegen/movegen_test_util.h"

namespace {

uint32_t LowCode(int piece, int sq) { return static_cast<uint32_t>(LPStable[piece * 64 + sq]); }

TEST(MakeMove, DoublePushRecordsTheMoveAndResetsTheFiftyMoveCount) {
  ChessBoard b = BoardFromFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
  b.FiftyMoveCount = 7;
  uint8_t mask = 0;
  b.MakeMove(Bit(E2), Bit(E4), NoPromotion, mask);
  EXPECT_EQ(b.LastFrom, Bit(E2));
  EXPECT_EQ(b.LastTo, Bit(E4));
  EXPECT_EQ(b.FiftyMoveCount, 0);
  EXPECT_EQ(mask, 15);
  EXPECT_EQ(b.CapturedValue, 0);
  EXPECT_EQ(b.SideToMove, White);
  EXPECT_EQ(b.CastleFlags, 15);
  EXPECT_TRUE(b.WhitePawns & Bit(E4));
  EXPECT_FALSE(b.AllPieces & Bit(E2));
  EXPECT_EQ(b.PawnKingKey ^ b.PrevPawnKingKey, LowCode(WPawn, E2) ^ LowCode(WPawn, E4));

  // A quiet piece move only counts up.
  b.MakeMove(Bit(G8), Bit(F6), NoPromotion, mask);
  EXPECT_EQ(b.FiftyMoveCount, 1);
  EXPECT_TRUE(b.BlackKnights & Bit(F6));
}

TEST(MakeMove, CastlingMovesTheRookAndReportsLostRights) {
  ChessBoard b = BoardFromFen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
  uint8_t mask = 0;
  ChessBoard w = b;
  w.MakeMove(Bit(E1), Bit(G1), NoPromotion, mask);
  EXPECT_EQ(mask, 12);
  EXPECT_EQ(w.WhiteRooks, Bit(F1) | Bit(A1));
  EXPECT_EQ(w.WhiteKing, Bit(G1));
  EXPECT_EQ(w.PawnKingKey ^ b.PawnKingKey, LowCode(WKingCode, E1) ^ LowCode(WKingCode, G1));
  w = b;
  w.MakeMove(Bit(E1), Bit(C1), NoPromotion, mask);
  EXPECT_EQ(w.WhiteRooks, Bit(D1) | Bit(H1));
  ChessBoard k = b;
  k.MakeMove(Bit(E8), Bit(C8), NoPromotion, mask);
  EXPECT_EQ(mask, 3);
  EXPECT_EQ(k.BlackRooks, Bit(D8) | Bit(H8));
  k = b;
  k.MakeMove(Bit(E8), Bit(G8), NoPromotion, mask);
  EXPECT_EQ(k.BlackRooks, Bit(A8) | Bit(F8));

  // Rooks leaving their corners, and a king that is not castling.
  const struct { int from, to; uint8_t mask; } cases[] = {
      {H1, H5, 14}, {A1, A5, 13}, {H8, H4, 11}, {A8, A4, 7}, {E1, E2, 12}, {E8, D7, 3}};
  for (const auto& c : cases) {
    ChessBoard x = b;
    x.MakeMove(Bit(c.from), Bit(c.to), NoPromotion, mask);
    EXPECT_EQ(mask, c.mask) << c.from << "-" << c.to;
  }
}

TEST(MakeMove, CapturingARookOnItsCornerEndsThatRight) {
  ChessBoard b = BoardFromFen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
  uint8_t mask = 0;
  b.MakeMove(Bit(H1), Bit(H8), NoPromotion, mask);
  EXPECT_EQ(mask, 14 & 11);  // both rooks have left their corners
  EXPECT_EQ(b.CapturedValue, 5000);
  EXPECT_EQ(b.BlackRookCount, 1);
  EXPECT_EQ(b.BlackPieceTotal, 1);
  b = BoardFromFen("r3k2r/8/8/8/8/8/6B1/4K3 w kq - 0 1");
  b.MakeMove(Bit(G2), Bit(A8), NoPromotion, mask);
  EXPECT_EQ(mask, 7);
}

// Chess960 castling is the king taking its own rook; both land on the squares of standard
// castling, also when one of them, or both, already stand there or they swap squares. A rook
// that leaves its square or is taken there takes its right along.
TEST(MakeMove, Chess960CastlingAndRights) {
  GlobalsGuard guard;
  MainBoard.Chess960 = true;
  const struct { const char* fen; int king, rook; uint64_t kings, rooks; } castles[] = {
      {"1r4kr/8/8/8/8/8/8/1R4KR w HBhb - 0 1", G1, H1, Bit(G1), Bit(F1) | Bit(B1)},      // the king stays
      {"1r4kr/8/8/8/8/8/8/1R4KR w HBhb - 0 1", G1, B1, Bit(C1), Bit(D1) | Bit(H1)},      // over five squares
      {"r4kr1/8/8/8/8/8/8/R4KR1 w GAga - 0 1", F1, G1, Bit(G1), Bit(F1) | Bit(A1)},      // swapping squares
      {"rk5r/8/8/8/8/8/8/RK5R w HAha - 0 1", B1, A1, Bit(C1), Bit(D1) | Bit(H1)},        // king b1, rook a1
  };
  for (const auto& c : castles) {
    ChessBoard b = BoardFromFen(c.fen);
    ASSERT_TRUE(b.Chess960) << c.fen;
    uint64_t upper = 0, lower = 0;
    genhashcode(White, 0, &upper, &lower, &b);
    uint8_t mask = 0;
    ChessBoard after = b;
    after.MakeMove(Bit(c.king), Bit(c.rook), NoPromotion, mask, &upper, &lower);
    EXPECT_EQ(after.WhiteKing, c.kings) << c.fen;
    EXPECT_EQ(after.WhiteRooks, c.rooks) << c.fen;
    EXPECT_EQ(after.WhiteRookCount, 2) << c.fen;
    EXPECT_EQ(mask & 3, 0) << c.fen;
    // The keys kept move by move are those of the new position.
    uint64_t freshUpper = 0, freshLower = 0;
    genhashcode(White, 0, &freshUpper, &freshLower, &after);
    EXPECT_EQ(upper, freshUpper) << c.fen;
    EXPECT_EQ(lower, freshLower) << c.fen;
    after.UndoMove(0);
    EXPECT_EQ(after.WhiteRooks, b.WhiteRooks);
  }
  // A rook that moves, or is taken on its square, ends its right only.
  ChessBoard b = BoardFromFen("1r4kr/8/8/8/8/8/6b1/1R4KR b HBhb - 0 1");
  uint8_t mask = 0;
  ChessBoard x = b;
  x.MakeMove(Bit(G2), Bit(H1), NoPromotion, mask);
  EXPECT_EQ(mask, 15 & ~1);
  x = b;
  x.MakeMove(Bit(B8), Bit(B1), NoPromotion, mask);
  EXPECT_EQ(mask, 15 & ~2 & ~8);
}

TEST(MakeMove, EnPassantRemovesThePassedPawn) {
  ChessBoard b = BoardFromFen("4k3/3p4/8/4P3/8/8/8/4K3 b - - 0 1");
  uint8_t mask = 0;
  b.MakeMove(Bit(D7), Bit(D5), NoPromotion, mask);
  const uint32_t keyBefore = b.PawnKingKey;
  b.MakeMove(Bit(E5), Bit(D6), NoPromotion, mask);
  EXPECT_EQ(b.BlackPawns, 0u);
  EXPECT_EQ(b.BlackPawnCount, 0);
  EXPECT_EQ(b.CapturedValue, 0);
  EXPECT_EQ(b.WhitePawns, Bit(D6));
  EXPECT_EQ(b.FiftyMoveCount, 0);
  EXPECT_EQ(b.PawnKingKey ^ keyBefore, LowCode(BPawn, D5) ^ LowCode(WPawn, E5) ^ LowCode(WPawn, D6));

  // Black takes the same way, capturing towards either side.
  for (int from : {E4, C4}) {
    ChessBoard c = BoardFromFen("4k3/8/8/8/2p1p3/8/3P4/4K3 w - - 0 1");
    c.MakeMove(Bit(D2), Bit(D4), NoPromotion, mask);
    c.MakeMove(Bit(from), Bit(D3), NoPromotion, mask);
    EXPECT_EQ(c.WhitePawns, 0u) << from;
    EXPECT_EQ(c.WhitePawnCount, 0);
  }

  // Without the double push just before, the same diagonal step takes nothing.
  ChessBoard quiet = BoardFromFen("4k3/8/8/3pP3/8/8/8/4K3 w - - 0 1");
  quiet.MakeMove(Bit(E5), Bit(D6), NoPromotion, mask);
  EXPECT_EQ(quiet.BlackPawns, Bit(D5));
}

TEST(MakeMove, PromotionsAlwaysLeaveAPiece) {
  uint8_t mask = 0;
  const ChessBoard start = BoardFromFen("4k3/P7/8/8/8/8/7p/4K3 w - - 0 1");
  ChessBoard b = start;
  b.MakeMove(Bit(A7), Bit(A8), 'q', mask);
  EXPECT_EQ(b.WhiteQueens, Bit(A8));
  EXPECT_EQ(b.WhiteQueenCount, 1);
  EXPECT_EQ(b.WhitePawnCount, 0);
  EXPECT_EQ(b.WhitePawns, 0u);
  EXPECT_EQ(b.WhitePieceTotal, 1);
  EXPECT_EQ(b.PawnKingKey ^ start.PawnKingKey, LowCode(WPawn, A7));

  // Under-promotions as a front end may enter them, in either case.
  b = start;
  b.MakeMove(Bit(A7), Bit(A8), 'N', mask);
  EXPECT_EQ(b.WhiteKnights, Bit(A8));
  EXPECT_EQ(b.WhiteKnightCount, 1);
  b = start;
  b.MakeMove(Bit(H2), Bit(H1), 'r', mask);
  EXPECT_EQ(b.BlackRooks, Bit(H1));
  EXPECT_EQ(b.BlackRookCount, 1);
  EXPECT_EQ(b.BlackPawnCount, 0);
  b = start;
  b.MakeMove(Bit(H2), Bit(H1), 'B', mask);
  EXPECT_EQ(b.BlackBishops, Bit(H1));

  // A missing or unknown promotion letter makes a queen: no pawn is left on its last rank,
  // so later moves cannot mistake another square for a promotion.
  for (char letter : {NoPromotion, 'x', '\0', 'K'}) {
    b = start;
    b.MakeMove(Bit(A7), Bit(A8), letter, mask);
    EXPECT_EQ(b.WhiteQueens, Bit(A8)) << int(letter);
    EXPECT_EQ(b.WhitePawns & Rank8, 0u);
    EXPECT_EQ(b.WhitePawnCount, 0);
    b.MakeMove(Bit(E8), Bit(D7), NoPromotion, mask);
    b.MakeMove(Bit(E1), Bit(E2), NoPromotion, mask);
    EXPECT_EQ(b.WhiteKing, Bit(E2));
    EXPECT_EQ(b.WhiteQueens, Bit(A8));
  }
  b = start;
  b.MakeMove(Bit(H2), Bit(H1), NoPromotion, mask);
  EXPECT_EQ(b.BlackQueens, Bit(H1));
}

TEST(MakeMove, UndoRestoresTheBoardExactlyOverRandomGames) {
  int checked = 0;
  PlayRandomGames(60, 120, 12345, [&](const ChessBoard& position, int8_t side, uint8_t flags) {
    ChessBoard b = position;
    const std::vector<TestMove> legal = LegalMoves(b, side, flags);
    for (const TestMove& m : legal) {
      // One make/undo first, so the undo copy already matches the position.
      uint8_t mask;
      b.MakeMove(m.From, m.To, m.Promotion, mask);
      b.UndoMove(0);
      unsigned char before[sizeof(ChessBoard)];
      std::memcpy(before, &b, sizeof b);
      const int32_t captured = b.CapturedValue;
      b.MakeMove(m.From, m.To, m.Promotion, mask);
      b.UndoMove(0);
      b.CapturedValue = captured;  // not part of the undo copy
      ASSERT_EQ(std::memcmp(before, &b, sizeof b), 0);
      ++checked;
    }
  });
  EXPECT_GT(checked, 10000);
}

TEST(MakeMove, CountsUnionsAndPawnKingKeyStayCurrentOverRandomGames) {
  ChessBoard root;
  bool haveRoot = false;
  int positions = 0;
  PlayRandomGames(60, 150, 777, [&](const ChessBoard& b, int8_t, uint8_t) {
    if (b.LastFrom == 0) {  // a new game starts from its FEN
      root = b;
      haveRoot = true;
    }
    ASSERT_TRUE(haveRoot);
    ChessBoard counted = b;
    counted.InitPieceCounts();
    EXPECT_EQ(counted.WhitePawnCount, b.WhitePawnCount);
    EXPECT_EQ(counted.WhiteKnightCount, b.WhiteKnightCount);
    EXPECT_EQ(counted.WhiteBishopCount, b.WhiteBishopCount);
    EXPECT_EQ(counted.WhiteRookCount, b.WhiteRookCount);
    EXPECT_EQ(counted.WhiteQueenCount, b.WhiteQueenCount);
    EXPECT_EQ(counted.BlackPawnCount, b.BlackPawnCount);
    EXPECT_EQ(counted.BlackKnightCount, b.BlackKnightCount);
    EXPECT_EQ(counted.BlackBishopCount, b.BlackBishopCount);
    EXPECT_EQ(counted.BlackRookCount, b.BlackRookCount);
    EXPECT_EQ(counted.BlackQueenCount, b.BlackQueenCount);
    EXPECT_EQ(b.WhitePieceTotal, PopCount(b.WhitePieces) - 1);
    EXPECT_EQ(b.BlackPieceTotal, PopCount(b.BlackPieces) - 1);
    counted.RecomputeUnions();
    EXPECT_EQ(counted.AllPieces, b.AllPieces);
    EXPECT_EQ(counted.WhitePieces & counted.BlackPieces, 0u);
    // Pawns from scratch, plus how far each king has moved since the game's start.
    uint32_t expected = 0;
    genpawnhashcode(White, b, &expected);
    expected ^= LowCode(WKingCode, LowestSquare(root.WhiteKing)) ^ LowCode(WKingCode, LowestSquare(b.WhiteKing));
    expected ^= LowCode(BKingCode, LowestSquare(root.BlackKing)) ^ LowCode(BKingCode, LowestSquare(b.BlackKing));
    EXPECT_EQ(b.PawnKingKey, expected);
    ++positions;
  });
  EXPECT_GT(positions, 1000);
}

}  // namespace
