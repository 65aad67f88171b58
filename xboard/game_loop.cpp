// The game loop of console and xboard play and the announcements that end a game.

#include "xboard/game_loop.h"

#include <cstdio>

#include "board/bit_ops.h"
#include "board/chess_board.h"
#include "board/keys.h"
#include "board/log_file.h"
#include "game/game_state.h"
#include "game/move_parse.h"
#include "game/status.h"
#include "game/strength.h"
#include "hash/move_history.h"
#include "hash/transposition_table.h"
#include "search/search_limits.h"
#include "search/search_report.h"
#include "search/search_routines.h"
#include "xboard/commands.h"
#include "xboard/console.h"
#include "xboard/xboard_settings.h"

namespace {

// True when the newest entry of the game history is the current position.
bool HistoryEndsWithCurrentPosition() {
  if (MoveList.NumMoves <= 0) return false;
  uint64_t upper, lower;
  genhashcode(MainBoard.SideToMove, MainBoard.CastleFlags, &upper, &lower, &MainBoard);
  const HistoryEntry& top = MoveList.Entries[MoveList.NumMoves - 1];
  return top.Upper == upper && top.Lower == lower;
}

// Mate or stalemate of the side to move: the search reports -110000 for a side that is mated
// and 110001 for a stalemate.
// From protocol version 2 on the GUI reads results in the "1-0 {White mates}" form.
void AnnounceNoMove(int score) {
  const bool whiteToMove = MainBoard.SideToMove == White;
  const bool v2 = ProtocolVersion >= 2 && Protocol.XboardMode;
  const bool whiteWins = (score == -MateValue) != whiteToMove;
  if (score == -MateValue || score == MateValue) {
    const char* result = whiteWins ? "1-0" : "0-1";
    if (v2) AnnounceResult(whiteWins ? "1-0 {White mates}\n" : "0-1 {Black mates}\n", result);
    else AnnounceResult(whiteWins ? "White mates!\n" : "Black mates!\n", result);
  } else {
    AnnounceResult(v2 ? "1/2-1/2 {Stalemate}\n" : "Stalemate\n", "1/2-1/2");
  }
}

// The move number of the engine's move line: the half-move counter counts from 1.
int MoveNumber() {
  const int ply = MainStatus.GamePly;
  return (ply & 1) ? (ply >> 1) + 1 : ply >> 1;
}

// A console game without a clock gets the time control a person expects: 40 moves in 5 minutes
// (about 7 seconds a move). The console keeps no running clock: every move is planned on it
// afresh. "level", "st", "sd" and the options -fd and -st replace it.
constexpr int32_t ConsoleMovesPerSession = 40;
constexpr int32_t ConsoleSessionMs = 5 * 60000;

void SetConsoleClock() {
  XboardSettings& s = Xboard;
  if (Protocol.XboardMode || Protocol.UCIMode == 1 || s.FD != 0 || s.ST != 0) return;
  if (s.TimeLeft > 0) return;
  s.MovesPerSession = ConsoleMovesPerSession;
  s.TimeLeft = ConsoleSessionMs;
}

// The iteration limit of a search: that of -fd; otherwise the depth set with "sd" (the clock
// still applies): in xboard mode none until the GUI sends "sd", at the console that of "sd" or
// -sd, 56 by default.
char ConsoleDepthLimit() {
  if (Xboard.getFD() != 0) return Xboard.getFD();
  if (Protocol.XboardMode) return static_cast<char>(XboardDepthLimit);
  const int32_t d = MainBoard.MaxDepth;
  return static_cast<char>(d >= 1 && d <= 100 ? d : 0);
}

// What the engine's last search learnt stops counting for cutoffs once the opponent is on move.
void PrepareForOpponentMove() {
  PositionCache.AgeTranspositionTables();
  Search.ClearHistory();
}

// The opponent's turn. Returns false when the loop must end (quit).
bool OpponentTurn(uint8_t* lastCode) {
  uint8_t r = HumanMove();
  while (Xboard.Force == 1 && !QuitRequested) r = HumanMove();
  *lastCode = r;
  if (QuitRequested || r == CmdQuit) return false;
  if (r == CmdStop) return true;
  Xboard.HumanToMove = 0;
  if (MainStatus.GameInProgress) AnnounceGameEnd();
  return true;
}

// The limits of the engine's search: the game's clock and the settings of the commands.
SearchLimits GameLimits() {
  const XboardSettings& s = Xboard;
  SearchLimits limits;
  limits.Depth = ConsoleDepthLimit();
  limits.FD = s.FD;
  limits.ST = s.ST;
  limits.TimeLeft = s.TimeLeft;
  limits.TimeIncMs = s.TimeIncMs;
  limits.MovesPerSession = s.MovesPerSession;
  limits.GamePly = MainStatus.GamePly;
  limits.Infinite = s.AnalyzeMode;
  limits.Ponder = Pondering;
  limits.UseBook = MainStatus.UseBook == 1;
  return limits;
}

// The engine's turn: search, play and show the move. Returns false when the loop must end.
bool EngineTurn(int* lastScore) {
  // In xboard mode the search driver records the root position itself, in the place the game
  // record gave it (where its en passant square, which the driver does not store, stays).
  if (Protocol.XboardMode) {
    if (!HistoryEndsWithCurrentPosition()) RecordGamePosition();
    MoveList.RetractMove();
  }
  // Unless a command during the search says otherwise, the opponent moves next.
  Xboard.HumanToMove = 1;
  PositionReplaced = false;
  SearchRunning = true;
  SetConsoleClock();
  SearchLimits limits = GameLimits();
  Strength.LimitSearch(limits);
  SetSearchLimits(limits);
  const SearchResult best = Strength.ChooseMove(MainBoard, Search.ProgressiveDeepening(MainBoard));
  SearchEnded();
  if (QuitRequested) return false;
  // The position was replaced (new game, setboard, edit, a move while analysing): nothing of
  // this search is played; an analysis goes on with the new position.
  if (PositionReplaced) {
    if (Xboard.AnalyzeMode) Xboard.HumanToMove = 0;
    return true;
  }
  if (Xboard.AnalyzeMode) {
    // Analysis shows its thinking and never plays. Stopped by a command it starts again; ended
    // by itself (a mate found, one legal move) it waits for the GUI.
    if (Search.Aborted) Xboard.HumanToMove = 0;
    return true;
  }
  if (Search.Aborted && !best.Playable) return true;  // stopped by a command before it had a move
  const int score = best.Score;
  if (score == -MateValue || score == MateValue || score == StalemateScore) {
    AnnounceNoMove(score);
    return true;
  }
  if (!best.Playable) return true;
  *lastScore = score;
  if (Protocol.Person && !Protocol.XboardMode) {
    ShowEngineMove(best.From, best.To, best.Promotion, score);
  } else {
    if (ProtocolVersion < 2) printf("%d. ...", MoveNumber());
    MakeGUIMove(best.From, best.To, best.Promotion, score);
  }
  PlayEngineMove(best.From, best.To, best.Promotion);
  if (MainStatus.GameInProgress) AnnounceGameEnd();
  NotePrediction();
  return true;
}

bool PonderWanted() {
  const XboardSettings& s = Xboard;
  return PonderEnabled && Protocol.XboardMode && !s.Force && !s.AnalyzeMode && !s.SelfPlay && MainStatus.GameInProgress &&
         !QuitRequested;
}

enum class PonderResult { NotPondered, Answered, Quit };

// Pondering: with the opponent on move, the engine plays the reply its last search predicted and
// searches on from there, as if the opponent had played it. The predicted move, when it comes,
// makes that search the engine's own (EngineTurn then plays its move as usual). Anything else
// that needs the real position ends it: the predicted move is taken back, and the word that
// ended it is carried out by the opponent's turn that follows.
PonderResult PonderTurn(int* lastScore) {
  uint64_t from, to;
  char promotion;
  if (!PonderWanted() || !PredictedMove(&from, &to, &promotion)) return PonderResult::NotPondered;
  PonderBase = MainBoard;
  PlayGameMove(from, to, promotion);
  // No pondering on a move that would end the game.
  if (CountLegalMoves(MainBoard) == 0 || MainBoard.FiftyMoveCount >= 100 || EarlierOccurrences() >= 2) {
    TakeBack(1);
    return PonderResult::NotPondered;
  }
  // The thinking lines of a ponder search start after the expected reply; xboard shows them
  // under it when told which move that is.
  if (Protocol.Post) SendHint(from, to, promotion);
  LogPrintf("Pondering on the expected reply");
  Pondering = true;
  PonderMissed = false;
  const bool goOn = EngineTurn(lastScore);
  Pondering = false;
  if (!goOn) return PonderResult::Quit;
  if (!PonderMissed) return PonderResult::Answered;
  PonderMissed = false;
  TakeBack(1);
  return PonderResult::NotPondered;
}

}  // namespace

void AnnounceResult(const char* text, const char* result) {
  printf("%s", text);
  fflush(stdout);
  GameResult = result;
  MainStatus.GameInProgress = 0;
}

bool DeadDrawMaterial() {
  const ChessBoard& b = MainBoard;
  if (b.WhitePawns | b.BlackPawns | b.WhiteRooks | b.BlackRooks | b.WhiteQueens | b.BlackQueens) return false;
  return PopCount(b.WhiteKnights | b.BlackKnights | b.WhiteBishops | b.BlackBishops) <= 1;
}

bool AnnounceGameEnd() {
  // Mate and stalemate come first: the fifty-move count draws only a game that goes on.
  if (CountLegalMoves(MainBoard) == 0) {
    AnnounceNoMove(MainBoard.SideToMoveInCheck() ? -MateValue : StalemateScore);
    return true;
  }
  if (MainBoard.FiftyMoveCount >= 100) {
    AnnounceResult("1/2-1/2 {Draw by 50 Move Rule}\n", "1/2-1/2");
    return true;
  }
  if (EarlierOccurrences() >= 2) {
    AnnounceResult("1/2-1/2 {Draw by repetition}\n", "1/2-1/2");
    return true;
  }
  if (DeadDrawMaterial()) {
    AnnounceResult("1/2-1/2 {Draw by insufficient material}\n", "1/2-1/2");
    return true;
  }
  return false;
}

void ShowConsoleClock() {
  SetConsoleClock();
  if (Xboard.FD != 0)
    printf("The engine searches %d plies a move.\n", Xboard.FD);
  else if (Xboard.ST != 0)
    printf("The engine thinks %g seconds a move.\n", Xboard.ST / 1000.0);
  else if (Xboard.MovesPerSession == ConsoleMovesPerSession && Xboard.TimeLeft == ConsoleSessionMs)
    printf("The engine plays 40 moves in 5 minutes (change it with level, st or sd).\n");
  fflush(stdout);
}

void GameLoop() {
  uint8_t lastCode = 0;
  int lastScore = 0;
  if (Protocol.UCIMode == 1) return;
  ListenForCommands();
  MainBoard.InitPieceCounts();
  ResetGameHistory();
  if (!Protocol.XboardMode && !FirstScreenShown) ShowConsoleClock();
  for (;;) {
    if (QuitRequested || Protocol.UCIMode == 1) return;
    // After the end of a game the engine only listens: an xboard engine until the GUI's next
    // game begins, the console until the person saves the game, starts another or quits.
    if (!MainStatus.GameInProgress) Xboard.HumanToMove = 1;
    genpawnhashcode(MainBoard.SideToMove, MainBoard, &MainBoard.PawnKingKey);
    if (Xboard.SelfPlay && MainStatus.GameInProgress) Xboard.HumanToMove = 0;

    if (Xboard.HumanToMove == 1) {
      PrepareForOpponentMove();
      const PonderResult pondered = PonderTurn(&lastScore);
      if (pondered == PonderResult::Quit) return;
      if (pondered == PonderResult::Answered) {
        SendPendingPongs();
        continue;
      }
      if (!OpponentTurn(&lastCode)) return;
      if (lastCode == CmdStop) continue;
    } else {
      const bool goOn = EngineTurn(&lastScore);
      // A "ping" that came while the engine thought is answered after its move.
      SendPendingPongs();
      if (!goOn) return;
    }
    if (!Protocol.XboardMode) {
      if (!Protocol.Person) printf("Game Score %d\n", lastScore);
      ShowBoard(MainBoard);
    }
  }
}
