#pragma once
// Helpers for the front-end tests: a clean game state before each test, positions from FEN.

#include <gtest/gtest.h>

#include "board/chess_board.h"
#include "board/fen.h"
#include "board/keys.h"
#include "game/input.h"
#include "game/status.h"
#include "hash/move_history.h"
#include "search/search_report.h"
#include "search/search_routines.h"
#include "xboard/game_loop.h"
#include "xboard/xboard_settings.h"

// A new game in xboard mode, no search running; key tables drawn.
// The search flags a search resets before it starts, cleared for a test that runs commands.
inline void ClearSearchFlags() {
  Search.Aborted = Search.TimeUp = Search.StopNow = Search.TimerExtended = Search.MoveNow = false;
  Search.RootScore = 0;
}

class FrontEndTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (UPStable[0] == 0 && LPStable[0] == 0) initPStable();
    savedBoard_ = MainBoard;
    savedStatus_ = MainStatus;
    savedProtocol_ = Protocol;
    savedXboard_ = Xboard;
    Protocol.UCIMode = 0;
    Protocol.XboardMode = 1;  // no console prompts and echoes
    Xboard.AnalyzeMode = 0;
    Xboard.Force = 0;
    QuitRequested = false;
    ProtocolVersion = 1;
    SearchEnded();  // no search running, nothing left pending
    PositionReplaced = false;
    ClearSearchFlags();
    ResetForNewGame();
  }
  void TearDown() override {
    SetInputForTesting("");
    QuitRequested = false;
    SearchRunning = false;
    MainBoard = savedBoard_;
    MainStatus = savedStatus_;
    Protocol = savedProtocol_;
    Xboard = savedXboard_;
  }

  // Sets the game position from FEN text, with counts and a fresh history.
  static void Load(const char* fen) {
    const char* reason = SetupBoard(fen);
    ASSERT_EQ(reason, nullptr) << fen << ": " << reason;
    ResetForPosition(FenCounters{0, 1});
  }

private:
  ChessBoard savedBoard_;
  Status savedStatus_;
  ProtocolSettings savedProtocol_;
  XboardSettings savedXboard_;
};
