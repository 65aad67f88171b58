#pragma once
// The in-memory opening book: key pairs and values in two arrays, indexed by a binary tree.

#include <cstdint>

#include "board/chess_board.h"

constexpr int BookCapacity = 1000000;

struct BookKey {
  uint64_t Upper;
  uint64_t Lower;
};

struct treenode {
  int32_t index;
  treenode* left;
  treenode* right;
};

extern BookKey OpeningBook[BookCapacity];
extern int32_t BookValue[BookCapacity];
extern int32_t booksize;
extern treenode* treeroot;

void buildbook();
treenode* buildbooktree(int count);
int BookTreeSearch(const treenode* root, uint64_t upper, uint64_t lower);
// The book's move for the side to move of board, as an index into the list of its legal moves
// (GenerateAllMoves order), or -1 (always in Chess960). ply is the game's half-move to be
// played, 1 for White's first.
int InBook(char side, char castle, ChessBoard board, int ply);
