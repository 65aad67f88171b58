#include "uci/uci_protocol.h"

#include <gtest/gtest.h>

#include <string>

#include "board/chess_board.h"
#include "board/keys.h"
#include "board/masks.h"
#include "book/polyglot_book.h"
#include "game/engine_options.h"
#include "game/input.h"
#include "game/move_parse.h"
#include "game/status.h"
#include "game/strength.h"
#include "hash/move_history.h"
#include "search/search_control.h"
#include "search/search_report.h"
#include "search/search_routines.h"
#include "search/time_budget.h"

namespace {

// Carries out one command line as if the GUI had sent it, then any lines deferred meanwhile.
uint8_t RunCommand(const char* line) {
  snprintf(UCI.CommandBuffer, sizeof UCI.CommandBuffer, "%s", line);
  return UCI.DispatchAndCatchUp();
}

// What a GUI might send while the engine thinks, so that a search that looks at its input finds
// something harmless there (at the end of the input it would read "quit").
const std::string& IdleInput() {
  static std::string text;
  if (text.empty())
    for (int i = 0; i < 5000; i++) text += "isready\n";
  return text;
}

// A UCI conversation on a clean start position; the globals are restored afterwards.
class UciTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (UPStable[0] == 0 && LPStable[0] == 0) initPStable();
    savedBoard_ = MainBoard;
    savedStatus_ = MainStatus;
    Protocol.UCIMode = 1;
    Protocol.XboardMode = 0;
    MainStatus.initVars();
    Search.Limits = SearchLimits{};
    UCI.State = WAITING;
    PonderOption = false;
    UCI.PendingCount = 0;
    Search.MoveNow = Search.StopNow = Search.TimeUp = Search.Aborted = false;
    SetInputForTesting(IdleInput().c_str());
    RunCommand("position startpos");
  }
  void TearDown() override {
    SetInputForTesting("");
    UCI.State = WAITING;
    UCI.PendingCount = 0;
    PonderOption = false;
    MainBoard = savedBoard_;
    MainStatus = savedStatus_;
  }

  // Runs one command line and returns what it printed.
  static std::string Run(const char* line) {
    testing::internal::CaptureStdout();
    RunCommand(line);
    return testing::internal::GetCapturedStdout();
  }

  static bool LegalIn(const ChessBoard& board, const std::string& move) {
    uint64_t from, to;
    char promotion;
    return ParseLegalMove(board, move.c_str(), &from, &to, &promotion);
  }

  // The move of the "bestmove" line of out ("" when there is none).
  static std::string BestMove(const std::string& out) {
    const size_t at = out.find("bestmove ");
    if (at == std::string::npos) return "";
    const size_t start = at + 9;
    return out.substr(start, out.find_first_of(" \n", start) - start);
  }

private:
  ChessBoard savedBoard_;
  Status savedStatus_;
};

TEST_F(UciTest, IdentifiesItselfWithItsOptions) {
  MainStatus.UseBook = 1;
  // Where the GUI has changed a setting, "uci" still names the engine's own default.
  MoveOverheadMs = 120;
  Search.MultiPV = 3;
  ShowCurrentMove = false;
  PonderOption = true;
  const std::string out = Run("uci");
  MoveOverheadMs = DefaultMoveOverheadMs;
  Search.MultiPV = 1;
  ShowCurrentMove = true;
  PonderOption = false;
  EXPECT_EQ(out.rfind("id name Orvo ", 0), 0u) << out;
  EXPECT_NE(out.find("\nid author "), std::string::npos);
  const std::string book = FileBook.Loaded() ? FileBook.Path : "<empty>";
  const std::string options =
      "option name UCI_AnalyseMode type check default false\n"
      "option name OwnBook type check default false\n"
      "option name SecondaryBook type check default false\n"
      "option name BookFile type string default " + book + "\n"
      "option name BookDepth type spin default " + std::to_string(FileBook.LastPly) + " min 0 max 1000\n"
      "option name BookVariety type check default " + (FileBook.Variety ? "true" : "false") + "\n"
      "option name UCI_ShowCurrLine type check default true\n"
      "option name Ponder type check default false\n"
      "option name Move Overhead type spin default 30 min 0 max 5000\n"
      "option name UCI_EngineAbout type string default Orvo, a bitboard chess engine with an alpha-beta search\n"
      "option name Hash type spin default 163 min 1 max 32768\n"
      "option name Clear Hash type button\n"
      "option name Threads type spin default 1 min 1 max 256\n"
      "option name MultiPV type spin default 1 min 1 max 256\n"
      "option name UCI_LimitStrength type check default " + (Strength.Limited ? "true" : "false") + "\n"
      "option name UCI_Elo type spin default " + std::to_string(Strength.Elo) + " min 800 max 3300\n"
      "option name SyzygyPath type string default <empty>\n"
      "option name SyzygyProbeDepth type spin default 1 min 1 max 100\n"
      "option name Syzygy50MoveRule type check default true\n"
      "option name SyzygyProbeLimit type spin default 7 min 0 max 7\n"
      "option name UCI_Chess960 type check default false\n"
      "uciok\n";
  ASSERT_NE(out.find("option name "), std::string::npos) << out;
  EXPECT_EQ(out.substr(out.find("option name ")), options);
  EXPECT_EQ(MainStatus.UseBook, 0);
  EXPECT_EQ(UCI.State, WAITING);
}

TEST_F(UciTest, MoveListsSetBoardSideAndHistory) {
  Run("position startpos moves e2e4 e7e5");
  EXPECT_EQ(MainStatus.GamePly, 2);
  EXPECT_EQ(MainBoard.SideToMove, White);
  EXPECT_TRUE(MainBoard.WhitePawns & Bit(E4));
  EXPECT_TRUE(MainBoard.BlackPawns & Bit(E5));
  EXPECT_EQ(MoveList.NumMoves, 3);  // the start position and the two positions reached

  Run("position startpos moves e2e4");
  EXPECT_EQ(MainStatus.GamePly, 1);
  EXPECT_EQ(MainBoard.SideToMove, Black);
  EXPECT_EQ(MoveList.NumMoves, 2);

  // Castling moves the rook too and gives up both of the side's rights.
  Run("position startpos moves e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 e1g1");
  EXPECT_EQ(MainBoard.WhiteKing, Bit(G1));
  EXPECT_TRUE(MainBoard.WhiteRooks & Bit(F1));
  EXPECT_EQ(MainBoard.CastleFlags, 12);

  // En passant removes the pawn that passed.
  Run("position startpos moves e2e4 a7a6 e4e5 d7d5 e5d6");
  EXPECT_TRUE(MainBoard.WhitePawns & Bit(D6));
  EXPECT_FALSE(MainBoard.BlackPieces & Bit(D5));

  // Under-promotion and promotion by capture.
  Run("position fen 1r5k/P7/8/8/8/8/6p1/K7 w - - 0 1 moves a7b8n g2g1r");
  EXPECT_EQ(MainBoard.WhiteKnights, Bit(B8));
  EXPECT_EQ(MainBoard.BlackRooks, Bit(G1));
  EXPECT_EQ(MainBoard.WhitePawns | MainBoard.BlackPawns, 0u);
}

TEST_F(UciTest, RefusesIllegalOrMalformedMovesAndKeepsThoseBefore) {
  for (const char* line : {"position startpos moves e2e4 e2e4 d7d5", "position startpos moves e2e4 e7e9 d7d5",
                           "position startpos moves e2e4 castle d7d5", "position startpos moves e2e4 e1g1 d7d5"}) {
    const std::string out = Run(line);
    EXPECT_NE(out.find("info string Illegal move"), std::string::npos) << line;
    EXPECT_EQ(out.find('\n'), out.size() - 1) << "one line only: " << out;
    EXPECT_EQ(MainStatus.GamePly, 1) << line;
    EXPECT_EQ(MainBoard.SideToMove, Black) << line;
    EXPECT_TRUE(MainBoard.BlackPawns & Bit(D7)) << line;
  }
  // A move that leaves the own king in check.
  Run("position fen 4k3/4r3/8/8/8/8/4B3/4K3 w - - 0 1 moves e2d3");
  EXPECT_TRUE(MainBoard.WhiteBishops & Bit(E2));
  EXPECT_EQ(MainBoard.SideToMove, White);
}

TEST_F(UciTest, InvalidFenKeepsThePreviousPosition) {
  Run("position startpos moves d2d4");
  const ChessBoard before = MainBoard;
  // A FEN too long to hold is refused, not read cut short (here it would lose its side to move).
  const std::string overlong = "position fen 4k3/8/8/7Q/8/8/8/4K3 b" + std::string(300, 'x');
  for (const char* line : {"position fen", "position fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP w KQkq - 0 1",
                           "position fen 8/8/8/8/8/8/8/8 w - - 0 1 moves e2e4", "position sideways",
                           overlong.c_str()}) {
    const std::string out = Run(line);
    EXPECT_EQ(out.rfind("info string ", 0), 0u) << line << ": " << out;
    EXPECT_EQ(MainBoard.AllPieces, before.AllPieces) << line;
    EXPECT_EQ(MainBoard.SideToMove, Black) << line;
  }
}

TEST_F(UciTest, FenSetsSideForRepetitionsEnPassantAndCastling) {
  // Black to move; the knights go out and back twice. The keys carry the real side to move,
  // the one the search uses, and the repetition is found.
  Run("position fen rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1 moves g8f6 g1f3 f6g8 f3g1 g8f6 "
      "g1f3 f6g8 f3g1");
  ASSERT_EQ(MoveList.NumMoves, 9);
  uint64_t upper, lower;
  genhashcode(MainBoard.SideToMove, MainBoard.CastleFlags, &upper, &lower, &MainBoard);
  EXPECT_EQ(MoveList.Entries[8].Upper, upper);
  EXPECT_EQ(MoveList.Entries[8].Lower, lower);
  EXPECT_EQ(MoveList.Entries[0].Upper, upper);
  EXPECT_EQ(MoveList.ThreeFoldRepDetection(MainBoard.FiftyMoveCount, upper, lower), 1);

  // The en passant square of a FEN allows the capture on the first move. The game goes on from
  // the FEN's move number: four half-moves were played before move 3, White to move.
  Run("position fen rnbqkbnr/ppp1pppp/8/3pP3/8/8/PPPP1PPP/RNBQKBNR w KQkq d6 0 3 moves e5d6");
  EXPECT_EQ(MainStatus.GamePly, 5);
  EXPECT_FALSE(MainBoard.BlackPawns & Bit(D5));

  // Rights without the king or rook at home are dropped.
  Run("position fen 4k3/8/8/8/8/8/8/R3K3 w KQkq - 0 1");
  EXPECT_EQ(MainBoard.CastleFlags, 2);
  // A rook taken on its corner takes the right along: the rook that arrives later cannot castle.
  const std::string out = Run("position fen 4k3/8/8/7R/8/8/6b1/4K2R b K - 0 1 moves g2h1 h5h1 e8d8 e1g1");
  EXPECT_NE(out.find("Illegal move e1g1"), std::string::npos) << out;
  EXPECT_EQ(MainBoard.CastleFlags, 0);
  EXPECT_EQ(MainStatus.GamePly, 4);  // Black's half of move 1, then three moves
}

TEST_F(UciTest, FenKeepsItsHalfMoveClockAndMoveNumber) {
  // The clock goes on from the FEN's through quiet moves; a pawn move or a capture resets it.
  Run("position fen 4k3/4p3/8/8/8/8/8/R3K3 w - - 97 100 moves a1a2 e8d8");
  EXPECT_EQ(MainBoard.FiftyMoveCount, 99);
  EXPECT_EQ(MainStatus.GamePly, 200);
  Run("position fen 4k3/4p3/8/8/8/8/8/R3K3 b - - 60 41 moves e7e6 a1a6");
  EXPECT_EQ(MainBoard.FiftyMoveCount, 1);
  EXPECT_EQ(MainStatus.GamePly, 83);
  // Without the counters (or with a clock past the rule) the FEN is read as far as it goes.
  Run("position fen 4k3/8/8/8/8/8/8/R3K3 b -");
  EXPECT_EQ(MainBoard.FiftyMoveCount, 0);
  EXPECT_EQ(MainStatus.GamePly, 1);
  Run("position fen 4k3/8/8/8/8/8/8/R3K3 w - - 250 0");
  EXPECT_EQ(MainBoard.FiftyMoveCount, 100);
  EXPECT_EQ(MainStatus.GamePly, 0);

  // A refused FEN keeps the counters with the position.
  Run("position fen 4k3/8/8/8/8/8/8/R3K3 w - - 40 30");
  Run("position fen 4k3/8/8/8/8/8/8/8 w - - 0 1");
  EXPECT_EQ(MainBoard.FiftyMoveCount, 40);
  EXPECT_EQ(MainStatus.GamePly, 58);

  // Ninety-nine quiet half-moves already played: every rook move completes the fifty, so the
  // rook up is worth nothing; with the clock at 0 it is a rook up.
  Run("position fen 4k3/8/8/8/8/8/8/R3K3 w - - 99 100");
  std::string out = Run("go depth 6");
  EXPECT_NE(out.find("info score cp 0\n"), std::string::npos) << out;
  Run("position fen 4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
  out = Run("go depth 6");
  EXPECT_EQ(out.find("info score cp 0\n"), std::string::npos) << out;
  EXPECT_EQ(out.find("info score cp -"), std::string::npos) << out;
}

TEST_F(UciTest, GoReadsTheClockOfTheSideToMove) {
  Run("go wtime 60000 btime 30000 winc 1000 binc 2000 depth 1");
  EXPECT_EQ(Search.Limits.TimeLeft, 60000);
  EXPECT_EQ(Search.Limits.TimeIncMs / 1000, 1);
  EXPECT_EQ(Search.Limits.MovesPerSession, 0);
  EXPECT_EQ(UCI.State, WAITING);

  Run("position startpos moves e2e4");
  Run("go wtime 60000 btime 30000 winc 1000 binc 2000 movestogo 12 depth 1");
  EXPECT_EQ(Search.Limits.TimeLeft, 30000);
  EXPECT_EQ(Search.Limits.TimeIncMs / 1000, 2);
  EXPECT_EQ(Search.Limits.MovesPerSession, 12);

  Run("position startpos");
  Run("go movetime 2000 depth 1");
  EXPECT_EQ(Search.Limits.ST, 2000);
  EXPECT_EQ(Search.Limits.TimeLeft, 120000);

  // A huge depth is capped at the iteration limit, never wrapped to a negative one (stalemate:
  // the command is read but nothing is searched).
  Run("position fen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1");
  Run("go depth 6000");
  EXPECT_EQ(Search.Limits.FD, 100);
  EXPECT_EQ(Search.Limits.ST, 0);
  EXPECT_EQ(Search.Limits.TimeLeft, 0);
}

TEST_F(UciTest, GoAnswersWithALegalMoveOrWithTheNullMove) {
  Run("position startpos moves e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 e1g1 f8c5 d2d4 e5d4 e4e5 d7d5 e5d6");
  const ChessBoard position = MainBoard;
  const std::string out = Run("go depth 2");
  EXPECT_NE(out.find("info score cp "), std::string::npos);
  EXPECT_TRUE(LegalIn(position, BestMove(out))) << out;
  // The board stays the GUI's position: a second "go" searches the same position.
  EXPECT_EQ(MainBoard.AllPieces, position.AllPieces);
  EXPECT_EQ(MainBoard.SideToMove, position.SideToMove);

  for (const char* fen : {"position fen 7k/6Q1/6K1/8/8/8/8/8 b - - 0 1",    // mated
                          "position fen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1"}) {  // stalemate
    Run(fen);
    EXPECT_EQ(BestMove(Run("go depth 3")), "0000") << fen;
    EXPECT_EQ(UCI.State, WAITING);
  }
}

TEST_F(UciTest, BestMoveLineCarriesPromotionAndPonderMove) {
  Run("position fen 7k/4P3/8/8/8/8/8/K7 w - - 0 1");
  ChessBoard root = MainBoard;
  testing::internal::CaptureStdout();
  Search.PVLength = 1;
  UCI.SendBestMove(root, true, {Bit(E7), Bit(E8), 'Q', 9000, true});
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "info score cp 900\nbestmove e7e8q\n");
  EXPECT_EQ(UCI.PromotionChar, 'q');

  // With the Ponder option the expected reply follows, with its own promotion letter.
  Run("position fen 8/4P2k/8/8/8/8/6p1/K7 w - - 0 1");
  root = MainBoard;
  PonderOption = true;
  Search.PVLength = 2;
  Search.PV[0][1] = PVEntry{MoveCode(G2, G1), 'q'};
  testing::internal::CaptureStdout();
  UCI.SendBestMove(root, true, {Bit(E7), Bit(E8), 'Q', -35, true});
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "info score cp -3\nbestmove e7e8q ponder g2g1q\n");

  // A reply that is not legal after the best move is left out; so is a stale best move.
  Run("position startpos");
  root = MainBoard;
  Search.PV[0][1] = PVEntry{MoveCode(E2, E4), NoPromotion};
  testing::internal::CaptureStdout();
  UCI.SendBestMove(root, true, {Bit(E2), Bit(E4), NoPromotion, 0, true});
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "info score cp 0\nbestmove e2e4\n");
  testing::internal::CaptureStdout();
  UCI.SendBestMove(root, true, {Bit(E2), Bit(E5), NoPromotion, 0, true});
  EXPECT_TRUE(LegalIn(root, BestMove(testing::internal::GetCapturedStdout())));
  Search.PVLength = 0;
}

TEST_F(UciTest, CommandsDuringASearch) {
  for (uint8_t state : {SEARCHING, PONDERING, INFINITE}) {
    UCI.State = state;
    EXPECT_EQ(Run("isready"), "readyok\n") << int(state);
  }

  UCI.State = PONDERING;
  Search.Limits.Ponder = true;
  Run("ponderhit");
  EXPECT_EQ(UCI.State, SEARCHING);
  EXPECT_FALSE(Search.Limits.Ponder);

  // "stop" ends a timed search like a time-out: the best move so far is still played.
  EXPECT_EQ(RunCommand("stop"), 1);
  EXPECT_TRUE(Search.MoveNow && Search.StopNow && Search.TimeUp);
  EXPECT_FALSE(Search.Aborted);

  UCI.State = INFINITE;
  Search.Limits.Infinite = true;
  Search.MoveNow = false;
  Run("stop");
  EXPECT_TRUE(Search.MoveNow);
  EXPECT_FALSE(Search.Limits.Infinite);
  EXPECT_EQ(UCI.State, SEARCHING);

  // Position, setoption and go wait until the search is over, then run in order.
  Run("position startpos moves d2d4");
  Run("setoption name Ponder value true");
  Run("bogus words");
  EXPECT_EQ(UCI.PendingCount, 2);
  EXPECT_EQ(MainBoard.SideToMove, White);
  EXPECT_FALSE(PonderOption);
  UCI.State = WAITING;
  Run("isready");
  EXPECT_EQ(UCI.PendingCount, 0);
  EXPECT_TRUE(MainBoard.WhitePawns & Bit(D4));
  EXPECT_TRUE(PonderOption);
}

TEST_F(UciTest, GoInfiniteAndPonderSendBestMoveOnlyAfterStopOrPonderhit) {
  // Mate in one: the search ends at once, but an analysis waits for "stop".
  Run("position fen 7k/8/6K1/8/8/8/8/1Q6 w - - 0 1");
  SetInputForTesting("isready\nposition startpos\nstop\n");
  std::string out = Run("go infinite");
  EXPECT_NE(out.find("readyok\n"), std::string::npos);
  EXPECT_LT(out.find("readyok\n"), out.find("bestmove"));
  EXPECT_EQ(BestMove(out), "b1b8");
  EXPECT_FALSE(Search.Limits.Infinite);
  EXPECT_EQ(UCI.State, WAITING);
  EXPECT_EQ(MainBoard.AllPieces, 0xFFFF00000000FFFFull);  // the deferred position ran afterwards

  // A single legal move: the ponder search is done at once and waits for "ponderhit".
  Run("position fen k7/8/8/8/8/8/1r6/K7 w - - 0 1");
  SetInputForTesting("isready\nponderhit\n");
  out = Run("go ponder wtime 1000 btime 1000");
  EXPECT_LT(out.find("readyok\n"), out.find("bestmove"));
  EXPECT_EQ(BestMove(out), "a1b2");
  EXPECT_FALSE(Search.Limits.Ponder);
}

TEST_F(UciTest, NewGameAndOptions) {
  Run("setoption name Ponder value true");
  EXPECT_TRUE(PonderOption);
  Run("setoption name OwnBook value true");
  EXPECT_EQ(MainStatus.UseBook, 1);
  Run("setoption name ownbook value false");
  EXPECT_EQ(MainStatus.UseBook, 0);
  Run("setoption name SecondaryBook value true");
  EXPECT_EQ(MainStatus.UseBook, 1);
  Run("setoption name UCI_ShowCurrLine value false");
  EXPECT_FALSE(ShowCurrentMove);
  Run("setoption name UCI_ShowCurrLine value true");
  EXPECT_TRUE(ShowCurrentMove);
  Run("setoption name UCI_AnalyseMode value true");
  EXPECT_EQ(Protocol.Post, 1);
  Run("setoption name UCI_AnalyseMode value false");
  EXPECT_EQ(Protocol.Post, 0);
  EXPECT_EQ(Run("setoption name UCI_EngineAbout value anything"), "");
  EXPECT_EQ(Run("setoption name NoSuchThing value 64"), "info string No such option: NoSuchThing\n");

  Run("position startpos moves e2e4 e7e5");
  Run("setoption name Ponder value true");
  SpeedMeasured = false;
  Run("ucinewgame");
  // GUIs set Ponder once and send ucinewgame before every game.
  EXPECT_TRUE(PonderOption);
  EXPECT_EQ(MainBoard.AllPieces, 0xFFFF00000000FFFFull);
  EXPECT_EQ(MainBoard.SideToMove, White);
  EXPECT_EQ(Clock.NodesPerSecond, 800000);
  // A measured speed is never replaced by the guess.
  SpeedMeasured = true;
  Clock.NodesPerSecond = 2500000;
  Run("ucinewgame");
  Run("setoption name UCI_AnalyseMode value true");
  Run("setoption name UCI_AnalyseMode value false");
  EXPECT_EQ(Clock.NodesPerSecond, 2500000);
  Run("setoption name Ponder value false");

  Run("setoption name Move Overhead value 120");
  EXPECT_EQ(MoveOverheadMs, 120);
  Run("setoption name move overhead value 99999");
  EXPECT_EQ(MoveOverheadMs, MaxMoveOverheadMs);
  EXPECT_EQ(Run("setoption name Move Overhead value -5"),
            "info string Move Overhead needs a number of milliseconds, 0 to 5000\n");
  EXPECT_EQ(MoveOverheadMs, MaxMoveOverheadMs);
  Run("setoption name Move Overhead value 30");

  // Hash and Threads refuse a value that is no number with messages of their own; Clear Hash is
  // a button and needs none.
  EXPECT_EQ(Run("setoption name Hash value lots"), "info string Hash needs a size in MB\n");
  EXPECT_EQ(Run("setoption name Threads"), "info string Threads needs a number of threads\n");
  EXPECT_EQ(Run("setoption name Threads value 1"), "");
  EXPECT_EQ(Run("setoption name Clear Hash"), "");
}

TEST_F(UciTest, LongGamesKeepRoomInTheHistory) {
  // Knights shuffling for hundreds of moves: the history keeps what a repetition can reach.
  std::string line = "position startpos moves";
  for (int i = 0; i < 300; i++) line += " g1f3 g8f6 f3g1 f6g8";
  testing::internal::CaptureStdout();
  RunCommand(line.c_str());
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out.find("info string"), std::string::npos) << out;
  EXPECT_EQ(MainStatus.GamePly, 1200);
  EXPECT_LE(MoveList.NumMoves, MoveHistory::Capacity / 2);
  EXPECT_GT(MoveList.ThreeFoldRepDetection(MainBoard.FiftyMoveCount, MoveList.Entries[MoveList.NumMoves - 1].Upper,
                                           MoveList.Entries[MoveList.NumMoves - 1].Lower),
            0);
}

}  // namespace
