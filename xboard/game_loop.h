#pragma once
// The game loop of console and xboard play: the opponent's turn, the engine's turn and the
// announcements at the end of the game.

#include <cstdint>

#include "game/game_state.h"

// Plays until the game ends, "quit" arrives or the engine talks UCI. In xboard mode a finished
// game leaves the engine waiting for the GUI's next game ("new", "setboard", "edit") or "quit".
void GameLoop();
// The console's time control, as the person is told it at the start ("The engine plays 40 moves
// in 5 minutes"); a console without a clock gets that one.
void ShowConsoleClock();

// No mate is possible for either side: bare kings, or one knight or bishop against a bare king.
bool DeadDrawMaterial();

// Prints the announcement text that ends the game and records its result ("1-0", "0-1",
// "1/2-1/2"); the game is then over.
void AnnounceResult(const char* text, const char* result);

// Tests the current position for the end of the game (mate, stalemate, the fifty-move rule, a
// third repetition, insufficient material). Prints the announcement, clears GameInProgress and
// returns true when the game is over.
bool AnnounceGameEnd();
