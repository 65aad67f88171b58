#pragma once
// The game loop of console and xboard play: the opponent's turn, the engine's turn and the
// announcements at the end of the game, plus the game state the command interpreter shares.

#include <cstdint>

// Plays until the game ends, "quit" arrives or the engine talks UCI. In xboard mode a finished
// game leaves the engine waiting for the GUI's next game ("new", "setboard", "edit") or "quit".
void GameLoop();

// Set by "quit" (also at the end of input): every loop ends at once.
extern bool QuitRequested;
// True while the engine searches for its own move or analyses; commands then arrive from the
// search's input polling.
extern bool SearchRunning;
// Set by a command that replaced the game position while the engine was searching: the result
// of that search belongs to a position that no longer exists.
extern bool PositionReplaced;

// Ends SearchRunning and makes the changes to the game history that commands asked for while
// the search had its own path on top of it.
void SearchEnded();

// The game history: the key pair of every position of the game, so the search sees repetitions
// of the real game. Reset starts a new record with the current position; Record adds the current
// position after a move.
void ResetGameHistory();
void RecordGamePosition();
// How often the current position (the newest entry of the game history) occurred before, since
// the last capture or pawn move.
int EarlierOccurrences();

// No mate is possible for either side: bare kings, or one knight or bishop against a bare king.
bool DeadDrawMaterial();

// Tests the current position for the end of the game (mate, stalemate, the fifty-move rule, a
// third repetition, insufficient material). Prints the announcement, clears GameInProgress and
// returns true when the game is over.
bool AnnounceGameEnd();
