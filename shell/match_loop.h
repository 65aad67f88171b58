#pragma once
// The program's outer loop: one pass per match, dispatching the one-shot modes or playing.

// The file named after -ts, -pev or -mimicstudent (nullptr when none).
extern const char* SuiteFile;
// The first word read from standard input at start-up (the protocol detection).
extern char FirstWord[256];

int MatchLoop();
