// The UCI front end.
//
// The engine has one thread, so while it thinks the search itself looks for input and hands each
// line to UCIPrep. The dispatcher's State tells the two situations apart: in WAITING it owns the
// conversation and reads lines itself; in the other states a search is running underneath, and
// only what can be done at once is done (isready, stop, ponderhit, quit). Commands that need the
// board or start a search wait in a small queue and run, in order, once "bestmove" has been sent.

#include "uci/uci_protocol.h"

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/bit_ops.h"
#include "board/fen.h"
#include "board/keys.h"
#include "board/log_file.h"
#include "board/masks.h"
#include "board/move_coordinates.h"
#include "eval/position_evaluate.h"
#include "game/engine_options.h"
#include "game/game_state.h"
#include "game/input.h"
#include "game/move_parse.h"
#include "game/status.h"
#include "game/strength.h"
#include "hash/pawn_hash.h"
#include "hash/transposition_table.h"
#include "movegen/move_gen.h"
#include "movegen/perft.h"
#include "search/search_control.h"
#include "search/search_limits.h"
#include "search/search_report.h"
#include "search/search_routines.h"
#include "search/threads.h"

UCIProtocol UCI;

namespace {

static_assert(sizeof EngineVersion == sizeof UCI.VersionText, "the version text has sixteen characters");
constexpr const char* AuthorText = "the Orvo developers";

// "go infinite" thinks for two weeks unless stopped.
constexpr int32_t InfiniteThinkingMs = 1209600000;
constexpr int32_t LargestNumber = 2147483647;
// The deepest fixed depth "go depth" accepts: the search runs at most this many iterations.
constexpr int32_t DeepestFixedDepth = 100;
// "go mate N" searches at most 2N + 1 plies deep; N is capped so that stays within the limit.
constexpr int32_t LongestMateSearched = (DeepestFixedDepth - 1) / 2;
// The deepest "go perft": depth 10 from the start already takes days.
constexpr int32_t DeepestPerft = 10;
// The speed guesses the dispatcher sets for analysis and for a new game, before any search has
// measured the real speed.
constexpr int32_t AnalysisNodesPerSecond = 800000;
constexpr int32_t NewGameNodesPerSecond = 800000;

// ---- Words of a command line -------------------------------------------------------------

size_t WordLength(const char* p) {
  size_t n = 0;
  while (p[n] && p[n] != ' ') n++;
  return n;
}

// Whether the word at p is exactly word.
bool WordIs(const char* p, const char* word) {
  const size_t n = strlen(word);
  return strncmp(p, word, n) == 0 && (p[n] == ' ' || p[n] == '\0');
}

const char* NextWord(const char* p) {
  p += WordLength(p);
  while (*p == ' ') p++;
  return p;
}

// The text after the first word of line equal to key (its next word, or the end of the line),
// or nullptr when no word of line is key.
const char* AfterWord(const char* line, const char* key) {
  for (const char* p = line; *p; p = NextWord(p))
    if (WordIs(p, key)) return NextWord(p);
  return nullptr;
}

// The number after the word key (0 when there is none; a minus sign gives 0 too, as a clock
// that has run out). Large numbers are capped.
int32_t NumberAfter(const char* line, const char* key, int32_t cap = LargestNumber) {
  return LeadingNumber(AfterWord(line, key), cap);
}

// Copies the words from p up to the word stop (or the end of the line) into out, one space
// between words. Returns false when they did not all fit (out then holds those that did).
bool CopyWordsUntil(const char* p, const char* stop, char* out, size_t size) {
  size_t n = 0;
  for (; *p && !WordIs(p, stop); p = NextWord(p)) {
    const size_t len = WordLength(p);
    if (n + (n > 0) + len + 1 > size) break;
    if (n > 0) out[n++] = ' ';
    memcpy(out + n, p, len);
    n += len;
  }
  out[n] = '\0';
  return !*p || WordIs(p, stop);
}

// Copies text into the command buffer with tabs and carriage returns turned into spaces and the
// spaces at both ends removed (text may be the buffer itself). Returns false when the text did
// not fit.
bool StoreCommand(char* buffer, const char* text) {
  while (*text == ' ' || *text == '\t' || *text == '\r' || *text == '\n') text++;
  size_t n = 0;
  for (; text[n] && n + 1 < static_cast<size_t>(UCICommandSize); n++) {
    const char c = text[n];
    buffer[n] = (c == '\t' || c == '\r' || c == '\n') ? ' ' : c;
  }
  const bool complete = text[n] == '\0';
  while (n > 0 && buffer[n - 1] == ' ') n--;
  buffer[n] = '\0';
  return complete;
}

// Reads the move word at p as a legal move of MainBoard's side to move; false for any other word.
bool LegalMoveWord(const char* p, uint64_t* from, uint64_t* to, char* promotion) {
  char word[8];
  const size_t len = WordLength(p);
  if (len >= sizeof word) return false;
  memcpy(word, p, len);
  word[len] = '\0';
  return ParseLegalMove(MainBoard, word, from, to, promotion);
}

// The start of the word at p for a message: at most twelve characters, "..." when cut.
void ShownWord(const char* p, char* out, size_t size) {
  const size_t len = WordLength(p);
  snprintf(out, size, "%.*s%s", static_cast<int>(len < 12 ? len : 12), p, len > 12 ? "..." : "");
}

// ---- Output ------------------------------------------------------------------------------

void Send(const char* line) {
  fputs(line, stdout);
  fputc('\n', stdout);
  fflush(stdout);
}

// Texts may quote what the GUI sent; its control bytes are never echoed.
void SendInfoString(const char* text) {
  char shown[512];
  PrintableExcerpt(shown, sizeof shown, text, sizeof shown - 4);
  printf("info string %s\n", shown);
  fflush(stdout);
  LogPrintf("Sent info string %s", shown);
}

// Tells the GUI that the word at p was refused: format shows the word (%s) and may show count (%d).
void RefuseWord(const char* p, const char* format, int count = 0) {
  char shown[20];
  ShownWord(p, shown, sizeof shown);
  char text[200];
  snprintf(text, sizeof text, format, shown, count);
  SendInfoString(text);
}

// One option as "uci" lists it: its type, the default (UCI's "<empty>" for an empty text) and
// the range of a spin.
void PrintOption(const EngineOption& option) {
  const int32_t number = option.Default ? option.Default() : option.Number ? option.Number() : 0;
  const char* text = option.Text ? option.Text() : "";
  switch (option.Type) {
    case OptionType::Check:
      printf("option name %s type check default %s\n", option.Name, number ? "true" : "false");
      break;
    case OptionType::Spin:
      printf("option name %s type spin default %d min %d max %d\n", option.Name, number, option.Min, option.Max);
      break;
    case OptionType::File:
    case OptionType::String:
      printf("option name %s type string default %s\n", option.Name, *text ? text : "<empty>");
      break;
    case OptionType::Button:
      printf("option name %s type button\n", option.Name);
      break;
  }
}

// ---- Positions ---------------------------------------------------------------------------

// Finds some legal move of the position, for the rare case that the search reports none.
bool FirstLegalMove(const ChessBoard& board, uint64_t* from, uint64_t* to, char* promotion) {
  const uint64_t own = board.SideToMove ? board.BlackPieces : board.WhitePieces;
  for (uint64_t pieces = own; pieces; pieces &= pieces - 1) {
    const int f = LowestSquare(pieces);
    for (int t = 0; t < 64; t++) {
      char text[6];
      *PutMoveCoordinates(text, f, t, 0) = '\0';
      if (ParseLegalMove(board, text, from, to, promotion)) return true;
    }
  }
  return false;
}

// The reply the search expects to the best move, as move text, if its variation has one that is legal.
bool ReplyText(const ChessBoard& root, uint64_t from, uint64_t to, char promotion, char* text) {
  ChessBoard after = root;
  uint8_t castleMask = 15;
  after.MakeMove(from, to, promotion, castleMask);
  after.CastleFlags &= castleMask;
  after.SideToMove = after.SideToMove ? White : Black;
  uint64_t f, t;
  char p;
  if (!ExpectedReply(after, &f, &t, &p)) return false;
  *PutMoveCoordinates(text, LowestSquare(f), LowestSquare(t), p) = '\0';
  return true;
}

// The search hears the GUI through these while it thinks: every line is handed to the
// dispatcher, which answers at once what it can and keeps the rest for after "bestmove".
bool CommandWaiting() { return InputWaiting(); }

const char* CommandWhileThinking() {
  const uint8_t result = UCI.ReadCommand() ? UCI.UCICore() : 1;
  return result == 2 || result == 3 ? "" : nullptr;
}

}  // namespace

// ---- The dispatcher ----------------------------------------------------------------------

UCIProtocol::UCIProtocol() {
  memset(static_cast<void*>(this), 0, sizeof(*this));
  memcpy(VersionText, EngineVersion, sizeof VersionText);
  KeepRunning = 1;
}

void UCIProtocol::Listen() { InstallCommandSource({CommandWaiting, CommandWhileThinking}); }

uint8_t UCIProtocol::UCIPrep(const char* text) {
  Listen();
  const bool complete = StoreCommand(CommandBuffer, text ? text : "");
  AcceptCommand(complete);
  return UCICore();
}

uint8_t UCIProtocol::UCICore() {
  for (;;) {
    const uint8_t result = DispatchAndCatchUp();
    if (result != 0) return result;
    // Waiting: the next line from the GUI (at the end of input this reads "quit").
    while (!ReadCommand()) {
    }
  }
}

// Every line from the GUI comes in here, whatever the state: waiting, during a search, or
// waiting for "stop" after one.
bool UCIProtocol::ReadCommand() {
  if (ReadLine(CommandBuffer, sizeof CommandBuffer) == InputResult::TooLong) {
    // Nothing of an over-long line is carried out; a GUI that sent a position must know that
    // the engine still has the previous one.
    const bool position = WordIs(CommandBuffer, "position");
    ReportTooLong(CommandBuffer, sizeof CommandBuffer, position ? "the previous position is kept" : "ignored");
    CommandBuffer[0] = '\0';
    return false;
  }
  AcceptCommand(StoreCommand(CommandBuffer, CommandBuffer));  // tidied in place
  return true;
}

// Logs the command just stored; a line cut short by the buffer is refused rather than half done.
void UCIProtocol::AcceptCommand(bool complete) {
  WriteLogFile(CommandBuffer);
  if (!complete) {
    SendInfoString("Command line too long; ignored");
    CommandBuffer[0] = '\0';
  }
}

// Dispatches the command, then (once no search runs) the commands deferred while it ran.
uint8_t UCIProtocol::DispatchAndCatchUp() {
  uint8_t result = Dispatch();
  while (result == 0 && TakePending()) result = Dispatch();
  return result;
}

uint8_t UCIProtocol::Dispatch() {
  const char* cmd = CommandBuffer;
  if (State != WAITING) return DispatchDuringSearch(cmd);

  if (WordIs(cmd, "uci")) {
    Identify();
  } else if (WordIs(cmd, "isready")) {
    // The GUI waits for the answer before it starts a clock: the moment to fault the table in.
    PositionCache.MakeResident();
    Send("readyok");
    WriteLogFile("Sent readyok\n");
  } else if (WordIs(cmd, "position")) {
    Position();
  } else if (WordIs(cmd, "go") && WordIs(NextWord(cmd), "perft")) {
    GoPerft();
  } else if (WordIs(cmd, "go")) {
    Go();
  } else if (WordIs(cmd, "d")) {
    ShowPosition();
  } else if (WordIs(cmd, "eval")) {
    PrintEvaluation(MainBoard);
    WriteLogFile("Sent the static evaluation\n");
  } else if (WordIs(cmd, "OrvoSearchFinished")) {
    WriteLogFile("Received the OrvoSearchFinished message - a search has finished\n");
    WriteLogFile("===========================================================\n");
    State = WAITING;
  } else if (WordIs(cmd, "ucinewgame")) {
    NewGame();
  } else if (WordIs(cmd, "setoption")) {
    SetOption();
  } else if (WordIs(cmd, "quit")) {
    Quit();
  } else if (*cmd) {
    // "stop" and "ponderhit" with no search running, "debug", "register" and anything unknown.
    WriteLogFile("Ignored: no action for this command while waiting\n");
  }
  CommandBuffer[0] = '\0';
  return 0;
}

// A line that arrives while a search runs (from the search's input poll, or while a finished
// ponder or infinite search waits for its "stop").
uint8_t UCIProtocol::DispatchDuringSearch(const char* cmd) {
  if (WordIs(cmd, "isready")) {
    Send("readyok");
    WriteLogFile("Sent readyok\n");
  } else if (WordIs(cmd, "stop")) {
    EndSearch();
  } else if (WordIs(cmd, "ponderhit")) {
    if (State == PONDERING) {
      // The opponent played the expected move: the search goes on, now on the clock, and ends
      // as a timed search does (also when it has already searched everything there is).
      State = SEARCHING;
      Search.PonderHit();
      WriteLogFile("Received ponderhit\n");
    }
  } else if (WordIs(cmd, "quit")) {
    Quit();
  } else if (WordIs(cmd, "ucinewgame")) {
    EndSearch();
    WriteLogFile("Received ucinewgame while doing something other than WAITING\n");
    Defer();
  } else if (WordIs(cmd, "position") || WordIs(cmd, "go") || WordIs(cmd, "setoption") || WordIs(cmd, "uci") ||
             WordIs(cmd, "d") || WordIs(cmd, "eval")) {
    Defer();
  }
  CommandBuffer[0] = '\0';
  WriteLogFile("State != WAITING so returning 1\n");
  return 1;
}

// Ends the running search the way a time-out does: the search unwinds, its best move so far is
// played and sent with "bestmove".
void UCIProtocol::EndSearch() {
  Search.MoveNow = true;
  Search.StopNow = true;
  Search.TimeUp = true;
  if (State == PONDERING || State == INFINITE) {
    Search.Limits.Infinite = Search.Limits.Ponder = false;
    WriteLogFile("Received stop and Aborting Ponder\n");
  } else {
    WriteLogFile("Received stop\n");
  }
  State = SEARCHING;
}

void UCIProtocol::Defer() {
  if (PendingCount >= UCIPendingSlots) {
    SendInfoString("Too many commands during the search; this one is dropped");
    return;
  }
  memcpy(Pending[PendingCount++], CommandBuffer, sizeof CommandBuffer);
  WriteLogFile("Deferred until the search is over\n");
}

bool UCIProtocol::TakePending() {
  if (PendingCount == 0 || State != WAITING) return false;
  memcpy(CommandBuffer, Pending[0], sizeof CommandBuffer);
  PendingCount--;
  memmove(Pending[0], Pending[1], static_cast<size_t>(PendingCount) * sizeof Pending[0]);
  WriteLogFile("Carrying out a deferred command:");
  WriteLogFile(CommandBuffer);
  return true;
}

void UCIProtocol::Identify() {
  printf("id name Orvo %s\n", VersionText);
  printf("id author %s\n", AuthorText);
  for (int i = 0; i < EngineOptionCount; i++)
    if (EngineOptions[i].OfferedTo & OfferedToUci) PrintOption(EngineOptions[i]);
  printf("uciok\n");
  fflush(stdout);
  WriteLogFile("Sent uciok\n");
  State = WAITING;
  // The book is in use as OwnBook's default says, until the GUI sets OwnBook.
  MainStatus.UseBook = FindEngineOption("OwnBook", OfferedToUci)->Default() ? 1 : 0;
}

void UCIProtocol::Quit() {
  fflush(stdout);
  CloseLogFile();
  KeepRunning = 0;
  MainStatus.PlayAgain = 0;
  MainStatus.GameInProgress = 0;
  exit(0);
}

void UCIProtocol::NewGame() {
  ClearPawnHash();
  ClearHelperPawnHashes();
  PositionCache.ClearTranspositionTables();
  ResetForNewGame();
  // Ponder stays as the GUI set it: GUIs send setoption once and ucinewgame before every game.
  // The killers start empty, so that a fixed-node search of a new game repeats exactly.
  memset(Search.Killers, 0, sizeof Search.Killers);
  State = WAITING;
  SeedNodesPerSecond(NewGameNodesPerSecond);
  WriteLogFile("Processing ucinewgame\n");
}

// "setoption name <name> [value <value>]"; option names are matched without regard to case.
void UCIProtocol::SetOption() {
  const char* p = AfterWord(CommandBuffer, "name");
  if (p == nullptr) {
    SendInfoString("setoption needs a name");
    return;
  }
  char name[128];
  CopyWordsUntil(p, "value", name, sizeof name);
  const EngineOption* option = FindEngineOption(name, OfferedToUci);
  if (option == nullptr) {
    char text[200];
    snprintf(text, sizeof text, "No such option: %s", name);
    SendInfoString(text);
    return;
  }
  if (const char* reason = SetEngineOption(*option, AfterWord(CommandBuffer, "value")))
    SendInfoString(reason);
  else if (option->Note != nullptr)
    SendInfoString(option->Note());
}

// "position startpos|fen <fen> [moves <m1> <m2> ...]"
void UCIProtocol::Position() {
  const char* setup = NextWord(CommandBuffer);
  const char* moves = AfterWord(setup, "moves");
  FenCounters counters{0, 1};
  if (WordIs(setup, "startpos")) {
    MainBoard.InitRep();
  } else if (WordIs(setup, "fen")) {
    // The FEN is everything between "fen" and "moves" (or the end of the line).
    char fen[256];
    if (!CopyWordsUntil(NextWord(setup), "moves", fen, sizeof fen)) {
      char text[100];
      snprintf(text, sizeof text, "Invalid FEN (longer than %zu characters); the previous position is kept",
               sizeof fen - 1);
      SendInfoString(text);
      return;
    }
    WriteLogFile(fen);
    const ChessBoard previous = MainBoard;
    MainBoard.InitRep();
    // The half-move clock goes on from the FEN's, so the fifty-move rule and the repetition
    // window count the moves made before the position too.
    if (const char* reason = ReadFen(fen, &counters)) {
      MainBoard = previous;
      char text[300];
      snprintf(text, sizeof text, "Invalid FEN (%s); the previous position is kept", reason);
      SendInfoString(text);
      return;
    }
  } else {
    SendInfoString("position needs startpos or fen; ignored");
    return;
  }
  // The settings a position resets; those of "go" and "setoption" stay.
  MainStatus.initVars();
  ResetForPosition(counters);
  ProcessMoves(moves ? moves : "");
}

int32_t UCIProtocol::ProcessMoves(const char* text) {
  int32_t count = 0;
  while (*text == ' ') text++;
  for (const char* p = text; *p; p = NextWord(p)) {
    uint64_t from = 0, to = 0;
    char promotion = NoPromotion;
    if (!LegalMoveWord(p, &from, &to, &promotion)) {
      RefuseWord(p, "Illegal move %s refused; %d moves applied, the rest of the list is ignored", count);
      break;
    }
    PlayGameMove(from, to, promotion);
    count++;
  }
  return count;
}

// "go searchmoves m1 m2 ...": the moves listed, up to the next word of the go command, are the only
// root moves searched. Moves that are not legal here are reported and left out; with no legal
// one listed every move is searched. list is the text after "searchmoves", or nullptr.
static void ReadSearchMoves(const char* list) {
  static const char* const GoWords[] = {"ponder", "wtime", "btime", "winc", "binc", "movestogo", "depth",
                                        "nodes", "mate", "movetime", "infinite", "searchmoves"};
  Search.RootIncludedCount = 0;
  if (list == nullptr) return;
  int listed = 0;
  for (const char* p = list; *p; p = NextWord(p)) {
    bool goWord = false;
    for (const char* word : GoWords) goWord = goWord || WordIs(p, word);
    if (goWord) break;
    listed++;
    uint64_t from = 0, to = 0;
    char promotion = NoPromotion;
    if (!LegalMoveWord(p, &from, &to, &promotion)) {
      RefuseWord(p, "searchmoves: %s is not a legal move here; left out");
      continue;
    }
    const uint16_t code = MoveCode(LowestSquare(from), LowestSquare(to));
    bool known = false;
    for (int i = 0; i < Search.RootIncludedCount; i++) known = known || Search.RootIncluded[i] == code;
    if (!known && Search.RootIncludedCount < MaxRootMoves) Search.RootIncluded[Search.RootIncludedCount++] = code;
  }
  if (Search.RootIncludedCount == 0)
    SendInfoString(listed == 0 ? "searchmoves lists no move; every move is searched"
                               : "searchmoves lists no legal move; every move is searched");
}

// "go" with its limits: wtime btime winc binc movestogo depth movetime infinite ponder
// searchmoves.
void UCIProtocol::Go() {
  const char* cmd = CommandBuffer;
  Status& s = MainStatus;
  State = SEARCHING;

  const bool mimic = strstr(cmd, "Mimic") != nullptr;
  if (strstr(cmd, "Mimic Student")) {
    s.Mimic = 1;
    printf("Mimic info Student ");
    fflush(stdout);
    MainBoard.InitPieceCounts();
    PE.PosEval(MainBoard.SideToMove, -110000, 110000, &MainBoard, static_cast<char>(MainBoard.CastleFlags));
  }
  if (strstr(cmd, "Mimic Oracle")) {
    s.Mimic = 2;
    MainBoard.InitPieceCounts();
    const int value =
        PE.PosEval(MainBoard.SideToMove, -110000, 110000, &MainBoard, static_cast<char>(MainBoard.CastleFlags));
    printf("Mimic info Oracle %d\n", value);
    fflush(stdout);
  }

  const bool ponder = AfterWord(cmd, "ponder") != nullptr;
  const bool white = MainBoard.SideToMove == White;
  const char* clock = white ? "wtime" : "btime";
  const char* increment = white ? "winc" : "binc";
  const bool nodes = AfterWord(cmd, "nodes") != nullptr;
  const bool mate = AfterWord(cmd, "mate") != nullptr;
  const bool depth = AfterWord(cmd, "depth") != nullptr && NumberAfter(cmd, "depth") > 0;
  const bool timed = AfterWord(cmd, "wtime") || AfterWord(cmd, "btime") || AfterWord(cmd, "movetime") ||
                     AfterWord(cmd, "movestogo") || AfterWord(cmd, "winc") || AfterWord(cmd, "binc");
  // A plain "go" (or "go depth 0") has no limit at all: it thinks until "stop", as "infinite".
  const bool infinite = AfterWord(cmd, "infinite") != nullptr || (!ponder && !nodes && !mate && !depth && !timed);

  SearchLimits limits;
  if (nodes) limits.Nodes = std::max<int64_t>(NumberAfter(cmd, "nodes"), 1);
  if (mate) {
    const int32_t moves = NumberAfter(cmd, "mate");
    limits.Mate = moves < 1 ? 1 : (moves > LongestMateSearched ? LongestMateSearched : moves);
    limits.Depth = 2 * limits.Mate + 1;
  }
  if (infinite) {
    limits.Infinite = true;
    limits.ST = InfiniteThinkingMs;
    State = INFINITE;
    SeedNodesPerSecond(AnalysisNodesPerSecond);
  }
  ReadSearchMoves(AfterWord(cmd, "searchmoves"));
  if (AfterWord(cmd, clock)) limits.TimeLeft = NumberAfter(cmd, clock);
  if (AfterWord(cmd, increment)) limits.TimeIncMs = NumberAfter(cmd, increment);
  if (AfterWord(cmd, "movestogo")) limits.MovesPerSession = NumberAfter(cmd, "movestogo");
  if (depth) limits.Depth = limits.FD = static_cast<int8_t>(NumberAfter(cmd, "depth", DeepestFixedDepth));
  if (AfterWord(cmd, "movetime")) {
    limits.ST = NumberAfter(cmd, "movetime");
    const int64_t left = static_cast<int64_t>(limits.ST) * 60;
    limits.TimeLeft = static_cast<int32_t>(left < LargestNumber ? left : LargestNumber);
  }
  // Only a ponder search ignores the clock, and only "go infinite" is an endless analysis
  // (whatever UCI_AnalyseMode said): every other search ends by itself.
  if (ponder) {
    limits.Ponder = true;
    State = PONDERING;
  }
  limits.GamePly = s.GamePly;
  limits.UseBook = s.UseBook == 1;
  Strength.LimitSearch(limits);
  SetSearchLimits(limits);
  LogPrintf("MovesPerSession %d TimeLeft %d TimeInc %d ST %d FD %d\n", limits.MovesPerSession, limits.TimeLeft,
            limits.TimeIncMs / 1000, limits.ST, limits.FD);

  if (!mimic) {
    // The search leaves the board as it is: the GUI's position stays the one to search until the
    // next "position" command.
    const bool canMove = CountLegalMoves(MainBoard) > 0;
    SearchResult result;
    if (canMove) result = Strength.ChooseMove(MainBoard, Search.ProgressiveDeepening(MainBoard));
    // An analysis or ponder search that has finished on its own waits for "stop" or "ponderhit".
    WaitForStop();
    SendBestMove(MainBoard, canMove, result);
  }
  Search.RootIncludedCount = 0;
  State = WAITING;
  StoreCommand(CommandBuffer, "OrvoSearchFinished");
  Dispatch();
}

// "go perft N": the perft count of the position below each legal move, then their sum. Nothing
// is searched and the position and game history stay as they are; no "bestmove" follows.
void UCIProtocol::GoPerft() {
  const char* number = AfterWord(CommandBuffer, "perft");
  int32_t depth = number && isdigit(static_cast<unsigned char>(*number)) ? LeadingNumber(number, LargestNumber) : 0;
  if (depth < 1) {
    SendInfoString("go perft needs a depth of at least 1");
    return;
  }
  if (depth > DeepestPerft) {
    char text[80];
    snprintf(text, sizeof text, "go perft %d is too deep; counting depth %d", depth, DeepestPerft);
    SendInfoString(text);
    depth = DeepestPerft;
  }
  PerftRootMove moves[MaxMoves];
  const int n = PerfT::Divide(MainBoard, depth, moves);
  uint64_t total = 0;
  for (int i = 0; i < n; i++) {
    char text[6];
    *PutMoveCoordinates(text, LowestSquare(moves[i].From), LowestSquare(moves[i].To), moves[i].Promotion) = '\0';
    printf("%s: %" PRIu64 "\n", text, moves[i].Leaves);
    total += moves[i].Leaves;
  }
  printf("\nNodes searched: %" PRIu64 "\n", total);
  fflush(stdout);
  LogPrintf("Sent perft %d: %" PRIu64 " nodes\n", depth, total);
}

// "d": the board diagram, the FEN of the position and its key pair, as plain lines.
void UCIProtocol::ShowPosition() {
  ShowBoard(MainBoard);
  char fen[128];
  WriteFen(MainBoard, LegalEnPassantSquare(MainBoard), MainBoard.FiftyMoveCount, MainStatus.GamePly / 2 + 1, fen);
  uint64_t upper = 0, lower = 0;
  genhashcode(MainBoard.SideToMove, MainBoard.CastleFlags, &upper, &lower, &MainBoard);
  printf("Fen: %s\nKey: %016" PRIX64 " %016" PRIX64 "\n", fen, upper, lower);
  fflush(stdout);
  WriteLogFile("Sent the position\n");
}

void UCIProtocol::WaitForStop() {
  while (State == PONDERING || State == INFINITE)
    if (ReadCommand()) DispatchDuringSearch(CommandBuffer);
}

void UCIProtocol::SendBestMove(const ChessBoard& root, bool canMove, const SearchResult& result) {
  if (!canMove) {
    // Mate or stalemate on the board: there is no move to send, only the score of the end.
    Send(root.SideToMoveInCheck() ? "info depth 0 score mate 0" : "info depth 0 score cp 0");
    Send("bestmove 0000");
    State = WAITING;
    WriteLogFile("Sent bestmove ");
    WriteLogFile(" 0000");
    WriteLogFile("\n");
    return;
  }
  // The move the search chose, as a legal move of the root; the first legal move should the
  // search have named none.
  ChessBoard board = root;
  uint64_t from = 0, to = 0;
  char promotion = NoPromotion;
  int score = result.Score;
  const PVEntry chosen{MoveCode(LowestSquare(result.From), LowestSquare(result.To)), result.Promotion};
  if (!(result.From && result.To &&
        FindLegalMove(board, board.SideToMove ? Black : White, board.CastleFlags, chosen, &from, &to, &promotion))) {
    WriteLogFile("The search named no legal move; sending the first legal move instead\n");
    FirstLegalMove(root, &from, &to, &promotion);
    score = 0;
  }
  PromotionChar = static_cast<int8_t>(PromotionLetter(promotion));
  char move[6];
  *PutMoveCoordinates(move, LowestSquare(from), LowestSquare(to), promotion) = '\0';
  char text[64];
  char reply[6];
  if (PonderOption && ReplyText(root, from, to, promotion, reply))
    snprintf(text, sizeof text, " %s ponder %s", move, reply);
  else
    snprintf(text, sizeof text, " %s", move);
  printf("info score %s\n", UciScoreText(score));
  printf("bestmove%s\n", text);
  fflush(stdout);
  State = WAITING;
  WriteLogFile("Sent bestmove ");
  WriteLogFile(text);
  WriteLogFile("\n");
}
