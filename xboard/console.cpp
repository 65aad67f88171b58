// The console's help and its PGN export of the game played so far.

#include "xboard/console.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "board/piece_values.h"
#include "game/game_state.h"
#include "game/input.h"
#include "game/pgn.h"
#include "game/pgn_reader.h"
#include "game/review.h"
#include "game/san.h"
#include "game/status.h"
#include "search/search_report.h"
#include "xboard/command_input.h"
#include "xboard/game_loop.h"

namespace {

struct HelpLine {
  const char* Usage;  // the command word first, then its arguments
  const char* Meaning;
};

// The commands a person uses, in the order a person needs them.
constexpr HelpLine Help[] = {
    {"e2e4, Nf3, exd5, O-O", "play your move (coordinates, or algebraic notation; e7e8q or e8=Q promotes)"},
    {"go", "the engine plays the side to move (type it first to play Black)"},
    {"new", "start a new game; you play White"},
    {"new960 [N]", "start a Chess960 game from start position N (0 to 959; 518 is the usual start), or a random one"},
    {"undo", "take back your last move and the engine's reply (also: remove)"},
    {"hint", "suggest a move for you"},
    {"resign", "give up the game"},
    {"save FILE", "add the game so far to FILE in PGN (games already in FILE stay)"},
    {"d", "show the board (also: board, displayboard)"},
    {"show moves", "list the game so far in algebraic notation"},
    {"fen", "print the position as FEN"},
    {"setboard FEN", "play on from the position given in FEN"},
    {"level MOVES MINUTES INC", "time control: MOVES moves in MINUTES (0: the whole game), INC seconds a move"},
    {"st N", "think N seconds a move"},
    {"sd N", "search at most N plies a move"},
    {"strength N|full", "play at a rating of about N, or at full strength"},
    {"force", "the engine stops playing: enter the moves of both sides (go ends it)"},
    {"white, black", "give the move to White or to Black"},
    {"selfplay", "the engine plays both sides"},
    {"analyze", "analyse the position until exit (a move played meanwhile is analysed on)"},
    {"exit", "leave the analysis"},
    {"post, nopost", "show or hide the engine's thinking"},
    {"bk", "the opening book's moves for the position"},
    {"edit", "set up pieces one by one: Ke1, Pe4, xe4 removes, c other colour, # clears, . ends"},
    {"memory N", "hash table size in MB"},
    {"tb PATH", "use the Syzygy endgame tables in PATH (folders separated by :; <empty>: none)"},
    {"option NAME=VALUE", "change an engine option (MultiPV, BookFile, Move Overhead, ...)"},
    {"review", "go through the game so far with the engine: each move's evaluation and mark"},
    {"quiet, verbose", "speak to a person (the default at a terminal), or show the engine's workings"},
    {"quit", "leave the program"},
    {"help [COMMAND]", "this list, or one command's line (the xboard protocol's commands are understood too)"},
};

}  // namespace

void PrintConsoleHelp() {
  for (const HelpLine& line : Help) printf("  %-24s %s\n", line.Usage, line.Meaning);
  fflush(stdout);
}

namespace {

// The line of the list for a command word: its usage starts with the word, or names it among
// words separated by commas ("post, nopost"); nullptr when the list does not show it.
const HelpLine* FindHelp(const char* command) {
  const size_t n = strlen(command);
  for (const HelpLine& line : Help) {
    for (const char* p = line.Usage; p && *p;) {
      if (strncmp(p, command, n) == 0 && (p[n] == '\0' || p[n] == ' ' || p[n] == ',')) return &line;
      p = strstr(p, ", ");
      p = p ? p + 2 : nullptr;
    }
  }
  return nullptr;
}

// The most arguments a command of the list takes: the words of its usage after the command
// words ("sd N": one; "new960 [N]": at most one); -1 for a command that takes the rest of its
// line (a FEN, a file name, an option whose name has blanks).
int MostArguments(const HelpLine& line) {
  if (strstr(line.Usage, " FEN") || strstr(line.Usage, " FILE") || strstr(line.Usage, "NAME=VALUE")) return -1;
  const char* p = line.Usage;
  while (const char* comma = strstr(p, ", ")) p = comma + 2;
  int words = 0;
  for (p = strchr(p, ' '); p; p = strchr(p + 1, ' ')) words++;
  return words;
}

bool LooksLikeMove(const char* word) {
  return (word[0] >= 'a' && word[0] <= 'h' && word[1] >= '1' && word[1] <= '8') ||
         (word[0] != '\0' && strchr("KQRBNO0", word[0]) != nullptr);
}

}  // namespace

bool PrintConsoleHelp(const char* topic) {
  const HelpLine* line = FindHelp(topic);
  if (line == nullptr) return false;
  printf("  %-24s %s\n", line->Usage, line->Meaning);
  fflush(stdout);
  return true;
}

bool FirstScreenShown = false;

void ShowFirstScreen() {
  printf("\nHello! I am Orvo\n");
  printf("You play White: type moves such as e2e4 or Nf3 (go lets the engine move first); "
         "help lists the commands.\n");
  ShowBoard(MainBoard);
  ShowConsoleClock();
  PrintPrompt();
  FirstScreenShown = true;
}

void PrintPrompt() {
  if (!MainStatus.GameInProgress)
    printf("Game over (%s); save FILE,%s new, undo or quit: ", GameResult, Protocol.Person ? " review," : "");
  else if (Protocol.Person)
    printf("%s, move %d: ", MainBoard.SideToMove == White ? "White" : "Black", CurrentMoveNumber());
  else
    printf("Enter Move: ");
  fflush(stdout);
}

void ShowEngineMove(uint64_t from, uint64_t to, char promotion, int score) {
  char san[SanTextSize];
  WriteSanMove(MainBoard, from, to, promotion, san);
  const bool white = MainBoard.SideToMove == White;
  const int forWhite = white ? score : -score;
  char evaluation[48];
  if (forWhite > MateBound || forWhite < -MateBound) {
    const int moves = (MateValue - (forWhite > 0 ? forWhite : -forWhite) + 1) / 2;
    snprintf(evaluation, sizeof evaluation, "%s mates in %d", forWhite > 0 ? "White" : "Black", moves);
  } else {
    snprintf(evaluation, sizeof evaluation, "%+.2f", forWhite / 1000.0);
  }
  printf("%d%s %s  (%s)\n", CurrentMoveNumber(), white ? "." : "...", san, evaluation);
  fflush(stdout);
}

void Confirm(const char* format, ...) {
  if (!Protocol.Person || Protocol.XboardMode || Protocol.UCIMode) return;
  va_list args;
  va_start(args, format);
  vprintf(format, args);
  va_end(args);
  printf("\n");
  fflush(stdout);
}

bool LineFitsCommand(const char* command) {
  if (!Protocol.Person) return true;
  const HelpLine* line = FindHelp(command);
  // Protocol commands the list does not show read what they need.
  if (line == nullptr && !LooksLikeMove(command)) return true;
  const int most = line ? MostArguments(*line) : 0;
  if (most < 0 || WordsLeftOnLine() <= most) return true;
  char rest[xboard::LineSize];
  ReadLine(rest, sizeof rest);
  const char* words = rest + strspn(rest, " \t");
  char text[xboard::LineSize + xboard::WordSize];
  snprintf(text, sizeof text, "%s %s", command, words);
  char kind[128];
  snprintf(kind, sizeof kind, "one command a line: %s", line ? line->Usage : "a move alone");
  xboard::ReportError(kind, text);
  return false;
}

const char* ConsoleUsage(const char* command) {
  const size_t n = strlen(command);
  for (const HelpLine& line : Help)
    if (strncmp(line.Usage, command, n) == 0 && line.Usage[n] == ' ') return line.Usage;
  return nullptr;
}

namespace {

// The game played so far, with the console's tags: the engine's side named, the person's left
// unknown, as PGN writes it.
void ConsoleGame(PgnGame* game, PgnMove* moves) {
  RecordedGame(game, moves);
  bool engineWhite = false, engineBlack = false;
  const ChessBoard& start = game->Start;
  for (int i = 0; i < game->MoveCount; i++) {
    const bool white = (start.SideToMove == White) == (i % 2 == 0);
    if (RecordedByEngine(i)) (white ? engineWhite : engineBlack) = true;
  }
  game->White = engineWhite ? "Orvo" : "?";
  game->Black = engineBlack ? "Orvo" : "?";
  game->Event = "Console game";
  game->Result = MainStatus.GameInProgress ? "*" : GameResult;
}

// The last review, for "save" while the game is still the one reviewed.
ReviewedGame LastReview;
std::vector<PgnMove> ReviewedMoves;
bool ReviewMade = false;

bool ReviewIsCurrent(const PgnGame& game) {
  if (!ReviewMade || static_cast<size_t>(game.MoveCount) != ReviewedMoves.size()) return false;
  for (int i = 0; i < game.MoveCount; i++)
    if (game.Moves[i].From != ReviewedMoves[i].From || game.Moves[i].To != ReviewedMoves[i].To ||
        game.Moves[i].Promotion != ReviewedMoves[i].Promotion)
      return false;
  return true;
}

}  // namespace

void SaveGameAsPgn(const char* path) {
  static PgnMove moves[MaxRecordedMoves];
  PgnGame game;
  ConsoleGame(&game, moves);
  // After "review", the reviewed game with its evaluations and marks, while it is the same game.
  const bool annotated = ReviewIsCurrent(game);
  PgnRecord reviewed;
  if (annotated) {
    reviewed = LastReview.Annotated;
    reviewed.SetTag("Result", game.Result);
    reviewed.Result = game.Result;
  }
  FILE* existing = fopen(path, "rb");
  const bool adding = existing && fseek(existing, 0, SEEK_END) == 0 && ftell(existing) > 0;
  if (existing) fclose(existing);
  errno = 0;
  if (!SavePgn(annotated ? reviewed.Game() : game, path)) {
    printf("Could not save the game to %s (%s); the game goes on\n", path, errno ? strerror(errno) : "write failed");
  } else {
    printf("Game %s %s (%s)%s\n", adding ? "added to the end of" : "saved to", path, game.Result,
           annotated ? ", with the review" : "");
  }
  fflush(stdout);
}

void ReviewConsoleGame() {
  static PgnMove moves[MaxRecordedMoves];
  PgnGame game;
  ConsoleGame(&game, moves);
  if (game.MoveCount == 0) {
    printf("No moves to review yet\n");
    fflush(stdout);
    return;
  }
  printf("Reviewing %d moves at depth %d...\n", game.MoveCount, DefaultReviewDepth);
  fflush(stdout);
  ReviewedGame reviewed;
  const bool done = ReviewGame(game, ReviewSettings{}, [](int move, int total) {
    if (Protocol.Person) {
      printf("\rmove %d/%d ", move, total);
      fflush(stdout);
    }
    return true;
  }, &reviewed);
  if (Protocol.Person) printf("\r%20s\r", "");
  if (!done) {
    printf("The game could not be reviewed\n");
    fflush(stdout);
    return;
  }
  for (const ReviewedMove& move : reviewed.Moves) {
    const std::string text = move.Text + MarkGlyph(move.Mark);
    printf("%-16s %7s", text.c_str(), EvalText(move.Eval).c_str());
    if (move.Mark != MoveMark::None) printf("   %s; better %s", MarkName(move.Mark), move.BetterLine.c_str());
    printf("\n");
  }
  printf("%s\nsave FILE writes the reviewed game.\n", ReviewSummary(reviewed).c_str());
  fflush(stdout);
  LastReview = std::move(reviewed);
  ReviewedMoves.assign(game.Moves, game.Moves + game.MoveCount);
  ReviewMade = true;
}
