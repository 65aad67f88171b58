#pragma once
// The command line: options that choose the mode (benchmarks, perft, test suites, protocols)
// and settings (depth, time per move, book, thinking output).

// Visits the arguments first to last and applies every option found. Returns true when the
// program should end at once with exit code 0 (after the help text).
bool ScanCommandLine(int argc, char** argv);

// Prints the nine lines of the help text.
void PrintHelp();

// Fixed time per move of n seconds, as the xboard "st" command sets it: ST (milliseconds, as the
// search reads it), TimePerMove (90 % of that) and TimeLeft (a minute per second of move time).
void SetSecondsPerMove(int n);
