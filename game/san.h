#pragma once
// Standard algebraic notation (Nf3, exd5, O-O, e8=Q, Nbd7, Qh4xe1+): reading a move a person
// types and writing the text of a move, both checked against the legal moves of a position.

#include <cstdint>

#include "board/chess_board.h"

// Room for the longest move text ("Qh4xe1+", "exd8=Q#") with its terminating zero, and more.
constexpr int SanTextSize = 16;

// Reads text as a move in standard algebraic notation and accepts it only when it names exactly
// one legal move of board.SideToMove. Piece letters are upper case (K, Q, R, B, N; a lower-case
// b is the b-file, as in bxc3); castling is O-O or O-O-O (also with zeros); a promotion is
// written e8=Q or e8Q; the from-square may be given by file, rank or both (Nbd7, R1e2, Qh4xe1);
// trailing +, #, ! and ? are ignored. An x that marks a capture may be left out, but an x on a
// move that takes nothing is refused. A pawn reaching its last rank without a piece letter
// promotes to a queen. On success stores the square masks and the promotion character as
// ParseLegalMove does ('q', 'r', 'b' or 'n' for a promotion, NoPromotion otherwise) and returns
// true. On failure returns false, leaves the outputs untouched and, when reason is given, points
// it at a short explanation: "not algebraic notation", "no such move" or "ambiguous".
bool ParseSanMove(const ChessBoard& board, const char* text, uint64_t* from, uint64_t* to, char* promo,
                  const char** reason = nullptr);

// Writes the algebraic notation of a legal move of board.SideToMove into out (SanTextSize bytes,
// zero-terminated): the piece letter, the from-file, from-rank or both only when another piece
// of the same kind could also go there, x for a capture (en passant included), =Q for a
// promotion, O-O and O-O-O for castling, then + for check or # for mate. promo is read as the
// board's MakeMove reads it: 'n', 'b', 'r' (either case) promote to that piece, anything else to a
// queen; it is ignored on a move that does not promote. Returns the length of the text, or 0
// (and an empty text) when the move is not a legal move of the position.
int WriteSanMove(const ChessBoard& board, uint64_t from, uint64_t to, char promo, char* out);

// Plays a move on board as the game does: the pieces, the castling rights it costs and the side
// to move. The move must be legal (from ParseSanMove, ParseLegalMove or the move generator).
void PlayMoveOnBoard(ChessBoard& board, uint64_t from, uint64_t to, char promo);
