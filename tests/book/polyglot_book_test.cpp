#include "book/polyglot_book.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "board/bit_ops.h"
#include "board/fen.h"
#include "board/keys.h"
#include "board/log_file.h"
#include "book/opening_book.h"
#include "movegen/move_gen.h"
#include "tests/board/board_test_util.h"

namespace {

int Sq(const char* s) { return (s[0] - 'a') + 8 * (s[1] - '1'); }

// Plays coordinate moves on the board the way a game does: the move maker's rights mask
// narrows the castling rights, and the last move is remembered for en passant.
void Play(ChessBoard& b, int8_t& side, uint8_t& castle, const char* move) {
  uint8_t mask = 0;
  b.MakeMove(SquareMask(Sq(move)), SquareMask(Sq(move + 2)), NoPromotion, mask);
  castle = static_cast<uint8_t>(castle & mask);
  side ^= 1;
}

uint16_t BookCode(const char* move, int promotion = 0) {
  return static_cast<uint16_t>(promotion << 12 | Sq(move) << 6 | Sq(move + 2));
}

struct TestEntry {
  uint64_t Key;
  uint16_t Move, Weight;
};

// Writes a book file the way the format stores it: sorted by key (unless told otherwise),
// highest byte first.
std::string WriteBook(const char* name, std::vector<TestEntry> entries, bool sorted = true) {
  if (sorted)
    std::sort(entries.begin(), entries.end(), [](const TestEntry& a, const TestEntry& b) { return a.Key < b.Key; });
  const std::string path = testing::TempDir() + name;
  FILE* f = fopen(path.c_str(), "wb");
  for (const TestEntry& e : entries) {
    unsigned char bytes[16] = {};
    for (int i = 0; i < 8; i++) bytes[i] = static_cast<unsigned char>(e.Key >> (56 - 8 * i));
    bytes[8] = static_cast<unsigned char>(e.Move >> 8);
    bytes[9] = static_cast<unsigned char>(e.Move);
    bytes[10] = static_cast<unsigned char>(e.Weight >> 8);
    bytes[11] = static_cast<unsigned char>(e.Weight);
    fwrite(bytes, 1, 16, f);
  }
  fclose(f);
  return path;
}

// The move the book chooses in the position of MainBoard, as text ("" for none).
std::string BookChoice(PolyglotBook& book) {
  ChessBoard b = MainBoard;
  MoveGen list;
  const int n = list.GenerateAllMoves(b.SideToMove, &b, b.CastleFlags);
  const int k = book.Choose(b, b.SideToMove, b.CastleFlags, list, n);
  if (k < 0) return "";
  std::string text;
  for (uint64_t sq : {list.From[k], list.To[k]}) {
    text += static_cast<char>('a' + LowestSquare(sq) % 8);
    text += static_cast<char>('1' + LowestSquare(sq) / 8);
  }
  return text;
}

}  // namespace

// The check values published with the format: the start position, castling rights lost by king
// moves, and en passant that counts only with a pawn ready to capture.
TEST(PolyglotBook, KeysMatchThePublishedValues) {
  GlobalsGuard guard;
  struct Line {
    const char* moves;
    std::vector<uint64_t> keys;  // after 0, 1, 2, ... of the moves
  };
  const Line lines[] = {
      {"e2e4 d7d5 e4e5 f7f5 e1e2 e8f7",
       {0x463b96181691fc9c, 0x823c9b50fd114196, 0x0756b94461c50fb0, 0x662fafb965db29d4, 0x22a48b5a8e47ff78,
        0x652a607ca3f242c1, 0x00fdd303c946bdd9}},
      {"a2a4 b7b5 h2h4 b5b4 c2c4 b4c3 a1a3", {}},
  };
  for (const Line& line : lines) {
    ChessBoard b{};
    b.InitRep();
    b.InitPieceCounts();  // InitRep sets the pieces only; the moves played below keep the counts
    int8_t side = White;
    uint8_t castle = 15;
    std::vector<uint64_t> keys{PolyglotKey(b, side, castle)};
    for (const char* m = line.moves; *m; m += (m[4] == ' ' ? 5 : 4)) {
      Play(b, side, castle, m);
      keys.push_back(PolyglotKey(b, side, castle));
    }
    if (!line.keys.empty()) EXPECT_EQ(keys, line.keys);
    else {
      EXPECT_EQ(keys[5], 0x3c8123ea7b067637u);  // c2c4 beside the pawn on b4
      EXPECT_EQ(keys[7], 0x5c3f9b829b279560u);  // after the capture en passant and a rook move
    }
  }
}

// A book written here: the heaviest legal move is chosen, moves that cannot be played are
// passed over, castling is read as the king taking its rook, and the choice never varies.
TEST(PolyglotBook, ChoosesTheHeaviestLegalMove) {
  GlobalsGuard guard;
  const uint64_t start = 0x463b96181691fc9c;
  // A pinned bishop on e2 (rook e8) whose book move would expose the king; the king can castle.
  Position("k3r3/8/8/8/8/8/4B3/4K2R w K - 0 1");
  const uint64_t pinned = PolyglotKey(MainBoard, White, MainBoard.CastleFlags);
  const std::string path = WriteBook("/tiny.bin", {{start, BookCode("e2e4"), 10},
                                                   {start, BookCode("d2d4"), 30},
                                                   {start, BookCode("e2e5"), 500},  // no such move
                                                   {start, BookCode("g1f3"), 0},    // weight 0: never
                                                   {pinned, BookCode("e2d3"), 900},
                                                   {pinned, BookCode("e1h1"), 5}});
  PolyglotBook book;
  ASSERT_EQ(book.Load(path.c_str()), nullptr);
  EXPECT_EQ(book.Entries.size(), 6u);
  Position("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
  EXPECT_EQ(BookChoice(book), "d2d4");
  EXPECT_EQ(BookChoice(book), "d2d4");
  Position("k3r3/8/8/8/8/8/4B3/4K2R w K - 0 1");
  EXPECT_EQ(BookChoice(book), "e1g1");
  Position("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1");
  EXPECT_EQ(BookChoice(book), "");

  // With variety every playable move comes up, in proportion to its weight; the others never.
  book.Variety = true;
  Position("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
  int e4 = 0, d4 = 0;
  for (int i = 0; i < 400; i++) {
    const std::string m = BookChoice(book);
    e4 += m == "e2e4";
    d4 += m == "d2d4";
  }
  EXPECT_EQ(e4 + d4, 400);
  EXPECT_GT(e4, 50);
  EXPECT_GT(d4, 2 * e4);
}

TEST(PolyglotBook, DecodesPromotionsAndCastlingForBlack) {
  GlobalsGuard guard;
  Position("r3k3/1P6/8/8/8/8/8/4K3 b q - 0 1");
  BookMove m = DecodeBookMove(MainBoard, Black, BookCode("e8a8"));
  EXPECT_EQ(m.To, SquareMask(Sq("c8")));
  m = DecodeBookMove(MainBoard, White, BookCode("b7a8", 4));
  EXPECT_EQ(m.From, SquareMask(Sq("b7")));
  EXPECT_EQ(m.Promotion, 'Q');
  EXPECT_EQ(DecodeBookMove(MainBoard, Black, BookCode("a2a1", 1)).Promotion, 'n');
}

// Files that are not books are refused with a reason, and the engine is left without a book.
TEST(PolyglotBook, RefusesDamagedAndUnreadableFiles) {
  PolyglotBook book;
  const std::string good = WriteBook("/good.bin", {{1, BookCode("e2e4"), 1}});
  ASSERT_EQ(book.Load(good.c_str()), nullptr);

  const std::string odd = testing::TempDir() + "/odd.bin";
  FILE* f = fopen(odd.c_str(), "wb");
  fwrite(std::string(17, 'x').data(), 1, 17, f);
  fclose(f);
  const std::string unsorted = WriteBook("/unsorted.bin", {{2, BookCode("e2e4"), 1}, {1, BookCode("d2d4"), 1}}, false);
  for (const std::string& path : {odd, unsorted, testing::TempDir() + "/missing.bin", testing::TempDir()}) {
    const char* reason = book.Load(path.c_str());
    EXPECT_NE(reason, nullptr) << path;
    EXPECT_FALSE(book.Loaded()) << path;
  }
}

// The root's book lookup asks the file book within the book depth and finds nothing beyond it.
TEST(PolyglotBook, InBookAsksTheFileBookUpToTheBookDepth) {
  GlobalsGuard guard;
  const std::string path = WriteBook("/root.bin", {{0x463b96181691fc9c, BookCode("g1f3"), 7}});
  ASSERT_EQ(FileBook.Load(path.c_str()), nullptr);
  FileBook.Enabled = true;  // an earlier test may have switched the book off
  if (UPStable[0] == 0 && LPStable[0] == 0) initPStable();  // the engine's keys, for the empty tree book
  buildbook();
  TraceFlag = 0;
  Position("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
  ChessBoard b = MainBoard;
  MoveGen list;
  list.GenerateAllMoves(White, &b, b.CastleFlags);
  const int k = InBook(White, static_cast<char>(MainBoard.CastleFlags), MainBoard, 1);
  ASSERT_GE(k, 0);
  EXPECT_EQ(list.From[k], SquareMask(Sq("g1")));
  EXPECT_EQ(list.To[k], SquareMask(Sq("f3")));
  FileBook.LastPly = 2;
  EXPECT_EQ(InBook(White, static_cast<char>(MainBoard.CastleFlags), MainBoard, 3), -100);
  FileBook.LastPly = 0;
  FileBook.Unload();
}
