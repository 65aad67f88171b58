#pragma once
// What every xboard and console command needs: reading its arguments (a word, a number, the rest
// of its line) and telling the opponent what was refused, in the protocol's own form.

#include <cstddef>
#include <cstdint>

#include "game/input.h"

namespace xboard {

constexpr int WordSize = static_cast<int>(InputWordSize);
constexpr int LineSize = 1024;

// The command word being carried out, for the message about a missing argument.
extern const char* RunningCommand;

void Flush();

// A person at the console, not a GUI: the console reads a command's arguments from its own line
// only, accepts algebraic notation and redraws the board after a change of position.
bool AtConsole();

// An error in the protocol's own form: "Error (kind): text"; the console reads the same text.
// What the opponent sent is shown without its control bytes.
void ReportError(const char* kind, const char* text);

// Reads the next word of a command. An over-long word is refused, and so is its command; at the
// console a command whose line ends before its argument is refused by name.
bool ReadArgument(char* word, size_t size);

// Reads the rest of the command's line into line and returns it without the blanks at its ends;
// an over-long line is refused (nullptr), with the consequence named.
const char* ReadArgumentLine(char* line, size_t size, const char* consequence);

// Reads a word and converts it as a decimal number; 0 when it holds none. False when the word
// was refused.
bool ReadNumber(double* value);

// Arguments nobody needs: the rest of the line goes. While the engine searches, its input poll
// drops the rest of the line itself.
void SkipArguments();

}  // namespace xboard
