// The game review: every position of the main line searched once, each move weighed by the
// winning chances it gave away, and the findings written into a copy of the game. See review.h.

#include "game/review.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "board/keys.h"
#include "board/masks.h"
#include "board/piece_values.h"
#include "game/move_parse.h"
#include "game/san.h"
#include "game/status.h"
#include "hash/move_history.h"
#include "hash/pawn_hash.h"
#include "hash/transposition_table.h"
#include "search/search_control.h"
#include "search/search_report.h"
#include "search/search_routines.h"
#include "search/threads.h"

namespace {

// The engine tells GUIs a tenth of its score as centipawns ("info score cp"); the review's
// evaluations are the same numbers, so that they read as the engine's analysis in a GUI does.
constexpr int UnitsPerCentipawn = 10;

// Endgame-table results lie between the static scores and the mates (piece_values.h): such a
// score is a won (or lost) game too.
constexpr int TableResultBound = TableWinScore - MaxPly;

// What a search of one position found, from the side to move's view.
struct PositionResult {
  int Score = 0;
  uint64_t From = 0, To = 0;
  char Promotion = NoPromotion;
  std::vector<PVEntry> Line;
};

// The engine's state that a review changes and gives back: the board and game history, the
// search's settings, what it prints and hears, and the thread count.
class SavedEngineState {
public:
  SavedEngineState()
      : Board(MainBoard), History(std::make_unique<MoveHistory>(MoveList)), Limits(Search.Limits),
        MultiPV(Search.MultiPV), Included(Search.RootIncludedCount), Talk(Protocol),
        Source(InstalledCommandSource()), Threads(ThreadCount()) {}
  ~SavedEngineState() {
    if (ThreadCount() != Threads) SetThreadCount(Threads);
    MainBoard = Board;
    MoveList = *History;
    Search.Limits = Limits;
    Search.MultiPV = MultiPV;
    Search.RootIncludedCount = Included;
    Protocol = Talk;
    InstallCommandSource(Source);
  }
  SavedEngineState(const SavedEngineState&) = delete;
  SavedEngineState& operator=(const SavedEngineState&) = delete;

private:
  ChessBoard Board;
  std::unique_ptr<MoveHistory> History;
  SearchLimits Limits;
  int32_t MultiPV, Included;
  ProtocolSettings Talk;
  CommandSource Source;
  int Threads;
};

// A new game for the search: nothing learnt from earlier searches, so that a review at a fixed
// depth with one thread repeats move for move.
void ForgetEarlierSearches() {
  ClearPawnHash();
  ClearHelperPawnHashes();
  PositionCache.ClearTranspositionTables();
  Search.ClearHistory();
  memset(Search.Killers, 0, sizeof Search.Killers);
}

// Records a position of the game in the game history, for the search's repetition test.
void RecordPosition(const ChessBoard& board) {
  uint64_t upper = 0, lower = 0;
  genhashcode(board.SideToMove, board.CastleFlags, &upper, &lower, &board);
  MoveList.InsertGamePosition(upper, lower, board.FiftyMoveCount, LegalEnPassantSquare(board));
}

PositionResult SearchPosition(const ChessBoard& board, int ply, const ReviewSettings& settings) {
  PositionResult result;
  // A game that is over needs no search: the side to move is mated, or it is stalemate.
  if (CountLegalMoves(board) == 0) {
    result.Score = board.SideToMoveInCheck() ? -MateValue : 0;
    return result;
  }
  SearchLimits limits;
  if (settings.MsPerMove > 0) {
    limits.ST = settings.MsPerMove;
    limits.Depth = settings.Depth;
  } else {
    limits.Depth = std::clamp(settings.Depth, 1, 100);
    limits.FD = static_cast<int8_t>(limits.Depth);
    limits.BenchMode = true;  // no clock and no input: the same tree every time
  }
  limits.UseBook = false;
  limits.GamePly = ply;
  SetSearchLimits(limits);
  const SearchResult best = Search.ProgressiveDeepening(board);
  result.Score = best.Score;
  result.From = best.From;
  result.To = best.To;
  result.Promotion = best.Promotion;
  if (best.From != 0 && best.To != 0) {
    const RootVariation line = Search.BestLine(best.From, best.To, best.Promotion);
    result.Line.assign(line.Moves, line.Moves + line.Length);
  }
  return result;
}

bool SameMove(const PositionResult& best, const PgnMove& move, const ChessBoard& board) {
  if (best.From != move.From || best.To != move.To) return false;
  // A pawn reaching its last rank: the same piece too.
  const bool promotes = board.KindOn(board.SideToMove, move.From) == WPawn && (move.To & (Rank1 | Rank8));
  if (!promotes) return true;
  auto piece = [](char p) {
    const char c = static_cast<char>(p | 0x20);
    return c == 'n' || c == 'b' || c == 'r' ? c : 'q';
  };
  return piece(best.Promotion) == piece(move.Promotion);
}

// "14. Nf6 15. Qe2 Bd7": up to plies moves of the line, from board, with their numbers.
std::string LineText(ChessBoard board, int number, const std::vector<PVEntry>& line, int plies) {
  std::string text;
  for (int k = 0; k < static_cast<int>(line.size()) && k < plies; k++) {
    const uint64_t from = Bit(line[k].Code >> 6 & 63);
    const uint64_t to = Bit(line[k].Code & 63);
    char san[SanTextSize];
    if (from == to || WriteSanMove(board, from, to, line[k].Promotion, san) == 0) break;
    if (!text.empty()) text += ' ';
    if (board.SideToMove == White) text += std::to_string(number) + ". ";
    else if (k == 0) text += std::to_string(number) + "... ";
    text += san;
    if (board.SideToMove != White) number++;
    PlayMoveOnBoard(board, from, to, line[k].Promotion);
  }
  return text;
}

// The review's own comments replace those of an earlier review: "[%eval ...]" is taken out of
// a comment, and a comment left empty goes.
void DropEvalCommands(std::vector<std::string>& comments) {
  for (std::string& comment : comments) {
    for (size_t at = comment.find("[%eval"); at != std::string::npos; at = comment.find("[%eval", at)) {
      const size_t end = comment.find(']', at);
      comment.erase(at, end == std::string::npos ? std::string::npos : end + 1 - at);
    }
  }
  std::erase_if(comments, [](const std::string& c) { return c.find_first_not_of(" \t\r\n") == std::string::npos; });
}

std::string Plural(int count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

double ExpectedScore(int score) {
  if (score >= TableResultBound) return 1;
  if (score <= -TableResultBound) return 0;
  const double centipawns = score / static_cast<double>(UnitsPerCentipawn);
  return 1 / (1 + std::pow(10.0, -centipawns / 400));
}

MoveMark MarkFor(double loss) {
  if (loss >= BlunderLoss) return MoveMark::Blunder;
  if (loss >= MistakeLoss) return MoveMark::Mistake;
  if (loss >= InaccuracyLoss) return MoveMark::Inaccuracy;
  return MoveMark::None;
}

const char* MarkGlyph(MoveMark mark) {
  switch (mark) {
    case MoveMark::Inaccuracy: return "?!";
    case MoveMark::Mistake: return "?";
    case MoveMark::Blunder: return "??";
    default: return "";
  }
}

const char* MarkName(MoveMark mark) {
  switch (mark) {
    case MoveMark::Inaccuracy: return "inaccuracy";
    case MoveMark::Mistake: return "mistake";
    case MoveMark::Blunder: return "blunder";
    default: return "";
  }
}

std::string EvalText(int whiteScore) {
  // A mate in N moves; "#0" the side to move is mated.
  if (whiteScore > MateBound || whiteScore < -MateBound) {
    const int moves = (MateValue - std::min(std::abs(whiteScore), MateValue) + 1) / 2;
    return std::string(whiteScore < 0 && moves > 0 ? "#-" : "#") + std::to_string(moves);
  }
  const long centipawns = std::lround(whiteScore / static_cast<double>(UnitsPerCentipawn));
  char text[32];
  snprintf(text, sizeof text, "%s%ld.%02ld", centipawns < 0 ? "-" : "", std::labs(centipawns) / 100,
           std::labs(centipawns) % 100);
  return text;
}

std::string ReviewSummary(const ReviewedGame& game) {
  std::string text;
  for (int side = 0; side < 2; side++) {
    const ReviewSide& s = game.Sides[side];
    char loss[32];
    snprintf(loss, sizeof loss, "%.1f%%", 100 * s.AverageLoss());
    text += side == 0 ? "White: " : "; Black: ";
    text += Plural(s.Inaccuracies, "inaccuracy", "inaccuracies") + ", " + Plural(s.Mistakes, "mistake", "mistakes") +
            ", " + Plural(s.Blunders, "blunder", "blunders") + ", average loss " + loss;
  }
  return text;
}

std::string ReviewAnnotator() {
  // The version number without the build's description: "0.9.1" of "0.9.1 (bitboard)".
  const char* space = strchr(EngineVersion, ' ');
  return "Orvo " + std::string(EngineVersion, space ? static_cast<size_t>(space - EngineVersion) : strlen(EngineVersion));
}

bool ReviewGame(const PgnGame& game, const ReviewSettings& settings, const ReviewProgress& progress,
                ReviewedGame* out) {
  *out = ReviewedGame();
  const int n = game.MoveCount > 0 && game.Moves ? game.MoveCount : 0;

  // The positions of the game and its moves' text; a move that is not legal ends it here.
  std::vector<ChessBoard> positions(n + 1);
  positions[0] = game.Start;
  positions[0].FiftyMoveCount = std::max(game.HalfMoveClock, 0);
  positions[0].InitPieceCounts();
  std::vector<int> numbers(n + 1);
  numbers[0] = game.MoveNumber > 0 ? game.MoveNumber : 1;
  out->Moves.resize(n);
  for (int i = 0; i < n; i++) {
    const PgnMove& move = game.Moves[i];
    char san[SanTextSize];
    if (WriteSanMove(positions[i], move.From, move.To, move.Promotion, san) == 0) {
      out->Moves.clear();
      return false;
    }
    const bool white = positions[i].SideToMove == White;
    out->Moves[i].Text = std::to_string(numbers[i]) + (white ? ". " : "... ") + san;
    positions[i + 1] = positions[i];
    PlayMoveOnBoard(positions[i + 1], move.From, move.To, move.Promotion);
    numbers[i + 1] = numbers[i] + (white ? 0 : 1);
  }

  // Every position searched once, in the order of the game, with the game's positions before it
  // in the history.
  std::vector<PositionResult> results(n + 1);
  {
    const SavedEngineState saved;
    Protocol.XboardMode = Protocol.UCIMode = Protocol.Post = Protocol.Kibitz = 0;
    Protocol.Silent = true;
    InstallCommandSource({nullptr, nullptr});
    Search.MultiPV = 1;
    Search.RootIncludedCount = 0;
    if (settings.Threads > 0) SetThreadCount(settings.Threads);
    ForgetEarlierSearches();
    MoveList.Init();
    const int startPly = 2 * (numbers[0] - 1) + (positions[0].SideToMove == White ? 0 : 1);
    for (int i = 0; i <= n; i++) {
      if (progress && !progress(std::min(i + 1, n), n)) {
        out->Moves.resize(i);
        return false;
      }
      RecordPosition(positions[i]);
      results[i] = SearchPosition(positions[i], startPly + i, settings);
    }
  }

  // Each move against the engine's best, in expected score for the player who made it.
  PgnRecord annotated = PgnRecord::From(game);
  annotated.SetTag("Annotator", ReviewAnnotator());
  for (int i = 0; i < n; i++) {
    ReviewedMove& m = out->Moves[i];
    const ChessBoard& before = positions[i];
    const ChessBoard& after = positions[i + 1];
    const int side = before.SideToMove == White ? 0 : 1;
    const PositionResult& best = results[i];
    const int value = -results[i + 1].Score;  // the move's value for its player
    m.Eval = after.SideToMove == White ? results[i + 1].Score : -results[i + 1].Score;
    m.Mated = results[i + 1].Score == -MateValue;
    m.BestEval = side == 0 ? best.Score : -best.Score;
    char san[SanTextSize];
    if (best.From && WriteSanMove(before, best.From, best.To, best.Promotion, san) > 0) m.BestMove = san;
    m.PlayedBest = best.From != 0 && SameMove(best, game.Moves[i], before);
    m.Loss = m.PlayedBest ? 0 : std::max(0.0, ExpectedScore(best.Score) - ExpectedScore(value));
    m.Mark = MarkFor(m.Loss);
    if (m.Mark != MoveMark::None) m.BetterLine = LineText(before, numbers[i], best.Line, settings.LinePlies);

    ReviewSide& s = out->Sides[side];
    s.Moves++;
    s.TotalLoss += m.Loss;
    s.Inaccuracies += m.Mark == MoveMark::Inaccuracy;
    s.Mistakes += m.Mark == MoveMark::Mistake;
    s.Blunders += m.Mark == MoveMark::Blunder;

    PgnNotes& notes = annotated.Notes[i];
    DropEvalCommands(notes.After);
    notes.After.insert(notes.After.begin(), "[%eval " + (m.Mated ? std::string("#0") : EvalText(m.Eval)) + "]");
    if (m.Mark != MoveMark::None) {
      // The review's mark replaces the game's own judgement of the move.
      std::erase_if(notes.Nags, [](int nag) { return nag >= 1 && nag <= 6; });
      notes.Nags.insert(notes.Nags.begin(), m.Mark == MoveMark::Blunder ? 4 : m.Mark == MoveMark::Mistake ? 2 : 6);
      if (!m.BetterLine.empty()) notes.Variations.push_back("(" + m.BetterLine + ")");
    }
  }
  annotated.Closing.push_back(ReviewSummary(*out));
  out->Annotated = std::move(annotated);
  return true;
}
