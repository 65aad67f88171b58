#pragma once
// What the console offers a person beyond the xboard commands: the list of commands with their
// arguments, and saving the game played so far.

// Prints every console command with its arguments, one line each.
void PrintConsoleHelp();

// The way a command is written with its arguments ("sd N"), from the list of commands; nullptr
// for a command the list does not show.
const char* ConsoleUsage(const char* command);

// Adds the game record to the file at path as PGN (after the games it already holds) and tells
// the person what happened; a file that cannot be written leaves the game as it is.
void SaveGameAsPgn(const char* path);
