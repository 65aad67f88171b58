// The attack masks against a slow reference that walks an 8x8 grid square by square, over
// many random positions: wrap-around faults at the a- and h-files hide in such positions.

#include <gtest/gtest.h>

#include <random>

#include "board/chess_board.h"
#include "board/masks.h"

namespace {

bool OnBoard(int file, int rank) { return file >= 0 && file < 8 && rank >= 0 && rank < 8; }

// Squares reached by single steps (knight, king) from sq.
uint64_t RefSteps(int sq, const int (&steps)[8][2]) {
  uint64_t m = 0;
  for (const auto& s : steps) {
    const int f = sq % 8 + s[0], r = sq / 8 + s[1];
    if (OnBoard(f, r)) m |= Bit(r * 8 + f);
  }
  return m;
}

constexpr int KnightSteps[8][2] = {{1, 2}, {2, 1}, {2, -1}, {1, -2}, {-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}};
constexpr int KingSteps[8][2] = {{1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};
constexpr int RookDirs[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
constexpr int BishopDirs[4][2] = {{1, 1}, {1, -1}, {-1, 1}, {-1, -1}};

// One ray up to and including the first occupied square.
uint64_t RefRay(int sq, int df, int dr, uint64_t occupied) {
  uint64_t m = 0;
  for (int f = sq % 8 + df, r = sq / 8 + dr; OnBoard(f, r); f += df, r += dr) {
    m |= Bit(r * 8 + f);
    if (occupied & Bit(r * 8 + f)) break;
  }
  return m;
}

uint64_t RefSlider(int sq, const int (&dirs)[4][2], uint64_t occupied, uint64_t target = ~0ULL) {
  uint64_t m = 0;
  for (const auto& d : dirs) {
    const uint64_t ray = RefRay(sq, d[0], d[1], occupied);
    if (ray & target) m |= ray;
  }
  return m;
}

// Whether a piece of the colour opposite to `colour` attacks sq.
bool RefAttacked(const ChessBoard& b, int sq, int8_t colour) {
  const bool byWhite = colour != White;
  const int f = sq % 8, r = sq / 8;
  const int pawnRank = byWhite ? r - 1 : r + 1;
  const uint64_t pawns = byWhite ? b.WhitePawns : b.BlackPawns;
  for (int df : {-1, 1})
    if (OnBoard(f + df, pawnRank) && (pawns & Bit(pawnRank * 8 + f + df))) return true;
  const uint64_t queens = byWhite ? b.WhiteQueens : b.BlackQueens;
  return (RefSteps(sq, KnightSteps) & (byWhite ? b.WhiteKnights : b.BlackKnights)) ||
         (RefSteps(sq, KingSteps) & (byWhite ? b.WhiteKing : b.BlackKing)) ||
         (RefSlider(sq, BishopDirs, b.AllPieces) & ((byWhite ? b.WhiteBishops : b.BlackBishops) | queens)) ||
         (RefSlider(sq, RookDirs, b.AllPieces) & ((byWhite ? b.WhiteRooks : b.BlackRooks) | queens));
}

// Two kings and up to 30 other pieces on random squares, pawns off the back ranks.
ChessBoard RandomPosition(std::mt19937_64& rng) {
  ChessBoard b{};
  uint64_t* boards[12] = {&b.WhitePawns, &b.WhiteKnights, &b.WhiteBishops, &b.WhiteRooks,
                          &b.WhiteQueens, &b.WhiteKing,  &b.BlackPawns,   &b.BlackKnights,
                          &b.BlackBishops, &b.BlackRooks, &b.BlackQueens, &b.BlackKing};
  uint64_t used = 0;
  auto place = [&](int piece) {
    for (;;) {
      const int sq = static_cast<int>(rng() % 64);
      if ((used & Bit(sq)) || (piece % 6 == 0 && (sq < 8 || sq >= 56))) continue;
      used |= Bit(sq);
      *boards[piece] |= Bit(sq);
      return;
    }
  };
  place(5);
  place(11);
  const int extra = static_cast<int>(rng() % 31);
  for (int i = 0; i < extra; i++) {
    int piece = static_cast<int>(rng() % 12);
    if (piece % 6 == 5) piece--;  // one king each
    place(piece);
  }
  b.RecomputeUnions();
  return b;
}

}  // namespace

TEST(AttackMasks, MatchSquareBySquareReference) {
#ifdef ORVO_SANITIZED
  constexpr int Positions = 200;
#else
  constexpr int Positions = 3000;
#endif
  std::mt19937_64 rng(20240607);
  for (int n = 0; n < Positions; n++) {
    const ChessBoard b = RandomPosition(rng);
    const uint64_t target = rng() & rng();
    for (int sq = 0; sq < 64; sq++) {
      const uint64_t s = Bit(sq);
      ASSERT_EQ(b.KnightMask(s), RefSteps(sq, KnightSteps)) << sq;
      ASSERT_EQ(b.KingMask(s), RefSteps(sq, KingSteps)) << sq;
      ASSERT_EQ(b.BishopMask(s), RefSlider(sq, BishopDirs, b.AllPieces)) << n << " " << sq;
      ASSERT_EQ(b.RookMask(s), RefSlider(sq, RookDirs, b.AllPieces)) << n << " " << sq;
      ASSERT_EQ(b.BishopCheckMask(s, target), RefSlider(sq, BishopDirs, b.AllPieces, target)) << n << " " << sq;
      ASSERT_EQ(b.RookCheckMask(s, target), RefSlider(sq, RookDirs, b.AllPieces, target)) << n << " " << sq;
      const uint64_t own = ((b.WhiteRooks | b.WhiteQueens) & s) ? b.WhitePieces : b.BlackPieces;
      ASSERT_EQ(b.RookAttackCount(s), __builtin_popcountll(RefSlider(sq, RookDirs, b.AllPieces) & ~own));
      for (int8_t colour : {White, Black})
        ASSERT_EQ(b.InCheck(s, colour), RefAttacked(b, sq, colour) ? 1 : 0)
            << "position " << n << " square " << sq << " colour " << int{colour};
    }
    // Vertical fills of all rooks at once.
    uint64_t north = 0, south = 0;
    for (uint64_t r = b.WhiteRooks; r; r &= r - 1) {
      const int sq = __builtin_ctzll(r);
      north |= RefRay(sq, 0, 1, b.AllPieces);
      south |= RefRay(sq, 0, -1, b.AllPieces);
    }
    ASSERT_EQ(ChessBoard::NorthAttacks(b.WhiteRooks, ~b.AllPieces), north) << n;
    ASSERT_EQ(ChessBoard::SouthAttacks(b.WhiteRooks, ~b.AllPieces), south) << n;
  }
}

TEST(AttackMasks, KnownSquares) {
  ChessBoard b{};
  b.InitRep();
  EXPECT_EQ(b.KnightMask(Bit(A1)), Bit(B3) | Bit(C2));
  EXPECT_EQ(b.KnightMask(Bit(H8)), Bit(G6) | Bit(F7));
  EXPECT_EQ(b.BishopMask(Bit(C1)), Bit(B2) | Bit(D2));
  EXPECT_EQ(b.BishopMask(0), 0u);
  b.ClearField();
  b.BlackBishops = Bit(B4);
  b.RecomputeUnions();
  EXPECT_EQ(b.BishopCheckMask(Bit(E1), Bit(B4)), Bit(D2) | Bit(C3) | Bit(B4));
  EXPECT_EQ(b.RookMask(Bit(A1)), (FileA | Rank1) & ~Bit(A1));
  b.BlackBishops = 0;
  b.BlackPawns = Bit(D2);
  b.RecomputeUnions();
  EXPECT_EQ(b.InCheck(Bit(E1), White), 1);
  b.BlackPawns = Bit(E2);
  b.RecomputeUnions();
  EXPECT_EQ(b.InCheck(Bit(E1), White), 0);
}

// The sliding tables against the ray walk for every square and every blocker set on its lines
// (with noise on the squares that cannot matter): a bad multiplier or a PEXT index that lands
// two different answers in one slot shows up here, whichever indexing the build uses.
TEST(AttackMasks, SlidingTablesCoverEveryBlockerSet) {
  std::mt19937_64 rng(7);
  for (int sq = 0; sq < 64; sq++) {
    for (const bool rook : {false, true}) {
      const uint64_t lines = rook ? attacktab::RookByRays(sq, 0) : attacktab::BishopByRays(sq, 0);
      uint64_t subset = 0;
      do {
        const uint64_t occupied = subset | (rng() & ~lines);
        const uint64_t want = rook ? attacktab::RookByRays(sq, occupied) : attacktab::BishopByRays(sq, occupied);
        ASSERT_EQ(rook ? attacktab::Rook(sq, occupied) : attacktab::Bishop(sq, occupied), want)
            << (rook ? "rook " : "bishop ") << sq << " " << occupied;
        subset = (subset - lines) & lines;
      } while (subset);
    }
  }
}

// The ray-stepping path that serves masks of several squares agrees with the tables on single
// squares, and treats an empty mask as no piece at all.
TEST(AttackMasks, SteppedPathAgreesWithTables) {
  std::mt19937_64 rng(11);
  for (int n = 0; n < 50; n++) {
    const ChessBoard b = RandomPosition(rng);
    for (int sq = 0; sq < 64; sq++) {
      const uint64_t s = Bit(sq);
      ASSERT_EQ(b.BishopMaskStepped(s), b.BishopMask(s));
      ASSERT_EQ(b.RookMaskStepped(s), b.RookMask(s));
      ASSERT_EQ(b.KnightMaskStepped(s), b.KnightMask(s));
      ASSERT_EQ(b.KingMaskStepped(s), b.KingMask(s));
      for (int8_t colour : {White, Black}) ASSERT_EQ(b.InCheckStepped(s, colour), b.InCheck(s, colour));
    }
    EXPECT_EQ(b.BishopMask(0) | b.RookMask(0) | b.KnightMask(0) | b.KingMask(0), 0u);
    EXPECT_EQ(b.InCheck(0, White), 0);
  }
}
