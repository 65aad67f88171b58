#pragma once
// Reading standard input. The engine reads file descriptor 0 through its own buffer, so it always
// knows whether a command is waiting (bytes in the buffer or in the pipe). Every mode reads its
// words and lines here. A word or line longer than the caller's buffer is never cut short: it
// is refused whole, the rest of its line is dropped, and the caller refuses the command it
// belongs to (ReportTooLong says so in the protocol's form). A NUL byte counts as a blank.
// At the end of input every read returns "quit", so every loop of the engine ends.

#include <cstddef>
#include <cstdint>

// The longest line the engine takes (a UCI position command with a long game is the longest a
// GUI sends: a thousand moves need about 10000 characters), and the longest word.
constexpr size_t InputLineSize = 32768;  // terminating NUL included
constexpr size_t InputWordSize = 256;

enum class InputResult : uint8_t {
  Ok,       // buf holds the word or line
  TooLong,  // refused: buf holds a printable excerpt of its start, its line has been dropped
  End,      // the end of input: buf holds "quit"
};

// Reads one whitespace-delimited word into buf (NUL-terminated, at most size - 1 characters).
InputResult ReadWord(char* buf, size_t size);
// Consumes one character (the separator after a word), if any is waiting or can be read.
void ConsumeOneChar();
// Reads the rest of the current line (up to, not including, the newline, which is consumed;
// carriage returns are dropped).
InputResult ReadLine(char* buf, size_t size);
// Tells the opponent that an over-long word or line was refused: "info string ..." in UCI,
// "Error (...): ..." in xboard, plain text on the console. consequence, when given, ends the line.
void ReportTooLong(const char* excerpt, size_t limit, const char* consequence = nullptr);
// Copies at most n characters of text into out (of the given size) for a message: control bytes
// and bytes outside ASCII are shown as '?', and "..." marks text that was cut.
void PrintableExcerpt(char* out, size_t size, const char* text, size_t n = 40);
// The decimal number at the start of text, 0 when it does not start with a digit; numbers above
// cap are capped.
int32_t LeadingNumber(const char* text, int32_t cap = INT32_MAX);
// True when the current line holds another word: blanks before it are consumed, the newline
// is not. False at the start of a line (the last word read ended its line) and at the end of
// input. It waits for the rest of the line, which the sender has already started sending.
bool WordFollowsOnLine();
// Drops whatever is left of the current line.
void DiscardRestOfLine();
// The words left on the current line among the bytes already read in (a terminal hands over
// whole lines), without consuming them; 0 at the start of a line.
int WordsLeftOnLine();
// Non-blocking: true when at least one byte is waiting (buffered, or readable on fd 0),
// or when the input has ended (the next read returns "quit").
bool InputWaiting();
// As InputWaiting, but waits up to ms milliseconds for the input to arrive.
bool InputWaitingWithin(int ms);
// For tests: replace standard input with the given text (end of input after it).
void SetInputForTesting(const char* text);
