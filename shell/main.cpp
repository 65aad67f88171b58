// Program entry: banner, settings, board, key tables, book, log, command line, protocol
// detection from the first input word, then the match loop.

#include <csignal>
#include <cstdio>
#include <cstring>

#include <unistd.h>

#include "board/chess_board.h"
#include "board/keys.h"
#include "board/log_file.h"
#include "book/opening_book.h"
#include "game/engine_options.h"
#include "game/input.h"
#include "game/status.h"
#include "search/search_report.h"
#include "shell/command_line.h"
#include "shell/annotate.h"
#include "shell/match_loop.h"
#include "xboard/console.h"

namespace {

// The greeting, printed once: later calls do nothing. xboard gets it as a comment, which a GUI
// ignores.
void Greet() {
  static bool greeted = false;
  if (greeted) return;
  greeted = true;
  printf("%sOrvo \n", Protocol.CommentPrefix());
  fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  // Unbuffered standard streams, so every protocol line reaches the GUI at once. The C library
  // allows changing the buffering only before the first output, hence first of all.
  setvbuf(stdout, nullptr, _IONBF, 0);
  setvbuf(stdin, nullptr, _IONBF, 0);

  // The greeting. A person at a terminal sees it at once. A GUI talks over a pipe, and one that
  // speaks xboard gets it as a comment, so it waits for the first input word, which tells the
  // protocol (the command line's own messages bring it out earlier, ahead of them).
  // A review of saved games (-annotate) keeps standard output for its PGN alone, greets no one
  // and reads no protocol word: standard input may hold the games.
  const bool reviewing = PrepareReviewOutput(argc, argv);
  if (isatty(STDIN_FILENO) && !reviewing) Greet();
  MainStatus.initVars();
  Protocol.XboardMode = 0;
  Protocol.UCIMode = 0;
  MainBoard.InitRep();
  initPStable();
  buildbook();
  MainBoard.InitRep();
  MainStatus.initVars();

  if (!OpenLogFile()) fprintf(stderr, "Cannot open match.log for writing; running without a log\n");

  if (argc > 1 && ScanCommandLine(argc, argv, reviewing ? nullptr : Greet)) return 0;
  if (Modes.Refused) return 1;

  // A GUI ends the engine with its protocol's quit command, never with an interrupt.
  signal(SIGINT, SIG_IGN);

  // The first word tells the protocol. Perft and the benchmarks run without any input.
  if (!Modes.PERFT && !Modes.BenchMode && !Modes.SATrain && !reviewing) {
    // A GUI talks over a pipe. Input from a terminal is a person, who is told how to begin and
    // may leave with Ctrl-C before typing anything.
    // A person at a terminal (both ways) is spoken to as a person, unless told "verbose": the
    // first screen shows the board and the prompt at once.
    if (isatty(STDIN_FILENO) && isatty(STDOUT_FILENO)) Protocol.Person = 1;
    if (isatty(STDIN_FILENO)) {
      signal(SIGINT, SIG_DFL);
      if (Protocol.Person) ShowFirstScreen();
      else printf("Type a move (e2e4 or Nf3) to play White, or help; a GUI starts with xboard or uci.\n");
    }
    // An over-long first word names no protocol (its line is dropped with it).
    if (ReadWord(FirstWord, sizeof FirstWord) == InputResult::TooLong) FirstWord[0] = '\0';
    else ConsumeOneChar();
    if (strstr(FirstWord, "uci")) Protocol.UCIMode = 1;
    if (strstr(FirstWord, "xboard")) Protocol.XboardMode = 1;
    if (Protocol.UCIMode || Protocol.XboardMode) Protocol.Person = 0;
    // A person at the console may end the program with Ctrl-C, in analysis too.
    signal(SIGINT, Protocol.UCIMode || Protocol.XboardMode ? SIG_IGN : SIG_DFL);
  }
  if (!reviewing) Greet();
  // What the tables named on the command line hold, in the protocol's form.
  if (Modes.TablesNamed) {
    const char* note = FindEngineOption("SyzygyPath")->Note();
    if (Protocol.UCIMode) printf("info string %s\n", note);
    else if (const char* comment = Protocol.CommentPrefix()) printf("%s%s\n", comment, note);
  }

  return MatchLoop();
}
