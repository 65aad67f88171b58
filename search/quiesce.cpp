// Quiescence search: at the leaves of the main search, play out captures and promotions until
// the position is quiet, so the static evaluation is never taken in the middle of an exchange.

#include "eval/position_evaluate.h"
#include "hash/pawn_hash.h"
#include "movegen/move_gen.h"
#include "movegen/see.h"
#include "search/search_routines.h"

int SearchRoutines::Quiesce(char side, int alpha, int beta, ChessBoard board, int depth, char castleFlags,
                            int ply) {
  QuiesceNodeCount++;
  PollCountdown--;

  if (board.CheckDraw(0) != 0) return 0;

  // Stand pat: the side to move need not capture at all.
  const int standPat = PE.PosEval(side, alpha, beta, &board, castleFlags);
  if (standPat >= beta) return standPat;
  int best = standPat;
  if (standPat > alpha) alpha = standPat;

  MoveGen list;
  list.MoveCount = 0;
  const int n = list.GenerateQuiesceMoves(side, &board);
  list.QuiesceAssignMoveOrderValues(n);
  if (n <= 0) return best;

  const char enemy = side ? White : Black;
  const uint64_t enemyKing = side ? board.WhiteKing : board.BlackKing;
  for (int i = 0; i < n; i++) {
    uint64_t from = 0, to = 0;
    char promotion = NoPromotion;
    list.NextMove(i, n, &from, &to, &promotion);

    // Captures and promotions come first; the first quiet move ends the node.
    if ((board.AllPieces & to) == 0 && promotion == NoPromotion) return best;
    // The opponent's last move left its king en prise.
    if (to & enemyKing) return beta;

    // A capture by a more valuable piece (or a quiet promotion) must not lose the exchange.
    const int captured = ValueCapturedPiece(side, to, &board);
    const int mover = ValueCapturedPiece(enemy, from, &board);
    const bool losing = captured < mover && see.StaticExchangeEvaluation(enemy, from, to, &board) < 0;

    if (!losing) {
      uint8_t castleMask = 15;
      board.MakeMove(from, to, promotion, castleMask);
      PrefetchPawnEntry(board.PawnKingKey);  // the child's evaluation starts with its pawns
      const uint64_t ownKing = side ? board.BlackKing : board.WhiteKing;
      if (!board.InCheck(ownKing, side)) {
        const int score = -Quiesce(enemy, -beta, -alpha, board, depth - 1, castleFlags, ply + 1);
        if (score > best) {
          best = score;
          if (score > alpha) alpha = score;
        }
      }
      board.UndoMove(i);
    }
    if (i + 1 >= n || best >= beta) return best;
  }
  return best;
}
