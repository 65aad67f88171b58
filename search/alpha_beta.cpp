// The full-width node of the alpha-beta search: a fail-soft negamax with principal-variation
// searching, the transposition table, null move, static pruning near the leaves, internal
// iterative deepening, check / single-reply / mate-threat extensions and late-move reductions.

#include <algorithm>

#include "board/bit_ops.h"
#include "board/keys.h"
#include "board/log_file.h"
#include "board/masks.h"
#include "eval/position_evaluate.h"
#include "hash/move_history.h"
#include "hash/pawn_hash.h"
#include "hash/transposition_table.h"
#include "movegen/move_gen.h"
#include "search/busy_positions.h"
#include "search/search_control.h"
#include "search/search_report.h"
#include "search/search_routines.h"
#include "search/time_budget.h"
#include "tablebase/syzygy.h"

namespace {

// Margin below the static score by remaining depth; only depths 1 to 3 use it.
constexpr int FutilityMargin[8] = {1200, 1100, 1925, 2700, 3500, 4400, 5300, 6200};
constexpr int StaticPruneMateWindow = 109899;  // no static pruning for a beta in mate range
constexpr int NullMoveMaterialGate = 9300;     // material needed for a null move above depth 6
constexpr int NullMoveMargin = 2000;           // material score + margin must reach beta
constexpr int HeavyMaterial = 33000;           // both sides above it: reduce the null move one more
constexpr int MateThreatBound = -109699;       // a null-move score below it means a mate threat
constexpr int BetaFloor = -110199;             // below it no move can help: score as if none
constexpr int ReductionOrderLimit = 950;       // hash, PV, killer and capture moves order above it
constexpr int DepthTwoFutilityMargin = 3440;   // quiet move at depth 2 that cannot reach alpha

// Interior nodes write their PV row and killers and read the row below; the null move's child
// sits two plies down. Deeper nodes are searched as leaves so no table row past 199 is touched.
constexpr int LastInteriorPly = MaxPly - 3;

// Squares a pawn of the given colour still has to pass on its own and the neighbouring files:
// no enemy pawn there means the pawn is passed.
struct PassedPawnSpans {
  uint64_t Span[2][64];
};

constexpr PassedPawnSpans MakePassedPawnSpans() {
  PassedPawnSpans t{};
  for (int sq = 0; sq < 64; sq++) {
    const int file = sq & 7, rank = sq >> 3;
    uint64_t files = FileMasks[file];
    if (file > 0) files |= FileMasks[file - 1];
    if (file < 7) files |= FileMasks[file + 1];
    const uint64_t above = rank < 7 ? ~uint64_t{0} << (8 * (rank + 1)) : 0;
    const uint64_t below = rank > 0 ? ~uint64_t{0} >> (8 * (8 - rank)) : 0;
    t.Span[White][sq] = files & above;
    t.Span[Black][sq] = files & below;
  }
  return t;
}

constexpr PassedPawnSpans PassedSpans = MakePassedPawnSpans();
static_assert(PassedSpans.Span[White][E4] == ((FileD | FileE | FileF) & ~(Rank1 | Rank2 | Rank3 | Rank4)));
static_assert(PassedSpans.Span[Black][A2] == ((FileA | FileB) & Rank1));

bool IsPassedPawnPush(const ChessBoard& board, int side, uint64_t to) {
  if (!board.IsPawn(static_cast<int8_t>(side), to)) return false;
  const uint64_t enemyPawns = side ? board.WhitePawns : board.BlackPawns;
  return (PassedSpans.Span[side][LowestSquare(to)] & enemyPawns) == 0;
}

// Whether the side to move, in check, has a legal move: the fifty-move rule draws only a
// position that is not checkmate.
bool CanEscapeCheck(ChessBoard board, int8_t side) {
  MoveGen moves;
  const int n = moves.GenCheckEvasions(side, &board);
  for (int i = 0; i < n; i++) {
    uint64_t from = 0, to = 0;
    char promo = NoPromotion;
    moves.GetMove(i, &from, &to, &promo);
    uint8_t castleMask = 0;
    board.MakeMove(from, to, promo, castleMask);
    const bool safe = !board.InCheck(side == White ? board.WhiteKing : board.BlackKing, side);
    board.UndoMove(i);
    if (safe) return true;
  }
  return false;
}

}  // namespace

int SearchRoutines::Search(char side, int alpha, int beta, ChessBoard board, int depth, int ply, char nullAllowed,
                           char castleFlags, char inCheck, uint64_t upperKey, uint64_t lowerKey, char nodeType,
                           char moveFlags, int plyCap, char rootFlag) {
  const int8_t me = side ? Black : White;
  const int8_t enemy = me ^ 1;

  // 1. Poll the input and the clock now and then, and look at the input alone more often. The
  // first iteration is a matter of milliseconds and is never interrupted, so the root always has
  // a move to play. A helper thread polls in every kind of search, for the pool's stop request
  // only.
  if ((Limits.BenchMode == 0 || Helper) && !Aborted) {
    if (PollCountdown-- <= 0 && IterationDepth > 1) {
      if (Helper ? HelperPoll() : PollInputAndClock()) return 0;
    } else if (!Helper && InputCountdown-- <= 0 && IterationDepth > 1) {
      if (PollInput()) return 0;
    }
  }

  // 2. This node's keys, which the caller worked out and prefetched the table for, go on the
  // game history for the repetition test of its descendants.
  const bool pushed = MoveList.InsertHashCodeMoveHistory(upperKey, lowerKey);
  auto leave = [&](int value) {
    if (pushed) MoveList.RetractMove();
    return value;
  };

  int hashValue = 0;
  int hashMove = 0;

  // 3. Leaves: the horizon (or the ply cap) outside check, and whatever lies too deep for the tables.
  if ((!(depth > 0 && ply <= plyCap) && inCheck != 1) || ply > LastInteriorPly) {
    if (board.FiftyMoveCount > 2 && MoveList.ThreeFoldRepDetection(board.FiftyMoveCount, upperKey, lowerKey) > 0)
      return leave(0);
    const unsigned probe =
        PositionCache.SearchTranspositionTables(upperKey, lowerKey, ply, depth, alpha, beta, &hashValue, &hashMove);
    if (probe <= TTExact) {
      HashHitCount++;
      return leave(hashValue);
    }
    const int q = Quiesce(side, alpha, beta, board, depth, 0, ply + 1);
    if (q >= beta)
      PositionCache.InsertTranspositionTables(upperKey, lowerKey, ply, depth, 0, q, LowerBound, alpha, beta);
    else if (q > alpha)
      PositionCache.InsertTranspositionTables(upperKey, lowerKey, ply, depth, 0, q, ExactBound, alpha, beta);
    else
      PositionCache.InsertTranspositionTables(upperKey, lowerKey, ply, depth, 0, alpha, UpperBound, alpha, beta);
    HashHitCount++;
    return leave(q);
  }

  // 4. An interior node. The null move's bucket is fetched now, alongside this node's own probe.
  if (!Helper && ply > Clock.SearchDepthReached) Clock.SearchDepthReached = ply;  // the main thread's
  if (nullAllowed && !inCheck && nodeType != PVNode) PositionCache.Prefetch(SideToggled(lowerKey));
  uint16_t& pvEnd = PV[ply][0].Code;

  // 5. Draws: material, the fifty-move rule (unless the move that ran the count out mated), and
  // any earlier occurrence of the position. A mated side has no move: the move loop scores it.
  if (const int32_t draw = board.CheckDraw(inCheck); draw != 0) {
    const bool mated = draw == ChessBoard::FiftyMoveDraw && inCheck && !CanEscapeCheck(board, me);
    if (!mated) return leave(0);
  }
  if (board.FiftyMoveCount > 2 && MoveList.ThreeFoldRepDetection(board.FiftyMoveCount, upperKey, lowerKey) > 0)
    return leave(0);

  // 6. The transposition table. Principal-variation nodes are always searched.
  const unsigned probe =
      PositionCache.SearchTranspositionTables(upperKey, lowerKey, ply, depth, alpha, beta, &hashValue, &hashMove);
  if (probe <= TTExact && nodeType != PVNode) {
    if (TraceFlag == 1) ReportTableTrace("Position Cache Hit", hashValue, alpha, beta, upperKey, lowerKey);
    // The stored move stands as this ply's variation (none when the entry has no move).
    PV[ply][ply] = PVEntry{static_cast<uint16_t>(hashMove & 0xFFF), NoPromotion};
    pvEnd = static_cast<uint16_t>(hashMove != 0 ? ply + 1 : ply);
    return leave(hashValue);
  }

  // 6b. The endgame tables, for a position with few enough pieces just after a capture or a pawn
  // move (the tables know nothing of a fifty-move count or of castling): their result is final.
  // A position with as many pieces as the largest tables is asked only at a remaining depth of
  // SyzygyProbeDepth or more: those files are the largest and the slowest to read.
  if (Syzygy.Largest > 0 && board.FiftyMoveCount == 0 && castleFlags == 0) {
    const int pieces = PopCount(board.AllPieces);
    const int limit = TablePieceLimit();
    TableResult result;
    if (pieces <= limit && (pieces < limit || depth >= Syzygy.ProbeDepth) && ProbeWdl(board, me, &result)) {
      TableHits++;
      int v = 0;
      if (result == TableResult::Win || (result == TableResult::CursedWin && !Syzygy.Rule50))
        v = TableWinScore - ply;
      else if (result == TableResult::Loss || (result == TableResult::BlessedLoss && !Syzygy.Rule50))
        v = ply - TableWinScore;
      PositionCache.InsertTranspositionTables(upperKey, lowerKey, ply, std::min(depth + 6, 100), 0, v,
                                              ExactBound, alpha, beta);
      pvEnd = static_cast<uint16_t>(ply);
      return leave(v);
    }
  }

  bool mateThreat = false;
  if (nodeType != PVNode) {
    // 7. Static pruning: far enough above beta that a few plies cannot bring it back.
    if (nullAllowed && !inCheck && depth <= 3 && beta >= -StaticPruneMateWindow && beta <= StaticPruneMateWindow) {
      const int pieces = me == White ? board.WhitePieceTotal - board.WhitePawnCount
                                     : board.BlackPieceTotal - board.BlackPawnCount;
      if (pieces > 0) {
        const int e = PE.PosEval(side, alpha, beta, &board, castleFlags) - FutilityMargin[depth > 0 ? depth : 0];
        if (e >= beta) return leave(e);
      }
    }

    // 8. Null move: if passing still keeps us above beta, a real move will too.
    if (nullAllowed && probe != TTBelowBeta && !inCheck &&
        (depth <= 6 || PE.SideMaterialValue(side, &board) > NullMoveMaterialGate) &&
        PE.MaterialOnly(side, alpha, board) + NullMoveMargin >= beta) {
      const uint64_t nullUpper = SideToggled(upperKey), nullLower = SideToggled(lowerKey);
      const int theirMaterial = PE.SideMaterialValue(side ^ 1, &board);
      int reduced = depth - 4;
      if (depth <= 5) reduced += 1;
      if (PE.SideMaterialValue(side, &board) + theirMaterial > HeavyMaterial) reduced -= 1;
      const int v = -Search(side ^ 1, -beta, -beta + 1, board, reduced, ply + 2, 0, castleFlags, 0, nullUpper,
                            nullLower, nodeType, static_cast<char>(moveFlags & MoveExtended), plyCap, rootFlag);
      if (MustUnwind()) return leave(0);
      if (v >= beta) {
        PositionCache.InsertTranspositionTables(upperKey, lowerKey, ply, depth - 3, 0, v, LowerBound, alpha, beta);
        if (TraceFlag == 1) ReportTableTrace("Position Cache Insert (NullM)", v, alpha, beta, upperKey, lowerKey);
        pvEnd = static_cast<uint16_t>(ply);
        return leave(beta);
      }
      mateThreat = v < MateThreatBound;
    }

    // 9. Internal iterative deepening: a shallower search finds a move to try first.
    if (beta - alpha > 1 && depth > 3) {
      Search(side, alpha, beta, board, depth - 3, ply, 0, castleFlags, inCheck, upperKey, lowerKey, nodeType,
             moveFlags, plyCap, rootFlag);
      if (MustUnwind()) return leave(0);
      PositionCache.SearchTranspositionTables(upperKey, lowerKey, ply, depth, alpha, beta, &hashValue, &hashMove);
    }
  }

  // 10. Generate and order the moves. The stored move is most often searched first: its
  // child's bucket is fetched while the list is built.
  if (hashMove != 0 && depth > 1)
    PositionCache.Prefetch(LowerKeyHint(board, me, lowerKey, Bit(hashMove >> 6 & 63), Bit(hashMove & 63)));
  int best = NoScore;
  MoveGen moves;
  bool singleReply = false;
  int n;
  if (inCheck) {
    n = moves.GenCheckEvasions(me, &board);
    singleReply = n == 1;
  } else {
    n = moves.GenerateAllMoves(me, &board, static_cast<uint8_t>(castleFlags));
  }
  const uint64_t enemyKingSquare = me == White ? board.BlackKing : board.WhiteKing;
  moves.AssignMoveOrderValues(Learnt(), n, ply, enemyKingSquare, hashMove, nodeType);

  int legal = 0;
  bool alphaRaised = false;
  bool bestWasFutile = false;
  char childType = nodeType;
  const int historyIncrement = depth;
  std::atomic<uint64_t>* busy = nullptr;  // this node's mark among the busy positions, while it stands

  if (n > 0 && beta >= BetaFloor) {
    // 11. The move loop. While other threads search, a move whose position one of them is in
    // just then is put off: copied past the list, where the loop comes to it at the end.
    const bool spread = SharedSearch && depth >= BusyNodeDepth;
    if (spread) busy = &EnterBusy(lowerKey);
    int end = n;  // the list and the moves put off
    int picked = -1;  // the move already put in its place by the look-ahead below
    for (int i = 0; i < end && best < beta; i++) {
      uint64_t from = 0, to = 0;
      char promo = NoPromotion;
      if (i == picked)
        moves.GetMove(i, &from, &to, &promo);
      else
        moves.NextMove(i, n, &from, &to, &promo);
      // The next move's table bucket is fetched while this move is searched. NextMove only
      // reads the order values, so picking the next move early picks the same one.
      if (depth > 1 && i + 1 < n) {
        uint64_t nextFrom = 0, nextTo = 0;
        char nextPromo = NoPromotion;
        moves.NextMove(i + 1, n, &nextFrom, &nextTo, &nextPromo);
        picked = i + 1;
        PositionCache.Prefetch(LowerKeyHint(board, me, lowerKey, nextFrom, nextTo));
      }
      const uint64_t enemyBefore = me == White ? board.BlackPieces : board.WhitePieces;
      const bool toWasEmpty = board.IsEmptySquare(to);
      // The child's keys come with the move, so its table bucket and its pawn entry are on their
      // way while this node tests the move and decides how deep to search it.
      uint8_t castleMask = 0;
      uint64_t childUpper = upperKey, childLower = lowerKey;
      board.MakeMove(from, to, promo, castleMask, &childUpper, &childLower);
      const char childCastle = static_cast<char>(castleFlags & castleMask);
      ToggleSideAndCastling(static_cast<uint8_t>(castleFlags), static_cast<uint8_t>(childCastle), &childUpper,
                            &childLower);
      PositionCache.Prefetch(childLower);
      PrefetchPawnEntry(board.PawnKingKey);
      const uint64_t ownKing = me == White ? board.WhiteKing : board.BlackKing;
      if (board.InCheck(ownKing, me)) {
        board.UndoMove(i);
        continue;
      }
      if (spread && legal > 0 && i < n && end < MaxMoves && IsBusy(childLower)) {
        board.UndoMove(i);
        moves.CopyEntry(i, end++);
        continue;
      }
      NodeCount++;
      legal++;
      const uint64_t theirKing = me == White ? board.BlackKing : board.WhiteKing;
      const bool givesCheck = board.InCheck(theirKing, enemy) != 0;
      const uint64_t enemyAfter = me == White ? board.BlackPieces : board.WhitePieces;
      const bool capture = enemyAfter != enemyBefore;
      const bool promotion = promo != NoPromotion;

      int ext = 0, reduction = 0, futile = 0;
      const bool lateMove = legal > 2 && !promotion && !givesCheck && depth > 2 && ply != 1 && !mateThreat &&
                            !singleReply && !capture && moves.OrderValue[i] <= ReductionOrderLimit;
      if (lateMove) {
        if (!inCheck && !IsPassedPawnPush(board, me, to)) reduction = depth > 3 ? 2 : 1;
      } else if (givesCheck || childType == PVNode) {
        if (singleReply || mateThreat || givesCheck) ext = 1;
      } else if (depth == 2 && !inCheck && !promotion && !capture) {
        if (PE.MaterialOnly(side, alpha, board) + DepthTwoFutilityMargin < alpha) futile = 1;
      }

      const int newDepth = depth - 1 + ext - futile - reduction;
      const char childFlags =
          static_cast<char>((capture ? MoveCapture : 0) | (ext ? MoveExtended : 0) | (reduction > 0 ? MoveReduced : 0));
      const char childCheck = givesCheck ? 1 : 0;
      // The child's variation row starts empty, so whatever it leaves there belongs to this move.
      PV[ply + 1][0].Code = static_cast<uint16_t>(ply + 1);

      int v;
      if (legal == 1 || nodeType != PVNode) {
        if (nodeType == CutNode)
          childType = AllNode;
        else if (nodeType == AllNode)
          childType = CutNode;
        if (newDepth > 0 || givesCheck)
          v = -Search(side ^ 1, -beta, -alpha, board, newDepth, ply + 1, 1, childCastle, childCheck, childUpper,
                      childLower, childType, childFlags, plyCap, rootFlag);
        else
          v = -Quiesce(side ^ 1, -beta, -alpha, board, depth - 1, 0, ply + 1);
      } else {
        if (newDepth > 0 || givesCheck) {
          v = -Search(side ^ 1, -alpha - 1, -alpha, board, newDepth, ply + 1, 1, childCastle, childCheck, childUpper,
                      childLower, AllNode, childFlags, plyCap, rootFlag);
          if (v > alpha && v < beta)
            v = -Search(side ^ 1, -beta, -alpha, board, newDepth, ply + 1, 1, childCastle, childCheck, childUpper,
                        childLower, AllNode, childFlags, plyCap, rootFlag);
        } else {
          v = -Quiesce(side ^ 1, -beta, -alpha, board, newDepth, 0, ply + 1);
        }
        childType = AllNode;
      }
      // A reduced move that beats alpha is searched again at its full depth.
      if (reduction > 0 && v > alpha)
        v = -Search(side ^ 1, -beta, -alpha, board, depth - 1 + ext, ply + 1, 1, childCastle, childCheck, childUpper,
                    childLower, PVNode, childFlags, plyCap, rootFlag);

      board.UndoMove(i);
      if (MustUnwind() || Aborted) {
        if (busy != nullptr) LeaveBusy(*busy, lowerKey);
        return leave(0);
      }

      if (v > best) {
        best = v;
        bestWasFutile = futile == 1;
        if (v > alpha) {
          const uint16_t code = MoveCode(LowestSquare(from), LowestSquare(to));
          PV[ply][ply] = PVEntry{code, promo};
          // This move followed by the child's variation.
          const int childEnd = PV[ply + 1][0].Code;
          const int end = childEnd > ply + 1 ? childEnd : ply + 1;
          for (int j = ply + 1; j < end; j++) PV[ply][j] = PV[ply + 1][j];
          pvEnd = static_cast<uint16_t>(end);
          if (v >= beta) {
            AddHistory(side, code, historyIncrement);
            if (toWasEmpty && !promotion && Killers[ply][0] != code) {
              Killers[ply][1] = Killers[ply][0];
              Killers[ply][0] = code;
            }
          }
          alpha = v;
          alphaRaised = true;
        }
      }
    }
  }

  // 13. No legal move: mate or stalemate.
  if (legal == 0) {
    const uint64_t ownKing = me == White ? board.WhiteKing : board.BlackKing;
    const uint64_t theirKing = me == White ? board.BlackKing : board.WhiteKing;
    if (board.InCheck(ownKing, me))
      best = ply - MateValue;
    else if (board.InCheck(theirKing, enemy))
      best = MateValue - ply;
    else
      best = -ply;
    // That is the node's exact value, whatever the window: above alpha it is stored as such,
    // never as "at most alpha" (a mate distance the table would then carry to other plies).
    // There is no move to store with it.
    alphaRaised = best > alpha;
    PV[ply][ply] = PVEntry{0, NoPromotion};
  }

  // 14. Store the result, unless the best move was only a futility-reduced guess.
  if (!bestWasFutile) {
    const int16_t move = static_cast<int16_t>(PV[ply][ply].Code);
    if (best >= beta)
      PositionCache.InsertTranspositionTables(upperKey, lowerKey, ply, depth, move, best, LowerBound, alpha, beta);
    else if (alphaRaised)
      PositionCache.InsertTranspositionTables(upperKey, lowerKey, ply, depth, move, best, ExactBound, alpha, beta);
    else
      PositionCache.InsertTranspositionTables(upperKey, lowerKey, ply, depth, move, alpha, UpperBound, alpha, beta);
  }
  if (busy != nullptr) LeaveBusy(*busy, lowerKey);
  return leave(best);
}
