#pragma once
// The match log "match.log": every command received, every move made, the search's diagnostics.
// A shared utility, so the board, hash and book layers may write to it as well as the front ends.

#include <cstdint>
#include <cstdio>

extern FILE* dlog;

// The trace switch ("-trace", xboard "traceflag"): perft, the book and the table lookups print
// what they do.
extern int8_t TraceFlag;

// Opens "match.log" for writing (truncated). Returns false when it cannot be opened;
// the engine then runs without a log.
bool OpenLogFile();
// Writes text and a newline, then flushes. Does nothing when no log is open.
void WriteLogFile(const char* text);
// printf-style form of WriteLogFile.
void LogPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
void CloseLogFile();
