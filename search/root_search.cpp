// The root of the search: one iteration over every legal move of the game position, with the
// thinking output, the falling-score signal for the clock, and the book on the first iteration.

#include <cstdio>

#include "board/bit_ops.h"
#include "book/opening_book.h"
#include "driver/log_file.h"
#include "driver/status.h"
#include "hash/keys.h"
#include "hash/transposition_table.h"
#include "movegen/move_gen.h"
#include "search/search_control.h"
#include "search/search_routines.h"
#include "uci/uci_protocol.h"

// Cuts the root variation at its first move that cannot be played from the position it is
// played in. Table moves stand in the variation without a full check, and a table entry can
// in rare cases carry a move of another position (two positions sharing both keys), so the
// printed line is verified by playing it out.
static void TrimVariation(SearchRoutines& s, ChessBoard board, int8_t side, uint8_t castle) {
  uint64_t from = 0, to = 0;
  char promo = NoPromotion;
  for (int j = 0; j < s.PVLength; j++) {
    if (!FindLegalMove(board, side, castle, s.PV[0][j], &from, &to, &promo)) {
      s.PVLength = j;
      return;
    }
    uint8_t mask = 0;
    board.MakeMove(from, to, promo, mask);
    castle = static_cast<uint8_t>(castle & mask);
    side ^= 1;
  }
}

int SearchRoutines::SearchTreeRoot(char side, ChessBoard board, int alpha, int beta, int depth, uint64_t* bestFrom,
                                   uint64_t* bestTo, char* bestPromo, char castleFlags) {
  Status& status = MainStatus;
  const int8_t me = side ? Black : White;
  const int8_t enemy = me ^ 1;
  const bool uci = status.UCIMode == 1;

  // 1. The book, on the first iteration only; an analysis always searches.
  if (depth == 1 && status.BenchMode == 0 && status.UseBook == 1 && status.AnalyzeMode == 0) {
    const int k = InBook(side, castleFlags, MainBoard);
    if (k >= 0) {
      MoveGen list;
      const int n = list.GenerateAllMoves(me, &board, static_cast<uint8_t>(castleFlags));
      if (k < n) {
        list.GetMove(k, bestFrom, bestTo, bestPromo);
        BookMovePlayed = true;
        LastBookPly = status.GamePly;
        return 0;
      }
    }
  }

  // 2. A UCI GUI learns at once which iteration has begun.
  if (uci) {
    printf("info depth %d\n", depth);
    fflush(stdout);
  }

  // 3. The previous iteration's best move stays the answer until a move proves better.
  *bestFrom = SquareMask(PV[0][0].Code >> 6);
  *bestTo = SquareMask(PV[0][0].Code & 63);
  *bestPromo = PV[0][0].Promotion;
  LogPrintf("Init Tree Root Search Choice From=%d  To=%d  Promo=%c\n", PV[0][0].Code >> 6, PV[0][0].Code & 63,
            *bestPromo);
  // Before the first iteration has finished there is no real move yet (a1a1 stands in for it).
  bool haveMove = *bestFrom != *bestTo;

  // 4. The move list of the root, ordered with the previous best move first.
  RunnerUpScore = NoScore;
  IterationDepth = depth;
  MoveGen moves;
  const int n = moves.GenerateAllMoves(me, &board, static_cast<uint8_t>(castleFlags));
  RootMoveTotal = n;
  const uint64_t enemyKingSquare = me == White ? board.BlackKing : board.WhiteKing;
  moves.AssignMoveOrderValues(Learnt(), n, 0, enemyKingSquare, 0, 1);
  int best = NoScore;
  int legal = 0;
  const int plyCap = board.PlyLimit;
  const int minorsAndMajors = board.WhiteQueenCount + board.WhiteRookCount + board.WhiteBishopCount +
                              board.WhiteKnightCount + board.BlackQueenCount + board.BlackRookCount +
                              board.BlackBishopCount + board.BlackKnightCount;

  auto printBestLine = [&](int score) {
    // A command that aborted the search has replaced its position: its lines would mislead.
    if (Aborted) return;
    const char* variation = BestLineText(*bestFrom, *bestTo, *bestPromo, score);
    if (uci) {
      PrintUciInfoLine(depth, score, variation);
    } else if (status.XboardMode == 1 && status.Post) {
      PrintThinkingLine(depth, score, variation);
    }
    fflush(stdout);
  };

  // 5. Every legal move in turn, until one scores beta or the time is up.
  for (int i = 0; i < n && best < beta; i++) {
    if (haveMove && (((TimeUp && !status.FD && !status.NoTimeControl)) || MoveNow)) {
      LogPrintf("Tree Root Search Interrupted at m=%d LegalMoves=%d NumMove=%d\n", i, legal, n);
      break;
    }
    RootMovesDone = i + 1;
    uint64_t from = 0, to = 0;
    char promo = NoPromotion;
    moves.NextMove(i, n, &from, &to, &promo);
    const uint64_t enemyBefore = me == White ? board.BlackPieces : board.WhitePieces;
    uint8_t castleMask = 0;
    board.MakeMove(from, to, promo, castleMask);
    const char childCastle = static_cast<char>(castleFlags & castleMask);
    uint64_t upper = 0, lower = 0;
    genhashcode(enemy, static_cast<uint8_t>(childCastle), &upper, &lower, &board);
    PositionCache.Prefetch(lower);
    if (board.InCheck(me == White ? board.WhiteKing : board.BlackKing, me)) {
      board.UndoMove(i);
      continue;
    }
    NodeCount++;
    legal++;
    if (uci) {
      if (UCI.ShowCurrLine && depth > 8 && Nodes() > 3LL * status.NodesPerSecond)
        printf("info currmove %c%d%c%d currmovenumber %d\n", 'a' + (LowestSquare(from) & 7), LowestSquare(from) / 8 + 1,
               'a' + (LowestSquare(to) & 7), LowestSquare(to) / 8 + 1, legal);
      fflush(stdout);
    }
    if (!haveMove) {
      // Whatever happens next, the first legal move is a move the engine can play.
      *bestFrom = from;
      *bestTo = to;
      *bestPromo = promo;
      haveMove = true;
    }

    const bool givesCheck = board.InCheck(me == White ? board.BlackKing : board.WhiteKing, enemy) != 0;
    const int ext = givesCheck ? 1 : 0;
    const char childCheck = givesCheck ? 1 : 0;
    const bool capture = (me == White ? board.BlackPieces : board.WhitePieces) != enemyBefore;
    PV[1][0].Code = 1;  // the reply's variation starts empty

    auto stopped = [&] { return (StopNow && !status.FD && !status.NoTimeControl) || MoveNow; };
    auto interrupted = [&](const char* what, int v) {
      board.UndoMove(i);
      LogPrintf("%s Interrupted at m=%d LegalMoves=%d NumMove=%d\n", what, i, legal, n);
      LogPrintf("Tree Root Search Choice #1 From=%d  To=%d  Promo=%d\n", SquareIndex(*bestFrom),
                SquareIndex(*bestTo), *bestPromo);
      WriteLogFile(BestLineText(*bestFrom, *bestTo, *bestPromo, best));
      // The unfinished move's score means nothing: report the best move with its own score.
      printBestLine(best > NoScore ? best : RootScore);
      return v;
    };

    int v;
    bool done = false;
    if (legal == 1) {
      if (depth + ext == 1)
        v = -Quiesce(side ^ 1, -beta, -alpha, board, 0, 0, 1);
      else
        v = -Search(side ^ 1, -beta, -alpha, board, depth + ext - 1, 1, 1, childCastle, childCheck, upper, lower, 1,
                    4, plyCap, 1);
      if (stopped()) return interrupted("Tree Search #1", v);
      done = true;
    } else if (legal > 2 && depth > 2 && promo == NoPromotion && !givesCheck && !capture &&
               moves.OrderValue[i] <= 950 && minorsAndMajors > 2) {
      // A late quiet move: a reduced zero-window look first.
      v = -Search(side ^ 1, -alpha - 1, -alpha, board, depth - 2, 1, 1, childCastle, 0, upper, lower, 3, 4, plyCap,
                  1);
      if (stopped()) return interrupted("Tree Search #1", v);
      done = v <= alpha;
    }
    if (!done) {
      if (depth + ext == 1) {
        v = -Quiesce(side ^ 1, -beta, -alpha, board, 0, 0, 1);
      } else {
        v = -Search(side ^ 1, -alpha - 1, -alpha, board, depth + ext - 1, 1, 1, childCastle, childCheck, upper, lower,
                    3, 4, plyCap, 1);
        if (stopped()) return interrupted("Tree Search #1", v);
        if (v > alpha && v < beta) {
          v = -Search(side ^ 1, -beta, -alpha, board, depth + ext - 1, 1, 1, childCastle, childCheck, upper, lower, 1,
                      4, plyCap, 1);
          if (stopped()) return interrupted("Tree Search #2", v);
        }
      }
    }

    // 7. Back to the root position; an aborted search keeps nothing of this move.
    board.UndoMove(i);
    if (Aborted) break;

    // 8. A new best move.
    if (v > best) {
      RunnerUpScore = best;
      *bestFrom = from;
      *bestTo = to;
      *bestPromo = promo;
      FailingLow = depth > 9 && (status.MovesPerSession == 0 || status.MovesPerSession > 2) && v + 200 < RootScore &&
                   status.TimeLeft / 4 >= static_cast<int64_t>(status.TimeIncMs);
      if (v > alpha) {
        RootChange++;
        PV[0][0] = PVEntry{MoveCode(LowestSquare(from), LowestSquare(to)), promo};
        const int childEnd = PV[1][0].Code;
        PVLength = childEnd > 1 ? childEnd : 1;
        for (int j = 1; j < PVLength; j++) PV[0][j] = PV[1][j];
        TrimVariation(*this, board, me, static_cast<uint8_t>(castleFlags));
        if (PVLength < 1) PVLength = 1;
        if (depth > 7) {
          LogPrintf("ply %d  v %d  TimeLastPly %d  TotalNodes %lld  %s", depth, v, status.ElapsedSeconds,
                    static_cast<long long>(Nodes()), BestLineText(from, to, promo, v));
        }
        if (uci || IterationDepth > 7) printBestLine(v);
        alpha = v;
      }
      best = v;
    } else if (v > RunnerUpScore) {
      RunnerUpScore = v;
    }
  }

  // After the loop: a stopped search reports its line once more; with no legal move the
  // result tells mate from stalemate.
  if ((Aborted || TimeUp || StopNow) && !status.NoTimeControl) {
    printBestLine(best > NoScore ? best : RootScore);
    if (StopNow) return best;
  }
  if (!Aborted && !TimeUp) {
    RootLegalMoves = legal;
    if (legal == 0) {
      if (board.InCheck(me == White ? board.WhiteKing : board.BlackKing, me)) return -MateValue;
      if (board.InCheck(me == White ? board.BlackKing : board.WhiteKing, enemy)) return MateValue;
      return StalemateScore;
    }
  }
  return best;
}
