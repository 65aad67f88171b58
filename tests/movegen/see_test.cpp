#include "movegen/see.h"

#include <gtest/gtest.h>

#include <string>

#include "board/fen.h"
#include "board/masks.h"

namespace {

// Loads a FEN into MainBoard and evaluates the capture from -> to, where the piece on `to`
// belongs to `victimColour`.
int Exchange(const char* fen, int from, int to, int8_t victimColour) {
  const char* reason = SetupBoard(fen);
  EXPECT_EQ(reason, nullptr) << fen << ": " << (reason ? reason : "");
  return see.StaticExchangeEvaluation(victimColour, Bit(from), Bit(to), &MainBoard);
}

// Placement text from a list of (letter, square) pairs, then side to move.
std::string Fen(std::initializer_list<std::pair<char, int>> pieces, char side) {
  char board[64];
  for (char& c : board) c = 0;
  for (const auto& [letter, sq] : pieces) board[sq] = letter;
  std::string text;
  for (int rank = 7; rank >= 0; rank--) {
    int empty = 0;
    for (int file = 0; file < 8; file++) {
      const char c = board[rank * 8 + file];
      if (!c) {
        empty++;
        continue;
      }
      if (empty) text += static_cast<char>('0' + empty);
      empty = 0;
      text += c;
    }
    if (empty) text += static_cast<char>('0' + empty);
    if (rank) text += '/';
  }
  return text + ' ' + side + " - - 0 1";
}

char Recolour(char letter, bool swap) {
  if (!swap) return letter;
  return static_cast<char>(letter >= 'a' ? letter - 32 : letter + 32);
}

}  // namespace

TEST(StaticExchange, DirectionTable) {
  EXPECT_EQ(see.Direction[E4][E8], 8);
  EXPECT_EQ(see.Direction[E4][E1], -8);
  EXPECT_EQ(see.Direction[E4][H4], 1);
  EXPECT_EQ(see.Direction[E4][A4], -1);
  EXPECT_EQ(see.Direction[E4][B7], 7);
  EXPECT_EQ(see.Direction[E4][H7], 9);
  EXPECT_EQ(see.Direction[E4][H1], -7);
  EXPECT_EQ(see.Direction[E4][B1], -9);
  EXPECT_EQ(see.Direction[E4][F6], 0);
  EXPECT_EQ(see.Direction[E4][E4], 0);
  EXPECT_EQ(see.Direction[H1][A8], 7);
  EXPECT_EQ(see.Direction[H1][A2], 0);  // one index apart, but across the board's edge
  EXPECT_EQ(see.Direction[A2][H1], 0);
  EXPECT_EQ(see.Direction[H2][A3], 0);
}

TEST(StaticExchange, SimpleExchanges) {
  // Pawn takes an undefended knight.
  EXPECT_EQ(Exchange("4k3/8/8/3n4/4P3/8/8/4K3 w - - 0 1", E4, D5, Black), 3250);
  // Queen takes a pawn defended by a pawn.
  EXPECT_EQ(Exchange("4k3/8/2p5/3p4/8/8/8/3QK3 w - - 0 1", D1, D5, Black), 800 - 9750);
  // No recapture: the pawn is simply won even by the queen.
  EXPECT_EQ(Exchange("4k3/8/8/3p4/8/8/8/3QK3 w - - 0 1", D1, D5, Black), 800);
  // Knight takes a bishop defended by a pawn: an even trade.
  EXPECT_EQ(Exchange("4k3/8/4p3/3b4/8/4N3/8/4K3 w - - 0 1", E3, D5, Black), 0);
  // Black captures too: bishop takes a rook defended by a pawn.
  EXPECT_EQ(Exchange("4k3/8/8/2b5/8/4R3/5P2/4K3 b - - 0 1", C5, E3, White), 5000 - 3250);
  // The least valuable recapturer answers first: pawn rather than queen.
  EXPECT_EQ(Exchange("3qk3/4p3/3r4/8/8/3R4/8/3RK3 w - - 0 1", D3, D6, Black), 0);
}

TEST(StaticExchange, RookBehindRookOnAFile) {
  // Ra2 takes a7 (defended by Ra8); Ra1 behind it recaptures.
  EXPECT_EQ(Exchange("r5k1/r7/8/8/8/8/R7/R5K1 w - - 0 1", A2, A7, Black), 5000);
  EXPECT_EQ(Exchange("r5k1/r7/8/8/8/8/R7/6K1 w - - 0 1", A2, A7, Black), 0);
  // The same along a rank, from the right-hand and from the left-hand side.
  EXPECT_EQ(Exchange("4k3/8/8/8/rr4RR/8/8/4K3 w - - 0 1", G4, B4, Black), 5000);
  EXPECT_EQ(Exchange("4k3/8/8/8/RR4rr/8/8/4K3 w - - 0 1", B4, G4, Black), 5000);
}

// Every line through d4, for either colour: a slider two squares away takes the queen on d4,
// a knight recaptures, and the slider three squares away behind the first one takes the
// knight. Without that x-ray the capture would be worth less.
TEST(StaticExchange, XraysOnEveryLineForBothColours) {
  const int dirs[8][2] = {{0, 1}, {0, -1}, {1, 0}, {-1, 0}, {1, 1}, {-1, -1}, {1, -1}, {-1, 1}};
  for (bool swap : {false, true}) {
    for (const auto& d : dirs) {
      const bool diagonal = d[0] != 0 && d[1] != 0;
      const int front = D4 + 2 * (d[1] * 8 + d[0]);
      const int back = D4 + 3 * (d[1] * 8 + d[0]);
      const char slider = diagonal ? 'B' : 'R';
      const std::string both = Fen({{Recolour('q', swap), D4}, {Recolour('n', swap), B5},
                                    {Recolour(slider, swap), front}, {Recolour(slider, swap), back},
                                    {Recolour('K', swap), H2}, {Recolour('k', swap), H5}},
                                   swap ? 'b' : 'w');
      const std::string single = Fen({{Recolour('q', swap), D4}, {Recolour('n', swap), B5},
                                      {Recolour(slider, swap), front},
                                      {Recolour('K', swap), H2}, {Recolour('k', swap), H5}},
                                     swap ? 'b' : 'w');
      const int8_t victim = swap ? White : Black;
      SCOPED_TRACE(both);
      EXPECT_EQ(Exchange(both.c_str(), front, D4, victim), diagonal ? 9750 : 8000);
      EXPECT_EQ(Exchange(single.c_str(), front, D4, victim), diagonal ? 6500 : 4750);
    }
  }
}

TEST(StaticExchange, KingsInTheSequence) {
  // A king recaptures an unsupported capturer.
  EXPECT_EQ(Exchange("6k1/6p1/8/8/8/8/6Q1/K7 w - - 0 1", G2, G7, Black), 800 - 9750);
  // With a rook behind the queen the king cannot recapture; the 1000000 of the king must not
  // be cut down to 16 bits on the way.
  EXPECT_EQ(Exchange("6k1/6p1/8/8/8/8/6Q1/K5R1 w - - 0 1", G2, G7, Black), 800);
  // A king may take an undefended piece, but taking a defended one loses the king.
  EXPECT_EQ(Exchange("6k1/6N1/8/8/8/8/8/K7 b - - 0 1", G8, G7, White), 3250);
  EXPECT_EQ(Exchange("6k1/6N1/8/8/8/8/6R1/K7 b - - 0 1", G8, G7, White), 3250 - 1000000);
}

TEST(StaticExchange, HelpersOnTheirOwn) {
  ASSERT_EQ(SetupBoard("3rk3/8/8/3p4/2P1N3/8/3R4/3QK3 w - - 0 1"), nullptr);
  see.Board = &MainBoard;
  // d5 is attacked by the c4 pawn, the d2 rook and the d8 rook; the e4 knight and the queen
  // behind the rook do not count directly.
  const uint64_t attackers = see.SquareAttacksDefences(Bit(D5));
  EXPECT_EQ(attackers, Bit(C4) | Bit(D2) | Bit(D8));
  EXPECT_EQ(see.LVP(White, attackers), C4);
  EXPECT_EQ(see.LVP(Black, attackers), D8);
  EXPECT_EQ(see.LVP(Black, Bit(C4)), -1);
  // Behind the d2 rook looking down the file: the queen on d1.
  EXPECT_EQ(see.AddXrayAttacker(0, D2, -8), Bit(D1));
  // Looking along rank 4 towards h from e4: nothing before the edge.
  EXPECT_EQ(see.AddXrayAttacker(0, E4, 1), 0u);
  // From h2 a +1 step would wrap onto a3: no attacker there may be added.
  ASSERT_EQ(SetupBoard("4k3/8/8/8/8/R7/7R/4K3 w - - 0 1"), nullptr);
  EXPECT_EQ(see.AddXrayAttacker(0, H2, 1), 0u);
}
