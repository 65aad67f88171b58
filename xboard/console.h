#pragma once

#include <cstdint>
// What the console offers a person beyond the xboard commands: the list of commands with their
// arguments, and saving the game played so far.

// Prints every console command with its arguments, one line each; with a topic, that command's
// line alone (false when there is none).
void PrintConsoleHelp();
bool PrintConsoleHelp(const char* topic);

// The console for a person (Protocol.Person): the first screen (the greeting, the board, the
// time control and the prompt) shown before the first word is read, once.
extern bool FirstScreenShown;
void ShowFirstScreen();
// The prompt before the person's move: "White, move 12: " (for a person) or "Enter Move: ".
void PrintPrompt();
// The engine's move before it is played, for a person: "12... Nf6  (+0.35)", the evaluation in
// pawns from White's side, or who mates in how many moves.
void ShowEngineMove(uint64_t from, uint64_t to, char promotion, int score);
// A person's confirmation of a setting; nothing through a pipe.
void Confirm(const char* format, ...) __attribute__((format(printf, 1, 2)));
// For a person, a line is one command: words beyond those the command takes are refused with
// its usage, and the line is dropped. True when the command may run.
bool LineFitsCommand(const char* command);

// The way a command is written with its arguments ("sd N"), from the list of commands; nullptr
// for a command the list does not show.
const char* ConsoleUsage(const char* command);

// Adds the game record to the file at path as PGN (after the games it already holds) and tells
// the person what happened; a file that cannot be written leaves the game as it is.
void SaveGameAsPgn(const char* path);
// "review": the engine goes through the game so far and shows each move with its evaluation and
// mark (?!, ?, ??) and a better line; "save" then writes the reviewed game while it stays the same.
void ReviewConsoleGame();
