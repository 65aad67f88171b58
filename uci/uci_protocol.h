#pragma once
// The UCI front end: reads command lines, keeps the conversation's state, sets up positions,
// starts searches and answers with "bestmove". The search re-enters it with every line that
// arrives while the engine thinks.

#include <cstdint>

#include "board/chess_board.h"
#include "game/input.h"
#include "search/search_routines.h"

enum UCIState : uint8_t { WAITING = 0, SEARCHING = 1, PONDERING = 2, INFINITE = 3 };

// Size of a command line, terminating NUL included. Longer lines are refused.
constexpr int UCICommandSize = static_cast<int>(InputLineSize);
// Lines that arrive during a search and can only be carried out after it (position, go,
// setoption, ucinewgame, uci) wait in a queue of this many slots.
constexpr int UCIPendingSlots = 8;

class UCIProtocol {
public:
  char CommandBuffer[UCICommandSize];
  int8_t PromotionChar;  // the promotion letter of the last best move sent, 0 for none
  uint8_t State;         // a UCIState
  char VersionText[17];
  int8_t KeepRunning;    // 1 until "quit"

  // Lines deferred until the running search is over, oldest first.
  char Pending[UCIPendingSlots][UCICommandSize];
  int32_t PendingCount;

  UCIProtocol();
  // Makes this front end the one the search hands the commands that arrive while it thinks.
  void Listen();
  // Dispatches text as a command line. Called once by the match loop with the first input word
  // (and then reads and dispatches lines until "quit"), and by the search with each line that
  // arrives while it thinks: the result is then 1, carry on (2 would abort the search; "stop"
  // ends it through Search.MoveNow instead, so that the best move found is played).
  uint8_t UCIPrep(const char* text);
  // Dispatches CommandBuffer; in state WAITING keeps reading and dispatching lines.
  uint8_t UCICore();
  // Reads the next line from standard input into CommandBuffer and logs it. An over-long line
  // is refused (the GUI is told) and false returned: there is nothing to dispatch.
  bool ReadCommand();
  // Plays a list of move texts ("e2e4 e7e5 e1g1 e7e8q") on the game position, whose game record
  // starts with it. Stops at the first text that is malformed or not a legal move, with an
  // "info string" naming it. Returns the number of moves played.
  int32_t ProcessMoves(const char* text);

  // Steps of the dispatcher.
  void AcceptCommand(bool complete);
  uint8_t DispatchAndCatchUp();
  uint8_t Dispatch();
  uint8_t DispatchDuringSearch(const char* word);
  void Identify();
  void Position();
  void Go();
  void GoPerft();
  void ShowPosition();
  void NewGame();
  void SetOption();
  [[noreturn]] void Quit();
  void EndSearch();
  void Defer();
  bool TakePending();
  void WaitForStop();
  // canMove: the root position has a legal move (counted once per "go").
  void SendBestMove(const ChessBoard& root, bool canMove, const SearchResult& result);
};

extern UCIProtocol UCI;
