#pragma once
// "orvo -annotate FILE [-o OUT [-force]] [-fd N | -st N] [-threads N]": every game of a PGN file
// (FILE "-": standard input) reviewed (game/review.h) and written back with the engine's
// evaluations, marks and better lines, on standard output or into OUT. Standard output carries
// the PGN and nothing else; progress and messages go to standard error.

// Called first thing at start-up. When the command line asks for a review (a word "-annotate"),
// standard output is kept for the PGN alone: whatever else the program prints goes to standard
// error. Returns whether it asked; the program then greets no one and reads no protocol word
// (standard input may hold the games).
bool PrepareReviewOutput(int argc, char** argv);

// The review of the command line's file (Modes.AnnotateFile, Modes.AnnotateOutput, ...) at the
// depth of -fd (DefaultReviewDepth without it) or the seconds per move of -st. Returns the exit
// status: 0 when every game was reviewed and written; 1 when the file cannot be read or holds
// no game, the output cannot be written, or a game had to be skipped (each named on standard
// error; the others are still reviewed and written).
int RunAnnotate();
