// The endgame tables at the root: which moves the search may play, and what the lines show.
//
// With the DTZ tables every root move comes with its result and its distance to the next capture
// or pawn move. A won root searches only the moves that win fastest by that distance: every such
// move keeps the win, inside the fifty-move rule too when the rule counts (the tables answer with
// the game's fifty-move count), and the distance falls with every move of ours, so no position
// of the game can come back and the win cannot turn into a repetition. A drawn or lost root
// searches every move that keeps its result, and the search chooses the most stubborn one.

#include <algorithm>

#include "board/bit_ops.h"
#include "board/move_coordinates.h"
#include "board/piece_values.h"
#include "search/search_routines.h"

namespace {

// The result as the game will count it: 2 a win, 1 a draw, 0 a loss. When the fifty-move rule
// counts, a win it takes away is a draw, and so is a loss it saves.
int ResultClass(TableResult result) {
  switch (result) {
    case TableResult::Win: return 2;
    case TableResult::CursedWin: return Syzygy.Rule50 ? 1 : 2;
    case TableResult::Draw: return 1;
    case TableResult::BlessedLoss: return Syzygy.Rule50 ? 1 : 0;
    default: return 0;
  }
}

// The order of root moves: by result; a win by its distance, shortest first; among draws, a win
// the fifty-move rule takes away before a plain draw before a loss it saves (the opponent may yet
// go wrong). Losses are equal: the search finds the best resistance.
int Rank(const TableRootMove& m) {
  const int resultClass = ResultClass(m.Result);
  if (resultClass == 2) return 2 * 4096 + 2048 - std::min<int>(m.Dtz, 2047);
  if (resultClass == 1) return 4096 + static_cast<int>(m.Result);
  return 0;
}

const TableRootMove* Find(const TableRoot& root, uint16_t code, char promo) {
  const char letter = PromotionLetter(promo);
  for (int i = 0; i < root.Count; i++)
    if (root.Moves[i].Code == code && root.Moves[i].Promotion == letter) return &root.Moves[i];
  return nullptr;
}

}  // namespace

void SearchRoutines::RankRootByTables(const ChessBoard& board) {
  RootTable.Count = 0;
  if (board.CastleFlags != 0 || PopCount(board.AllPieces) > TablePieceLimit()) return;
  ProbeRoot(board, board.SideToMove ? Black : White, board.FiftyMoveCount, &RootTable);
  TableHits += RootTable.Count;

  // The moves searchmoves allows, best first.
  int order[MaxTableRootMoves];
  int allowed = 0;
  for (int i = 0; i < RootTable.Count; i++) {
    RootTableKept[i] = false;
    if (RootIncludedCount == 0 || RootMoveAllowed(RootTable.Moves[i].Code)) order[allowed++] = i;
  }
  if (allowed == 0) {
    RootTable.Count = 0;  // none of the listed moves is legal: nothing to go by
    return;
  }
  std::stable_sort(order, order + allowed,
                   [&](int a, int b) { return Rank(RootTable.Moves[a]) > Rank(RootTable.Moves[b]); });
  // The best moves, and as many more as there are lines to show.
  const int wanted = std::clamp(LinesSearched(), 1, allowed);
  const int lowest = Rank(RootTable.Moves[order[wanted - 1]]);
  for (int k = 0; k < allowed && Rank(RootTable.Moves[order[k]]) >= lowest; k++) RootTableKept[order[k]] = true;
}

bool SearchRoutines::RootTableAllows(uint16_t code, char promo) const {
  if (RootTable.Count == 0) return true;
  const TableRootMove* m = Find(RootTable, code, promo);
  return m != nullptr && RootTableKept[m - RootTable.Moves];
}

int SearchRoutines::RootTableRank(const PVEntry& move) const {
  const TableRootMove* m = RootTable.Count > 0 ? Find(RootTable, move.Code, move.Promotion) : nullptr;
  return m ? Rank(*m) : 0;
}

int SearchRoutines::ShownScore(const PVEntry& move, int score) const {
  if (RootTable.Count == 0 || score > MateBound || score < -MateBound) return score;
  const TableRootMove* m = Find(RootTable, move.Code, move.Promotion);
  if (m == nullptr) return score;
  // A win shows how far its next capture or pawn move is: a centipawn less for every ply.
  const int won = TableWinScore - 10 * std::min<int>(m->Dtz, 400);
  switch (ResultClass(m->Result)) {
    case 2: return won;
    case 0: return -won;
    default: return 0;
  }
}
