#pragma once
// The command line: options that choose the mode (benchmarks, perft, test suites, protocols)
// and settings (depth, time per move, book, thinking output).

// Visits the arguments first to last and applies every option found. Returns true when the
// program should end at once with exit code 0 (after the help text). beforeOutput, when given,
// runs before each message the scan prints (and before a position file is read, whose reader may
// report): the program's greeting goes out there, ahead of them.
bool ScanCommandLine(int argc, char** argv, void (*beforeOutput)() = nullptr);

// Prints the nine lines of the help text.
void PrintHelp();

