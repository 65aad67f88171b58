#pragma once
// FEN positions: reading into MainBoard, writing, and loading a position file.

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "board/chess_board.h"

// Reads the placement, side to move, castling and en passant fields of text into MainBoard;
// whatever follows them (the counters of a FEN, the operations of an EPD line) is not read.
// The text may stop after any of the four: White to move, no castling rights, no en passant
// square. A side other than "w" or "b", a castling field other than "-" or letters of "KQkq"
// (or, in Chess960, rook files: Shredder-FEN and X-FEN, board/castling.h), or an en passant
// field other than "-" or a square on the third or sixth rank is refused. Standard castling
// rights whose king or rook is not in place are dropped; the en passant square is kept only when
// a pawn of the side to move stands ready to take there. MainBoard.Chess960 stays as it is.
// Returns nullptr on success; otherwise a one-line reason, and MainBoard is unchanged.
const char* SetupBoard(const char* text);
// The two counters that end a FEN text: the half-move clock (plies since the last capture or
// pawn move, at most 100: the game is drawn by then) and the full-move number (1 in the start
// position, raised after each Black move; at most MaxFenMoveNumber).
struct FenCounters {
  int32_t HalfMoveClock;
  int32_t MoveNumber;
};
constexpr int32_t MaxFenMoveNumber = 10000;
// Reads a whole FEN as a GUI sends it: SetupBoard, and the counters, which must be whole numbers
// when they are there (a FEN that stops before them counts 0 and 1; a move number 0 counts as
// 1). On success fills *counters; on refusal returns the reason with MainBoard and *counters
// unchanged.
const char* ReadFen(const char* text, FenCounters* counters);
// The counters of text without checking it: a missing or malformed field counts as 0 and 1.
FenCounters ReadFenCounters(const char* text);
// The board knows an en passant chance as the last move, a double pawn step. field is a FEN en
// passant field (the square passed over); it becomes that last move when the pawn stands there,
// the two squares behind it are empty and a pawn of the side to move can take it.
void SetEnPassantFromFen(ChessBoard& b, const char* field);
void AddPiece(char letter, int square);
char DecodePiece(uint64_t mask, ChessBoard board);
void CastleRights(char* out, char flags);
// The castling field of board: KQkq in standard chess, the castling rooks' files in Chess960
// (Shredder-FEN, "HAha"); "-" without rights. out must hold 5 characters.
void CastlingField(const ChessBoard& board, char* out);
void pos2fen(ChessBoard board, int number);
void pos2fenString(ChessBoard board, char* out);
// The whole six-field FEN of board: the en passant square (0..63, or -1 for "-") and the two
// counters come from the caller, which knows the game. out must hold at least 128 characters.
void WriteFen(const ChessBoard& board, int enPassantSquare, int halfMoveClock, int moveNumber, char* out);
void LoadPositionFile(const char* path);

enum class FileLine { Ok, TooLong, End, Failed };
// Reads one line of a text file into line, without its line feed and carriage return: Ok;
// TooLong when it has more than size - 1 characters (the rest of the line is skipped and line
// holds its start); End at the end of the file; Failed when the file cannot be read (a folder).
FileLine ReadFileLine(FILE* file, char* line, size_t size);
