// The console's help and its PGN export of the game played so far.

#include "xboard/console.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "game/game_state.h"
#include "game/pgn.h"
#include "game/status.h"

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
    {"quit", "leave the program"},
    {"help", "this list (the xboard protocol's commands are understood too)"},
};

}  // namespace

void PrintConsoleHelp() {
  for (const HelpLine& line : Help) printf("  %-24s %s\n", line.Usage, line.Meaning);
  fflush(stdout);
}

const char* ConsoleUsage(const char* command) {
  const size_t n = strlen(command);
  for (const HelpLine& line : Help)
    if (strncmp(line.Usage, command, n) == 0 && line.Usage[n] == ' ') return line.Usage;
  return nullptr;
}

void SaveGameAsPgn(const char* path) {
  static PgnMove moves[MaxRecordedMoves];
  PgnGame game;
  RecordedGame(&game, moves);
  // The engine's side is named; the person's is left unknown, as PGN writes it.
  bool engineWhite = false, engineBlack = false;
  ChessBoard board = game.Start;
  for (int i = 0; i < game.MoveCount; i++) {
    const bool white = (board.SideToMove == White) == (i % 2 == 0);
    if (RecordedByEngine(i)) (white ? engineWhite : engineBlack) = true;
  }
  game.White = engineWhite ? "Orvo" : "?";
  game.Black = engineBlack ? "Orvo" : "?";
  game.Event = "Console game";
  game.Result = MainStatus.GameInProgress ? "*" : GameResult;

  FILE* existing = fopen(path, "rb");
  const bool adding = existing && fseek(existing, 0, SEEK_END) == 0 && ftell(existing) > 0;
  if (existing) fclose(existing);
  errno = 0;
  if (!SavePgn(game, path)) {
    printf("Could not save the game to %s (%s); the game goes on\n", path, errno ? strerror(errno) : "write failed");
  } else {
    printf("Game %s %s (%s)\n", adding ? "added to the end of" : "saved to", path, game.Result);
  }
  fflush(stdout);
}
