// The command-line scan. Each argument word gets one pass over the option table, in table
// order, and every option of the table is tried on it: a word may trigger several options.
// An option with an argument takes the next word; the rest of the pass is then tried on that
// argument word, and the scan goes on after it.

#include "shell/command_line.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "board/castling.h"
#include "board/chess_board.h"
#include "board/fen.h"
#include "board/log_file.h"
#include "book/polyglot_book.h"
#include "game/engine_options.h"
#include "game/input.h"
#include "game/status.h"
#include "search/search_report.h"
#include "search/threads.h"
#include "shell/bench.h"
#include "shell/match_loop.h"
#include "xboard/xboard_settings.h"

CommandLineModes Modes;

namespace {

enum class Match { Exact, Contains };

// The caller's hook, run before each message of the scan.
void (*OutputHook)() = nullptr;

void BeforeOutput() {
  if (OutputHook) OutputHook();
}

struct Option {
  const char* Text;
  Match How;
  bool TakesArgument;
  // Applies the option; arg is the argument word or nullptr. Returns true to end the program.
  bool (*Apply)(const char* arg);
};

// Reads the book file of -book; a file that is refused leaves the engine without a book.
void LoadBookFile(const char* path) {
  if (const char* reason = FileBook.Load(path)) {
    BeforeOutput();
    printf("Opening book %s refused: %s; playing without a book\n", path, reason);
    fflush(stdout);
    LogPrintf("Opening book %s refused: %s", path, reason);
  }
}

bool SetFlag(int8_t& flag, int8_t value) {
  flag = value;
  return false;
}

// Every search to exactly n plies (n within MinFixedDepth .. MaxFixedDepth).
void SetFixedDepth(int n) {
  Xboard.setFD(static_cast<char>(n));  // the settings keep the depth in 8 bits
  MainBoard.MaxDepth = n;
  MainBoard.FixedDepth = n;
}

constexpr Option Options[] = {
    {"-satrain", Match::Exact, false, [](const char*) { return SetFlag(Modes.SATrain, 1); }},
    {"-bench", Match::Exact, false, [](const char*) { return SetFlag(Modes.BenchMode, 1); }},
    {"-bench2", Match::Exact, false, [](const char*) { return SetFlag(Modes.BenchMode, 2); }},
    {"-bench3", Match::Exact, false, [](const char*) { return SetFlag(Modes.BenchMode, 3); }},
    {"-bench4", Match::Exact, false, [](const char*) { return SetFlag(Modes.BenchMode, 4); }},
    {"-bench5", Match::Exact, false, [](const char*) { return SetFlag(Modes.BenchMode, 5); }},
    {"-fd", Match::Exact, true,
     [](const char* arg) {
       // A negative or missing number reads as 0, which is refused like any depth out of range.
       const int n = LeadingNumber(arg);
       if (n < MinFixedDepth || n > MaxFixedDepth) {
         BeforeOutput();
         printf("-fd %s refused: the search depth must be %d to %d plies\n", arg, MinFixedDepth, MaxFixedDepth);
         Modes.DepthRefused = true;
         return false;
       }
       SetFixedDepth(n);
       return false;
     }},
    {"-help", Match::Exact, false, [](const char*) { return true; }},
    {"-h", Match::Exact, false, [](const char*) { return true; }},
    {"-HPC", Match::Contains, false, [](const char*) { return false; }},
    {"-kibitz", Match::Contains, false, [](const char*) { return SetFlag(Protocol.Kibitz, 1); }},
    {"-lpf", Match::Contains, true,
     [](const char* arg) {
       BeforeOutput();  // the file's reader may report and end the program
       LoadPositionFile(arg);
       return false;
     }},
    {"-nobook", Match::Contains, false,
     [](const char*) {
       FileBook.Enabled = false;
       return SetFlag(MainStatus.UseBook, 0);
     }},
    {"-book", Match::Exact, true,
     [](const char* arg) {
       LoadBookFile(arg);
       return false;
     }},
    {"-bookdepth", Match::Exact, true,
     [](const char* arg) {
       FileBook.LastPly = LeadingNumber(arg);
       return false;
     }},
    {"-bookvariety", Match::Exact, false,
     [](const char*) {
       FileBook.Variety = true;
       return false;
     }},
    // Chess960 castling for the positions that follow (-lpf), as UCI_Chess960 does.
    {"-chess960", Match::Exact, false,
     [](const char*) {
       SetChess960(MainBoard, true);
       return false;
     }},
    {"-perft", Match::Exact, false,
     [](const char*) {
       Modes.setPERFT(1);
       return false;
     }},
    {"-mimicstudent", Match::Exact, true,
     [](const char* arg) {
       BeforeOutput();
       printf("## Mimic Student option detected \n");
       fflush(stdout);
       MainStatus.Mimic = 1;
       SuiteFile = arg;
       return false;
     }},
    {"-pev", Match::Exact, true,
     [](const char* arg) {
       MainStatus.PEV = 1;
       SuiteFile = arg;
       return false;
     }},
    // The console speaks to a person, also through a pipe.
    {"-quiet", Match::Exact, false, [](const char*) { return SetFlag(Protocol.Person, 1); }},
    {"-post", Match::Contains, false, [](const char*) { return SetFlag(Protocol.Post, 1); }},
    {"-sd", Match::Contains, true,
     [](const char* arg) {
       MainBoard.MaxDepth = LeadingNumber(arg);
       return false;
     }},
    {"-syzygy", Match::Exact, true,
     [](const char* arg) {
       SetEngineOption(*FindEngineOption("SyzygyPath"), arg);
       Modes.TablesNamed = true;
       return false;
     }},
    {"-sp", Match::Contains, false, [](const char*) { return SetFlag(Xboard.SelfPlay, 1); }},
    {"-trace", Match::Contains, false, [](const char*) { return SetFlag(TraceFlag, 1); }},
    {"-st", Match::Contains, true,
     [](const char* arg) {
       SetSecondsPerMove(static_cast<double>(LeadingNumber(arg)));
       return false;
     }},
    {"-tc", Match::Contains, true, [](const char*) { return false; }},
    {"-ts", Match::Contains, true,
     [](const char* arg) {
       Modes.setDoTestSuite(1);
       SuiteFile = arg;
       return false;
     }},
    {"xboard", Match::Contains, false,
     [](const char*) {
       Protocol.XboardMode = 1;
       return false;
     }},
    {"-uci", Match::Contains, false, [](const char*) { return SetFlag(Protocol.UCIMode, 1); }},
    // The review of a PGN file. These come last, matched whole, so that no other option is tried
    // on a file name they take.
    {"-annotate", Match::Exact, true,
     [](const char* arg) {
       Modes.Annotate = true;
       Modes.AnnotateFile = arg;
       return false;
     }},
    {"-o", Match::Exact, true,
     [](const char* arg) {
       Modes.AnnotateOutput = arg;
       return false;
     }},
    {"-force", Match::Exact, false,
     [](const char*) {
       Modes.AnnotateForce = true;
       return false;
     }},
    {"-threads", Match::Exact, true,
     [](const char* arg) {
       const bool digits = *arg != '\0' && arg[strspn(arg, "0123456789")] == '\0';
       const int n = digits ? LeadingNumber(arg, MaxSearchThreads + 1) : 0;
       if (n < 1 || n > MaxSearchThreads) {
         BeforeOutput();
         fprintf(stderr, "-threads %s refused: the search runs 1 to %d threads\n", arg, MaxSearchThreads);
         Modes.Refused = true;
         return false;
       }
       Modes.Threads = n;
       return false;
     }},
};

bool Matches(const Option& option, const char* word) {
  return option.How == Match::Exact ? strcmp(word, option.Text) == 0
                                    : strstr(word, option.Text) != nullptr;
}


// "orvo bench [depth]": the benchmark, closed by the two summary lines. Frameworks run it with no
// input and read the exit code, so a refused argument is a failure (Modes.Refused), never a
// benchmark at some other depth.
void ApplyFrameworkBench(int argc, char** argv) {
  if (argc > 3) {
    fprintf(stderr, "bench: \"%s\" refused; bench takes one argument at most, the depth\n", argv[3]);
    Modes.Refused = true;
    return;
  }
  int depth = BenchSignatureDepth;
  if (argc == 3) {
    const char* text = argv[2];
    const bool digits = *text != '\0' && text[strspn(text, "0123456789")] == '\0';
    depth = digits ? LeadingNumber(text) : 0;  // a huge number is capped, and refused below
    if (depth < MinFixedDepth || depth > MaxFixedDepth) {
      fprintf(stderr, "bench: depth \"%s\" refused; the depth must be a whole number of %d to %d plies\n",
              text, MinFixedDepth, MaxFixedDepth);
      Modes.Refused = true;
      return;
    }
  }
  SetFixedDepth(depth);
  Modes.BenchMode = 1;
  Modes.BenchSummary = true;
}

}  // namespace

void PrintHelp() {
  printf("xboard   used when interfacing with xboard\n");
  printf("-uci   used when interfacing with an UCI based GUI\n");
  printf("-bench  run an internal benchmark suite\n");
  printf("-fd  n    fixes search depth to n ply (min n = 3)\n");
  printf("-lpf filename  loads a position from file\n");
  printf("-pev  filename - run through a testsuite (EPD Format) & output full evaluation detail per position\n");
  printf("-sd  n   sets max search depth to n ply (min n = 3)\n");
  printf("-sp  self play\n");
  printf("-ts  filename run through a testsuite (EPD Format)\n");
}

bool ScanCommandLine(int argc, char** argv, void (*beforeOutput)()) {
  OutputHook = beforeOutput;
  if (argc > 1 && strcmp(argv[1], "bench") == 0) {
    ApplyFrameworkBench(argc, argv);
    return false;
  }
  for (int i = 1; i < argc; i++) {
    const char* word = argv[i];
    for (const Option& option : Options) {
      if (!Matches(option, word)) continue;
      const char* arg = nullptr;
      if (option.TakesArgument) {
        if (i + 1 >= argc) {
          BeforeOutput();
          printf("Missing argument for %s\n", word);
          continue;
        }
        arg = argv[++i];
      }
      if (option.Apply(arg)) {
        BeforeOutput();
        PrintHelp();
        return true;
      }
      // The rest of this pass looks at the argument word.
      if (arg) word = arg;
    }
  }
  return false;
}
