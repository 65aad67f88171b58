#pragma once
// FEN positions: reading into MainBoard, writing, and loading a position file.

#include "board/chess_board.h"

// Reads the placement, side to move and castling fields of text into MainBoard.
// Returns nullptr on success; otherwise a one-line reason, and MainBoard is unchanged.
const char* SetupBoard(const char* text);
void AddPiece(char letter, int square);
char DecodePiece(uint64_t mask, ChessBoard board);
void CastleRights(char* out, char flags);
void pos2fen(ChessBoard board, int number);
void pos2fenString(ChessBoard board, char* out);
void LoadPositionFile(const char* path);
