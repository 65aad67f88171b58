// Weaker levels of play: how a rating becomes a node cap and a way of choosing among the best
// moves, and the choice itself.

#include "game/strength.h"

#include <cmath>

#include "board/bit_ops.h"
#include "board/keys.h"

PlayingStrength Strength;

namespace {

// The levels measured, weakest first: the rating, the nodes searched for a move (the first
// iteration is always searched whole), how far below the best line (in millipawns) a line still
// gets a fair share of the choice -- a line that much worse is chosen e^-1 times as often as the
// best, and one four times that much worse never -- and the lines searched to choose among.
// Ratings between two rows take the nodes geometrically, the rest linearly; above the top row,
// up to full strength, the top row plays.
//
// Each rating is the score of 20 to 24 games at 10 s + 0.1 s against Stockfish 15.1 with
// UCI_LimitStrength and UCI_Elo set (the opponent's rating in brackets), so the scale is that
// of its UCI_Elo: 1/24 (1350), 2/24 (1350), 10.5/24 (1350), 9/20 (1350), 10/24 (1500), 16.5/24
// (1600), 16.5/24 (2200), 19/24 (2600), 21.5/24 (2850). Full strength won 18 of 18 against its
// 2850. Between 930 and 1310 the rating turns on whether a line a piece worse is still within
// four spreads (a spread above about 850): a level there plays much like one end or the other
// (1200 scored 2/24 against 1350).
struct Level {
  int32_t Elo;
  double Nodes;
  double Spread;
  double Lines;
};
constexpr Level Levels[] = {
    {MinStrengthElo, 1, 2000, 8},
    {930, 1, 1200, 6},
    {1310, 12, 854, 5},
    {1320, 40, 700, 4},
    {1440, 159, 486, 4},
    {1740, 1000, 200, 4},
    {2340, 2828, 140, 4},
    {2830, 8000, 80, 4},
    {3220, 40000, 30, 4},
};
constexpr int LevelCount = static_cast<int>(sizeof Levels / sizeof Levels[0]);
constexpr double LineCutoff = 4;  // in spreads

Level LevelFor(int32_t elo) {
  if (elo <= Levels[0].Elo) return Levels[0];
  for (int i = 1; i < LevelCount; i++) {
    if (elo > Levels[i].Elo) continue;
    const Level& a = Levels[i - 1];
    const Level& b = Levels[i];
    const double t = static_cast<double>(elo - a.Elo) / (b.Elo - a.Elo);
    return {elo, a.Nodes * std::pow(b.Nodes / a.Nodes, t), a.Spread + (b.Spread - a.Spread) * t,
            a.Lines + (b.Lines - a.Lines) * t};
  }
  return Levels[LevelCount - 1];
}

// A well-mixed 64-bit number from the position and the level (splitmix64's finaliser).
uint64_t Mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ULL;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
  return x ^ (x >> 31);
}

bool IsLosingMate(int score) { return score <= -MateBound; }

}  // namespace

void PlayingStrength::LimitSearch(SearchLimits& limits) const {
  if (!Weaker() || limits.Infinite || limits.Mate > 0) return;
  const Level level = LevelFor(Elo);
  limits.Lines = static_cast<int32_t>(std::lround(level.Lines));
  // An exact depth is searched whole; only the choice is the level's.
  if (limits.FD == 0) limits.NodeCap = static_cast<int64_t>(level.Nodes);
}

SearchResult PlayingStrength::ChooseMove(const ChessBoard& board, const SearchResult& best) const {
  SearchRoutines& S = Search;
  if (!Weaker() || !best.Playable || S.Limits.Lines <= 1 || S.LineCount < 2) return best;
  // The lines are those of this search only when their best is the move the search returns.
  const PVEntry first = S.LinePV[0][0];
  if (first.Code != MoveCode(LowestSquare(best.From), LowestSquare(best.To)) || first.Promotion != best.Promotion)
    return best;

  const double spread = LevelFor(Elo).Spread;
  double weight[MaxMultiPV];
  double total = 0;
  for (int k = 0; k < S.LineCount; k++) {
    const double gap = S.LineScore[0] - S.LineScore[k];
    // A line into a mate is never chosen while the best line escapes it.
    const bool allowed = gap <= LineCutoff * spread && !(IsLosingMate(S.LineScore[k]) && !IsLosingMate(S.LineScore[0]));
    weight[k] = allowed ? std::exp(-gap / spread) : 0;
    total += weight[k];
  }
  uint64_t upper = 0, lower = 0;
  const int8_t side = board.SideToMove ? Black : White;
  genhashcode(side, static_cast<uint8_t>(board.CastleFlags), &upper, &lower, &board);
  const uint64_t draw = Mix(upper ^ Mix(lower ^ static_cast<uint64_t>(Elo)));
  double pick = static_cast<double>(draw >> 11) * 0x1.0p-53 * total;
  int chosen = 0;
  for (int k = 0; k < S.LineCount; k++) {
    if (weight[k] <= 0) continue;
    chosen = k;
    if (pick < weight[k]) break;
    pick -= weight[k];
  }
  if (chosen == 0) return best;

  S.ShowLine(chosen);
  const PVEntry move = S.LinePV[chosen][0];
  SearchResult played = best;
  played.From = SquareMask(move.Code >> 6);
  played.To = SquareMask(move.Code & 63);
  played.Promotion = move.Promotion;
  played.Score = S.LineScore[chosen];
  return played;
}
