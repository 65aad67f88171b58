#pragma once
// Reading standard input. The engine reads file descriptor 0 through its own buffer, so it always
// knows whether a command is waiting (bytes in the buffer or in the pipe). Words and lines are
// bounded by the caller's buffer; the rest of an over-long word or line is dropped.
// At the end of input every read returns "quit", so every loop of the engine ends.

#include <cstddef>

// Reads one whitespace-delimited word into buf (NUL-terminated, at most size - 1 characters).
// Returns false (and stores "quit") at the end of input.
bool ReadWord(char* buf, size_t size);
// Consumes one character (the separator after a word), if any is waiting or can be read.
void ConsumeOneChar();
// Reads the rest of the current line (up to, not including, the newline, which is consumed).
// Returns false (and stores "quit") at the end of input.
bool ReadLine(char* buf, size_t size);
// Reads a word and converts its leading decimal digits (with an optional sign); 0 when none.
int ReadInt();
// Drops whatever is left of the current line.
void DiscardRestOfLine();
// Non-blocking: true when at least one byte is waiting (buffered, or readable on fd 0),
// or when the input has ended (the next read returns "quit").
bool InputWaiting();
// For tests: replace standard input with the given text (end of input after it).
void SetInputForTesting(const char* text);
