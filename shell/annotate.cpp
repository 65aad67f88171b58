// The command-line review: the file read, its games counted, each reviewed and written as soon
// as it is done, with the progress on standard error. See annotate.h.

#include "shell/annotate.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "game/pgn_reader.h"
#include "game/review.h"
#include "search/threads.h"
#include "shell/command_line.h"
#include "xboard/xboard_settings.h"

namespace {

// The standard output the program started with, kept for the PGN (-1: not set aside).
int PgnDescriptor = -1;

void Fail(const std::string& message) {
  fprintf(stderr, "%s\n", message.c_str());
  fflush(stderr);
}

// Where the reviewed games go: OUT, or the standard output kept aside. Nullptr after a message
// when OUT may not or cannot be written.
FILE* OpenOutput(const char* input, const char* output, bool force) {
  if (!output) {
    if (PgnDescriptor < 0) return stdout;
    FILE* file = fdopen(PgnDescriptor, "w");
    if (!file) Fail(std::string("standard output cannot be written (") + strerror(errno) + ")");
    return file;
  }
  struct stat out;
  if (stat(output, &out) == 0) {
    // The same file under any name (a link, another path) is the file being read.
    struct stat in;
    if (strcmp(input, "-") != 0 && stat(input, &in) == 0 && in.st_dev == out.st_dev && in.st_ino == out.st_ino) {
      Fail(std::string("-o ") + output + " refused: it is the file being reviewed");
      return nullptr;
    }
    if (!force) {
      Fail(std::string("-o ") + output + " refused: the file exists (-force writes over it)");
      return nullptr;
    }
  }
  FILE* file = fopen(output, "w");
  if (!file) Fail(std::string(output) + ": cannot be written (" + strerror(errno) + ")");
  return file;
}

// "game 2/5, move 31/64": on a terminal one line rewritten in place, otherwise a line when a
// game is done.
class Progress {
public:
  Progress() : Terminal(isatty(STDERR_FILENO) != 0) {}
  void Move(int game, int games, int move, int moves) {
    if (!Terminal) return;
    fprintf(stderr, "\rgame %d/%d, move %d/%d   ", game, games, move, moves);
    fflush(stderr);
    Shown = true;
  }
  void GameDone(int game, int games, int moves) {
    if (Terminal) return;
    fprintf(stderr, "game %d/%d, move %d/%d\n", game, games, moves, moves);
    fflush(stderr);
  }
  // Before a message of its own, or at the end: the line in place is ended.
  void Break() {
    if (!Shown) return;
    fprintf(stderr, "\n");
    Shown = false;
  }

private:
  bool Terminal;
  bool Shown = false;
};

}  // namespace

bool PrepareReviewOutput(int argc, char** argv) {
  bool review = false;
  for (int i = 1; i < argc; i++) review = review || strcmp(argv[i], "-annotate") == 0;
  if (!review) return false;
  Modes.Annotate = true;
  fflush(stdout);
  PgnDescriptor = dup(STDOUT_FILENO);
  if (PgnDescriptor >= 0) dup2(STDERR_FILENO, STDOUT_FILENO);
  return true;
}

int RunAnnotate() {
  // The review is no game with a GUI: Ctrl-C ends it.
  signal(SIGINT, SIG_DFL);
  const char* input = Modes.AnnotateFile;
  if (!input) {
    Fail("-annotate needs a PGN file (- reads standard input)");
    return 1;
  }
  if (Modes.Refused || Modes.DepthRefused) return 1;  // a setting was refused, with its message

  ReviewSettings settings;
  if (Xboard.getFD() > 0) settings.Depth = Xboard.getFD();
  if (Xboard.ST > 0) {
    settings.MsPerMove = Xboard.ST;
    settings.Depth = Xboard.getFD() > 0 ? Xboard.getFD() : 0;
  }
  settings.Threads = Modes.Threads;

  std::string text, message;
  if (!ReadPgnFile(input, &text, &message)) {
    Fail(message);
    return 1;
  }
  int games = 0;
  {
    PgnReader counter(text);
    PgnRecord game;
    std::string error;
    while (counter.Next(&game, &error)) games++;
  }
  if (games == 0) {
    Fail(std::string(strcmp(input, "-") ? input : "standard input") + ": holds no game");
    return 1;
  }
  FILE* out = OpenOutput(input, Modes.AnnotateOutput, Modes.AnnotateForce);
  if (!out) return 1;

  Progress progress;
  PgnReader reader(text);
  PgnRecord game;
  std::string error;
  int skipped = 0, written = 0;
  bool writeFailed = false;
  while (!writeFailed && reader.Next(&game, &error)) {
    const int number = game.Number;
    if (!error.empty()) {
      progress.Break();
      Fail(error);
      skipped++;
      continue;
    }
    ReviewedGame reviewed;
    const int moves = static_cast<int>(game.Moves.size());
    ReviewGame(game.Game(), settings, [&](int move, int) {
      progress.Move(number, games, move, moves);
      return true;
    }, &reviewed);
    progress.GameDone(number, games, moves);
    if ((written > 0 && fputs("\n", out) < 0) || !WritePgn(reviewed.Annotated.Game(), out)) writeFailed = true;
    written++;
    game = PgnRecord();
  }
  progress.Break();
  const bool closed = out == stdout ? fflush(out) == 0 : fclose(out) == 0;
  if (writeFailed || !closed) {
    Fail(std::string(Modes.AnnotateOutput ? Modes.AnnotateOutput : "standard output") + ": writing failed");
    return 1;
  }
  if (skipped > 0) {
    Fail(std::to_string(skipped) + (skipped == 1 ? " game" : " games") + " of " + std::to_string(games) +
         " skipped; the others are reviewed");
    return 1;
  }
  return 0;
}
