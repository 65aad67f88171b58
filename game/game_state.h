#pragma once
// The state of the game that the command interpreter and the game loop share: the flags that
// tie commands to a running search, the record of the game's positions (for repetitions and for
// taking moves back) and the xboard protocol version the GUI announced.

#include <cstddef>
#include <cstdint>

#include "board/chess_board.h"
#include "board/fen.h"
#include "game/pgn.h"

// Set by "quit" (also at the end of input): every loop ends at once.
extern bool QuitRequested;
// True while the engine searches for its own move or analyses; commands then arrive from the
// search's input polling.
extern bool SearchRunning;
// Set by a command that replaced the game position while the engine was searching: the result
// of that search belongs to a position that no longer exists.
extern bool PositionReplaced;
// The xboard protocol version from "protover" (1 until a GUI says otherwise). From 2 on the
// engine's moves go out as "move e2e4".
extern int ProtocolVersion;
// Pondering: xboard "hard" switches it on, "easy" off. While the opponent thinks, the engine
// plays the reply its last search predicted and searches on from there. PonderBase is the real
// game position during such a ponder search, and Pondering is set until the opponent's move
// (or any command that needs the real position) arrives.
// PonderMissed is set when something other than the predicted move ended the ponder search.
extern bool PonderEnabled;
extern bool Pondering;
extern bool PonderMissed;
extern ChessBoard PonderBase;

// The reply the engine's last search expects, kept with the position it belongs to (the
// position after the engine's move). NotePrediction takes it from the search's principal
// variation; PredictedMove gives it back while that position is on the board (or, during a
// ponder search, its base) and returns false otherwise.
void NotePrediction();
bool PredictedMove(uint64_t* from, uint64_t* to, char* promotion);
// The depth limit of xboard's "sd N" in plies, 0 for none: searches stop after that iteration
// (the clock still applies). "new" removes it.
extern int XboardDepthLimit;

// Ends SearchRunning and makes the changes to the game history that commands asked for while
// the search had its own path on top of it (new positions, moves, takebacks).
void SearchEnded();

// The game history: the key pair of every position of the game, so the search sees repetitions
// of the real game. Reset starts a new record with the current position (and forgets the moves
// that could be taken back); Record adds the current position after a move.
void ResetGameHistory();
void RecordGamePosition();
// How often the current position (the newest entry of the game history) occurred before, since
// the last capture or pawn move: with the same side to move, castling rights and en passant
// captures possible, as the rules of chess count repetitions.
int EarlierOccurrences();

// A new game: the start position with White to move, the settings a new game resets
// (MainStatus.initVars: the half-move number, thinking output off, ...), the history counters, a
// game record holding the start position, and the table faulted in before the first search.
void ResetForNewGame();
// A new position in the game, already on MainBoard (set up from a FEN, edited, or given by UCI
// "position"): its piece counts, the fifty-move clock and half-move number from the FEN's
// counters, the history counters, and a game record that starts with it.
void ResetForPosition(const FenCounters& counters);

// Plays a legal move on the game board: kept for a takeback, the side to move handed over, the
// half-move number advanced (not for a move entered in xboard's force mode) and the new position
// recorded in the game history for repetitions. Every front end plays its moves here.
void PlayGameMove(uint64_t from, uint64_t to, char promotion, bool countPly = true);
// The engine's own move: played as above, and marked in the game record as the engine's.
void PlayEngineMove(uint64_t from, uint64_t to, char promotion);

// The result once the game has ended ("1-0", "0-1" or "1/2-1/2"), "*" while it goes on. The
// announcement that ends the game sets it; a new game, a new position or a takeback clears it.
extern const char* GameResult;

// The game record: every move since the game's start position (a new game, or a position set
// up), as PlayGameMove made it; a takeback drops moves from its end. A game longer than the
// record starts from a later position. RecordedGame fills game.Start, its counters and the moves
// (into moves, room for MaxRecordedMoves) and leaves the tags to the caller. RecordedByEngine
// tells whether move i of the record was the engine's.
constexpr int MaxRecordedMoves = 1024;
void RecordedGame(PgnGame* game, PgnMove* moves);
bool RecordedByEngine(int i);
int RecordedMoveCount();
// The moves of the record from index first on, in algebraic notation with their numbers
// ("11... Nf6 12. Bd3"), into out (size bytes; the text stops at the last whole move that fits).
void RecordedMovesText(int first, char* out, size_t size);
// The move number of the current position: 1 at the start, one more after every move of Black's.
int32_t CurrentMoveNumber();

// The board diagram, with the static evaluation from White's side below it (left out in the
// -pev run, which prints its own evaluations); for a person (Protocol.Person), whose move it is,
// the move number and the last move instead.
void ShowBoard(const ChessBoard& board);

// Takeback. NoteMoveAbout (before a move is made on MainBoard, or with the position before it)
// keeps what a takeback restores: the board with its counters, the half-move number and the
// length of the game history. TakeBack undoes the newest `plies` half-moves; while a search
// runs it waits until the search has ended. Returns false (and changes nothing) when the game
// record holds fewer moves.
void NoteMoveAbout(const ChessBoard& before);
bool TakeBack(int plies);
// Half-moves that can be taken back.
int MovesToTakeBack();

// "pong N" for a "ping N" that arrived while the engine thought about its own move: the answer
// waits until the move has been sent. SendPendingPongs sends the waiting answers in order.
void QueuePong(const char* number);
void SendPendingPongs();
