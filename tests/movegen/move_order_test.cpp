#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "board/fen.h"
#include "board/masks.h"
#include "movegen/move_gen.h"
#include "search/search_routines.h"

namespace {

struct Move {
  int From, To;
  char Promotion = NoPromotion;
};

// A move list for MainBoard after loading fen, holding exactly the given moves.
MoveGen& ListFor(const char* fen, std::initializer_list<Move> moves) {
  static MoveGen list;
  EXPECT_EQ(SetupBoard(fen), nullptr) << fen;
  list.Board = &MainBoard;
  int n = 0;
  for (const Move& m : moves) {
    list.From[n] = Bit(m.From);
    list.To[n] = Bit(m.To);
    list.Promotion[n] = m.Promotion;
    list.OrderValue[n] = -1;
    n++;
  }
  list.MoveCount = n;
  return list;
}

// The search tables the ordering reads, emptied for each test.
class MoveOrdering : public testing::Test {
protected:
  void SetUp() override { Clear(); }
  void TearDown() override { Clear(); }
  static void Clear() {
    for (auto& row : Search.PV)
      for (auto& entry : row) entry = {0, 0};
    for (auto& k : Search.Killers) k[0] = k[1] = 0;
    Search.ClearHistory();
  }
};

constexpr const char* StartFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

}  // namespace

TEST_F(MoveOrdering, PrincipalVariationHashAndKillersEachMatchOnce) {
  MoveGen& list = ListFor(StartFen, {{E2, E4}, {E2, E4}, {G1, F3}, {B1, C3}, {G1, F3}, {D2, D4}, {B1, C3}});
  Search.PV[2][2] = {MoveCode(E2, E4), NoPromotion};
  Search.Killers[2][0] = MoveCode(G1, F3);
  Search.Killers[2][1] = MoveCode(B1, C3);
  Search.History[White][MoveCode(D2, D4)] = 1280;
  Search.History[White][MoveCode(G1, F3)] = 256;
  list.AssignMoveOrderValues(Search.Learnt(), 7, 2, MainBoard.BlackKing, MoveCode(E2, E4), 2);
  const int32_t want[] = {28998, 29000, 1020, 1010, 2, 10, 0};
  for (int i = 0; i < 7; i++) EXPECT_EQ(list.OrderValue[i], want[i]) << "entry " << i;

  // Node type 3 skips the principal-variation rule; the hash rule then takes the move.
  list.AssignMoveOrderValues(Search.Learnt(), 7, 2, MainBoard.BlackKing, MoveCode(E2, E4), 3);
  EXPECT_EQ(list.OrderValue[0], 29000);
  EXPECT_EQ(list.OrderValue[1], 0);
  // Another ply reads another row: nothing but history there.
  list.AssignMoveOrderValues(Search.Learnt(), 7, 5, MainBoard.BlackKing, 0, 2);
  EXPECT_EQ(list.OrderValue[0], 0);
  EXPECT_EQ(list.OrderValue[2], 2);
  // A ply beyond the tables has no principal variation or killers, and reads nothing there.
  list.AssignMoveOrderValues(Search.Learnt(), 7, MaxPly + 10, MainBoard.BlackKing, 0, 2);
  EXPECT_EQ(list.OrderValue[5], 10);
}

TEST_F(MoveOrdering, PromotionCharacterIsPartOfThePrincipalMove) {
  MoveGen& list = ListFor("7k/1P6/8/8/8/8/8/K7 w - - 0 1", {{B7, B8, 'N'}, {B7, B8, 'Q'}});
  Search.PV[0][0] = {MoveCode(B7, B8), 'Q'};
  list.AssignMoveOrderValues(Search.Learnt(), 2, 0, MainBoard.BlackKing, 0, 1);
  EXPECT_EQ(list.OrderValue[0], 500);  // an under-promotion is an "other" quiet move
  EXPECT_EQ(list.OrderValue[1], 28998);
  Search.PV[0][0] = {0, 0};
  list.AssignMoveOrderValues(Search.Learnt(), 2, 0, MainBoard.BlackKing, 0, 1);
  EXPECT_EQ(list.OrderValue[1], 4875);
}

TEST_F(MoveOrdering, CaptureValues) {
  // e4xd5 wins a queen and leaves a passed pawn on d5 (rank 4 -> 5: 270 - 160);
  // Qh3xf5 wins a pawn with the queen.
  MoveGen& list = ListFor("4k3/8/8/3q1p2/4P3/7Q/8/4K3 w - - 0 1", {{E4, D5}, {H3, F5}, {E4, F5}});
  list.AssignMoveOrderValues(Search.Learnt(), 3, 0, MainBoard.BlackKing, 0, 1);
  EXPECT_EQ(list.OrderValue[0], 9750 + 9750 - 3 + 110);
  EXPECT_EQ(list.OrderValue[1], 9750 + 800 - 38);
  EXPECT_EQ(list.OrderValue[2], 9750 + 800 - 3 + 110);

  // A pawn capture that does not leave a passed pawn gets no passer change.
  MoveGen& blocked = ListFor("4k3/2p5/8/3q4/4P3/8/8/4K3 w - - 0 1", {{E4, D5}});
  blocked.AssignMoveOrderValues(Search.Learnt(), 1, 0, MainBoard.BlackKing, 0, 1);
  EXPECT_EQ(blocked.OrderValue[0], 9750 + 9750 - 3);

  // Black's ranks count from Black's side: d4 is its rank 4 and e3 its rank 5 (of 0..7).
  MoveGen& black = ListFor("4k3/8/8/8/3p4/4N3/8/4K3 b - - 0 1", {{D4, E3}});
  black.AssignMoveOrderValues(Search.Learnt(), 1, 0, MainBoard.WhiteKing, 0, 1);
  EXPECT_EQ(black.OrderValue[0], 9750 + 3248 - 3 + 550 - 270);
}

TEST_F(MoveOrdering, RookAndPieceAdjustments) {
  // The rook takes on the black king's rank (a8) or elsewhere (a1); open a-file.
  MoveGen& list = ListFor("n6k/8/8/8/R7/8/8/n3K3 w - - 0 1", {{A4, A8}, {A4, A1}, {A4, B4}, {A4, A6}});
  list.AssignMoveOrderValues(Search.Learnt(), 4, 0, MainBoard.BlackKing, 0, 1);
  EXPECT_EQ(list.OrderValue[0], 9750 + 3248 + 185 - 19 + 28);
  EXPECT_EQ(list.OrderValue[1], 9750 + 3248 + 185 - 19);
  EXPECT_EQ(list.OrderValue[2], 0);
  Search.History[White][MoveCode(A4, A6)] = 640;
  list.AssignMoveOrderValues(Search.Learnt(), 4, 0, Bit(H6), 0, 1);  // a quiet move onto the king's rank
  EXPECT_EQ(list.OrderValue[3], 5 + 28);

  // Seventh rank, with a pawn on the file: no open-file term.
  MoveGen& seventh = ListFor("4k3/n7/8/8/R7/8/P7/4K3 w - - 0 1", {{A4, A7}});
  seventh.AssignMoveOrderValues(Search.Learnt(), 1, 0, MainBoard.BlackKing, 0, 1);
  EXPECT_EQ(seventh.OrderValue[0], 9750 + 3248 + 350 - 19);

  // Bishop, knight (with its outpost value), king; the king never gets the king-line bonus.
  MoveGen& minor = ListFor("4k3/8/8/3p4/8/1B3N2/8/3nK3 w - - 0 1", {{B3, D5}, {F3, D4}, {E1, D1}, {F3, D2}});
  minor.AssignMoveOrderValues(Search.Learnt(), 4, 0, Bit(D8), 0, 1);
  EXPECT_EQ(minor.OrderValue[0], 9750 + 800 - 12);
  EXPECT_EQ(minor.OrderValue[2], 9750 + 3248 - 14625);
}

TEST_F(MoveOrdering, QuiescenceValues) {
  MoveGen& list = ListFor("3r3k/4P3/8/8/8/8/P7/4K3 w - - 0 1", {{A2, A3}, {E7, E8, 'Q'}, {E7, D8, 'Q'}, {A2, A4}});
  list.QuiesceAssignMoveOrderValues(4);
  EXPECT_EQ(list.OrderValue[0], 0);
  EXPECT_EQ(list.OrderValue[1], 750);
  EXPECT_EQ(list.OrderValue[2], 5000 + 10 - 3);
  EXPECT_EQ(list.OrderValue[3], 0);
  uint64_t from = 0, to = 0;
  char promotion = 0;
  list.NextMove(0, 4, &from, &to, &promotion);
  EXPECT_EQ(to, Bit(D8));
  list.NextMove(1, 4, &from, &to, &promotion);
  EXPECT_EQ(to, Bit(E8));
  EXPECT_EQ(promotion, 'Q');
  list.NextMove(2, 4, &from, &to, &promotion);
  EXPECT_EQ(to, Bit(A3));  // ties keep the earlier entry first

  // Black: a queen takes a rook, a king takes a knight, a pawn reaches the first rank.
  MoveGen& black = ListFor("4k3/8/8/8/8/8/3p4/R2q1N1K b - - 0 1", {{D1, A1}, {D2, D1}, {E8, E7}});
  black.QuiesceAssignMoveOrderValues(3);
  EXPECT_EQ(black.OrderValue[0], 5000 + 10 - 38);
  EXPECT_EQ(black.OrderValue[2], 0);
}

TEST_F(MoveOrdering, NextMoveSelectsHighestWithLowestIndexOnTies) {
  std::mt19937 rng(7);
  for (int round = 0; round < 200; round++) {
    MoveGen list;
    const int n = 1 + static_cast<int>(rng() % 40);
    for (int i = 0; i < n; i++) {
      list.From[i] = Bit(i % 64);
      list.To[i] = Bit((i * 7 + 3) % 64);
      list.Promotion[i] = static_cast<char>(i);
      list.OrderValue[i] = static_cast<int32_t>(rng() % 5);  // many ties
    }
    int previous = 1 << 30;
    for (int i = 0; i < n; i++) {
      // What the rule says: the first entry of i..n-1 holding the largest value.
      int want = i;
      for (int j = i + 1; j < n; j++)
        if (list.OrderValue[j] > list.OrderValue[want]) want = j;
      const uint64_t wantFrom = list.From[want], wantTo = list.To[want];
      const char wantPromotion = list.Promotion[want];
      const int32_t wantValue = list.OrderValue[want];
      uint64_t from = 0, to = 0;
      char promotion = 0;
      list.NextMove(i, n, &from, &to, &promotion);
      ASSERT_EQ(from, wantFrom);
      ASSERT_EQ(to, wantTo);
      ASSERT_EQ(promotion, wantPromotion);
      ASSERT_EQ(list.OrderValue[i], wantValue);
      // The search asks for a slot again after picking it early; the answer must not change.
      list.NextMove(i, n, &from, &to, &promotion);
      ASSERT_EQ(from, wantFrom);
      ASSERT_EQ(list.OrderValue[i], wantValue);
      ASSERT_LE(wantValue, previous);
      previous = wantValue;
    }
  }
}
