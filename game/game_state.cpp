// The state of the game shared by the command interpreter and the game loop.

#include "game/game_state.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "board/fen.h"
#include "board/keys.h"
#include "eval/position_evaluate.h"
#include "game/move_parse.h"
#include "game/san.h"
#include "game/status.h"
#include "hash/move_history.h"
#include "hash/transposition_table.h"
#include "search/search_report.h"
#include "search/search_routines.h"

bool QuitRequested = false;
bool SearchRunning = false;
bool PositionReplaced = false;
int ProtocolVersion = 1;
bool PonderEnabled = false;
bool Pondering = false;
bool PonderMissed = false;
ChessBoard PonderBase;
int XboardDepthLimit = 0;
const char* GameResult = "*";

namespace {

// While the engine searches, the game history also holds the search's path, which the search
// takes back as it unwinds. A command that changes the game's record meanwhile (a new position,
// a move while analysing, a takeback) has it changed once the search has ended.
bool ResetPending = false;
bool RecordPending = false;
int TakeBackPending = 0;

// The game record, and what a takeback restores: each move with the position before it. A game
// longer than the record forgets its oldest moves.
struct TakenMove {
  ChessBoard Board;
  int32_t GamePly;
  int32_t HistoryLength;  // -1: the move was made during a search; filled in when it ends
  PgnMove Move;
  bool ByEngine;
};
constexpr int RecordCapacity = MaxRecordedMoves;
TakenMove Record[RecordCapacity];
int RecordCount = 0;
// The move number (as a FEN counts it) of the record's first position.
int32_t RecordStartMoveNumber = 1;

struct Prediction {
  bool Known;
  uint64_t Upper, Lower;  // keys of the position the reply belongs to
  uint64_t From, To;
  char Promotion;
};
Prediction Predicted = {};

constexpr int PongSlots = 16;
constexpr int PongTextSize = 24;
char Pongs[PongSlots][PongTextSize];
int PongCount = 0;

void CurrentKeys(uint64_t* upper, uint64_t* lower) {
  genhashcode(MainBoard.SideToMove, MainBoard.CastleFlags, upper, lower, &MainBoard);
}

void ApplyTakeBack(int plies) {
  const TakenMove& m = Record[RecordCount - plies];
  MainBoard = m.Board;
  MainStatus.GamePly = m.GamePly;
  if (m.HistoryLength >= 0 && m.HistoryLength <= MoveList.NumMoves) MoveList.NumMoves = m.HistoryLength;
  RecordCount -= plies;
  MainStatus.GameInProgress = 1;
  GameResult = "*";
}

}  // namespace

int32_t CurrentMoveNumber() {
  int32_t number = RecordStartMoveNumber;
  for (int i = 0; i < RecordCount; i++)
    if (Record[i].Board.SideToMove != White) number++;
  return number;
}

int RecordedMoveCount() { return RecordCount; }

void RecordedMovesText(int first, char* out, size_t size) {
  size_t used = 0;
  out[0] = '\0';
  int32_t number = RecordStartMoveNumber;
  for (int i = 0; i < RecordCount; i++) {
    const ChessBoard& before = Record[i].Board;
    const bool white = before.SideToMove == White;
    if (i >= first) {
      char san[SanTextSize];
      WriteSanMove(before, Record[i].Move.From, Record[i].Move.To, Record[i].Move.Promotion, san);
      const int n = white || i == first ? snprintf(out + used, size - used, "%s%d%s %s", used ? " " : "", number,
                                                   white ? "." : "...", san)
                                        : snprintf(out + used, size - used, " %s", san);
      if (n < 0 || used + static_cast<size_t>(n) >= size) return;  // the text stops at the last whole move
      used += static_cast<size_t>(n);
    }
    if (!white) number++;
  }
}

void SearchEnded() {
  SearchRunning = false;
  // A move made during the search has its place in the history now: after the root position.
  for (int i = 0; i < RecordCount; i++)
    if (Record[i].HistoryLength < 0) Record[i].HistoryLength = MoveList.NumMoves;
  if (ResetPending) ResetGameHistory();
  else if (RecordPending) RecordGamePosition();
  ResetPending = RecordPending = false;
  if (TakeBackPending > 0 && TakeBackPending <= RecordCount) ApplyTakeBack(TakeBackPending);
  TakeBackPending = 0;
}

void ResetGameHistory() {
  RecordStartMoveNumber = CurrentMoveNumber();
  RecordCount = 0;
  if (SearchRunning) {
    ResetPending = true;
    TakeBackPending = 0;
    return;
  }
  MoveList.Init();
  RecordGamePosition();
}

void RecordGamePosition() {
  if (SearchRunning) {
    RecordPending = true;
    return;
  }
  uint64_t upper, lower;
  CurrentKeys(&upper, &lower);
  const int32_t before = MoveList.NumMoves;
  MoveList.InsertGamePosition(upper, lower, MainBoard.FiftyMoveCount, LegalEnPassantSquare(MainBoard));
  // A long game drops the entries no repetition can reach any more: the history lengths kept
  // for takebacks move down with the entries that stayed.
  const int32_t dropped = before + 1 - MoveList.NumMoves;
  if (dropped > 0)
    for (int i = 0; i < RecordCount; i++)
      if (Record[i].HistoryLength >= 0) Record[i].HistoryLength = std::max(Record[i].HistoryLength - dropped, 0);
}

int EarlierOccurrences() {
  if (MoveList.NumMoves <= 0) return 0;
  uint64_t upper, lower;
  CurrentKeys(&upper, &lower);
  // The window reaches back to the position right after the last capture or pawn move. A position
  // in which an en passant capture was possible is another position, though its keys are the same.
  const int found =
      MoveList.GameRepetitions(MainBoard.FiftyMoveCount + 1, upper, lower, LegalEnPassantSquare(MainBoard));
  return found > 0 ? found : 0;
}

void ResetForNewGame() {
  PositionCache.MakeResident();
  Search.ClearHistory();
  MainBoard.InitRep();
  MainBoard.FiftyMoveCount = 0;
  MainBoard.InitPieceCounts();
  MainStatus.initVars();
  ResetGameHistory();
  RecordStartMoveNumber = 1;
  GameResult = "*";
}

void ResetForPosition(const FenCounters& counters) {
  Search.ClearHistory();
  MainBoard.InitPieceCounts();
  MainBoard.FiftyMoveCount = counters.HalfMoveClock;
  // Half-moves played before the position, from 0 in the start position (move 1, White to move).
  MainStatus.GamePly = 2 * (counters.MoveNumber - 1) + (MainBoard.SideToMove == Black ? 1 : 0);
  MainStatus.GameInProgress = 1;
  ResetGameHistory();
  RecordStartMoveNumber = counters.MoveNumber > 0 ? counters.MoveNumber : 1;
  GameResult = "*";
}

void PlayGameMove(uint64_t from, uint64_t to, char promotion, bool countPly) {
  NoteMoveAbout(MainBoard);
  Record[RecordCount - 1].Move = {from, to, promotion};
  uint8_t castleMask = 15;
  MainBoard.MakeMove(from, to, promotion, castleMask);
  MainBoard.CastleFlags &= castleMask;
  MainBoard.SideToMove ^= 1;
  if (countPly) MainStatus.GamePly += 1;
  RecordGamePosition();
}

void PlayEngineMove(uint64_t from, uint64_t to, char promotion) {
  PlayGameMove(from, to, promotion);
  Record[RecordCount - 1].ByEngine = true;
}

void RecordedGame(PgnGame* game, PgnMove* moves) {
  game->Start = RecordCount > 0 ? Record[0].Board : MainBoard;
  game->HalfMoveClock = game->Start.FiftyMoveCount;
  game->MoveNumber = RecordStartMoveNumber;
  for (int i = 0; i < RecordCount; i++) moves[i] = Record[i].Move;
  game->Moves = moves;
  game->MoveCount = RecordCount;
}

bool RecordedByEngine(int i) { return i >= 0 && i < RecordCount && Record[i].ByEngine; }

void ShowBoard(const ChessBoard& board) {
  // A private copy with its counts taken from the bitboards: the value shown is that of the pieces
  // actually on the board, and the board itself is left alone.
  ChessBoard copy = board;
  copy.DisplayBoard();
  if (board.Chess960) {
    char castling[5];
    CastlingField(board, castling);
    std::printf(" Chess960, castling %s\n", castling);
  }
  // A person sees whose move it is, and the move that led here, rather than the evaluation.
  if (Protocol.Person) {
    char last[64] = "";
    if (RecordCount > 0) RecordedMovesText(RecordCount - 1, last, sizeof last);
    std::printf("\n %s to move, move %d%s%s%s\n", board.SideToMove == White ? "White" : "Black", CurrentMoveNumber(),
                *last ? " (last move " : "", last, *last ? ")" : "");
    std::fflush(stdout);
    return;
  }
  if (MainStatus.PEV == 1) return;
  copy.InitPieceCounts();
  std::printf("\n PosEval from White view %d\n", PE.PosEval(White, -110000, 110000, &copy, 0));
  std::fflush(stdout);
}

void NoteMoveAbout(const ChessBoard& before) {
  if (RecordCount == RecordCapacity) {
    if (Record[0].Board.SideToMove != White) RecordStartMoveNumber++;
    std::memmove(Record, Record + 1, (RecordCapacity - 1) * sizeof(TakenMove));
    RecordCount--;
  }
  Record[RecordCount++] = {before, MainStatus.GamePly, SearchRunning ? -1 : MoveList.NumMoves, {0, 0, NoPromotion},
                           false};
}

bool TakeBack(int plies) {
  if (plies <= 0 || plies > MovesToTakeBack()) return false;
  if (SearchRunning) TakeBackPending += plies;
  else ApplyTakeBack(plies);
  return true;
}

int MovesToTakeBack() { return RecordCount - TakeBackPending; }

void NotePrediction() {
  Predicted.Known = ExpectedReply(MainBoard, &Predicted.From, &Predicted.To, &Predicted.Promotion);
  CurrentKeys(&Predicted.Upper, &Predicted.Lower);
}

bool PredictedMove(uint64_t* from, uint64_t* to, char* promotion) {
  if (!Predicted.Known) return false;
  uint64_t upper, lower;
  const ChessBoard& position = Pondering ? PonderBase : MainBoard;
  genhashcode(position.SideToMove, position.CastleFlags, &upper, &lower, &position);
  if (upper != Predicted.Upper || lower != Predicted.Lower) return false;
  *from = Predicted.From;
  *to = Predicted.To;
  *promotion = Predicted.Promotion;
  return true;
}

void QueuePong(const char* number) {
  if (PongCount == PongSlots) SendPendingPongs();  // never drop one
  std::snprintf(Pongs[PongCount++], PongTextSize, "%s", number);
}

void SendPendingPongs() {
  for (int i = 0; i < PongCount; i++) std::printf("pong %s\n", Pongs[i]);
  if (PongCount) std::fflush(stdout);
  PongCount = 0;
}
