#pragma once
// Helpers for the move-generation, move-making and key tests: positions from FEN text with
// current counts and pawn key, the legal moves of a position, and random games.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <set>
#include <tuple>
#include <vector>

#include "board/chess_board.h"
#include "board/fen.h"
#include "board/keys.h"
#include "board/masks.h"
#include "movegen/move_gen.h"

// The key tables are drawn once per process, by whichever test needs them first.
inline void EnsureKeys() {
  if (UPStable[0] == 0 && LPStable[0] == 0) initPStable();
}

// A board from FEN text (through the engine's reader, leaving MainBoard as it was) with its
// counts, totals and pawn key current and a zero fifty-move count.
inline ChessBoard BoardFromFen(const char* fen) {
  EnsureKeys();
  const ChessBoard saved = MainBoard;
  const char* reason = SetupBoard(fen);
  EXPECT_EQ(reason, nullptr) << fen;
  ChessBoard b = MainBoard;
  MainBoard = saved;
  b.InitPieceCounts();
  b.WhitePieceTotal = b.WhiteQueenCount + b.WhiteRookCount + b.WhiteBishopCount + b.WhiteKnightCount + b.WhitePawnCount;
  b.BlackPieceTotal = b.BlackQueenCount + b.BlackRookCount + b.BlackBishopCount + b.BlackKnightCount + b.BlackPawnCount;
  b.FiftyMoveCount = 0;
  genpawnhashcode(b.SideToMove, b, &b.PawnKingKey);
  return b;
}

struct TestMove {
  uint64_t From;
  uint64_t To;
  char Promotion;
  bool operator<(const TestMove& o) const {
    return std::tie(From, To, Promotion) < std::tie(o.From, o.To, o.Promotion);
  }
  bool operator==(const TestMove& o) const { return From == o.From && To == o.To && Promotion == o.Promotion; }
};

inline uint64_t KingSquare(const ChessBoard& b, int8_t colour) { return colour ? b.BlackKing : b.WhiteKing; }

inline bool InCheckNow(const ChessBoard& b, int8_t colour) { return b.InCheck(KingSquare(b, colour), colour) != 0; }

// The moves of a generated list that do not leave the mover's king attacked.
inline std::vector<TestMove> LegalOf(const MoveGen& list, int n, const ChessBoard& b, int8_t colour) {
  std::vector<TestMove> legal;
  for (int i = 0; i < n; ++i) {
    ChessBoard child = b;
    uint8_t mask;
    child.MakeMove(list.From[i], list.To[i], list.Promotion[i], mask);
    if (!InCheckNow(child, colour)) legal.push_back({list.From[i], list.To[i], list.Promotion[i]});
  }
  return legal;
}

inline std::vector<TestMove> LegalMoves(const ChessBoard& b, int8_t colour, uint8_t castleFlags) {
  static MoveGen list;
  ChessBoard work = b;
  const int n = list.GenerateAllMoves(colour, &work, castleFlags);
  return LegalOf(list, n, work, colour);
}

inline std::set<TestMove> AsSet(const std::vector<TestMove>& moves) { return {moves.begin(), moves.end()}; }

inline constexpr const char* RandomGameStarts[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1",
};

// Plays random legal games from each start position; `visit` sees every position reached
// (board, side to move, castling rights) before the next move is chosen.
template <typename Visit>
void PlayRandomGames(int games, int maxPlies, uint32_t seed, Visit visit) {
  std::mt19937 random(seed);
  for (int g = 0; g < games; ++g) {
    ChessBoard b = BoardFromFen(RandomGameStarts[g % std::size(RandomGameStarts)]);
    int8_t side = b.SideToMove;
    uint8_t flags = b.CastleFlags;
    for (int ply = 0; ply < maxPlies; ++ply) {
      visit(b, side, flags);
      const std::vector<TestMove> legal = LegalMoves(b, side, flags);
      if (legal.empty()) break;
      const TestMove& m = legal[random() % legal.size()];
      uint8_t mask;
      b.MakeMove(m.From, m.To, m.Promotion, mask);
      flags &= mask;
      side = side ? White : Black;
      b.SideToMove = side;
    }
  }
}
