#pragma once
// Reviewing a game: the engine searches every position of the main line once, and each move is
// judged by what it cost its player against the engine's best move. The cost is measured in
// winning chances, not in pawns: the expected score of an evaluation (1 a sure win, 0.5 level,
// 0 a sure loss) falls steeply around equality and hardly at all far from it, so that going
// from +9 to +6 costs little and from +1 to -1 a great deal. A move that costs at least
// InaccuracyLoss of expected score is an inaccuracy (?!), MistakeLoss a mistake (?) and
// BlunderLoss a blunder (??); the move the engine itself plays there is never marked.
//
// The review writes what it finds into a copy of the game: the evaluation after every move as
// a comment that chess programs read ("[%eval 0.35]", White's view in pawns as the engine
// reports its scores to GUIs, a hundredth of "info score cp"; "[%eval #-3]" a mate in three for
// Black, "#0" after the mating move), the mark, and for a marked move the engine's line instead
// as a variation. The game's own comments, glyphs and variations stay.
//
// The search state is the engine's: the review clears the transposition table, the pawn hash and
// what move ordering has learnt before the game (a review at a fixed depth with one thread is
// then the same every time), searches quietly, hears no commands, and gives the board, the game
// history and the search settings back as it found them.

#include <functional>
#include <string>
#include <vector>

#include "game/pgn.h"
#include "game/pgn_reader.h"

// The depth each position is searched to by default: about two thirds of a second a position on
// a machine of today, under a minute for a game of forty moves. An even depth: an odd one leaves
// the side to move the last word and marks more opening moves that are no mistakes.
constexpr int DefaultReviewDepth = 12;

// Expected score lost (0 to 1) from which a move is marked.
constexpr double InaccuracyLoss = 0.06;
constexpr double MistakeLoss = 0.12;
constexpr double BlunderLoss = 0.20;

struct ReviewSettings {
  int Depth = DefaultReviewDepth;  // plies; with a time limit, the iterations at most (0 none)
  int MsPerMove = 0;               // a fixed time for each position instead of the depth
  int Threads = 0;                 // search threads during the review; 0 keeps the engine's
  int LinePlies = 6;               // the better line's half-moves at most
};

enum class MoveMark { None, Inaccuracy, Mistake, Blunder };

// One move of the game as the review sees it. Scores are in the engine's units (ten to the
// centipawn of its UCI scores) from White's side; a mate keeps the search's mate score (beyond
// MateBound).
struct ReviewedMove {
  std::string Text;        // the move with its number: "14... Qxe5"
  int Eval = 0;            // the position after the move
  bool Mated = false;      // the move mates (Eval is then a mate score of no moves)
  int BestEval = 0;        // the position before the move, with the engine's best move
  std::string BestMove;    // the engine's move there, in algebraic notation
  bool PlayedBest = false;
  double Loss = 0;         // expected score the player lost with the move, 0 to 1
  MoveMark Mark = MoveMark::None;
  std::string BetterLine;  // a marked move: the engine's line instead, "14... Nf6 15. Qe2 Bd7"
};

struct ReviewSide {
  int Moves = 0;
  int Inaccuracies = 0;
  int Mistakes = 0;
  int Blunders = 0;
  double TotalLoss = 0;
  double AverageLoss() const { return Moves > 0 ? TotalLoss / Moves : 0; }
};

struct ReviewedGame {
  std::vector<ReviewedMove> Moves;  // one for each move of the game
  ReviewSide Sides[2];              // White, Black
  // The game with the review written in: WritePgn(Annotated.Game(), file).
  PgnRecord Annotated;
};

// Called before each move is searched, with the move (1 to moves) and the game's number of
// moves; returning false ends the review early.
using ReviewProgress = std::function<bool(int move, int moves)>;

// Reviews a game (a game read from a file: record.Game(); the game at the console: see
// RecordedGame in game/game_state.h). Fills *out; false when the review was stopped by progress
// or a move of the game is not legal (*out then holds the moves reviewed so far, and no
// annotated game).
bool ReviewGame(const PgnGame& game, const ReviewSettings& settings, const ReviewProgress& progress,
                ReviewedGame* out);

// The expected score of a score in the engine's units, for the side it belongs to: 1 / (1 +
// 10^(-centipawns / 400)), centipawns as the engine reports them; 1 for a mate or a won
// endgame-table position, 0 for their opposite.
double ExpectedScore(int score);
// The mark of a move that lost this much expected score.
MoveMark MarkFor(double loss);
// "?!", "?", "??"; "" for no mark.
const char* MarkGlyph(MoveMark mark);
// "inaccuracy", "mistake", "blunder"; "" for no mark.
const char* MarkName(MoveMark mark);
// A score from White's side as [%eval] writes it: "0.35", "-1.20", "#3", "#-3".
std::string EvalText(int whiteScore);
// The closing comment: "White: 1 inaccuracy, 0 mistakes, 1 blunder, average loss 3.1%; Black: ...".
std::string ReviewSummary(const ReviewedGame& game);
// The name the review signs with in the Annotator tag: "Orvo 0.9.1".
std::string ReviewAnnotator();
