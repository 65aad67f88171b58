// Algebraic notation: every legal move of some awkward positions written and read back, the
// detail disambiguation needs, and the words that name no move or more than one.

#include "game/san.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "board/bit_ops.h"
#include "board/masks.h"
#include "game/move_parse.h"
#include "tests/game/front_end_test_util.h"

namespace {

struct Move {
  uint64_t From, To;
  char Promo;
};

// The legal moves as the coordinate reader accepts them, every promotion piece included.
std::vector<Move> LegalMoves(const ChessBoard& board) {
  std::vector<Move> moves;
  for (int from = 0; from < 64; from++) {
    for (int to = 0; to < 64; to++) {
      const std::string text = {char('a' + from % 8), char('1' + from / 8), char('a' + to % 8), char('1' + to / 8)};
      uint64_t f, t;
      char promo;
      if (!ParseLegalMove(board, text.c_str(), &f, &t, &promo)) continue;
      if (promo == NoPromotion) moves.push_back({f, t, promo});
      else
        for (const char piece : {'q', 'r', 'b', 'n'}) moves.push_back({f, t, piece});
    }
  }
  return moves;
}

class SanTest : public FrontEndTest {
protected:
  // Writes every legal move of fen, checks each text reads back as its move, and returns the
  // texts.
  static std::set<std::string> RoundTrip(const char* fen) {
    Load(fen);
    const ChessBoard board = MainBoard;
    std::set<std::string> texts;
    const std::vector<Move> moves = LegalMoves(board);
    for (const Move& m : moves) {
      char san[SanTextSize];
      const int length = WriteSanMove(board, m.From, m.To, m.Promo, san);
      EXPECT_GT(length, 0) << fen;
      EXPECT_EQ(length, static_cast<int>(strlen(san)));
      uint64_t from = 0, to = 0;
      char promo = 0;
      const char* reason = nullptr;
      EXPECT_TRUE(ParseSanMove(board, san, &from, &to, &promo, &reason)) << fen << " " << san << ": " << reason;
      EXPECT_EQ(from, m.From) << san;
      EXPECT_EQ(to, m.To) << san;
      EXPECT_EQ(promo, m.Promo) << san;
      texts.insert(san);
    }
    EXPECT_EQ(texts.size(), moves.size()) << fen << ": two moves share a text";
    return texts;
  }

  static std::string Reason(const char* text) {
    uint64_t from = 0, to = 0;
    char promo = 0;
    const char* reason = "";
    if (ParseSanMove(MainBoard, text, &from, &to, &promo, &reason)) return "ok";
    return reason;
  }

  static std::string Read(const char* text) {
    uint64_t from = 0, to = 0;
    char promo = NoPromotion;
    if (!ParseSanMove(MainBoard, text, &from, &to, &promo)) return Reason(text);
    std::string coords = {char('a' + LowestSquare(from) % 8), char('1' + LowestSquare(from) / 8),
                          char('a' + LowestSquare(to) % 8), char('1' + LowestSquare(to) / 8)};
    if (promo != NoPromotion) coords += promo;
    return coords;
  }
};

TEST_F(SanTest, EveryMoveOfAwkwardPositionsReadsBack) {
  EXPECT_EQ(RoundTrip("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1").size(), 20u);

  // Castling both ways, en passant, promotions with and without a capture, checks.
  const auto a = RoundTrip("r3k2r/1P6/8/3pP3/8/8/8/R3K2R w KQkq d6 0 1");
  for (const char* text : {"O-O", "O-O-O", "exd6", "e6", "bxa8=Q+", "bxa8=N", "b8=Q+", "b8=R+", "b8=B", "Rxa8+", "Kf1"})
    EXPECT_TRUE(a.count(text)) << text;

  // Three queens onto one square (file, rank, both), knights told apart by file, rooks by rank.
  const auto b = RoundTrip("6R1/2k5/6R1/8/4Q2Q/KN3N2/8/4r2Q w - - 0 1");
  for (const char* text : {"Qh4xe1", "Qexe1", "Q1xe1", "Nbd2", "Nfd2", "Nfd4", "R6g7+", "R8g7+", "Q4h3", "Q1h3", "Qc6#"})
    EXPECT_TRUE(b.count(text)) << text;

  // Black: mate by promotion, checks, castling and en passant in one position.
  const auto c = RoundTrip("3r2k1/5ppp/8/8/8/8/1p3PPP/R5K1 b - - 0 1");
  for (const char* text : {"bxa1=Q#", "bxa1=R#", "b1=Q+", "Rd1+"}) EXPECT_TRUE(c.count(text)) << text;
  const auto d = RoundTrip("r3k2r/p1ppqpb1/bn2pnp1/3PN3/Pp2P3/2N2Q1p/1PPBBPPP/R3K2R b KQkq a3 0 1");
  for (const char* text : {"O-O", "O-O-O", "bxa3", "bxc3", "hxg2", "Nbxd5", "Nfxd5"}) EXPECT_TRUE(d.count(text)) << text;

  // A pinned knight is no rival: the other one needs no file.
  const auto e = RoundTrip("4k3/8/8/8/1b6/8/3N3N/4K3 w - - 0 1");
  EXPECT_TRUE(e.count("Nf3"));
  EXPECT_FALSE(e.count("Nhf3"));
}

TEST_F(SanTest, ReadingForms) {
  EXPECT_EQ(Read("e4"), "e2e4");
  EXPECT_EQ(Read("Nf3"), "g1f3");
  EXPECT_EQ(Read("Nf3+!?"), "g1f3");  // marks after the move are ignored
  EXPECT_EQ(Read("e2e4"), "e2e4");    // a pawn move with its whole from-square

  Load("r3k2r/1P6/8/3pP3/8/8/8/R3K2R w KQkq d6 0 1");
  EXPECT_EQ(Read("O-O"), "e1g1");
  EXPECT_EQ(Read("0-0-0"), "e1c1");
  EXPECT_EQ(Read("O-O-O+"), "e1c1");
  EXPECT_EQ(Read("b8Q"), "b7b8q");
  EXPECT_EQ(Read("b8=N"), "b7b8n");
  EXPECT_EQ(Read("b8"), "b7b8q");     // no piece named: a queen
  EXPECT_EQ(Read("ba8=R"), "b7a8r");  // a capture without its x
  EXPECT_EQ(Read("exd6"), "e5d6");
  EXPECT_EQ(Read("Kg1"), "no such move");  // castling is O-O
  EXPECT_EQ(Read("Bb8"), "no such move");  // capital B is a bishop, and there is none

  Load("6R1/2k5/6R1/8/4Q2Q/KN3N2/8/4r2Q w - - 0 1");
  EXPECT_EQ(Read("Qh4xe1"), "h4e1");
  EXPECT_EQ(Read("Q1e1"), "h1e1");
  EXPECT_EQ(Read("R6g7"), "g6g7");
  EXPECT_EQ(Read("Nbd2"), "b3d2");
  EXPECT_EQ(Read("Qxe1"), "ambiguous");
  EXPECT_EQ(Read("Qhxe1"), "ambiguous");
  EXPECT_EQ(Read("Q4e1"), "ambiguous");
  EXPECT_EQ(Read("Nd2"), "ambiguous");
  EXPECT_EQ(Read("Rg7+"), "ambiguous");

  // The lower-case b is a pawn's file; the capital a bishop's letter.
  Load("4k3/8/8/B7/8/2n5/1P6/4K3 w - - 0 1");
  EXPECT_EQ(Read("bxc3"), "b2c3");
  EXPECT_EQ(Read("Bxc3"), "a5c3");
}

TEST_F(SanTest, RefusedWords) {
  for (const char* text : {"Nf6", "e5", "Ke2", "O-O", "Nxf3", "e8=Q", "Nf3=Q", "xe4"})
    EXPECT_EQ(Reason(text), "no such move") << text;
  for (const char* text : {"", "+", "nf3", "N", "e9", "Nf3x", "O-O-O-O", "e4e", "Ni3", "Pe4", "Qh4xe1xxxxxxxxxx"})
    EXPECT_EQ(Reason(text), "not algebraic notation") << text;

  uint64_t from = 7, to = 9;
  char promo = 'x';
  EXPECT_FALSE(ParseSanMove(MainBoard, "Ke2", &from, &to, &promo));
  EXPECT_FALSE(ParseSanMove(MainBoard, nullptr, &from, &to, &promo));
  EXPECT_EQ(from, 7u);
  EXPECT_EQ(to, 9u);
  EXPECT_EQ(promo, 'x');

  // Writing refuses what is not a legal move: no text at all.
  char san[SanTextSize] = "junk";
  EXPECT_EQ(WriteSanMove(MainBoard, SquareMask(E2), SquareMask(E5), NoPromotion, san), 0);
  EXPECT_STREQ(san, "");
  EXPECT_EQ(WriteSanMove(MainBoard, SquareMask(E7), SquareMask(E5), NoPromotion, san), 0);
  EXPECT_EQ(WriteSanMove(MainBoard, 0, SquareMask(E4), NoPromotion, san), 0);
}

}  // namespace
