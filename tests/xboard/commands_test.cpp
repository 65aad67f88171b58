// The xboard/console interpreter: arguments read from the input, settings, board editing,
// moves (legal only) and the commands that stop a search.

#include "xboard/commands.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "board/bit_ops.h"
#include "board/masks.h"
#include "game/engine_options.h"
#include "hash/transposition_table.h"
#include "search/search_control.h"
#include "search/threads.h"
#include "search/time_budget.h"
#include "tests/game/front_end_test_util.h"
#include "xboard/console.h"
#include "xboard/xboard_settings.h"

namespace {

class CommandsTest : public FrontEndTest {
protected:
  // Runs one command with the given text waiting on the input after it.
  static uint8_t Run(const char* command, const char* input = "") {
    SetInputForTesting(input);
    return DoCommand(command);
  }
  static std::string NextWord() {
    char word[64];
    ReadWord(word, sizeof word);
    return word;
  }
};

TEST_F(CommandsTest, LevelInAllItsForms) {
  EXPECT_EQ(Run("level", "40 5 0\nnext"), CmdHandled);
  EXPECT_EQ(Xboard.MovesPerSession, 40);
  EXPECT_EQ(Xboard.TimeLeft, 300000);
  EXPECT_EQ(Xboard.TimeInc, 0);
  EXPECT_EQ(NextWord(), "next");  // the three arguments and nothing more were read

  Run("level", "0 0:30 0\nnext");
  EXPECT_EQ(Xboard.MovesPerSession, 0);
  EXPECT_EQ(Xboard.TimeLeft, 30000);
  EXPECT_EQ(NextWord(), "next");

  Run("level", "0 2:05 12\n");
  EXPECT_EQ(Xboard.TimeLeft, 125000);
  EXPECT_EQ(Xboard.TimeInc, 12);

  // A fractional increment is rounded down: planning never counts on time the clock won't give.
  Run("level", "0 2 0.5\nnext");
  EXPECT_EQ(Xboard.TimeLeft, 120000);
  EXPECT_EQ(Xboard.TimeInc, 0);
  EXPECT_EQ(NextWord(), "next");
  Run("level", "0 1 2.9\n");
  EXPECT_EQ(Xboard.TimeInc, 2);
}

TEST_F(CommandsTest, ClockCommands) {
  Run("time", "6000\n");
  EXPECT_EQ(Xboard.TimeLeft, 60000);
  // st is seconds per move; the search reads milliseconds.
  Run("st", "10\n");
  EXPECT_EQ(Xboard.ST, 10000);
  EXPECT_EQ(Xboard.TimeLeft, 600000);
  // Absurd values are bounded, never overflowed.
  Run("time", "99999999999999\n");
  EXPECT_GT(Xboard.TimeLeft, 0);
  Run("st", "-5\n");
  EXPECT_EQ(Xboard.ST, 0);
  Run("level", "40 nan 0\n");
  EXPECT_EQ(Xboard.TimeLeft, 0);
  EXPECT_EQ(Run("otim", "1e99\n"), CmdHandled);  // only logged, never cast to an int
  // An over-long argument refuses its command whole; the rest of its line goes with it.
  testing::internal::CaptureStdout();
  Run("st", (std::string(300, '9') + " 5\nnext\n").c_str());
  EXPECT_NE(testing::internal::GetCapturedStdout().find("Error (input longer than 255 characters)"),
            std::string::npos);
  EXPECT_EQ(Xboard.ST, 0);
  EXPECT_EQ(NextWord(), "next");
}

TEST_F(CommandsTest, AnalyzeAndExit) {
  SpeedMeasured = false;  // analysis seeds the speed only before the process has measured one
  EXPECT_EQ(Run("analyze"), CmdStop);
  EXPECT_EQ(Xboard.AnalyzeMode, 1);
  EXPECT_EQ(Protocol.Post, 1);
  EXPECT_EQ(Xboard.HumanToMove, 0);
  EXPECT_EQ(Clock.NodesPerSecond, 200001);
  EXPECT_EQ(Xboard.ST, 1209600000);
  EXPECT_EQ(Run("exit"), CmdStop);
  EXPECT_EQ(Xboard.AnalyzeMode, 0);
  EXPECT_EQ(Protocol.Post, 0);
  EXPECT_TRUE(Search.Aborted);
  EXPECT_EQ(Xboard.ST, 0);  // the fixed time from before the analysis is back

  Run("st", "5\n");
  Run("analyze");
  EXPECT_EQ(Xboard.ST, 5000);
  Run("exit");
  EXPECT_EQ(Xboard.ST, 5000);
}

TEST_F(CommandsTest, BookListUnknownWordsAndQuit) {
  // "bk" shows the book's moves and leaves the book as it was.
  const int8_t book = MainStatus.UseBook;
  Run("bk");
  EXPECT_EQ(MainStatus.UseBook, book);

  // An unknown command is refused and its arguments go with it.
  EXPECT_EQ(Run("frobnicate", "1 2 3\nnext"), CmdHandled);
  EXPECT_EQ(NextWord(), "next");
  EXPECT_EQ(Run("name", "Some Body Else\nnext"), CmdHandled);
  EXPECT_EQ(NextWord(), "next");  // the whole name was read
  // A search drops the rest of each command's line; a command that read its whole line has none.
  EXPECT_EQ(Run("name", "Some Body\nnext"), CmdHandled);
  DiscardRestOfLine();
  EXPECT_EQ(NextWord(), "next");
  EXPECT_EQ(Run("quit"), CmdQuit);
  EXPECT_EQ(MainStatus.GameInProgress, 0);
  EXPECT_TRUE(QuitRequested);
}

TEST_F(CommandsTest, MoveNowPlaysTheBestMoveFound) {
  EXPECT_EQ(Run("?"), CmdHandled);
  EXPECT_TRUE(Search.MoveNow);
  EXPECT_TRUE(Search.StopNow);
  EXPECT_TRUE(Search.TimeUp);
  EXPECT_FALSE(Search.Aborted);
  // While analysing there is no move to play: the analysis ends.
  ClearSearchFlags();
  Run("analyze");
  EXPECT_EQ(Run("?"), CmdStop);
  EXPECT_TRUE(Search.Aborted);
  EXPECT_EQ(Xboard.AnalyzeMode, 0);
}

TEST_F(CommandsTest, OnlyLegalMovesAreAccepted) {
  const ChessBoard before = MainBoard;
  EXPECT_EQ(Run("e2e4"), CmdMove);
  EXPECT_EQ(Run("e2e5"), CmdHandled);
  EXPECT_EQ(Run("e7e5"), CmdHandled);
  EXPECT_EQ(Run("e2"), CmdHandled);
  EXPECT_EQ(Run("h9h1"), CmdHandled);
  EXPECT_EQ(0, memcmp(&before, &MainBoard, sizeof before));  // nothing was made
}

TEST_F(CommandsTest, HumanMoveMakesTheMoveAndSkipsRefusedOnes) {
  SetInputForTesting("e2e5\nzzz\ne2e4\n");
  EXPECT_EQ(HumanMove(), CmdMove);
  EXPECT_TRUE(MainBoard.WhitePawns & SquareMask(E4));
  EXPECT_FALSE(MainBoard.WhitePawns & SquareMask(E2));
  EXPECT_EQ(MainBoard.SideToMove, Black);
}

TEST_F(CommandsTest, ForceModeTakesMovesOfBothSides) {
  SetInputForTesting("force e2e4 e7e5 g1f3 go\n");
  EXPECT_EQ(HumanMove(), CmdStop);
  EXPECT_TRUE(MainBoard.WhitePawns & SquareMask(E4));
  EXPECT_TRUE(MainBoard.BlackPawns & SquareMask(E5));
  EXPECT_TRUE(MainBoard.WhiteKnights & SquareMask(F3));
  EXPECT_EQ(MainBoard.SideToMove, Black);
  EXPECT_EQ(Xboard.HumanToMove, 0);
  EXPECT_EQ(MoveList.NumMoves, 4);  // the start and the three positions after the moves
  Run("black");  // xboard names the side already on move: the game's record stays
  EXPECT_EQ(MoveList.NumMoves, 4);
}

TEST_F(CommandsTest, TakebacksRestoreBoardCountersAndHistory) {
  const ChessBoard start = MainBoard;
  SetInputForTesting("force e2e4 e7e5 g1f3 go\n");
  HumanMove();
  Load("rnbqkbnr/pppp1ppp/8/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 1 2");  // clears the record
  EXPECT_EQ(Run("undo"), CmdHandled);  // a new position has nothing to take back
  EXPECT_TRUE(MainBoard.WhiteKnights & SquareMask(F3));

  MainBoard = start;
  ResetGameHistory();
  MainStatus.GamePly = 0;
  SetInputForTesting("force e2e4 e7e5 g1f3 go\n");
  HumanMove();
  const int32_t ply = MainStatus.GamePly;
  EXPECT_EQ(Run("undo"), CmdHandled);  // g1f3 back: Black's e-pawn stays, the knight returns
  EXPECT_TRUE(MainBoard.WhiteKnights & SquareMask(G1));
  EXPECT_TRUE(MainBoard.BlackPawns & SquareMask(E5));
  EXPECT_EQ(MainBoard.SideToMove, White);
  EXPECT_EQ(MoveList.NumMoves, 3);
  EXPECT_EQ(MainStatus.GamePly, ply);
  EXPECT_EQ(Run("remove"), CmdHandled);
  EXPECT_EQ(0, memcmp(&start, &MainBoard, sizeof start));
  EXPECT_EQ(MoveList.NumMoves, 1);
  EXPECT_EQ(Run("undo"), CmdHandled);  // nothing left to take back
  EXPECT_EQ(0, memcmp(&start, &MainBoard, sizeof start));

  // While a search runs the takeback stops it and waits until the search has unwound.
  SetInputForTesting("e2e4\n");
  HumanMove();
  MainBoard.SideToMove = Black;
  RecordGamePosition();
  SearchRunning = true;
  EXPECT_EQ(Run("undo"), CmdStop);
  EXPECT_TRUE(PositionReplaced);
  EXPECT_TRUE(MainBoard.WhitePawns & SquareMask(E4));
  SearchEnded();
  EXPECT_EQ(0, memcmp(&start, &MainBoard, sizeof start));
  EXPECT_EQ(MoveList.NumMoves, 1);
}

TEST_F(CommandsTest, PingWaitsForTheEnginesMove) {
  testing::internal::CaptureStdout();
  Run("ping", "1\n");
  SearchRunning = true;
  Run("ping", "2\n");
  EXPECT_EQ(Run("force"), CmdStop);  // thinking about its own move: stops without a move
  EXPECT_TRUE(PositionReplaced);
  SearchEnded();
  const std::string before = testing::internal::GetCapturedStdout();
  EXPECT_EQ(before, "pong 1\n");
  testing::internal::CaptureStdout();
  SendPendingPongs();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "pong 2\n");
}

TEST_F(CommandsTest, EndOfInputIsQuit) {
  SetInputForTesting("e2e4x");
  EXPECT_EQ(HumanMove(), CmdQuit);
  EXPECT_TRUE(QuitRequested);
  // Arguments missing at the end of the input do no harm either.
  SetInputForTesting("");
  EXPECT_EQ(DoCommand("level"), CmdHandled);
  SetInputForTesting("");
  EXPECT_EQ(DoCommand("edit"), CmdQuit);
}

TEST_F(CommandsTest, CastlingRightsFollowKingsAndRooks) {
  Load("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
  SetInputForTesting("force h1h8 e8d7 a1a2\n");
  HumanMove();
  // The white rook left h1 and took the rook on h8; Black's king moved; the a1 rook moved.
  EXPECT_EQ(MainBoard.CastleFlags, 0);
  Load("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
  SetInputForTesting("e1c1\n");
  HumanMove();
  EXPECT_EQ(MainBoard.CastleFlags, 12);
  EXPECT_TRUE(MainBoard.WhiteRooks & SquareMask(D1));
}

// Chess960 under xboard: "variant fischerandom", a Shredder-FEN setboard, castling read as O-O
// and as the king taking its rook and written as O-O; "new" returns to standard chess. At the
// console, new960 518 is the standard start with Chess960 castling.
TEST_F(CommandsTest, Chess960VariantAndStarts) {
  Run("variant", "fischerandom\n");
  ASSERT_TRUE(MainBoard.Chess960);
  Run("setboard", "1r2k1r1/pppppppp/8/8/8/8/PPPPPPPP/1R2K1R1 w GBgb - 0 1\n");
  SetInputForTesting("force usermove O-O usermove e8b8\n");
  HumanMove();
  EXPECT_EQ(MainBoard.WhiteKing, SquareMask(G1));
  EXPECT_EQ(MainBoard.WhiteRooks, SquareMask(F1) | SquareMask(B1));
  EXPECT_EQ(MainBoard.BlackKing, SquareMask(C8));
  EXPECT_EQ(MainBoard.BlackRooks, SquareMask(D8) | SquareMask(G8));
  EXPECT_EQ(MainBoard.CastleFlags, 0);

  Run("setboard", "1r2k1r1/pppppppp/8/8/8/8/PPPPPPPP/1R2K1R1 w GBgb - 0 1\n");
  ProtocolVersion = 2;
  testing::internal::CaptureStdout();
  MakeGUIMove(SquareMask(E1), SquareMask(B1), NoPromotion, 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "move O-O-O\n");
  Run("setboard", "r3k2r/8/8/8/8/8/8/R3K2R w HAha - 0 1\n");
  EXPECT_EQ(Run("usermove", "e1g1\n"), CmdHandled);  // the standard way is no Chess960 move
  EXPECT_EQ(Run("usermove", "e1h1\n"), CmdMove);
  EXPECT_EQ(Run("O-O-O"), CmdMove);  // a move word without usermove, as a ponder miss replays it

  Run("new");
  EXPECT_FALSE(MainBoard.Chess960);
  const ChessBoard standard = MainBoard;
  Run("new960", "518\n");
  EXPECT_TRUE(MainBoard.Chess960);
  EXPECT_EQ(memcmp(&MainBoard, &standard, offsetof(ChessBoard, PrevWhitePawns)), 0);
  EXPECT_EQ(MainBoard.CastleFlags, 15);
  Run("new960", "960\n");  // refused: the game stays
  EXPECT_TRUE(MainBoard.Chess960);
  EXPECT_EQ(memcmp(&MainBoard, &standard, offsetof(ChessBoard, PrevWhitePawns)), 0);
}

TEST_F(CommandsTest, FiftyMoveLimitReportedOnTheHundredthQuietHalfMove) {
  Load("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
  MainBoard.FiftyMoveCount = 98;
  SetInputForTesting("a1a2\n");
  EXPECT_EQ(HumanMove(), CmdMove);
  EXPECT_EQ(MainBoard.FiftyMoveCount, 99);
  MainBoard.SideToMove = Black;
  SetInputForTesting("e8d8\n");
  EXPECT_EQ(HumanMove(), CmdFiftyMoves);
  EXPECT_EQ(MainBoard.FiftyMoveCount, 100);
}

TEST_F(CommandsTest, SetBoard) {
  EXPECT_EQ(Run("setboard", " 4k3/8/8/8/8/8/4P3/4K3 b - - 37 60\n"), CmdHandled);
  EXPECT_EQ(MainBoard.WhitePawns, SquareMask(E2));
  EXPECT_EQ(MainBoard.SideToMove, Black);
  EXPECT_EQ(MainBoard.FiftyMoveCount, 37);
  EXPECT_EQ(MainStatus.GamePly, 119);  // move 60, Black to move
  EXPECT_EQ(MainBoard.WhitePawnCount, 1);
  EXPECT_EQ(MoveList.NumMoves, 1);
  // The diagram comes with the position's static evaluation.
  testing::internal::CaptureStdout();
  Run("displayboard");
  EXPECT_NE(testing::internal::GetCapturedStdout().find("\n PosEval from White view "), std::string::npos);
  // A text that is no position leaves everything as it was.
  const ChessBoard before = MainBoard;
  EXPECT_EQ(Run("setboard", " 4k3/8/8/8/8/8/4P3/8 w - - 0 1\n"), CmdHandled);  // no white king
  EXPECT_EQ(Run("setboard", " garbage\n"), CmdHandled);
  EXPECT_EQ(0, memcmp(&before, &MainBoard, sizeof before));
  // "black" cannot hand the move to the side giving check.
  EXPECT_EQ(Run("setboard", " 8/k7/8/8/8/8/8/r3K2R w - - 0 1\n"), CmdHandled);
  EXPECT_EQ(Run("black"), CmdHandled);
  EXPECT_EQ(MainBoard.SideToMove, White);
  EXPECT_EQ(Run("setboard", " 4k3/8/8/8/8/8/4P3/4K3 b - - 37 60\n"), CmdHandled);
  // Refusals never echo control bytes.
  testing::internal::CaptureStdout();
  Run("setboard", " 4k3/8/8/8/8/8/4\x1b[2J/4K3 w - - 0 1\n");
  Run("e2e9\x07");
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out.find_first_of("\x1b\x07"), std::string::npos) << out;
  EXPECT_NE(out.find("Illegal move: e2e9?"), std::string::npos) << out;
  EXPECT_EQ(0, memcmp(&before, &MainBoard, sizeof before));
}

TEST_F(CommandsTest, EditMode) {
  EXPECT_EQ(Run("edit", "# Ke1 Rh1 c Ke8 .\n"), CmdHandled);
  EXPECT_EQ(MainBoard.WhiteKing, SquareMask(E1));
  EXPECT_EQ(MainBoard.WhiteRooks, SquareMask(H1));
  EXPECT_EQ(MainBoard.BlackKing, SquareMask(E8));
  EXPECT_EQ(MainBoard.CastleFlags, 1);
  EXPECT_EQ(MainBoard.AllPieces, SquareMask(E1) | SquareMask(H1) | SquareMask(E8));

  // Removing, replacing and bad squares.
  Run("edit", "Qh1 xe8 Kz9 Pi2 x c ke8 Ke7 Rh8 .\n");
  EXPECT_EQ(MainBoard.WhiteRooks, 0u);
  EXPECT_EQ(MainBoard.WhiteQueens, SquareMask(H1));
  EXPECT_EQ(MainBoard.BlackKing, SquareMask(E7));  // "ke8" is ignored, "Ke7" places Black's king
  EXPECT_EQ(MainBoard.BlackRooks, SquareMask(H8));
  EXPECT_EQ(MainBoard.CastleFlags, 0);

  // An edited position that cannot be played (no black king) is not taken.
  const ChessBoard before = MainBoard;
  Run("edit", "xe7 .\n");
  EXPECT_EQ(0, memcmp(&before, &MainBoard, sizeof before));
}

TEST_F(CommandsTest, DumpSeeChecksItsSquares) {
  const ChessBoard before = MainBoard;
  EXPECT_EQ(Run("dumpsee", "99 3\n"), CmdHandled);
  EXPECT_EQ(Run("dumpsee", "-1 3\n"), CmdHandled);
  EXPECT_EQ(Run("dumpsee", "x y\n"), CmdHandled);
  EXPECT_EQ(Run("dumpsee", "28 36\n"), CmdHandled);  // e4 is empty
  EXPECT_EQ(0, memcmp(&before, &MainBoard, sizeof before));
  Load("4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1");
  EXPECT_EQ(Run("dumpsee", "28 35\n"), CmdHandled);
}

TEST_F(CommandsTest, NewAndAbortStartOver) {
  SetInputForTesting("e2e4\n");
  HumanMove();
  MainStatus.GameInProgress = 0;
  Run("st", "10\n");
  Run("selfplay");
  EXPECT_EQ(Run("new"), CmdStop);
  EXPECT_EQ(MainBoard.WhitePawns, 0xFF00u);
  EXPECT_EQ(MainStatus.GameInProgress, 1);
  EXPECT_EQ(Xboard.HumanToMove, 1);
  EXPECT_EQ(Xboard.ST + Xboard.SelfPlay, 0);  // a new game forgets the time per move and self-play
  EXPECT_EQ(MoveList.NumMoves, 1);
  SetInputForTesting("d2d4\n");
  HumanMove();
  EXPECT_EQ(Run("abort"), CmdStop);
  EXPECT_EQ(MainBoard.WhitePawns, 0xFF00u);
  EXPECT_EQ(MainBoard.MaxDepth, 56);
  EXPECT_EQ(MoveList.NumMoves, 1);
}

TEST_F(CommandsTest, FeaturesOptionsCoresAndMemory) {
  // protover 2 offers the options xboard has always been offered, in their order.
  testing::internal::CaptureStdout();
  Run("protover", "2\n");
  const std::string features = testing::internal::GetCapturedStdout();
  std::string offered;
  for (size_t at = features.find("feature option=\""); at != std::string::npos;
       at = features.find("feature option=\"", at + 1))
    offered += features.substr(at + 16, features.find(" -", at) - at - 16) + ",";
  EXPECT_EQ(offered,
            "BookFile,BookDepth,BookVariety,Move Overhead,MultiPV,UCI_LimitStrength,UCI_Elo,SyzygyPath,SyzygyProbeDepth,"
            "Syzygy50MoveRule,SyzygyProbeLimit,")
      << features;

  // The table size and the threads are set by "memory" and "cores", not as options; the table
  // is not resized while the engine thinks.
  testing::internal::CaptureStdout();
  Run("option", "Hash=64\n");
  const int sizeMb = PositionCache.SizeMb();
  SearchRunning = true;
  Run("memory", "8\n");
  SearchRunning = false;
  Run("cores", "1\n");
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Error (unknown option): option Hash=64\nError (not while thinking): memory\n");
  EXPECT_EQ(PositionCache.SizeMb(), sizeMb);
  EXPECT_EQ(ThreadCount(), 1);

  // The console's help names options that "option" takes.
  testing::internal::CaptureStdout();
  PrintConsoleHelp();
  const std::string help = testing::internal::GetCapturedStdout();
  const size_t open = help.find('(', help.find("option NAME=VALUE"));
  const std::string named = help.substr(open + 1, help.find(", ...)", open) - open - 1);
  for (size_t start = 0, comma = 0; comma != std::string::npos; start = comma + 2) {
    comma = named.find(", ", start);
    const std::string name = named.substr(start, comma == std::string::npos ? comma : comma - start);
    EXPECT_NE(FindEngineOption(name.c_str(), OfferedToXboard), nullptr) << name;
  }
}

TEST_F(CommandsTest, CommandsArrivingWhileTheEngineThinks) {
  SearchRunning = true;
  MoveList.InsertMoveHistory(1, 2);  // the search's own path on top of the game
  // Settings and status lines do not disturb the search.
  EXPECT_EQ(Run("."), CmdHandled);
  EXPECT_EQ(Run("time", "500\n"), CmdHandled);
  // A move is not the opponent's to make now.
  const ChessBoard before = MainBoard;
  EXPECT_EQ(Run("e2e4"), CmdHandled);
  EXPECT_EQ(0, memcmp(&before, &MainBoard, sizeof before));

  // While analysing, the opponent's move is played and the analysis goes on from there.
  Xboard.AnalyzeMode = 1;
  EXPECT_EQ(Run("e2e4"), CmdStop);
  EXPECT_TRUE(PositionReplaced);
  EXPECT_TRUE(MainBoard.WhitePawns & SquareMask(E4));
  EXPECT_EQ(MainBoard.SideToMove, Black);
  EXPECT_EQ(Xboard.HumanToMove, 0);
  // The game's record changes only after the search has taken back its path.
  EXPECT_EQ(MoveList.NumMoves, 2);
  MoveList.RetractMove();
  SearchEnded();
  EXPECT_EQ(MoveList.NumMoves, 2);
  EXPECT_NE(MoveList.Entries[1].Upper, 1u);

  // A new position stops the search; the record starts again after it.
  SearchRunning = true;
  PositionReplaced = false;
  Xboard.AnalyzeMode = 0;
  EXPECT_EQ(Run("setboard", "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1\n"), CmdStop);
  EXPECT_TRUE(PositionReplaced);
  EXPECT_EQ(MoveList.NumMoves, 2);
  SearchEnded();
  EXPECT_EQ(MoveList.NumMoves, 1);
  SearchRunning = true;
  EXPECT_EQ(Run("new"), CmdStop);
  EXPECT_EQ(Run("quit"), CmdQuit);
  SearchEnded();
  EXPECT_EQ(MainBoard.WhitePawns, 0xFF00u);
  EXPECT_EQ(MoveList.NumMoves, 1);
}

}  // namespace
