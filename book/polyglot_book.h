#pragma once
// Opening books in the Polyglot format, the format most players and testers keep their books in.
// A book file is a run of 16-byte entries sorted by a 64-bit position key, every integer stored
// highest byte first: key (8 bytes), move (2), weight (2), learn (4). The key is a Zobrist key of
// its own, built from a fixed table of 781 random numbers, so it has nothing to do with the
// engine's own key pair.

#include <cstdint>
#include <string>
#include <vector>

#include "board/chess_board.h"

class MoveGen;

constexpr int PolyglotRandomCount = 781;
extern const uint64_t PolyglotRandom[PolyglotRandomCount];

// The book key of a position: side to move, castling rights (1, 2, 4, 8 as on the board; a right
// counts only while its king and rook stand on their home squares) and the en passant file, which
// counts only when a pawn of the side to move stands beside the pawn that has just made its
// double step.
uint64_t PolyglotKey(const ChessBoard& board, int8_t side, uint8_t castle);

struct PolyglotEntry {
  uint64_t Key;
  uint16_t Move;    // bits 0-5 to-square, 6-11 from-square, 12-14 promotion piece (1 N .. 4 Q)
  uint16_t Weight;  // the higher, the better; 0 means the move is never to be played
  uint32_t Learn;
};

// A move of the book in the engine's terms.
struct BookMove {
  uint64_t From;
  uint64_t To;
  char Promotion;  // NoPromotion, or 'N', 'B', 'R', 'Q' (lower case for Black)
};

// Turns a book move into the engine's move: castling, written in the book as the king taking
// its own rook (e1h1), becomes the king's two-square move (e1g1).
BookMove DecodeBookMove(const ChessBoard& board, int8_t side, uint16_t move);

class PolyglotBook {
public:
  std::vector<PolyglotEntry> Entries;  // sorted by key, the whole file held in memory
  std::string Path;                    // the file the entries came from; empty without a book
  int32_t LastPly = 0;                 // the last ply of the game the book is asked for; 0: no limit
  bool Variety = false;                // choose at random by weight instead of the heaviest move
  bool Enabled = true;                 // -nobook switches the file book off
  uint64_t RandomState = 0;

  // Reads a book file and takes it in place of the present book. Returns nullptr, or the reason
  // the file was refused (the present book is then dropped: the engine plays without one).
  const char* Load(const char* path);
  void Unload();
  bool Loaded() const { return !Entries.empty(); }
  // Whether the book is asked for the move at this ply of the game (1 for White's first move).
  bool Asked(int32_t ply) const { return Enabled && Loaded() && (LastPly <= 0 || ply <= LastPly); }
  // The first entry with this key and the end of the run of entries with it.
  void Find(uint64_t key, size_t* first, size_t* last) const;
  // Chooses the book move of the position among the n generated moves of list: the heaviest
  // legal one, or one at random with chances by weight when Variety is set. Entries whose move
  // is not legal in the position, or whose weight is zero, are passed over. Returns the index of
  // the move in list, or -1 when the book has no move for the position.
  int Choose(const ChessBoard& board, int8_t side, uint8_t castle, const MoveGen& list, int n);
  // The playable entries of the position (legal, weight above zero), in the file's order: their
  // places in list and their weights, at most MaxMoves of them. Returns how many there are.
  int Playable(const ChessBoard& board, int8_t side, uint8_t castle, const MoveGen& list, int n, int* index,
               uint32_t* weight) const;
};

extern PolyglotBook FileBook;
