#include "board/fen.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "board/masks.h"
#include "board_test_util.h"

namespace {

// The first three fields of a FEN text.
std::string Fields(const std::string& fen) {
  std::istringstream in(fen);
  std::string placement, side, castling;
  in >> placement >> side >> castling;
  return placement + " " + side + " " + castling;
}

std::string Written(const ChessBoard& b) {
  char text[128];
  pos2fenString(b, text);
  return text;
}

// Pieces, side to move, castling rights and last move agree.
bool SamePosition(const ChessBoard& a, const ChessBoard& b) {
  return std::memcmp(&a, &b, offsetof(ChessBoard, PrevWhitePawns)) == 0 && a.SideToMove == b.SideToMove &&
         a.CastleFlags == b.CastleFlags && a.LastFrom == b.LastFrom && a.LastTo == b.LastTo;
}

std::vector<std::string> PerftPositions() {
  std::vector<std::string> fens;
  std::ifstream in(ORVO_TEST_DATA_DIR "/perft.tsv");
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    std::istringstream row(line);
    std::string name, fen;
    std::getline(row, name, '\t');
    std::getline(row, fen, '\t');
    fens.push_back(fen);
  }
  return fens;
}

std::string WriteTempFile(const char* name, const std::string& content) {
  const std::string path = testing::TempDir() + name;
  std::ofstream(path) << content;
  return path;
}

}  // namespace

TEST(Fen, StartPositionAndFields) {
  GlobalsGuard guard;
  ChessBoard start{};
  start.InitRep();
  MainBoard.ClearField();
  MainBoard.LastFrom = Bit(E2);
  MainBoard.LastTo = Bit(E4);
  MainBoard.FiftyMoveCount = 17;
  ASSERT_EQ(SetupBoard("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq e3 0 1"), nullptr);
  EXPECT_EQ(std::memcmp(&MainBoard, &start, offsetof(ChessBoard, PrevWhitePawns)), 0);
  EXPECT_EQ(MainBoard.CastleFlags, 15);
  EXPECT_EQ(MainBoard.SideToMove, White);
  EXPECT_EQ(MainBoard.LastFrom | MainBoard.LastTo, 0u);  // the en passant field is not read
  EXPECT_EQ(MainBoard.FiftyMoveCount, 17);               // nor the clocks
  EXPECT_EQ(Written(MainBoard), "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 ; ");

  ASSERT_EQ(SetupBoard("r3k3/8/8/8/8/8/8/R3K2R b Kq - 0 1"), nullptr);
  EXPECT_EQ(MainBoard.CastleFlags, 9);
  // Rights whose king or rook is not in place are dropped.
  ASSERT_EQ(SetupBoard("4k2r/8/8/8/8/8/8/R4K1R b KQkq - 0 1"), nullptr);
  EXPECT_EQ(MainBoard.CastleFlags, 4);
  EXPECT_EQ(MainBoard.SideToMove, Black);
  ASSERT_EQ(SetupBoard("4k3/8/8/8/8/8/8/R3K2R w - - bm Ra8; id \"epd 1\";"), nullptr);
  EXPECT_EQ(MainBoard.CastleFlags, 0);
  // Fields missing at the end: White to move, no castling.
  ASSERT_EQ(SetupBoard("4k3/8/8/8/8/8/8/R3K2R"), nullptr);
  EXPECT_EQ(MainBoard.SideToMove, White);
  ASSERT_EQ(SetupBoard("4k3/8/8/8/8/8/8/R3K2R b"), nullptr);
  EXPECT_EQ(MainBoard.SideToMove, Black);
  EXPECT_EQ(MainBoard.CastleFlags, 0);

  char out[8];
  const std::pair<int, const char*> rights[] = {{0, "-"}, {5, "Kk"}, {10, "Qq"}, {15, "KQkq"}};
  for (const auto& [flags, text] : rights) {
    CastleRights(out, static_cast<char>(flags));
    EXPECT_STREQ(out, text);
  }

  testing::internal::CaptureStdout();
  pos2fen(MainBoard, 7);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "4k3/8/8/8/8/8/8/R3K2R b - - 0 ; 7 \n");
  // Fields apart by more than one space are read as the same fields.
  ASSERT_EQ(SetupBoard("4k3/8/8/3pP3/8/8/8/R3K2R  b   K  -"), nullptr);
  EXPECT_EQ(MainBoard.SideToMove, Black);
  EXPECT_EQ(MainBoard.CastleFlags, 1);
  ASSERT_EQ(SetupBoard("4k3/8/8/3pP3/8/8/8/4K3  w  -  d6"), nullptr);
  EXPECT_EQ(MainBoard.LastTo, Bit(D5));
}

TEST(Fen, Counters) {
  auto counters = [](const char* text) {
    const FenCounters c = ReadFenCounters(text);
    return std::make_pair(c.HalfMoveClock, c.MoveNumber);
  };
  EXPECT_EQ(counters("4k3/8/8/8/8/8/8/R3K3 w - - 37 60"), std::make_pair(37, 60));
  EXPECT_EQ(counters("  4k3/8/8/8/8/8/8/R3K3  b  -   e3 12   7"), std::make_pair(12, 7));
  // Missing, malformed or out of range: clock 0 to 100, move number 1 and more.
  EXPECT_EQ(counters("4k3/8/8/8/8/8/8/R3K3 w - -"), std::make_pair(0, 1));
  EXPECT_EQ(counters("4k3/8/8/8/8/8/8/R3K3 w - - x -3"), std::make_pair(0, 1));
  EXPECT_EQ(counters("4k3/8/8/8/8/8/8/R3K3 w - - 400 0"), std::make_pair(100, 1));
  EXPECT_EQ(counters("4k3/8/8/8/8/8/8/R3K3 w - - 0 99999999999999999999"), std::make_pair(0, MaxFenMoveNumber));
  EXPECT_EQ(counters(nullptr), std::make_pair(0, 1));
}

TEST(Fen, EnPassantFieldOnlyWhenAPawnCanTake) {
  GlobalsGuard guard;
  ASSERT_EQ(SetupBoard("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1"), nullptr);
  EXPECT_EQ(MainBoard.LastFrom, Bit(D7));
  EXPECT_EQ(MainBoard.LastTo, Bit(D5));
  ASSERT_EQ(SetupBoard("4k3/8/8/8/3Pp3/8/8/4K3 b - d3 0 1"), nullptr);
  EXPECT_EQ(MainBoard.LastFrom, Bit(D2));
  EXPECT_EQ(MainBoard.LastTo, Bit(D4));
  // No pawn beside it, no pawn that moved, the wrong side, a blocked path (a malformed field is
  // refused: see MalformedFieldsAreRefused).
  const char* impossible[] = {"4k3/8/8/3p3P/8/8/8/4K3 w - d6 0 1", "4k3/8/8/4P3/8/8/8/4K3 w - d6 0 1",
                              "4k3/8/8/3pP3/8/8/8/4K3 b - d6 0 1", "4k3/3n4/8/3pP3/8/8/8/4K3 w - d6 0 1"};
  for (const char* fen : impossible) {
    ASSERT_EQ(SetupBoard(fen), nullptr) << fen;
    EXPECT_EQ(MainBoard.LastFrom | MainBoard.LastTo, 0u) << fen;
  }
}

TEST(Fen, RoundTrip) {
  GlobalsGuard guard;
  std::vector<std::string> fens = PerftPositions();
  ASSERT_GE(fens.size(), 10u);
  fens.push_back("r1bqkb1r/pppp1ppp/2n2n2/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq - 4 4");
  fens.push_back("8/8/8/8/8/8/8/k6K b - - 0 1");
  fens.push_back("K7/8/8/8/8/8/8/7k w - - 0 1");
  for (const std::string& fen : fens) {
    ASSERT_EQ(SetupBoard(fen.c_str()), nullptr) << fen;
    ChessBoard first = MainBoard;
    first.LastFrom = first.LastTo = 0;  // the writer leaves the en passant field empty
    const std::string text = Written(first);
    EXPECT_EQ(Fields(text), Fields(fen));
    ASSERT_EQ(SetupBoard(text.c_str()), nullptr) << text;
    EXPECT_TRUE(SamePosition(MainBoard, first)) << fen;
  }
}

TEST(Fen, InvalidTextLeavesBoardUnchanged) {
  GlobalsGuard guard;
  const char* invalid[] = {
      "",
      " w KQkq - 0 1",                                             // empty placement
      "rnbqkbnr/pppppppp/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",    // seven ranks
      "rnbqkbnr/pppppppp/8/8/8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1",   // nine ranks
      "rnbqkbnr/pppppppp/8/8/8/7/PPPPPPPP/RNBQKBNR w - - 0 1",     // short rank
      "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBN w - - 0 1",      // short last rank
      "rnbqkbnr/pppppppp/9/8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1",     // digit 9
      "rnbqkbnr/ppppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1",    // nine squares
      "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNX w - - 0 1",     // unknown letter
      "rnbq1bnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1",     // no black king
      "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBKKBNR w - - 0 1",     // two white kings
      "4k2P/8/8/8/8/8/8/4K3 w - - 0 1",                            // pawn on the last rank
      "4k3/8/8/8/8/8/8/p3K3 w - - 0 1",                            // pawn on the first rank
      "4k3/8/8/8/8/8/8/4K2r b - - 0 1",                            // White in check, Black to move
      "4k3/8/8/8/8/N7/PPPPPPPP/NNNNKNNN w - - 0 1",                // 17 white pieces
      "4k3/8/8/P7/8/8/PPPPPPPP/4K3 w - - 0 1",                     // nine pawns
  };
  ChessBoard before{};
  before.InitRep();
  MainBoard = before;
  for (const char* fen : invalid) {
    const char* reason = SetupBoard(fen);
    EXPECT_NE(reason, nullptr) << fen;
    if (reason) {
      EXPECT_EQ(strchr(reason, '\n'), nullptr) << reason;
    }
    EXPECT_EQ(std::memcmp(&MainBoard, &before, sizeof before), 0) << fen;
  }
  EXPECT_NE(SetupBoard(nullptr), nullptr);
  // Just inside the limits: split empty runs, sixteen pieces, the side to move in check.
  EXPECT_EQ(SetupBoard("rnbqkbnr/pppppppp/8/8/8/44/PPPPPPPP/RNBQKBNR w - - 0 1"), nullptr);
  EXPECT_EQ(SetupBoard("4k3/8/8/8/8/8/PPPPPPPP/NNNNKNNN w - - 0 1"), nullptr);
  EXPECT_EQ(SetupBoard("4k3/8/8/8/8/8/8/4K2r w - - 0 1"), nullptr);
}

// Chess960 castling fields: the rooks' files (Shredder-FEN) and KQkq for the outermost rooks
// (X-FEN, with a file letter for an inner rook) give the same position, written back in
// Shredder-FEN. A field that names no rook, or a king off its back rank, is refused; so is a
// rook file that standard chess cannot castle with.
TEST(Fen, Chess960CastlingFields) {
  GlobalsGuard guard;
  MainBoard.Chess960 = true;
  const struct { const char* shredder; const char* xfen; } same[] = {
      {"1r2k1r1/8/8/8/8/8/8/R3K1R1 w GAgb - 0 1", "1r2k1r1/8/8/8/8/8/8/R3K1R1 w KQkq - 0 1"},
      {"rr2k2r/8/8/8/8/8/8/RR2K2R w HBhb - 0 1", "rr2k2r/8/8/8/8/8/8/RR2K2R w KBkb - 0 1"},
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w HAha - 0 1", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"},
  };
  for (const auto& pair : same) {
    ASSERT_EQ(SetupBoard(pair.shredder), nullptr) << pair.shredder;
    const ChessBoard shredder = MainBoard;
    ASSERT_EQ(SetupBoard(pair.xfen), nullptr) << pair.xfen;
    EXPECT_TRUE(SamePosition(shredder, MainBoard)) << pair.xfen;
    EXPECT_EQ(std::memcmp(shredder.CastleRookSquare, MainBoard.CastleRookSquare, 4), 0) << pair.xfen;
    EXPECT_EQ(Fields(Written(MainBoard)), Fields(pair.shredder));
  }
  const ChessBoard before = MainBoard;
  for (const char* fen : {"1r2k1r1/8/8/8/8/8/8/R3K1R1 w HAgb - 0 1",   // no rook on h1
                          "1r4r1/4k3/8/8/8/8/8/R3K1R1 w GAgb - 0 1"}) {  // the black king off its rank
    EXPECT_NE(SetupBoard(fen), nullptr) << fen;
    EXPECT_EQ(std::memcmp(&MainBoard, &before, sizeof before), 0) << fen;
  }
  MainBoard.Chess960 = false;
  const ChessBoard standard = MainBoard;
  EXPECT_NE(SetupBoard("1r2k1r1/8/8/8/8/8/8/R3K1R1 w GAgb - 0 1"), nullptr);
  EXPECT_EQ(std::memcmp(&MainBoard, &standard, sizeof standard), 0);
  // The Shredder letters of the corner rooks are standard castling.
  ASSERT_EQ(SetupBoard("r3k2r/8/8/8/8/8/8/R3K2R w HAha - 0 1"), nullptr);
  EXPECT_EQ(MainBoard.CastleFlags, 15);
  EXPECT_EQ(Fields(Written(MainBoard)), "r3k2r/8/8/8/8/8/8/R3K2R w KQkq");
}

TEST(Fen, MalformedFieldsAreRefusedMissingOnesDefault) {
  GlobalsGuard guard;
  ASSERT_EQ(SetupBoard("r3k2r/8/8/3pP3/8/8/8/R3K2R w KQkq d6 0 1"), nullptr);
  const ChessBoard before = MainBoard;
  const std::string placement = "r3k2r/8/8/3pP3/8/8/8/R3K2R ";
  // Each refused by the FEN reader and the EPD reader alike, the game left as it was.
  const char* badFields[] = {"x KQkq - 0 1", "white - -", "W", "w XYZ - 0 1", "w KQkqX -", "w -K -",
                             "w KQkq z9 0 1", "w - d4", "w - d6x", "w - d", "w - -- 0 1"};
  // Counters are only read as such from a FEN; an EPD line has its operations there.
  const char* badCounters[] = {"w KQkq - abc xyz", "w - - 0 xyz", "w - - -1 1", "w - - 5x 1", "w - - 0 +1",
                               "w - - bm Ra8;"};
  FenCounters counters{-7, -7};
  for (const char* fields : badFields) {
    const std::string fen = placement + fields;
    EXPECT_NE(SetupBoard(fen.c_str()), nullptr) << fen;
    EXPECT_NE(ReadFen(fen.c_str(), &counters), nullptr) << fen;
  }
  for (const char* fields : badCounters) {
    const std::string fen = placement + fields;
    EXPECT_NE(ReadFen(fen.c_str(), &counters), nullptr) << fen;
  }
  EXPECT_EQ(std::memcmp(&MainBoard, &before, sizeof before), 0);
  EXPECT_EQ(counters.HalfMoveClock, -7);
  EXPECT_EQ(counters.MoveNumber, -7);

  // A FEN may stop after any field before the counters: White to move, no castling, no en
  // passant square, clock 0, move 1. A move number 0, as some programs write, counts as 1.
  const std::pair<const char*, std::pair<int, int>> accepted[] = {
      {"", {0, 1}}, {"b", {0, 1}}, {"w qkQK", {0, 1}}, {"w KQkq d6", {0, 1}}, {"w KQkq d6 7", {7, 1}},
      {"w KQkq d6 0 0", {0, 1}}};
  for (const auto& [fields, expected] : accepted) {
    const std::string fen = placement + fields;
    ASSERT_EQ(ReadFen(fen.c_str(), &counters), nullptr) << fen;
    EXPECT_EQ(std::make_pair(counters.HalfMoveClock, counters.MoveNumber), expected) << fen;
  }
  EXPECT_EQ(MainBoard.SideToMove, White);
  EXPECT_EQ(MainBoard.CastleFlags, 15);
  EXPECT_EQ(MainBoard.LastTo, Bit(D5));
  ASSERT_EQ(ReadFen(placement.c_str(), &counters), nullptr);
  EXPECT_EQ(MainBoard.CastleFlags, 0);
  EXPECT_EQ(MainBoard.LastFrom | MainBoard.LastTo, 0u);
}

TEST(Fen, FileLinesUpToTheBufferFit) {
  std::string text = std::string(511, 'a') + "\r\n" + std::string(512, 'b') + "\nlast";
  FILE* file = fmemopen(text.data(), text.size(), "r");
  ASSERT_NE(file, nullptr);
  char line[512];
  EXPECT_EQ(ReadFileLine(file, line, sizeof line), FileLine::Ok);
  EXPECT_EQ(strlen(line), 511u);
  EXPECT_EQ(ReadFileLine(file, line, sizeof line), FileLine::TooLong);
  EXPECT_EQ(ReadFileLine(file, line, sizeof line), FileLine::Ok);
  EXPECT_STREQ(line, "last");
  EXPECT_EQ(ReadFileLine(file, line, sizeof line), FileLine::End);
  fclose(file);
}

TEST(Fen, PositionFile) {
  GlobalsGuard guard;
  // A first line far longer than the reader's buffer: the FEN at its start counts.
  const std::string longLine = "4k3/8/8/8/8/8/8/R3K3 b Q - bm Ra8; c0 \"" + std::string(5000, 'x') + "\";\n";
  LoadPositionFile(WriteTempFile("orvo_long.fen", longLine + "8/8/8/8/8/8/8/8 w - -\n").c_str());
  EXPECT_EQ(MainBoard.WhiteRooks, Bit(A1));
  EXPECT_EQ(MainBoard.SideToMove, Black);
  EXPECT_EQ(MainBoard.CastleFlags, 2);

  EXPECT_EXIT(LoadPositionFile("/nonexistent/orvo.fen"), testing::ExitedWithCode(1), "");
  EXPECT_EXIT(LoadPositionFile(testing::TempDir().c_str()), testing::ExitedWithCode(1), "");  // a folder
  EXPECT_EXIT(LoadPositionFile(WriteTempFile("orvo_empty.fen", "").c_str()), testing::ExitedWithCode(0), "");
  EXPECT_EXIT(LoadPositionFile(WriteTempFile("orvo_bad.fen", "8/8/8 w - -\n").c_str()),
              testing::ExitedWithCode(1), "");
}
