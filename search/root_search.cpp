// The root of the search: one iteration over every legal move of the game position, with the
// thinking output, the falling-score signal for the clock, and the book on the first iteration.

#include <algorithm>
#include <cstring>
#include <utility>

#include "board/bit_ops.h"
#include "board/keys.h"
#include "board/log_file.h"
#include "book/opening_book.h"
#include "hash/transposition_table.h"
#include "movegen/move_gen.h"
#include "search/search_control.h"
#include "search/search_report.h"
#include "search/search_routines.h"
#include "search/time_budget.h"
#include "search/variation_text.h"

// Cuts the root variation at its first move that cannot be played from the position it is
// played in. Table moves stand in the variation without a full check, and a table entry can
// in rare cases carry a move of another position (two positions sharing both keys), so the
// printed line is verified by playing it out. A table move names no promotion piece: the
// legal move it stands for does, so that every move of the line is written in full.
static void TrimVariation(SearchRoutines& s, ChessBoard board, int8_t side, uint8_t castle) {
  uint64_t from = 0, to = 0;
  char promo = NoPromotion;
  for (int j = 0; j < s.PVLength; j++) {
    if (!FindLegalMove(board, side, castle, s.PV[0][j], &from, &to, &promo)) {
      s.PVLength = j;
      return;
    }
    s.PV[0][j].Promotion = promo;
    uint8_t mask = 0;
    board.MakeMove(from, to, promo, mask);
    castle = static_cast<uint8_t>(castle & mask);
    side ^= 1;
  }
}

int SearchRoutines::SearchTreeRoot(char side, ChessBoard board, int alpha, int beta, int depth, uint64_t* bestFrom,
                                   uint64_t* bestTo, char* bestPromo, char castleFlags) {
  const int8_t me = side ? Black : White;
  const int8_t enemy = me ^ 1;

  // Only some of the root moves may be searched: those listed by searchmoves, less those
  // MultiPV has already given a line.
  const bool filtered = RootExcludedCount > 0 || RootIncludedCount > 0;

  // 1. The book, on the first iteration only; an analysis, a search of several lines or of
  // listed moves always searches.
  if (depth == 1 && !Helper && Limits.BenchMode == 0 && Limits.UseBook == 1 && Limits.Infinite == 0 && LinesSearched() <= 1 &&
      RootIncludedCount == 0) {
    // The UCI front end counts the moves it has applied, the console and xboard from 1: the
    // book is asked for the ply about to be played, 1 for White's first move.
    ReportBookLookup();
    const int k = InBook(side, castleFlags, MainBoard, Limits.GamePly + (Protocol.UCIMode == 1 ? 1 : 0));
    if (k >= 0) {
      MoveGen list;
      const int n = list.GenerateAllMoves(me, &board, static_cast<uint8_t>(castleFlags));
      if (k < n) {
        list.GetMove(k, bestFrom, bestTo, bestPromo);
        BookMovePlayed = true;
        LastBookPly = Limits.GamePly;
        return 0;
      }
    }
  }

  // 2. A UCI GUI learns at once which iteration has begun.
  if (RootLine == 0) ReportIterationStart(depth);

  // 3. The previous iteration's best move stays the answer until a move proves better.
  *bestFrom = SquareMask(PV[0][0].Code >> 6);
  *bestTo = SquareMask(PV[0][0].Code & 63);
  *bestPromo = PV[0][0].Promotion;
  // The match log is the main thread's: a helper thread searching beside it writes nothing there.
  const bool logs = !Helper;
  if (logs)
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
  moves.AssignMoveOrderValues(Learnt(), n, 0, enemyKingSquare, 0, PVNode);
  // A helper thread takes the moves after the first in an order of its own, so that the threads
  // begin on different moves: the list sorted once, entered at the helper's share of it and
  // wrapped around. The main thread picks its moves one by one as they are needed.
  const int helperStart = Helper && n > 2 ? ThreadIndex * (n - 1) / ThreadTotal : 0;
  if (helperStart > 0)
    for (int k = 0; k < n; k++) moves.SelectBest(k, n);
  int best = NoScore;
  int legal = 0;
  const int plyCap = board.PlyLimit;
  const int minorsAndMajors = board.WhiteQueenCount + board.WhiteRookCount + board.WhiteBishopCount +
                              board.WhiteKnightCount + board.BlackQueenCount + board.BlackRookCount +
                              board.BlackBishopCount + board.BlackKnightCount;

  auto printBestLine = [&](int score) {
    // A command that aborted the search has replaced its position: its lines would mislead.
    // Several lines are printed together once the depth is complete.
    if (Aborted || LinesSearched() > 1) return;
    const RootVariation line = BestLine(*bestFrom, *bestTo, *bestPromo);
    ReportBestLine({depth, score, line.Moves, line.Length});
  };

  // 5. Every legal move in turn, until one scores beta or the time is up.
  for (int i = 0; i < n && best < beta; i++) {
    if (haveMove && !MayStartMore()) {
      if (logs) LogPrintf("Tree Root Search Interrupted at m=%d LegalMoves=%d NumMove=%d\n", i, legal, n);
      break;
    }
    RootMovesDone = i + 1;
    uint64_t from = 0, to = 0;
    char promo = NoPromotion;
    const int slot = helperStart > 0 && i > 0 ? 1 + (i - 1 + helperStart) % (n - 1) : i;
    if (helperStart > 0)
      moves.GetMove(slot, &from, &to, &promo);
    else
      moves.NextMove(i, n, &from, &to, &promo);
    const uint16_t code = MoveCode(LowestSquare(from), LowestSquare(to));
    if ((filtered && !RootMoveAllowed(code)) || !RootTableAllows(code, promo)) continue;
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
    ReportCurrentMove(depth, from, to, promo, legal);
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

    auto interrupted = [&](const char* what, int v) {
      board.UndoMove(i);
      if (logs) {
        LogPrintf("%s Interrupted at m=%d LegalMoves=%d NumMove=%d\n", what, i, legal, n);
        LogPrintf("Tree Root Search Choice #1 From=%d  To=%d  Promo=%d\n", SquareIndex(*bestFrom),
                  SquareIndex(*bestTo), *bestPromo);
        const RootVariation line = BestLine(*bestFrom, *bestTo, *bestPromo);
        WriteLogFile(VariationText(line.Moves, line.Length));
      }
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
        v = -Search(side ^ 1, -beta, -alpha, board, depth + ext - 1, 1, 1, childCastle, childCheck, upper, lower,
                    PVNode, MoveReduced, plyCap, 1);
      if (MustUnwind()) return interrupted("Tree Search #1", v);
      done = true;
    } else if (legal > 2 && depth > 2 && promo == NoPromotion && !givesCheck && !capture &&
               moves.OrderValue[slot] <= 950 && minorsAndMajors > 2) {
      // A late quiet move: a reduced zero-window look first.
      v = -Search(side ^ 1, -alpha - 1, -alpha, board, depth - 2, 1, 1, childCastle, 0, upper, lower, AllNode,
                  MoveReduced, plyCap, 1);
      if (MustUnwind()) return interrupted("Tree Search #1", v);
      done = v <= alpha;
    }
    if (!done) {
      if (depth + ext == 1) {
        v = -Quiesce(side ^ 1, -beta, -alpha, board, 0, 0, 1);
      } else {
        v = -Search(side ^ 1, -alpha - 1, -alpha, board, depth + ext - 1, 1, 1, childCastle, childCheck, upper, lower,
                    AllNode, MoveReduced, plyCap, 1);
        if (MustUnwind()) return interrupted("Tree Search #1", v);
        if (v > alpha && v < beta) {
          v = -Search(side ^ 1, -beta, -alpha, board, depth + ext - 1, 1, 1, childCastle, childCheck, upper, lower,
                      PVNode, MoveReduced, plyCap, 1);
          if (MustUnwind()) return interrupted("Tree Search #2", v);
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
      // Only the best line tells whether the root score is falling.
      if (RootLine == 0)
        FailingLow = depth > 9 && (Limits.MovesPerSession == 0 || Limits.MovesPerSession > 2) && v + 200 < RootScore &&
                   Limits.TimeLeft / 4 >= static_cast<int64_t>(Limits.TimeIncMs);
      if (v > alpha) {
        RootChange++;
        PV[0][0] = PVEntry{code, promo};
        const int childEnd = PV[1][0].Code;
        PVLength = childEnd > 1 ? childEnd : 1;
        for (int j = 1; j < PVLength; j++) PV[0][j] = PV[1][j];
        TrimVariation(*this, board, me, static_cast<uint8_t>(castleFlags));
        if (PVLength < 1) PVLength = 1;
        const RootVariation line = BestLine(from, to, promo);
        if (logs && depth > 7) {
          LogPrintf("ply %d  v %d  TimeLastPly %d  TotalNodes %lld  %s", depth, v, Clock.ElapsedSeconds,
                    static_cast<long long>(Nodes()), VariationText(line.Moves, line.Length));
        }
        if (!Aborted && LinesSearched() <= 1) ReportNewBestMove({depth, v, line.Moves, line.Length});
        alpha = v;
      }
      best = v;
    } else if (v > RunnerUpScore) {
      RunnerUpScore = v;
    }
  }

  // After the loop: a stopped search reports its line once more; with no legal move the
  // result tells mate from stalemate.
  if ((Aborted || TimeUp || StopNow) && !Limits.Ponder) {
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

bool SearchRoutines::RootMoveAllowed(uint16_t code) const {
  for (int i = 0; i < RootExcludedCount; i++)
    if (RootExcluded[i] == code) return false;
  if (RootIncludedCount == 0) return true;
  for (int i = 0; i < RootIncludedCount; i++)
    if (RootIncluded[i] == code) return true;
  return false;
}

namespace {

void CopyLine(PVEntry* to, const PVEntry* from, int length) {
  std::memcpy(to, from, static_cast<size_t>(length) * sizeof(PVEntry));
}

}  // namespace

int SearchRoutines::SearchRootLines(const ChessBoard& board, int depth, uint64_t* bestFrom, uint64_t* bestTo,
                                    char* bestPromo) {
  const char side = static_cast<char>(board.SideToMove);
  const char castle = static_cast<char>(board.CastleFlags);
  auto stopped = [&] { return Aborted || TimeUp || StopNow || MoveNow; };
  auto keepLine = [&](int k, int score) {
    const int length = std::clamp<int>(PVLength, 1, MaxPly);
    CopyLine(LinePV[k], PV[0], length);
    LineLength[k] = length;
    LineScore[k] = score;
  };
  const int previousLines = LineCount;
  LineCount = 0;

  // The best line: the whole root, exactly as a search of one line.
  RootLine = 0;
  RootExcludedCount = 0;
  const int first = SearchTreeRoot(side, board, -MateValue, MateValue, depth, bestFrom, bestTo, bestPromo, castle);
  // Nothing complete at this depth, or no move at all (mate, stalemate): no lines.
  if (stopped() || first == NoScore || RootLegalMoves == 0) return first;
  keepLine(0, first);
  // What the clock's rules read comes from the best line.
  const int32_t runnerUp = RunnerUpScore;
  const int8_t rootChange = RootChange;
  const bool failingLow = FailingLow;
  const int32_t legalMoves = RootLegalMoves;

  // Each further line: the best of the moves without a line yet, with its own full window. The
  // move that held this place at the previous depth is tried first.
  const int wanted = std::min(LinesSearched(), legalMoves);
  int lines = 1;
  for (; lines < wanted; lines++) {
    RootExcluded[lines - 1] = LinePV[lines - 1][0].Code;
    RootExcludedCount = lines;
    RootLine = lines;
    const bool seeded = lines < previousLines && RootMoveAllowed(LinePV[lines][0].Code);
    PV[0][0] = seeded ? LinePV[lines][0] : PVEntry{};
    uint64_t from = 0, to = 0;
    char promo = NoPromotion;
    const int v = SearchTreeRoot(side, board, -MateValue, MateValue, depth, &from, &to, &promo, castle);
    if (stopped() || v == NoScore) break;
    keepLine(lines, v);
  }
  RootLine = 0;
  RootExcludedCount = 0;
  LineCount = lines;
  RunnerUpScore = runnerUp;
  RootChange = rootChange;
  FailingLow = failingLow;
  RootLegalMoves = legalMoves;

  // Best first: by the endgame tables' result where they know the root, then by score. A later
  // line scores above an earlier one only when the searches disagree (the table holds different
  // bounds by then); the higher score is taken at its word.
  auto ahead = [&](int a, int b) {
    const int rankA = RootTableRank(LinePV[a][0]), rankB = RootTableRank(LinePV[b][0]);
    return rankA != rankB ? rankA > rankB : LineScore[a] > LineScore[b];
  };
  for (int k = 1; k < lines; k++) {
    for (int j = k; j > 0 && ahead(j, j - 1); j--) {
      std::swap(LinePV[j], LinePV[j - 1]);
      std::swap(LineLength[j], LineLength[j - 1]);
      std::swap(LineScore[j], LineScore[j - 1]);
    }
  }

  // The best line is the search's answer: its move, and its variation in PV row 0 for the
  // ponder move and the next iteration's move ordering.
  TakeRootLine(LinePV[0], LineLength[0], bestFrom, bestTo, bestPromo);
  return LineScore[0];
}

void SearchRoutines::TakeRootLine(const PVEntry* line, int length, uint64_t* bestFrom, uint64_t* bestTo,
                                  char* bestPromo) {
  CopyLine(PV[0], line, length);
  PVLength = length;
  *bestFrom = SquareMask(PV[0][0].Code >> 6);
  *bestTo = SquareMask(PV[0][0].Code & 63);
  *bestPromo = PV[0][0].Promotion;
}

void SearchRoutines::ShowLine(int k) {
  CopyLine(PV[0], LinePV[k], LineLength[k]);
  PVLength = LineLength[k];
}

RootVariation SearchRoutines::BestLine(uint64_t from, uint64_t to, char promo) const {
  RootVariation line;
  line.Moves[0] = PVEntry{MoveCode(SquareIndex(from), SquareIndex(to)), promo};
  // Row 0 holds the root variation; its entry 0 is the best move, given here as from-to.
  line.Length = std::clamp<int>(PVLength, 1, MaxPly);
  if (line.Length > 1) CopyLine(line.Moves + 1, PV[0] + 1, line.Length - 1);
  return line;
}
