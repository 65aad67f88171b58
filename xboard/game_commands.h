#pragma once
// The game's commands of the xboard and console interpreter: the opponent's moves, new games,
// force mode, sides, takebacks and results, the clock, analysis and the ping. Each returns a
// result code of commands.h.

#include <cstdint>

namespace xboard {

// A command that replaces the position or the side to move stops a running search.
uint8_t PositionChanged();

// The opponent's move: a bare move word, "usermove MOVE", or at the console a move in
// coordinates or algebraic notation.
uint8_t MoveCommand(const char* word);
// Castling as xboard writes it in Chess960: O-O, O-O-O (or with zeros).
bool IsCastlingWord(const char* word);
uint8_t UserMoveCommand();
uint8_t ConsoleMove(const char* word);
// Ends a ponder search; the word that ended it is carried out once the game position is back.
uint8_t StopPondering(const char* word);

// ".", "?", "abort", "new", "analyze", "exit".
uint8_t StatusLine();
uint8_t MoveNowCommand();
uint8_t AbortCommand();
uint8_t NewCommand();
// "new960 [N]" (the console): a new game from Chess960 start N (0 to 959), or a random start.
uint8_t New960Command();
// "variant fischerandom" plays Chess960 from the next position on (the GUI sends its start with
// setboard), "variant normal" standard chess; "new" also returns to standard chess.
uint8_t VariantCommand();
uint8_t AnalyzeCommand();
uint8_t ExitCommand();

// The clock: "level", "st", "time"; the depth: "sd" and its kin (command is the word typed).
uint8_t LevelCommand();
uint8_t FixedTimeCommand();
uint8_t TimeCommand();
uint8_t DepthCommand(const char* command, bool readsInXboard, bool setsFixedDepth);

// "white" / "black" (side is the colour named), "quit", "ping", "force", "playother", "undo" /
// "remove" (plies taken back), "result", and the console's "resign" and "save".
uint8_t SideCommand(int8_t side);
uint8_t QuitCommand();
uint8_t PingCommand();
uint8_t ForceCommand();
uint8_t PlayOtherCommand();
uint8_t TakeBackCommand(const char* word, int plies);
uint8_t ResultCommand();
uint8_t ResignCommand();
uint8_t SaveCommand();

}  // namespace xboard
