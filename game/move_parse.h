#pragma once
// Reading a move typed by the opponent (console, xboard or UCI) and checking it against the
// position: only a legal move of the side to move is accepted.

#include <cstdint>

#include "board/chess_board.h"

// True when text looks like a move in coordinate notation: a file letter a-h and a digit, a file
// letter and a digit, then optionally a promotion letter (n, b, r, q in either case) and nothing else.
// Words such as "e4" or "exit" are not move texts.
bool LooksLikeMoveText(const char* text);

// Parses text as a coordinate move and accepts it only when it is a legal move of board.SideToMove
// (generated for board.CastleFlags, own king not attacked afterwards). On success stores the
// square masks and the promotion character ('q', 'r', 'b' or 'n' for a promotion, a pawn reaching
// its last rank without a letter promotes to a queen; NoPromotion otherwise) and returns true.
// On failure returns false and leaves the outputs untouched.
bool ParseLegalMove(const ChessBoard& board, const char* text, uint64_t* from, uint64_t* to, char* promo);

// Counts the legal moves of the side to move (0: mate or stalemate).
int CountLegalMoves(const ChessBoard& board);

// The reply the last search expects to its chosen move: the second move of its principal
// variation, when that is a legal move in `after` (the position after the chosen move, with the
// opponent to move). False when the variation has no such move.
bool ExpectedReply(const ChessBoard& after, uint64_t* from, uint64_t* to, char* promo);

// The square (0..63) an en passant capture of the side to move goes to when such a capture is
// legal, right after the opponent's double step; -1 otherwise. A double step beside no pawn, or
// one whose capture would leave the capturer's king attacked, gives -1.
int LegalEnPassantSquare(const ChessBoard& board);
