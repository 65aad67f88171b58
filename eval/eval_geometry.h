#pragma once
// Set-wise attack fills and precomputed pawn spans for the evaluation. The fills work on many
// pieces at once (Kogge-Stone occluded fills): each ray includes its first occupied square,
// exactly as the board's single-square masks do, but one pass serves every piece of a kind.
// Below them, the colour-relative helpers with which each term is written once for both sides.

#include <array>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "board/bit_ops.h"
#include "board/chess_board.h"
#include "board/masks.h"

namespace evalgeo {

constexpr uint64_t NotA = ~FileA;
constexpr uint64_t NotH = ~FileH;
constexpr uint64_t NotAB = ~FilesAB;
constexpr uint64_t NotGH = ~FilesGH;

// Occluded fill: the generators spread through empty squares in one direction, a positive
// shift up the board and a negative one down; `edge` stops east and west rays from wrapping.
template <int Shift>
constexpr uint64_t Fill(uint64_t gen, uint64_t empty, uint64_t edge) {
  constexpr auto step = [](uint64_t x, int n) { return n > 0 ? x << n : x >> -n; };
  empty &= edge;
  gen |= empty & step(gen, Shift);
  empty &= step(empty, Shift);
  gen |= empty & step(gen, 2 * Shift);
  empty &= step(empty, 2 * Shift);
  gen |= empty & step(gen, 4 * Shift);
  return gen;
}
constexpr uint64_t FillNorth(uint64_t gen, uint64_t empty) { return Fill<8>(gen, empty, ~0ULL); }
constexpr uint64_t FillSouth(uint64_t gen, uint64_t empty) { return Fill<-8>(gen, empty, ~0ULL); }

constexpr uint64_t KnightAttacksOf(uint64_t knights) {
  const uint64_t l1 = (knights >> 1) & NotH;
  const uint64_t l2 = (knights >> 2) & NotGH;
  const uint64_t r1 = (knights << 1) & NotA;
  const uint64_t r2 = (knights << 2) & NotAB;
  const uint64_t h1 = l1 | r1;
  const uint64_t h2 = l2 | r2;
  return (h1 << 16) | (h1 >> 16) | (h2 << 8) | (h2 >> 8);
}
constexpr uint64_t KingAttacksOf(uint64_t kings) {
  const uint64_t sides = ((kings << 1) & NotA) | ((kings >> 1) & NotH);
  const uint64_t row = kings | sides;
  return sides | (row << 8) | (row >> 8);
}
// Squares the pawns of colour Us attack: each pawn's two forward diagonals.
template <int8_t Us>
constexpr uint64_t PawnAttacksOf(uint64_t pawns) {
  if constexpr (Us == White) return ((pawns & NotA) << 7) | ((pawns & NotH) << 9);
  else return ((pawns & NotA) >> 9) | ((pawns & NotH) >> 7);
}

// The squares level with the members of the set on the neighbouring files.
constexpr uint64_t Beside(uint64_t set) { return ((set & NotA) >> 1) | ((set & NotH) << 1); }

// Every square of the files that hold at least one bit of the set.
constexpr uint64_t FileFill(uint64_t set) { return FillNorth(FillSouth(set, ~0ULL), ~0ULL); }

constexpr int FileOf(int sq) { return sq & 7; }
constexpr int RankOf(int sq) { return sq >> 3; }

// King distance: the number of king moves between two squares on an empty board.
constexpr int DistanceByRanksAndFiles(int a, int b) {
  const int df = FileOf(a) > FileOf(b) ? FileOf(a) - FileOf(b) : FileOf(b) - FileOf(a);
  const int dr = RankOf(a) > RankOf(b) ? RankOf(a) - RankOf(b) : RankOf(b) - RankOf(a);
  return df > dr ? df : dr;
}
// ... looked up, for every pair of squares: the passer terms ask for several on every call.
inline constexpr auto KingDistances = [] {
  std::array<std::array<uint8_t, 64>, 64> table{};
  for (int a = 0; a < 64; ++a)
    for (int b = 0; b < 64; ++b) table[a][b] = static_cast<uint8_t>(DistanceByRanksAndFiles(a, b));
  return table;
}();
constexpr int Distance(int a, int b) { return KingDistances[a][b]; }

// The files on both sides of a file (none beyond the board edge).
inline constexpr auto NeighbourFileMasks = [] {
  std::array<uint64_t, 8> table{};
  for (int file = 0; file < 8; ++file)
    table[file] = (file > 0 ? FileMasks[file - 1] : 0) | (file < 7 ? FileMasks[file + 1] : 0);
  return table;
}();
constexpr uint64_t NeighbourFiles(int file) { return NeighbourFileMasks[file]; }

// The three files that shelter or surround a king: its own and both neighbours, or the
// nearest three when the king stands on an edge file.
constexpr std::array<uint64_t, 8> ThreeFiles = {
    FilesABC, FilesABC, FileB | FileC | FileD, FileC | FileD | FileE,
    FileD | FileE | FileF, FileE | FileF | FileG, FilesFGH, FilesFGH};

// All ranks strictly above / below the rank of a square.
constexpr uint64_t RanksAbove(int sq) { return RankOf(sq) == 7 ? 0 : ~0ULL << (8 * (RankOf(sq) + 1)); }
constexpr uint64_t RanksBelow(int sq) { return RankOf(sq) == 0 ? 0 : ~0ULL >> (8 * (8 - RankOf(sq))); }

template <typename Fn>
constexpr std::array<uint64_t, 64> SquareTableOf(Fn fn) {
  std::array<uint64_t, 64> table{};
  for (int sq = 0; sq < 64; ++sq) table[sq] = fn(sq);
  return table;
}

// Squares in front of a pawn on its own file (towards rank 8 for White, rank 1 for Black).
inline constexpr auto WhiteFrontSpan =
    SquareTableOf([](int sq) { return FileMasks[FileOf(sq)] & RanksAbove(sq); });
inline constexpr auto BlackFrontSpan =
    SquareTableOf([](int sq) { return FileMasks[FileOf(sq)] & RanksBelow(sq); });
// Squares in front on its own and the neighbouring files: no enemy pawn there means passed.
inline constexpr auto WhitePassedZone = SquareTableOf(
    [](int sq) { return (FileMasks[FileOf(sq)] | NeighbourFiles(FileOf(sq))) & RanksAbove(sq); });
inline constexpr auto BlackPassedZone = SquareTableOf(
    [](int sq) { return (FileMasks[FileOf(sq)] | NeighbourFiles(FileOf(sq))) & RanksBelow(sq); });

// The passer ranks of files a to h (a guarded rank array, file f at index f + 1) as one word,
// a byte per file with file a lowest: only the files holding a passer need to be visited.
inline uint64_t PasserRanksByFile(const uint8_t* rank) {
  static_assert(std::endian::native == std::endian::little);
  uint64_t ranks;
  std::memcpy(&ranks, rank + 1, sizeof ranks);
  return ranks;
}

// Colour-relative geometry, so that a term both colours score alike is written once as a
// template on the colour Us (White or Black) and reads its directions and ranks from here.

// The sign of Us's terms in the White-view accumulators.
template <int8_t Us> inline constexpr int32_t Sign = Us == White ? 1 : -1;

// Towards the enemy's side of the board by a number of ranks, and one rank back.
template <int8_t Us>
constexpr uint64_t Up(uint64_t x, int ranks = 1) { return Us == White ? x << (8 * ranks) : x >> (8 * ranks); }
template <int8_t Us>
constexpr uint64_t Down(uint64_t x) { return Us == White ? x >> 8 : x << 8; }

// The set with every square in front of (Up) or behind (Down) its members on their files.
template <int8_t Us>
constexpr uint64_t FillUp(uint64_t x) { return Us == White ? FillNorth(x, ~0ULL) : FillSouth(x, ~0ULL); }
template <int8_t Us>
constexpr uint64_t FillDown(uint64_t x) { return Us == White ? FillSouth(x, ~0ULL) : FillNorth(x, ~0ULL); }

// Ranks and squares counted from Us's side: rank 0 is Us's first rank.
template <int8_t Us>
constexpr int RelativeRank(int rank) { return Us == White ? rank : 7 - rank; }
template <int8_t Us>
constexpr uint64_t RelativeMask(int sq) { return SquareMask(Us == White ? sq : sq ^ 56); }

// All ranks in front of / behind the rank of a square, seen from Us's side.
template <int8_t Us>
constexpr uint64_t RanksAhead(int sq) { return Us == White ? RanksAbove(sq) : RanksBelow(sq); }
template <int8_t Us>
constexpr uint64_t RanksBehind(int sq) { return Us == White ? RanksBelow(sq) : RanksAbove(sq); }

template <int8_t Us>
constexpr const std::array<uint64_t, 64>& FrontSpan() { return Us == White ? WhiteFrontSpan : BlackFrontSpan; }
template <int8_t Us>
constexpr const std::array<uint64_t, 64>& PassedZone() { return Us == White ? WhitePassedZone : BlackPassedZone; }

// Picks Us's member of a White/Black pair.
template <int8_t Us, typename T>
constexpr T& Own(T& white, T& black) {
  if constexpr (Us == White) return white;
  else return black;
}

// One colour's pieces and piece counts on the board.
struct Army {
  uint64_t Pawns, Knights, Bishops, Rooks, Queens, King, Pieces;
  int32_t PawnCount, KnightCount, BishopCount, RookCount, QueenCount;
};
template <int8_t Us>
inline Army ArmyOf(const ChessBoard& b) {
  if constexpr (Us == White)
    return {b.WhitePawns, b.WhiteKnights, b.WhiteBishops, b.WhiteRooks, b.WhiteQueens, b.WhiteKing,
            b.WhitePieces, b.WhitePawnCount, b.WhiteKnightCount, b.WhiteBishopCount,
            b.WhiteRookCount, b.WhiteQueenCount};
  else
    return {b.BlackPawns, b.BlackKnights, b.BlackBishops, b.BlackRooks, b.BlackQueens, b.BlackKing,
            b.BlackPieces, b.BlackPawnCount, b.BlackKnightCount, b.BlackBishopCount,
            b.BlackRookCount, b.BlackQueenCount};
}

// Diagonals along which bishops and queens bear down on a castled king.
constexpr uint64_t DiagonalsToQueenside = DiagH2C7 | DiagG2B7 | DiagF2A7;
constexpr uint64_t DiagonalsToKingside = DiagC2H7 | DiagB2G7 | DiagA2F7;

constexpr uint64_t Centre = SquareMask(D4) | SquareMask(E4) | SquareMask(D5) | SquareMask(E5);

}  // namespace evalgeo
