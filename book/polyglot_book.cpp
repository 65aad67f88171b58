// Polyglot opening books: the book key of a position, reading and checking a book file, finding
// a position's entries by binary search and choosing one legal move among them.

#include "book/polyglot_book.h"

#include <bit>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "board/bit_ops.h"
#include "board/log_file.h"
#include "board/masks.h"
#include "movegen/move_gen.h"

PolyglotBook FileBook;

namespace {

constexpr int CastleOffset = 768;
constexpr int EnPassantOffset = 772;
constexpr int TurnOffset = 780;
constexpr size_t EntryBytes = 16;
// A book of this size would hold some sixteen million entries, far more than any opening book.
constexpr uintmax_t MaxBookBytes = uintmax_t{256} << 20;

// The book numbers its kinds of piece black pawn 0, white pawn 1, black knight 2, ... white
// king 11: twice the piece type, plus one for White.
uint64_t PieceKeys(uint64_t pieces, int kind) {
  uint64_t key = 0;
  for (; pieces; pieces &= pieces - 1) key ^= PolyglotRandom[64 * kind + LowestSquare(pieces)];
  return key;
}

// The castling rights that still have their king and rook at home.
uint8_t RealCastleRights(const ChessBoard& b, uint8_t castle) {
  struct Right {
    uint8_t Flag;
    uint64_t King, Rook;
    bool Black;
  };
  constexpr Right Rights[4] = {{1, Bit(E1), Bit(H1), false},
                               {2, Bit(E1), Bit(A1), false},
                               {4, Bit(E8), Bit(H8), true},
                               {8, Bit(E8), Bit(A8), true}};
  uint8_t real = 0;
  for (const Right& r : Rights) {
    const uint64_t king = r.Black ? b.BlackKing : b.WhiteKing;
    const uint64_t rooks = r.Black ? b.BlackRooks : b.WhiteRooks;
    if ((castle & r.Flag) && (king & r.King) && (rooks & r.Rook)) real |= r.Flag;
  }
  return real;
}

// The file of the pawn that has just made a double step, when a pawn of the side to move stands
// beside it; -1 otherwise.
int EnPassantFile(const ChessBoard& b, int8_t side) {
  const bool white = side == White;
  const uint64_t pushed = b.LastTo & (white ? b.BlackPawns & Rank5 : b.WhitePawns & Rank4);
  if (!pushed) return -1;
  if (b.LastFrom != (white ? pushed << 16 : pushed >> 16)) return -1;
  const uint64_t beside = ((pushed << 1) & ~FileA) | ((pushed >> 1) & ~FileH);
  if (!(beside & (white ? b.WhitePawns : b.BlackPawns))) return -1;
  return LowestSquare(pushed) & 7;
}

static_assert(sizeof(PolyglotEntry) == EntryBytes, "an entry is held exactly as the file stores it");

// A field as the file stores it, highest byte first, in the machine's order.
template <typename T>
T FromBigEndian(T v) {
  if constexpr (std::endian::native == std::endian::big) return v;
  else if constexpr (sizeof(T) == 8) return static_cast<T>(__builtin_bswap64(v));
  else if constexpr (sizeof(T) == 4) return static_cast<T>(__builtin_bswap32(v));
  else return static_cast<T>(__builtin_bswap16(v));
}

uint64_t NextRandom(uint64_t& state) {
  // splitmix64: a small generator of good quality, enough to vary the openings.
  uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

bool LeavesKingSafe(const ChessBoard& board, int8_t side, const BookMove& m) {
  ChessBoard after = board;
  uint8_t mask = 0;
  after.MakeMove(m.From, m.To, m.Promotion, mask);
  return !after.InCheck(side ? after.BlackKing : after.WhiteKing, side);
}

}  // namespace

uint64_t PolyglotKey(const ChessBoard& b, int8_t side, uint8_t castle) {
  uint64_t key = PieceKeys(b.BlackPawns, 0) ^ PieceKeys(b.WhitePawns, 1) ^ PieceKeys(b.BlackKnights, 2) ^
                 PieceKeys(b.WhiteKnights, 3) ^ PieceKeys(b.BlackBishops, 4) ^ PieceKeys(b.WhiteBishops, 5) ^
                 PieceKeys(b.BlackRooks, 6) ^ PieceKeys(b.WhiteRooks, 7) ^ PieceKeys(b.BlackQueens, 8) ^
                 PieceKeys(b.WhiteQueens, 9) ^ PieceKeys(b.BlackKing, 10) ^ PieceKeys(b.WhiteKing, 11);
  // The book's castling numbers: white short, white long, black short, black long, the order of
  // the engine's rights bits.
  const uint8_t rights = RealCastleRights(b, castle);
  for (int r = 0; r < 4; r++)
    if (rights & (1 << r)) key ^= PolyglotRandom[CastleOffset + r];
  const int epFile = EnPassantFile(b, side);
  if (epFile >= 0) key ^= PolyglotRandom[EnPassantOffset + epFile];
  if (side == White) key ^= PolyglotRandom[TurnOffset];
  return key;
}

BookMove DecodeBookMove(const ChessBoard& board, int8_t side, uint16_t move) {
  // The book's squares count a1 = 0 ... h8 = 63 like the engine's.
  const int to = move & 63;
  const int from = (move >> 6) & 63;
  const int piece = (move >> 12) & 7;
  BookMove m{SquareMask(from), SquareMask(to), NoPromotion};
  const uint64_t king = side ? board.BlackKing : board.WhiteKing;
  const uint64_t rooks = side ? board.BlackRooks : board.WhiteRooks;
  const int home = side ? E8 : E1;
  if (from == home && (king & m.From) && (rooks & m.To) && (to == home + 3 || to == home - 4))
    m.To = SquareMask(to == home + 3 ? home + 2 : home - 2);
  if (piece >= 1 && piece <= 4) {
    const char letter = "NBRQ"[piece - 1];
    m.Promotion = side ? static_cast<char>(letter - 'A' + 'a') : letter;
  }
  return m;
}

void PolyglotBook::Unload() {
  Entries.clear();
  Entries.shrink_to_fit();
  Path.clear();
}

const char* PolyglotBook::Load(const char* path) {
  const auto start = std::chrono::steady_clock::now();
  Unload();
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return "no such file, or not a regular file";
  const uintmax_t size = std::filesystem::file_size(path, error);
  if (error) return "its size cannot be read";
  if (size % EntryBytes != 0) return "its size is not a multiple of 16 bytes: not a Polyglot book, or cut short";
  if (size == 0) return "the file is empty";
  if (size > MaxBookBytes) return "the file is too large for an opening book";
  FILE* file = fopen(path, "rb");
  if (!file) return "the file cannot be opened for reading";
  // The file is read straight into the entries, whose layout is the file's, and then each field
  // is turned from the file's highest-byte-first order into the machine's.
  std::vector<PolyglotEntry> entries(static_cast<size_t>(size) / EntryBytes);
  const size_t got = fread(entries.data(), EntryBytes, entries.size(), file);
  fclose(file);
  if (got != entries.size()) return "the file cannot be read";
  for (size_t i = 0; i < entries.size(); i++) {
    PolyglotEntry& e = entries[i];
    e.Key = FromBigEndian(e.Key);
    e.Move = FromBigEndian(e.Move);
    e.Weight = FromBigEndian(e.Weight);
    e.Learn = FromBigEndian(e.Learn);
    // The search for a position's entries relies on the order; a file out of order is damaged.
    if (i > 0 && e.Key < entries[i - 1].Key) return "its entries are not sorted by key: the file is damaged";
  }
  Entries = std::move(entries);
  Path = path;
  const auto micros =
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count();
  LogPrintf("Opening book %s: %zu entries, read in %.1f ms", path, Entries.size(), static_cast<double>(micros) / 1000);
  if (RandomState == 0)
    RandomState = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) | 1;
  return nullptr;
}

void PolyglotBook::Find(uint64_t key, size_t* first, size_t* last) const {
  size_t lo = 0, hi = Entries.size();
  while (lo < hi) {
    const size_t mid = lo + (hi - lo) / 2;
    if (Entries[mid].Key < key) lo = mid + 1;
    else hi = mid;
  }
  size_t end = lo;
  while (end < Entries.size() && Entries[end].Key == key) end++;
  *first = lo;
  *last = end;
}

int PolyglotBook::Playable(const ChessBoard& board, int8_t side, uint8_t castle, const MoveGen& list, int n,
                           int* index, uint32_t* weight) const {
  size_t first = 0, last = 0;
  Find(PolyglotKey(board, side, castle), &first, &last);
  int count = 0;
  for (size_t e = first; e < last && count < MaxMoves; e++) {
    const PolyglotEntry& entry = Entries[e];
    if (entry.Move == 0 || entry.Weight == 0) continue;  // a1a1 fills a slot; weight 0 forbids the move
    const BookMove m = DecodeBookMove(board, side, entry.Move);
    for (int i = 0; i < n; i++) {
      if (list.From[i] != m.From || list.To[i] != m.To) continue;
      if ((list.Promotion[i] == NoPromotion) != (m.Promotion == NoPromotion)) continue;
      if (m.Promotion != NoPromotion && (list.Promotion[i] | 0x20) != (m.Promotion | 0x20)) continue;
      if (!LeavesKingSafe(board, side, m)) break;
      index[count] = i;
      weight[count] = entry.Weight;
      count++;
      break;
    }
  }
  return count;
}

int PolyglotBook::Choose(const ChessBoard& board, int8_t side, uint8_t castle, const MoveGen& list, int n) {
  // Every playable entry of the position: its place in the move list and its weight.
  int index[MaxMoves];
  uint32_t weight[MaxMoves];
  const int count = Playable(board, side, castle, list, n, index, weight);
  if (count == 0) return -1;
  int chosen = 0;
  if (Variety) {
    uint64_t total = 0;
    for (int c = 0; c < count; c++) total += weight[c];
    uint64_t r = NextRandom(RandomState) % total;
    while (r >= weight[chosen]) r -= weight[chosen++];
  } else {
    // The heaviest move; among equal weights the first in the file, so the choice is always the same.
    for (int c = 1; c < count; c++)
      if (weight[c] > weight[chosen]) chosen = c;
  }
  return index[chosen];
}
