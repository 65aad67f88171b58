// The opening book: key pairs and values in two parallel arrays, found through a binary tree
// ordered by (upper key, lower key). The engine builds it empty: the tree is its root alone,
// standing for entry 0, so no real position is found there. The moves of a book come from a
// Polyglot book file when one is given (polyglot_book.cpp), which is asked first.

#include "book/opening_book.h"

#include <cstdio>

#include "board/keys.h"
#include "board/log_file.h"
#include "board/move_coordinates.h"
#include "book/polyglot_book.h"
#include "movegen/move_gen.h"

BookKey OpeningBook[BookCapacity];
int32_t BookValue[BookCapacity];
int32_t booksize = 0;
treenode* treeroot = nullptr;

namespace {

bool KeyLess(uint64_t upperA, uint64_t lowerA, uint64_t upperB, uint64_t lowerB) {
  return upperA < upperB || (upperA == upperB && lowerA < lowerB);
}

// Puts entry index into the tree below root: smaller pairs to the left, greater or equal ones
// to the right.
void InsertBookEntry(treenode* root, int32_t index) {
  const BookKey& key = OpeningBook[index];
  treenode* node = root;
  for (;;) {
    const BookKey& here = OpeningBook[node->index];
    treenode*& child = KeyLess(key.Upper, key.Lower, here.Upper, here.Lower) ? node->left : node->right;
    if (!child) {
      child = new treenode{index, nullptr, nullptr};
      return;
    }
    node = child;
  }
}

}  // namespace

void buildbook() {
  booksize = 0;
  buildbooktree(0);
}

// Returns the nodes of a tree to the heap (without recursion: a tree built from sorted keys
// degenerates into a list).
void FreeBookTree(treenode* root) {
  while (root) {
    if (root->left) {
      // Rotate the left child up, so that every node is reached through right links.
      treenode* left = root->left;
      root->left = left->right;
      left->right = root;
      root = left;
    } else {
      treenode* next = root->right;
      delete root;
      root = next;
    }
  }
}

treenode* buildbooktree(int count) {
  // Each build starts a new tree and releases the one before.
  FreeBookTree(treeroot);
  treeroot = new treenode{0, nullptr, nullptr};
  if (count > BookCapacity) count = BookCapacity;
  for (int i = 1; i < count; i++) InsertBookEntry(treeroot, i);
  return treeroot;
}

int BookTreeSearch(const treenode* root, uint64_t upper, uint64_t lower) {
  const treenode* node = root;
  while (node) {
    const BookKey& entry = OpeningBook[node->index];
    if (entry.Upper == upper) return entry.Lower == lower ? node->index : -1;
    if (entry.Lower == lower) return -1;
    const bool right = upper > entry.Upper || (upper == entry.Upper && lower >= entry.Lower);
    node = right ? node->right : node->left;
  }
  return -1;
}

int InBook(char side, char castle, ChessBoard board, int ply) {
  // The books hold standard chess: a Chess960 game plays from its first move.
  if (board.Chess960) return -1;
  const int8_t me = side ? Black : White;
  MoveGen moves;
  const int n = moves.GenerateAllMoves(me, &board, static_cast<uint8_t>(castle));
  if (FileBook.Asked(ply)) {
    const int k = FileBook.Choose(board, me, static_cast<uint8_t>(castle), moves, n);
    if (k >= 0) {
      fflush(stdout);
      return k;
    }
  }
  int best = -100;
  int bestValue = 110000;
  char text[16];  // " e2e4 \n" or " e7e8q \n" for the trace
  for (int i = 0; i < n; i++) {
    uint64_t from = 0, to = 0;
    char promo = NoPromotion;
    moves.GetMove(i, &from, &to, &promo);
    const uint8_t fromIndex = static_cast<uint8_t>(__builtin_ctzll(from));
    const uint8_t toIndex = static_cast<uint8_t>(__builtin_ctzll(to));
    if (TraceFlag) {
      char* p = text;
      *p++ = ' ';
      p = PutMoveCoordinates(p, fromIndex, toIndex, promo);
      *p++ = ' ';
      *p++ = '\n';
      *p = '\0';
      printf("  {%s", text);
    }
    uint8_t castleMask = 0;
    board.MakeMove(from, to, promo, castleMask);
    uint64_t upper = 0, lower = 0;
    genhashcode(me ^ 1, static_cast<uint8_t>(castle & castleMask), &upper, &lower, &board);
    const int found = treeroot ? BookTreeSearch(treeroot, upper, lower) : -1;
    if (found >= 0 && BookValue[found] < bestValue) {
      best = i;
      bestValue = BookValue[found];
    }
    if (TraceFlag) printf("  %s%d%s}\n", found < 0 ? "Not in Book: " : "", found >= 0 ? BookValue[found] : 0, text);
    board.UndoMove(i);
  }
  fflush(stdout);
  return best;
}
