#pragma once
// The search's state and its procedures: quiescence, alpha-beta, root search,
// iterative deepening with time management.

#include <cstdint>

#include "board/chess_board.h"
#include "board/piece_values.h"
#include "movegen/order_tables.h"
#include "search/search_limits.h"
#include "tablebase/syzygy.h"

constexpr int NoScore = -110200;
constexpr int StalemateScore = 110001;  // what the root reports for a stalemate
constexpr int MaxMultiPV = 256;         // the most lines the MultiPV option asks for
constexpr int MaxRootMoves = 256;       // more than any position has legal moves

// The kinds of node: a principal-variation node, and the two kinds of zero-window node, which
// alternate from ply to ply.
enum : char { PVNode = 1, CutNode = 2, AllNode = 3 };
// What the move into a node was: a capture, an extended move, a reduced one. The root hands its
// children MoveReduced.
enum : char { MoveCapture = 1, MoveExtended = 2, MoveReduced = 4 };

// How far a timed search has got with its node budget: the speed not yet measured, measured,
// and the budget extended once for a falling score.
enum class BudgetState : uint8_t { NotCalibrated, Calibrated, Extended };

// The search's answer: the move it chose (From = To = 0 when there is none) and its score.
// Playable is false when the move must not be played: the search was cut off by a command that
// replaced the position, or the position has no legal move (mate, stalemate).
struct SearchResult {
  uint64_t From = 0;
  uint64_t To = 0;
  char Promotion = NoPromotion;
  int Score = 0;
  bool Playable = false;
};

// A line of moves from the root, the move to play first: what the thinking lines show.
struct RootVariation {
  PVEntry Moves[MaxPly];
  int Length;
};

class SearchRoutines {
public:
  // The tables move ordering reads.
  OrderTables Learnt() const { return {PV, Killers, History}; }
  bool NpsCalibrated{};
  int32_t NodesPerMove{};
  bool BookMovePlayed{};
  bool TimeUp{};
  bool StopNow{};
  int8_t RootChange{};           // root-change marker, -1 at the start of each iteration
  bool FailingLow{};
  bool TimerExtended{};
  int32_t RootLegalMoves{};
  int32_t LastBookPly{};
  int32_t RunnerUpScore{};
  int32_t RootScore{};
  int64_t PollCountdown{};
  int32_t InputCountdown{};  // nodes to the next look at the input (search_control.h)
  int32_t History[2][4096]{};
  bool Aborted{};
  int32_t RootMovesDone{};
  int32_t RootMoveTotal{};
  int32_t IterationDepth{};
  PVEntry PV[MaxPly][MaxPly]{};  // slot 0 of each row holds that row's PVEnd in Code
  uint16_t Killers[MaxPly][2]{};
  int32_t PVLength{};
  // Node counters are 64-bit: a long analysis passes 2^31 nodes.
  int64_t NodeCount{};
  int64_t HashHitCount{};
  int64_t QuiesceNodeCount{};
  int64_t TableHits{};  // positions the endgame tables answered (root moves included)
  // Set by "?" (xboard) and "stop" (UCI): end the search as soon as possible and play the best
  // move found so far, also under a fixed depth. Cleared at the start of every search.
  bool MoveNow{};
  // The limits of the search (SetSearchLimits), and how far the clock's rules have got.
  SearchLimits Limits{};
  BudgetState Budget{};
  bool EasyMove{};  // the first iteration found one move far ahead of the rest

  // MultiPV: the number of best lines the search reports (1 to MaxMultiPV). With more than one,
  // every iteration searches the root once for each line, each time without the moves already
  // given a line at that depth (RootExcluded); the lines of the last depth completed are kept
  // here, best first. Set between searches only.
  int32_t MultiPV{1};
  int32_t RootLine{};                      // the line the root searches now, 0 the best
  uint16_t RootExcluded[MaxMultiPV]{};     // move codes the root skips
  int32_t RootExcludedCount{};
  PVEntry LinePV[MaxMultiPV][MaxPly]{};    // each line's variation, as PV row 0
  int32_t LineLength[MaxMultiPV]{};        // as PVLength
  int32_t LineScore[MaxMultiPV]{};
  int32_t LineCount{};                     // lines of the last depth completed
  // The lines searched: those shown (MultiPV), or more for a weaker level to choose among.
  int32_t LinesSearched() const { return MultiPV > Limits.Lines ? MultiPV : Limits.Lines; }
  // The only root moves the search may play (UCI "go searchmoves"), by move code; none listed:
  // every move. Set by the caller before the search, kept until it changes them.
  uint16_t RootIncluded[MaxRootMoves]{};
  int32_t RootIncludedCount{};

  // The endgame tables' verdict on the root moves, when the root position is in the tables
  // (RankRootByTables, before each search; Count 0 otherwise). The root then searches only the
  // moves RootTableKept marks: those that keep the best result, the fastest way for a win, and
  // more where MultiPV asks for more lines; the lines show the tables' score.
  TableRoot RootTable{};
  bool RootTableKept[MaxTableRootMoves]{};
  void RankRootByTables(const ChessBoard& board);
  // Whether the root may search this move by the tables (always, when they do not know the root).
  bool RootTableAllows(uint16_t code, char promo) const;
  // The tables' order of a root move (higher is better); 0 when they do not know the root.
  int RootTableRank(const PVEntry& move) const;
  // The score a line starting with move shows: the tables' result of the move where the tables
  // know the root and the search has found no mate, else the search's own score.
  int ShownScore(const PVEntry& move, int score) const;

  // Set in the search state of a helper thread (search/threads.h), which searches the same root
  // beside the main thread and shares only the transposition table with it: its polls read no
  // input and look only for the pool's stop request, and it writes nothing shared but the table.
  bool Helper{};
  // A helper's number among the threads searching (1 .. ThreadTotal - 1), which sets where it
  // enters its root's move list.
  int32_t ThreadIndex{};
  int32_t ThreadTotal{1};

  void AbortSearch();
  int ValueCapturedPiece(char colour, uint64_t square, const ChessBoard* board) const;
  void ClearHistory();
  void AddHistory(char colour, int moveCode, int depth);
  int64_t InitMoveTimer() const;
  // A helper thread's poll (search/threads.cpp): publishes its node count and, once the pool
  // asks the helpers to stop or all threads have reached a node limit, ends its search as
  // "move now" does. Returns true when the node must return at once.
  bool HelperPoll();

  int Quiesce(char side, int alpha, int beta, ChessBoard board, int depth, char castleFlags, int ply);
  // upperKey and lowerKey are the key pair of board with side to move and castleFlags; callers
  // keep them current move by move (the keyed MakeMove) and prefetch their table bucket.
  int Search(char side, int alpha, int beta, ChessBoard board, int depth, int ply, char nullAllowed,
             char castleFlags, char inCheck, uint64_t upperKey, uint64_t lowerKey, char nodeType,
             char moveFlags, int plyCap, char rootFlag);
  int SearchTreeRoot(char side, ChessBoard board, int alpha, int beta, int depth, uint64_t* bestFrom,
                     uint64_t* bestTo, char* bestPromo, char castleFlags);
  // Whether the root may search this move (searchmoves, and the lines MultiPV already has).
  bool RootMoveAllowed(uint16_t code) const;
  // One iteration of a MultiPV search: up to MultiPV root searches, one per line. Returns the
  // best line's score and move, as SearchTreeRoot does, with PV row 0 holding the best line.
  int SearchRootLines(const ChessBoard& board, int depth, uint64_t* bestFrom, uint64_t* bestTo, char* bestPromo);
  // Makes line (length moves from the root) the search's answer: its variation in PV row 0 and
  // its first move in *bestFrom, *bestTo, *bestPromo.
  void TakeRootLine(const PVEntry* line, int length, uint64_t* bestFrom, uint64_t* bestTo, char* bestPromo);
  // Puts line k of the last depth completed in PV row 0, where the expected reply to the move
  // played (the ponder move, the hint) is read.
  void ShowLine(int k);
  // The line shown for the root's best move from-to: that move, then the rest of the variation
  // in PV row 0 (none while the row is shorter than two moves).
  RootVariation BestLine(uint64_t from, uint64_t to, char promo) const;
  // Iterative deepening under the limits set by SetSearchLimits: the move to play and its score.
  // The game board is left as it is.
  SearchResult ProgressiveDeepening(ChessBoard board);
  // Once the helpers have stopped: the deepest iteration a helper finished becomes the answer
  // when it is deeper than this thread's last (completed), and keeps its move, scores better or
  // has the depth asked for. Then *depth and *score are that iteration's.
  void TakeHelperIteration(int completed, int* depth, int* score, uint64_t* bestFrom, uint64_t* bestTo,
                           char* bestPromo);
  // A ponder search becomes the search for the engine's own move: its clock budget starts.
  void PonderHit();
  int SearchExactDepth(ChessBoard board, char depth, uint64_t* bestFrom, uint64_t* bestTo, char* bestPromo);

  int64_t Nodes() const { return NodeCount + QuiesceNodeCount; }
};

// The search state of the running thread: the main thread's is the one the front ends set up
// and read; each helper thread of search/threads.h has its own.
extern thread_local constinit SearchRoutines Search;
