// The xboard and console command interpreter: one word at a time, from the opponent's turn or
// from the search's input polling while the engine thinks.

#include "search/time_budget.h"
#include "xboard/commands.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/bit_ops.h"
#include "board/chess_board.h"
#include "board/fen.h"
#include "board/log_file.h"
#include "board/masks.h"
#include "book/polyglot_book.h"
#include "shell/command_line.h"
#include "xboard/console.h"
#include "game/engine_options.h"
#include "xboard/game_loop.h"
#include "game/game_state.h"
#include "game/input.h"
#include "game/move_parse.h"
#include "game/move_text.h"
#include "game/san.h"
#include "game/status.h"
#include "game/strength.h"
#include "hash/move_history.h"
#include "hash/transposition_table.h"
#include "movegen/move_gen.h"
#include "movegen/see.h"
#include "search/search_control.h"
#include "search/search_report.h"
#include "search/search_routines.h"
#include "search/threads.h"
#include "uci/uci_protocol.h"

namespace {

constexpr int WordSize = static_cast<int>(InputWordSize);
constexpr int LineSize = 1024;
// Two weeks in milliseconds: the time per move while analysing without a set time.
constexpr int32_t AnalysisTime = 1209600000;
// Largest clock value kept, in milliseconds (about 23 days): the time arithmetic stays in 32 bits.
constexpr double MaxClockMs = 2000000000.0;

// The opponent's move accepted by DoCommand, made by HumanMove.
uint64_t PendingFrom = 0;
uint64_t PendingTo = 0;
char PendingPromotion = NoPromotion;

// The fixed time per move in force before "analyze" replaced it.
int32_t TimeBeforeAnalysis = 0;

// A word that ended a ponder search: HumanMove takes it up again once the real game position is
// back on the board. Its arguments are still waiting in the input.
char ReplayWord[WordSize] = "";

// The commands a ponder search answers without stopping: they neither need nor change the game
// position. Every other word ends the ponder search and is carried out afterwards.
constexpr const char* AnsweredWhilePondering[] = {
    ".",      "?",        "ClearGameInfo", "InitGameInfo", "accepted", "beep",   "bk",    "bogus",
    "computer", "draw",   "hard",          "hint",         "ics",      "level",  "name",  "nopost",
    "otim",   "ping",     "post",          "random",       "rating",   "rejected", "sd",  "st",
    "time",   "usermove",
};

bool AnsweredWhilePonderingWord(const char* word) {
  for (const char* name : AnsweredWhilePondering)
    if (strcmp(word, name) == 0) return true;
  return false;
}

void Flush() { fflush(stdout); }

// The command word DoCommand is running, for the message about a missing argument.
const char* RunningCommand = "";

// A person at the console, not a GUI: the console reads a command's arguments from its own line
// only, accepts algebraic notation and redraws the board after a change of position.
bool AtConsole() { return !Protocol.XboardMode; }

// At the console a command typed without its argument is refused by name, and the next line is
// a command of its own.
void ReportMissingArgument() {
  const char* usage = ConsoleUsage(RunningCommand);
  char shown[64];
  PrintableExcerpt(shown, sizeof shown, RunningCommand);
  if (usage) printf("%s needs its argument: %s\n", shown, usage);
  else printf("%s needs an argument\n", shown);
  Flush();
}

// An error in the protocol's own form; the console reads the same text. What the opponent sent
// is shown without its control bytes.
void ReportError(const char* kind, const char* text) {
  char shownKind[160], shownText[160];
  PrintableExcerpt(shownKind, sizeof shownKind, kind, 120);
  PrintableExcerpt(shownText, sizeof shownText, text, 120);
  printf("Error (%s): %s\n", shownKind, shownText);
  Flush();
  LogPrintf("Error (%s): %s", shownKind, shownText);
}

// Reads the next word of a command. An over-long word is refused, and so is its command.
bool ReadArgument(char* word, size_t size) {
  if (AtConsole() && !WordFollowsOnLine()) {
    ReportMissingArgument();
    return false;
  }
  if (ReadWord(word, size) != InputResult::TooLong) return true;
  ReportTooLong(word, size, "command ignored");
  return false;
}

// Reads the rest of the command's line into line and returns it without the blanks at its ends; an
// over-long line is refused (nullptr), with the consequence named.
const char* ReadArgumentLine(char* line, size_t size, const char* consequence) {
  if (ReadLine(line, size) == InputResult::TooLong) {
    ReportTooLong(line, size, consequence);
    return nullptr;
  }
  while (*line == ' ' || *line == '\t') line++;
  for (size_t n = strlen(line); n > 0 && (line[n - 1] == ' ' || line[n - 1] == '\t'); n--) line[n - 1] = '\0';
  if (AtConsole() && *line == '\0') {
    ReportMissingArgument();
    return nullptr;
  }
  return line;
}

int32_t ClampMs(double ms) {
  if (!(ms >= 0)) return 0;  // negative, or not a number at all
  if (ms > MaxClockMs) return static_cast<int32_t>(MaxClockMs);
  return static_cast<int32_t>(ms);
}

// Reads a word and converts it as a decimal number; 0 when it holds none. False when the word
// was refused as too long.
bool ReadNumber(double* value) {
  char word[WordSize];
  if (!ReadArgument(word, sizeof word)) return false;
  const double v = strtod(word, nullptr);
  *value = v == v ? v : 0;  // NaN counts as 0
  return true;
}

// A square from a word: a decimal index 0..63 when numbered, else a name such as "e4" (exactly
// two characters). -1 when the word is no square.
int ParseSquare(const char* text, bool numbered) {
  if (!numbered) {
    if (text[0] < 'a' || text[0] > 'h' || text[1] < '1' || text[1] > '8' || text[2] != '\0') return -1;
    return (text[0] - 'a') + 8 * (text[1] - '1');
  }
  char* end = nullptr;
  errno = 0;
  const long v = strtol(text, &end, 10);
  if (end == text || *end != '\0' || errno != 0 || v < 0 || v > 63) return -1;
  return static_cast<int>(v);
}

// A command that replaces the position or the side to move stops a running search, whose
// move would belong to the old position.
uint8_t PositionChanged() {
  if (!SearchRunning) return CmdHandled;
  PositionReplaced = true;
  return CmdStop;
}

void LeaveAnalysis() {
  Protocol.Post = 0;
  MainStatus.AnalyzeMode = 0;
  MainStatus.ST = TimeBeforeAnalysis;
}

// A move text arriving while the engine searches. In analysis the move is played and the
// analysis starts again from the new position; otherwise it is not the opponent's turn.
uint8_t MoveDuringSearch(const char* word) {
  if (!MainStatus.AnalyzeMode) {
    ReportError("not your turn", word);
    return CmdHandled;
  }
  PlayGameMove(PendingFrom, PendingTo, PendingPromotion);
  MainStatus.HumanToMove = 0;
  PositionReplaced = true;
  return CmdStop;
}

// Ends a ponder search: nothing of it is played, and the word (when there is one) is carried
// out once the game position is back.
uint8_t StopPondering(const char* word) {
  snprintf(ReplayWord, sizeof ReplayWord, "%s", word ? word : "");
  Pondering = false;
  PonderMissed = true;
  Search.Limits.Ponder = false;
  PositionReplaced = true;
  return CmdStop;
}

// The opponent's move during a ponder search: the predicted move turns the search into the
// engine's own; any other ends it.
uint8_t MoveWhilePondering(const char* word) {
  uint64_t from, to, predictedFrom, predictedTo;
  char promotion, predictedPromotion;
  if (ParseLegalMove(PonderBase, word, &from, &to, &promotion) &&
      PredictedMove(&predictedFrom, &predictedTo, &predictedPromotion) && from == predictedFrom &&
      to == predictedTo && promotion == predictedPromotion) {
    LogPrintf("Ponder hit: %s", word);
    Pondering = false;
    // The GUI sends the clock ("time") before the move: the move is planned on that.
    Search.Limits.TimeLeft = MainStatus.TimeLeft;
    Search.PonderHit();
    return CmdHandled;
  }
  return StopPondering(word);
}

// "Illegal move: WORD", the word as shown (without its control bytes).
uint8_t RefuseMove(const char* shown) {
  printf("Illegal move: %s\n", shown);
  Flush();
  LogPrintf("Illegal move: %s", shown);
  return CmdHandled;
}

// The opponent's move, legal and kept in PendingFrom, PendingTo and PendingPromotion.
uint8_t AcceptMove(const char* word) { return SearchRunning ? MoveDuringSearch(word) : CmdMove; }

uint8_t MoveCommand(const char* word) {
  if (Pondering) return MoveWhilePondering(word);
  if (!ParseLegalMove(MainBoard, word, &PendingFrom, &PendingTo, &PendingPromotion)) {
    char shown[64];
    PrintableExcerpt(shown, sizeof shown, word);
    return RefuseMove(shown);
  }
  return AcceptMove(word);
}

// ".": the analysis status line. A client that ends the analysis with "." and "exit" together
// has no use for the status of a search it is ending: when the next command follows within a
// few milliseconds, the line is left out.
uint8_t StatusLine() {
  constexpr int FollowingCommandMs = 5;
  if (!InputWaitingWithin(FollowingCommandMs)) ReportStatus();
  return CmdHandled;
}

// "?": play the best move found so far at once. While analysing there is no move to play:
// the analysis ends.
uint8_t MoveNowCommand() {
  if (Pondering) return CmdHandled;  // the opponent is on move: there is nothing to play
  // At the console prompt nothing is thinking: the person asks for help.
  if (AtConsole() && !SearchRunning) {
    PrintConsoleHelp();
    return CmdHandled;
  }
  if (MainStatus.AnalyzeMode) {
    Search.AbortSearch();
    LeaveAnalysis();
    return CmdStop;
  }
  Search.MoveNow = true;
  Search.StopNow = true;
  Search.TimeUp = true;
  return CmdHandled;
}

uint8_t AbortCommand() {
  ResetForNewGame();
  if (SearchRunning) PositionReplaced = true;
  return CmdStop;
}

// A new game is the xboard GUI's first word after the handshake: the table is faulted in now
// rather than during the first search. It ends analysis, force mode and the depth limit of "sd".
uint8_t NewCommand() {
  ResetForNewGame();
  MainStatus.Force = 0;
  MainStatus.AnalyzeMode = 0;
  XboardDepthLimit = 0;
  if (SearchRunning) PositionReplaced = true;
  else if (AtConsole()) ShowBoard(MainBoard);
  return CmdStop;
}

uint8_t AnalyzeCommand() {
  if (!MainStatus.AnalyzeMode) TimeBeforeAnalysis = MainStatus.ST;
  MainStatus.AnalyzeMode = 1;
  Protocol.Post = 1;
  MainStatus.Force = 0;
  MainStatus.HumanToMove = 0;
  SeedNodesPerSecond(200001);
  // The fixed time per move is already held in milliseconds; without one, think "forever".
  if (MainStatus.ST == 0) MainStatus.ST = AnalysisTime;
  return CmdStop;
}

uint8_t ExitCommand() {
  if (MainStatus.AnalyzeMode == 1) {
    LeaveAnalysis();
    Search.AbortSearch();
  }
  return CmdStop;
}

uint8_t DumpSeeCommand() {
  char a[WordSize], b[WordSize];
  if (!ReadArgument(a, sizeof a) || !ReadArgument(b, sizeof b)) return CmdHandled;
  const int from = ParseSquare(a, true);
  const int to = ParseSquare(b, true);
  char text[2 * WordSize + 16];
  snprintf(text, sizeof text, "dumpsee %s %s", a, b);
  if (from < 0 || to < 0) {
    ReportError("squares are numbered 0 to 63", text);
    return CmdHandled;
  }
  if (MainBoard.IsEmptySquare(SquareMask(from))) {
    ReportError("no piece on the first square", text);
    return CmdHandled;
  }
  const uint64_t fromMask = SquareMask(from);
  const uint64_t toMask = SquareMask(to);
  printf("SEE value = %d\n",
         see.StaticExchangeEvaluation(MainBoard.PieceColor(toMask), fromMask, toMask, &MainBoard));
  Flush();
  return CmdHandled;
}

// "level MPS BASE INC": BASE in minutes or minutes:seconds, INC in seconds, possibly decimal.
uint8_t LevelCommand() {
  char moves[WordSize], base[WordSize], inc[WordSize];
  if (!ReadArgument(moves, sizeof moves) || !ReadArgument(base, sizeof base) || !ReadArgument(inc, sizeof inc))
    return CmdHandled;
  const long perSession = strtol(moves, nullptr, 10);
  double baseMs = strtod(base, nullptr) * 60000.0;
  if (const char* colon = strchr(base, ':')) baseMs += strtod(colon + 1, nullptr) * 1000.0;
  // The increment is kept in milliseconds (its fraction counts) and in whole seconds.
  const double incSeconds = strtod(inc, nullptr);
  MainStatus.MovesPerSession = perSession < 0 ? 0 : (perSession > 10000 ? 10000 : static_cast<int32_t>(perSession));
  MainStatus.TimeLeft = ClampMs(baseMs);
  MainStatus.TimeIncMs = incSeconds > 0 && incSeconds < 100000 ? static_cast<int32_t>(incSeconds * 1000.0) : 0;
  MainStatus.TimeInc = MainStatus.TimeIncMs / 1000;
  LogPrintf("MovesPerSession %d TimeLeft %d TimeInc %d \n", MainStatus.MovesPerSession, MainStatus.TimeLeft,
            MainStatus.TimeInc);
  return CmdHandled;
}

// "st N": N seconds per move. The search reads the fixed time per move in milliseconds.
uint8_t FixedTimeCommand() {
  double seconds = 0;
  if (!ReadNumber(&seconds)) return CmdHandled;
  SetSecondsPerMove(seconds);
  return CmdHandled;
}

uint8_t DepthCommand(const char* command, bool readsInXboard, bool setsFixedDepth) {
  const bool console = !Protocol.XboardMode;
  char word[WordSize];
  if (console) {
    printf("setting MAXDEPTH\n");
    printf("scanstring %s\n", command);
  }
  if (console || readsInXboard) {
    if (!ReadArgument(word, sizeof word)) return CmdHandled;
    const long n = strtol(word, nullptr, 10);
    if (n < MinFixedDepth || n > MaxFixedDepth) {
      char text[WordSize + 32];
      snprintf(text, sizeof text, "%s %s", command, word);
      ReportError("the depth must be 1 to 100 plies; ignored", text);
      return CmdHandled;
    }
    MainBoard.MaxDepth = static_cast<int32_t>(n);
    if (!console) XboardDepthLimit = static_cast<int>(n);
  }
  if (console) printf("MAXDEPTH %d\n", MainBoard.MaxDepth);
  if (setsFixedDepth) MainBoard.FixedDepth = MainBoard.MaxDepth;
  MainBoard.BestFrom = 0;
  MainBoard.BestTo = 0;
  Flush();
  return CmdHandled;
}

uint8_t SetBoardCommand() {
  char line[LineSize];
  const char* fen = ReadArgumentLine(line, sizeof line, "the position is unchanged");
  if (fen == nullptr) return CmdHandled;
  WriteLogFile(fen);
  FenCounters counters{0, 1};
  if (const char* reason = ReadFen(fen, &counters)) {
    // The GUI shows the refusal to its user; the engine keeps its position.
    if (Protocol.XboardMode) {
      printf("tellusererror Illegal position\n");
      Flush();
      LogPrintf("Refused setboard (%s): %s", reason, fen);
    } else {
      ReportError(reason, fen);
    }
    return CmdHandled;
  }
  ResetForPosition(counters);
  if (AtConsole() && !SearchRunning) ShowBoard(MainBoard);
  return PositionChanged();
}

uint8_t EditCommand() {
  SetupBoardFromEdit();
  if (QuitRequested) return CmdQuit;
  return PositionChanged();
}

// "white" / "black": xboard names the side to move, mostly the one already on move.
uint8_t SideCommand(int8_t side) {
  if (MainBoard.SideToMove == side) return CmdHandled;
  // The side that would wait must not be in check: its king could be taken at once.
  const int8_t waiting = side ? White : Black;
  if (MainBoard.InCheck(waiting == White ? MainBoard.WhiteKing : MainBoard.BlackKing, waiting)) {
    ReportError("the other side is in check", side ? "black" : "white");
    return CmdHandled;
  }
  MainBoard.SideToMove = side;
  // The recorded positions alternate sides; a changed side starts a new record.
  ResetGameHistory();
  return PositionChanged();
}

uint8_t QuitCommand() {
  MainStatus.PlayAgain = 0;
  MainStatus.GameInProgress = 0;
  QuitRequested = true;
  return CmdQuit;
}

// Arguments nobody needs: the rest of the line goes. While the engine searches, its input poll
// drops the rest of the line itself.
void SkipArguments() {
  if (!SearchRunning) DiscardRestOfLine();
}

uint8_t SetFlagCommand(int8_t& flag, int8_t value) {
  flag = value;
  return CmdHandled;
}

// One setting for the GUI's menu, with its present value: "feature option="NAME -TYPE ..."".
void PrintOptionFeature(const EngineOption& option) {
  switch (option.Type) {
    case OptionType::File:
      printf("feature option=\"%s -file %s\"\n", option.Name, option.Text());
      break;
    case OptionType::Spin:
      printf("feature option=\"%s -spin %d %d %d\"\n", option.Name, option.Number(), option.Min, option.Max);
      break;
    case OptionType::Check:
      printf("feature option=\"%s -check %d\"\n", option.Name, option.Number() ? 1 : 0);
      break;
  }
}

// "protover N": from version 2 on the GUI learns the engine's features. Their names go back as
// "accepted" or "rejected", which need no answer.
uint8_t ProtoverCommand() {
  double version = 0;
  if (!ReadNumber(&version)) return CmdHandled;
  ProtocolVersion = version >= 2 ? (version > 1000 ? 1000 : static_cast<int>(version)) : 1;
  if (ProtocolVersion < 2) return CmdHandled;
  printf("feature done=0\n");
  printf("feature ping=1 setboard=1 usermove=1 playother=1 san=0 time=1 draw=0 sigint=0 sigterm=1\n");
  printf("feature reuse=1 analyze=1 memory=1 colors=0 name=0 pause=0 nps=0 debug=1 smp=1\n");
  printf("feature myname=\"Orvo %s\" variants=\"normal\"\n", UCI.VersionText);
  for (int i = 0; i < EngineOptionCount; i++) PrintOptionFeature(EngineOptions[i]);
  printf("feature done=1\n");
  Flush();
  LogPrintf("Sent features for protocol version %d", ProtocolVersion);
  return CmdHandled;
}

uint8_t FeatureReplyCommand(bool accepted) {
  char name[WordSize];
  ReadArgument(name, sizeof name);
  // Comment lines are sent only to a GUI that takes them.
  if (strcmp(name, "debug") == 0) Protocol.CommentsRejected = accepted ? 0 : 1;
  return CmdHandled;
}

// "ping N" is answered once every earlier command has taken effect. A search for the engine's
// own move answers after the move; analysis, like pondering, answers at once.
uint8_t PingCommand() {
  char number[WordSize];
  if (!ReadArgument(number, sizeof number)) return CmdHandled;
  if (SearchRunning && !MainStatus.AnalyzeMode && !Pondering) {
    QueuePong(number);
  } else {
    printf("pong %s\n", number);
    Flush();
  }
  return CmdHandled;
}

uint8_t UserMoveCommand() {
  char move[WordSize];
  if (!ReadArgument(move, sizeof move)) return CmdHandled;
  WriteLogFile(move);
  return MoveCommand(move);
}

// "force" while the engine thinks about its move: the search stops and nothing is played.
uint8_t ForceCommand() {
  MainStatus.Force = 1;
  if (SearchRunning && !MainStatus.AnalyzeMode) {
    PositionReplaced = true;
    return CmdStop;
  }
  return CmdHandled;
}

// "playother": leave force mode; the engine plays the side not on move and waits for its move.
uint8_t PlayOtherCommand() {
  MainStatus.Force = 0;
  MainStatus.HumanToMove = 1;
  return CmdHandled;
}

// At the console "undo" (and "remove") takes back the person's last move together with the
// engine's reply that followed it, so the person keeps their colour; the board is shown again.
uint8_t ConsoleTakeBack() {
  const int moves = MovesToTakeBack();
  int plies = 0;
  while (plies < moves && RecordedByEngine(moves - 1 - plies)) plies++;
  if (plies == moves) {
    printf("No move of yours to take back\n");
    Flush();
    return CmdHandled;
  }
  TakeBack(plies + 1);
  if (!SearchRunning) ShowBoard(MainBoard);
  return PositionChanged();
}

// "undo" takes back one half-move, "remove" two (the user's and the engine's). A running search
// stops first; the takeback is made once it has unwound.
uint8_t TakeBackCommand(const char* word, int plies) {
  if (AtConsole()) return ConsoleTakeBack();
  if (!TakeBack(plies)) {
    ReportError("no move to take back", word);
    return CmdHandled;
  }
  return PositionChanged();
}

// "result RESULT {COMMENT}": the game is over; a search still running plays nothing.
uint8_t ResultCommand() {
  char line[LineSize];
  if (ReadLine(line, sizeof line) == InputResult::TooLong) ReportTooLong(line, sizeof line);
  WriteLogFile(line);
  MainStatus.GameInProgress = 0;
  return PositionChanged();
}

// "cores N": search with N threads (the engine's thread and N - 1 helpers).
uint8_t CoresCommand() {
  double cores = 0;
  if (!ReadNumber(&cores)) return CmdHandled;
  const int wanted = cores < 1 ? 1 : (cores > MaxSearchThreads ? MaxSearchThreads : static_cast<int>(cores));
  const int started = SetThreadCount(wanted);
  if (started < wanted) {
    printf("telluser Only %d threads could be started\n", started);
    Flush();
  }
  return CmdHandled;
}

// "memory N": the transposition table takes N MiB (at most), as the UCI option "Hash" does.
uint8_t MemoryCommand() {
  double mb = 0;
  if (!ReadNumber(&mb)) return CmdHandled;
  if (SearchRunning) {
    ReportError("not while thinking", "memory");
    return CmdHandled;
  }
  const int size = mb < TranspositionTables::MinSizeMb   ? TranspositionTables::MinSizeMb
                   : mb > TranspositionTables::MaxSizeMb ? TranspositionTables::MaxSizeMb
                                                         : static_cast<int>(mb);
  if (!PositionCache.Resize(size)) {
    printf("telluser Not enough memory for a %d MB hash table; keeping %d MB\n", size, PositionCache.SizeMb());
    Flush();
  }
  return CmdHandled;
}

void PrintMove(const char* prefix, uint64_t from, uint64_t to, char promotion) {
  char text[8];
  *PutMoveCoordinates(text, LowestSquare(from), LowestSquare(to), promotion) = '\0';
  printf("%s%s\n", prefix, text);
}

// A quick search of the position, for a hint when no reply was predicted. It plays nothing, and
// it never looks at the input: the command that asked is still being answered.
bool ShortSearch(uint64_t* from, uint64_t* to, char* promotion) {
  constexpr int HintDepth = 5;
  if (CountLegalMoves(MainBoard) == 0) return false;
  const int64_t pollCountdown = Search.PollCountdown;
  Search.PollCountdown = INT64_MAX;
  const int32_t historyLength = MoveList.NumMoves;
  Search.SearchExactDepth(MainBoard, HintDepth, from, to, promotion);
  MoveList.NumMoves = historyLength;  // the search recorded its root
  Search.PollCountdown = pollCountdown;
  ChessBoard board = MainBoard;
  const PVEntry best{MoveCode(LowestSquare(*from), LowestSquare(*to)), *promotion};
  return *from && *to && FindLegalMove(board, board.SideToMove ? Black : White, board.CastleFlags, best, from, to,
                                       promotion);
}

// "hint": the move the engine expects from the opponent, or failing that the move it would play
// in the opponent's place. Nothing while the engine thinks about its own move.
uint8_t HintCommand() {
  uint64_t from = 0, to = 0;
  char promotion = NoPromotion;
  bool known = PredictedMove(&from, &to, &promotion);
  if (!known && !SearchRunning) known = ShortSearch(&from, &to, &promotion);
  if (AtConsole()) {
    // A person reads the hint in the notation of the score sheet.
    char san[SanTextSize];
    if (known && WriteSanMove(MainBoard, from, to, promotion, san) > 0)
      printf("Hint: %s\n", san);
    else
      printf("No hint: there is no move to play\n");
    Flush();
    return CmdHandled;
  }
  if (known) SendHint(from, to, promotion);
  return CmdHandled;
}

// "bk": the book's moves for the position, each with its share of the book's weight, in the
// form xboard shows in a window: indented lines, then an empty line.
uint8_t BookCommand() {
  ChessBoard board = Pondering ? PonderBase : MainBoard;
  const int8_t side = board.SideToMove ? Black : White;
  MoveGen list;
  const int n = list.GenerateAllMoves(side, &board, board.CastleFlags);
  int index[MaxMoves];
  uint32_t weight[MaxMoves];
  const int count = FileBook.Loaded() ? FileBook.Playable(board, side, board.CastleFlags, list, n, index, weight) : 0;
  uint64_t total = 0;
  for (int i = 0; i < count; i++) total += weight[i];
  for (int i = 0; i < count; i++) {
    char prefix[32];
    snprintf(prefix, sizeof prefix, "\t%2d%% ", static_cast<int>((weight[i] * 100 + total / 2) / total));
    PrintMove(prefix, list.From[index[i]], list.To[index[i]], list.Promotion[index[i]]);
  }
  if (count == 0) printf(FileBook.Loaded() ? "\tNo book move for this position\n" : "\tNo opening book loaded\n");
  printf("\n");
  Flush();
  return CmdHandled;
}

// "option NAME=VALUE": a setting the engine offered with its features.
uint8_t OptionCommand() {
  char line[LineSize];
  const char* text = ReadArgumentLine(line, sizeof line, "the setting is unchanged");
  if (text == nullptr) return CmdHandled;
  char shown[LineSize + 8];
  snprintf(shown, sizeof shown, "option %s", text);
  // The name may hold spaces ("Move Overhead"); the value is everything after the first '='.
  char name[LineSize];
  snprintf(name, sizeof name, "%s", text);
  char* equals = strchr(name, '=');
  if (equals) *equals = '\0';
  for (size_t n = strlen(name); n > 0 && (name[n - 1] == ' ' || name[n - 1] == '\t'); n--) name[n - 1] = '\0';
  const EngineOption* option = FindEngineOption(name);
  if (option == nullptr) {
    ReportError("unknown option", shown);
    return CmdHandled;
  }
  // Only a button goes without a value, and the engine offers none.
  if (equals == nullptr) {
    ReportError("the option needs a value", shown);
    return CmdHandled;
  }
  const char* value = equals + 1;
  if (SearchRunning && !option->WhileThinking) {
    ReportError("not while thinking", shown);
    return CmdHandled;
  }
  if (const char* reason = SetEngineOption(*option, value)) ReportError(reason, shown);
  return CmdHandled;
}

// A word at the console that is no command: a move in coordinates or in algebraic notation, or
// else a hint at how moves are written.
uint8_t ConsoleMove(const char* word) {
  char shown[64];
  PrintableExcerpt(shown, sizeof shown, word);
  const char* reason = nullptr;
  const bool legal = ParseLegalMove(MainBoard, word, &PendingFrom, &PendingTo, &PendingPromotion) ||
                     ParseSanMove(MainBoard, word, &PendingFrom, &PendingTo, &PendingPromotion, &reason);
  const bool coordinates = word[0] >= 'a' && word[0] <= 'h' && word[1] >= '0' && word[1] <= '8';
  if (!legal && !coordinates && reason && strcmp(reason, "not algebraic notation") == 0) {
    printf("Not a move or command: %s (moves are written e2e4 or Nf3; help lists the commands)\n", shown);
    Flush();
    SkipArguments();
    return CmdHandled;
  }
  if (!MainStatus.GameInProgress) {
    printf("The game is over (%s): undo, save FILE, new or quit\n", GameResult);
    Flush();
    return CmdHandled;
  }
  if (!legal && reason && strcmp(reason, "ambiguous") == 0) {
    printf("Ambiguous move: %s (name the piece's file or rank too, as in Nbd2)\n", shown);
    Flush();
    return CmdHandled;
  }
  if (!legal) return RefuseMove(shown);
  return AcceptMove(word);
}

// "resign": the person gives up the game; the side to move is theirs.
uint8_t ResignCommand() {
  if (!MainStatus.GameInProgress) {
    printf("The game is over (%s)\n", GameResult);
    Flush();
    return CmdHandled;
  }
  if (MainBoard.SideToMove == White) AnnounceResult("0-1 {White resigns}\n", "0-1");
  else AnnounceResult("1-0 {Black resigns}\n", "1-0");
  return CmdHandled;
}

// "save FILE": the rest of the line names the file (it may hold blanks).
uint8_t SaveCommand() {
  char line[LineSize];
  const char* path = ReadArgumentLine(line, sizeof line, "nothing saved");
  if (path != nullptr) SaveGameAsPgn(path);
  return CmdHandled;
}

// "strength N" plays at the level rated N from now on (a rating outside the range is taken as
// its nearest end), "strength full" at full strength. The same setting as UCI_LimitStrength and
// UCI_Elo; the console is told the level in force.
uint8_t StrengthCommand() {
  char line[LineSize];
  const char* text = ReadArgumentLine(line, sizeof line, "the strength is unchanged");
  if (text == nullptr) return CmdHandled;
  char word[LineSize];
  if (sscanf(text, "%1023s", word) != 1) word[0] = '\0';
  if (strcmp(word, "full") == 0) {
    Strength.Limited = false;
  } else if (SetEngineOption(*FindEngineOption("UCI_Elo"), word) == nullptr) {
    Strength.Limited = true;
  } else {
    char kind[96], shown[LineSize + 16];
    snprintf(kind, sizeof kind, "strength needs a rating from %d to %d, or full", MinStrengthElo, MaxStrengthElo);
    snprintf(shown, sizeof shown, "strength %s", text);
    ReportError(kind, shown);
    return CmdHandled;
  }
  if (!Protocol.XboardMode) {
    if (Strength.Weaker())
      printf("The engine plays at a rating of about %d.\n", Strength.Elo);
    else
      printf("The engine plays at full strength.\n");
    Flush();
  }
  return CmdHandled;
}

uint8_t UnknownCommand(const char* word) {
  ReportError("unknown command", word);
  SkipArguments();
  return CmdHandled;
}

using CommandHandler = uint8_t (*)(const char* word);

struct Command {
  const char* Name;
  CommandHandler Run;
};

uint8_t Handled(const char*) { return CmdHandled; }
// "hard" and "easy": pondering on or off.
uint8_t SetPondering(bool on) {
  PonderEnabled = on;
  return CmdHandled;
}
uint8_t IgnoreArguments(const char*) {
  SkipArguments();
  return CmdHandled;
}

// Every command word, tested in this order; the first exact match runs. A word that matches
// none and starts like a square (a file letter and a digit) is a move.
constexpr Command Commands[] = {
    {".", [](const char*) { return StatusLine(); }},
    {"?", [](const char*) { return MoveNowCommand(); }},
    {"ClearGameInfo", Handled},
    {"InitGameInfo", Handled},
    {"abort", [](const char*) { return AbortCommand(); }},
    {"accepted", [](const char*) { return FeatureReplyCommand(true); }},
    {"analyze", [](const char*) { return AnalyzeCommand(); }},
    {"beep", Handled},
    {"bk", [](const char*) { return BookCommand(); }},
    {"black", [](const char*) { return SideCommand(Black); }},
    {"bogus", Handled},
    {"computer", Handled},
    {"cores", [](const char*) { return CoresCommand(); }},
    {"displayboard",
     [](const char*) {
       ShowBoard(MainBoard);
       return CmdHandled;
     }},
    {"draw", Handled},
    {"dumpsee", [](const char*) { return DumpSeeCommand(); }},
    {"easy", [](const char*) { return SetPondering(false); }},
    {"edit", [](const char*) { return EditCommand(); }},
    {"egtpath", IgnoreArguments},
    {"exit", [](const char*) { return ExitCommand(); }},
    {"force", [](const char*) { return ForceCommand(); }},
    {"fullrand", Handled},
    {"go",
     [](const char*) {
       MainStatus.Force = 0;
       MainStatus.HumanToMove = 0;
       return CmdStop;
     }},
    {"hard", [](const char*) { return SetPondering(true); }},
    {"hint", [](const char*) { return HintCommand(); }},
    {"ics", IgnoreArguments},
    {"level", [](const char*) { return LevelCommand(); }},
    {"memory", [](const char*) { return MemoryCommand(); }},
    {"name",
     [](const char*) {
       // The opponent's name may have several words: the rest of the line is the name.
       char name[LineSize];
       if (ReadLine(name, sizeof name) == InputResult::TooLong) ReportTooLong(name, sizeof name);
       return CmdHandled;
     }},
    {"new", [](const char*) { return NewCommand(); }},
    {"nopost", [](const char*) { return SetFlagCommand(Protocol.Post, 0); }},
    {"option", [](const char*) { return OptionCommand(); }},
    {"otim",
     [](const char*) {
       // The opponent's clock is only logged; any number, however large, is shown as read.
       double centiseconds = 0;
       if (ReadNumber(&centiseconds)) LogPrintf(" %.0f\n", centiseconds);
       return CmdHandled;
     }},
    {"ping", [](const char*) { return PingCommand(); }},
    {"playother", [](const char*) { return PlayOtherCommand(); }},
    {"ponder", Handled},
    {"post", [](const char*) { return SetFlagCommand(Protocol.Post, 1); }},
    {"protover", [](const char*) { return ProtoverCommand(); }},
    {"quit", [](const char*) { return QuitCommand(); }},
    {"random", Handled},
    {"rating", IgnoreArguments},
    {"rejected", [](const char*) { return FeatureReplyCommand(false); }},
    {"remove", [](const char* word) { return TakeBackCommand(word, 2); }},
    {"result", [](const char*) { return ResultCommand(); }},
    {"selfplay",
     [](const char*) {
       MainStatus.SelfPlay = 1;
       return CmdStop;
     }},
    {"setboard", [](const char*) { return SetBoardCommand(); }},
    {"Depth", [](const char* word) { return DepthCommand(word, true, false); }},
    {"DEPTH", [](const char* word) { return DepthCommand(word, true, false); }},
    {"sd", [](const char* word) { return DepthCommand(word, true, false); }},
    {"sfd", [](const char* word) { return DepthCommand(word, false, true); }},
    {"st", [](const char*) { return FixedTimeCommand(); }},
    {"strength", [](const char*) { return StrengthCommand(); }},
    {"time",
     [](const char*) {
       double centiseconds = 0;
       if (ReadNumber(&centiseconds)) MainStatus.TimeLeft = ClampMs(centiseconds * 10.0);
       return CmdHandled;
     }},
    {"traceflag",
     [](const char*) {
       TraceFlag = static_cast<int8_t>((TraceFlag + 1) % 2);
       return CmdHandled;
     }},
    {"undo", [](const char* word) { return TakeBackCommand(word, 1); }},
    {"usermove", [](const char*) { return UserMoveCommand(); }},
    {"variant", IgnoreArguments},
    {"white", [](const char*) { return SideCommand(White); }},
    {"xboard",
     [](const char*) {
       Protocol.XboardMode = 1;
       return CmdHandled;
     }},
};

// The commands of a person at the console, looked up before those above; to an xboard GUI they
// are unknown words.
uint8_t ShowBoardCommand(const char*) {
  ShowBoard(MainBoard);
  return CmdHandled;
}

constexpr Command ConsoleCommands[] = {
    {"board", ShowBoardCommand},
    {"d", ShowBoardCommand},
    {"help",
     [](const char*) {
       PrintConsoleHelp();
       return CmdHandled;
     }},
    {"resign", [](const char*) { return ResignCommand(); }},
    {"save", [](const char*) { return SaveCommand(); }},
};

// Edit mode: rebuild unions and castling rights from the pieces after every word.
void RecomputeEditedBoard(ChessBoard& b) {
  b.RecomputeUnions();
  uint8_t flags = 0;
  const bool whiteKingHome = b.WhiteKing & SquareMask(E1);
  const bool blackKingHome = b.BlackKing & SquareMask(E8);
  if (whiteKingHome && (b.WhiteRooks & SquareMask(H1))) flags |= 1;
  if (whiteKingHome && (b.WhiteRooks & SquareMask(A1))) flags |= 2;
  if (blackKingHome && (b.BlackRooks & SquareMask(H8))) flags |= 4;
  if (blackKingHome && (b.BlackRooks & SquareMask(A8))) flags |= 8;
  b.CastleFlags = flags;
}

void RemovePieceAt(ChessBoard& b, uint64_t sq) {
  uint64_t* boards[] = {&b.WhitePawns, &b.WhiteKnights, &b.WhiteBishops, &b.WhiteRooks,
                        &b.WhiteQueens, &b.WhiteKing,   &b.BlackPawns,   &b.BlackKnights,
                        &b.BlackBishops, &b.BlackRooks, &b.BlackQueens,  &b.BlackKing};
  for (uint64_t* piece : boards) *piece &= ~sq;
}

uint64_t* EditPieceBoard(ChessBoard& b, char letter, bool black) {
  switch (letter) {
    case 'P': return black ? &b.BlackPawns : &b.WhitePawns;
    case 'N': return black ? &b.BlackKnights : &b.WhiteKnights;
    case 'B': return black ? &b.BlackBishops : &b.WhiteBishops;
    case 'R': return black ? &b.BlackRooks : &b.WhiteRooks;
    case 'Q': return black ? &b.BlackQueens : &b.WhiteQueens;
    case 'K': return black ? &b.BlackKing : &b.WhiteKing;
    default: return nullptr;
  }
}

// The edited position becomes the game position only when it is a playable one; the FEN reader
// judges that (one king each, no pawn on the first or last rank, the side not to move not in check).
void CommitEditedBoard(const ChessBoard& edited) {
  char fen[256];
  pos2fenString(edited, fen);
  if (const char* reason = SetupBoard(fen)) {
    ReportError(reason, "edit");
    return;
  }
  MainBoard.CastleFlags = edited.CastleFlags;
  // An edited position keeps the game's move number.
  ResetForPosition(FenCounters{0, MainStatus.GamePly / 2 + 1});
}

// While the engine thinks, the search hands over the words that arrive. A console game is not
// interrupted while the engine thinks, but console analysis is: it runs until the user types
// "exit" or "quit" (or the input ends).
bool CommandWaiting() {
  if (!Protocol.XboardMode && !MainStatus.AnalyzeMode) return false;
  return InputWaiting();
}

const char* CommandWhileThinking() {
  static char word[WordSize];
  if (ReadWord(word, sizeof word) == InputResult::TooLong) {
    ReportTooLong(word, sizeof word, "ignored");
    return nullptr;
  }
  const uint8_t result = DoCommand(word);
  if (result == CmdStop || result == CmdQuit) return word;
  // Arguments nobody read go with their line.
  if (Protocol.XboardMode) DiscardRestOfLine();
  return nullptr;
}

}  // namespace

void TypeAheadWord(const char* word) { snprintf(ReplayWord, sizeof ReplayWord, "%s", word); }

void ListenForCommands() { InstallCommandSource({CommandWaiting, CommandWhileThinking}); }

void PendingMove(uint64_t* from, uint64_t* to, char* promotion) {
  *from = PendingFrom;
  *to = PendingTo;
  *promotion = PendingPromotion;
}

void SendHint(uint64_t from, uint64_t to, char promotion) {
  PrintMove("Hint: ", from, to, promotion);
  Flush();
}

void SetupBoardFromEdit() {
  ChessBoard edited = MainBoard;
  bool black = false;
  char word[WordSize];
  for (;;) {
    const InputResult read = ReadWord(word, sizeof word);
    if (read == InputResult::TooLong) {
      ReportTooLong(word, sizeof word, "ignored");
      continue;
    }
    if (read == InputResult::End || strcmp(word, "quit") == 0) {
      // The input ended (or the GUI gave up): the position stays as it was.
      QuitCommand();
      return;
    }
    WriteLogFile(word);
    const char first = word[0];
    if (first == '.') {
      RecomputeEditedBoard(edited);
      CommitEditedBoard(edited);
      return;
    }
    if (first == '#') {
      edited.ClearField();
    } else if (first == 'c') {
      black = !black;
    } else if (first == 'x' || EditPieceBoard(edited, first, black)) {
      const int sq = ParseSquare(word + 1, false);
      if (sq < 0) {
        ReportError("bad square", word);
        continue;
      }
      RemovePieceAt(edited, SquareMask(sq));
      if (first != 'x') *EditPieceBoard(edited, first, black) |= SquareMask(sq);
    }
    RecomputeEditedBoard(edited);
  }
}

uint8_t DoCommand(const char* word) {
  WriteLogFile(word);
  if (AtConsole()) {
    for (const Command& command : ConsoleCommands) {
      if (strcmp(word, command.Name) != 0) continue;
      RunningCommand = command.Name;
      return command.Run(word);
    }
  }
  for (const Command& command : Commands) {
    if (strcmp(word, command.Name) != 0) continue;
    if (Pondering && !AnsweredWhilePonderingWord(word)) return StopPondering(word);
    RunningCommand = command.Name;
    return command.Run(word);
  }
  if (AtConsole()) return ConsoleMove(word);
  if (word[0] >= 'a' && word[0] <= 'h' && word[1] >= '0' && word[1] <= '8') return MoveCommand(word);
  return UnknownCommand(word);
}

// Force mode lasts until "go", "new" or "playother": moves typed meanwhile are made for both sides.
uint8_t HumanMove() {
  char word[WordSize];
  for (;;) {
    const bool console = !Protocol.XboardMode;
    if (console) {
      if (MainStatus.GameInProgress) printf("Enter Move: ");
      else printf("Game over (%s); save FILE, new, undo or quit: ", GameResult);
      Flush();
    }
    if (ReplayWord[0]) {
      // The word that ended a ponder search, now for the real game position.
      snprintf(word, sizeof word, "%s", ReplayWord);
      ReplayWord[0] = '\0';
    } else if (ReadWord(word, sizeof word) == InputResult::TooLong) {
      ReportTooLong(word, sizeof word, "ignored");
      continue;
    }
    if (console) {
      char shown[64];
      PrintableExcerpt(shown, sizeof shown, word);
      printf("%s\n", shown);
      Flush();
    }
    const uint8_t r = DoCommand(word);
    if (r == CmdHandled) continue;
    if (r != CmdMove) return r;
    // Force mode: the moves of both sides are entered one after the other, the half-move number
    // left as it is.
    PlayGameMove(PendingFrom, PendingTo, PendingPromotion, !MainStatus.Force);
    if (!MainStatus.Force) return MainBoard.FiftyMoveCount > 99 ? CmdFiftyMoves : CmdMove;
  }
}

void MakeGUIMove(uint64_t from, uint64_t to, char promotion, int score) {
  if (from == 0 || to == 0) return;  // no move to show
  const uint8_t fromIndex = static_cast<uint8_t>(RightMostBit(from) - 1);
  const uint8_t toIndex = static_cast<uint8_t>(RightMostBit(to) - 1);
  char text[MoveTextSize];
  fillmovestring(text, score, fromIndex, toIndex, promotion, 0);
  // Protocol 2 GUIs read "move e2e4"; older ones the text after the move number.
  if (ProtocolVersion >= 2) {
    char move[MoveTextSize];
    if (sscanf(text, "%15s", move) == 1) printf("move %s\n", move);
  } else {
    printf("%s", text);
  }
  LogPrintf("Move Made: %d %d %d %lld %s", Clock.CompletedDepth, score / 10, 0,
            static_cast<long long>(Search.Nodes()), text);
  Flush();
}
