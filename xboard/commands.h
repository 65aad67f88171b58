#pragma once
// The xboard and console command interpreter.

#include <cstdint>

// Result codes.
constexpr uint8_t CmdMove = 0;
constexpr uint8_t CmdStop = 2;
constexpr uint8_t CmdQuit = 3;
constexpr uint8_t CmdHandled = 4;
constexpr uint8_t CmdFiftyMoves = 7;

uint8_t DoCommand(const char* word);
// Makes this interpreter the one the search hands the commands that arrive while it thinks.
void ListenForCommands();
// The move of the last command that answered CmdMove (a bare move or "usermove"), for the
// caller that plays it.
void PendingMove(uint64_t* from, uint64_t* to, char* promotion);
uint8_t HumanMove();
// A word HumanMove takes before it reads the input: at the console, the first word, which was
// read to tell the protocol and is the person's first command or move.
void TypeAheadWord(const char* word);
void SetupBoardFromEdit();
void MakeGUIMove(uint64_t from, uint64_t to, char promotion, int score);
// "Hint: e7e5": the move the engine expects from the opponent.
void SendHint(uint64_t from, uint64_t to, char promotion);
