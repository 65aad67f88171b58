#pragma once
// The command line: options that choose the mode (benchmarks, perft, test suites, protocols)
// and settings (depth, time per move, book, thinking output).

#include <cstdint>

// The one-shot modes the command line chooses (each runs once and ends the program).
struct CommandLineModes {
  int8_t PERFT = 0;
  int8_t BenchMode = 0;    // 1 the benchmark, 2 both search drivers on one position
  bool BenchSummary = false;  // "orvo bench": the benchmark's report ends with the node count and speed
  bool Refused = false;       // an argument was refused that leaves nothing to run: exit code 1
  int8_t SATrain = 0;
  int8_t DoTestSuite = 0;
  bool TablesNamed = false;  // "-syzygy PATH" was given: what the tables hold is told at the start
  bool DepthRefused = false; // "-fd N" was refused (the review then does not run at another depth)
  // The review of a PGN file (shell/annotate.h): -annotate FILE, -o OUT, -force, -threads N.
  bool Annotate = false;
  const char* AnnotateFile = nullptr;
  const char* AnnotateOutput = nullptr;
  bool AnnotateForce = false;
  int Threads = 0;  // search threads of the review, 0 for the engine's

  void setPERFT(char c) { PERFT = static_cast<int8_t>(c); }
  char getPERFT() const { return static_cast<char>(PERFT); }
  void setDoTestSuite(char c) { DoTestSuite = static_cast<int8_t>(c); }
  char getDoTestSuite() const { return static_cast<char>(DoTestSuite); }
};
extern CommandLineModes Modes;

// "orvo bench [depth]", as test frameworks (OpenBench and the like) run it, is a form of its own:
// the benchmark of -bench at the given depth, by default BenchSignatureDepth. A depth that is not
// a whole number of MinFixedDepth to MaxFixedDepth plies, or any further argument, is refused with
// one line on standard error and Modes.Refused, for exit code 1.
//
// Otherwise visits the arguments first to last and applies every option found. Returns true when the
// program should end at once with exit code 0 (after the help text). beforeOutput, when given,
// runs before each message the scan prints (and before a position file is read, whose reader may
// report): the program's greeting goes out there, ahead of them.
bool ScanCommandLine(int argc, char** argv, void (*beforeOutput)() = nullptr);

// Prints the nine lines of the help text.
void PrintHelp();

