// The game's commands: the opponent's moves (also while the engine ponders or analyses), new
// games, force mode, sides, takebacks and results, the clock ("level", "st", "sd", "time"),
// analysis, and the opponent's turn that reads them.

#include "xboard/game_commands.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "board/bit_ops.h"
#include "board/castling.h"
#include "board/chess960.h"
#include "board/chess_board.h"
#include "board/fen.h"
#include "board/log_file.h"
#include "board/move_coordinates.h"
#include "game/game_state.h"
#include "game/input.h"
#include "game/move_parse.h"
#include "game/san.h"
#include "game/status.h"
#include "search/search_control.h"
#include "search/search_report.h"
#include "search/search_routines.h"
#include "search/time_budget.h"
#include "xboard/command_input.h"
#include "xboard/commands.h"
#include "xboard/console.h"
#include "xboard/game_loop.h"
#include "xboard/xboard_settings.h"

namespace xboard {
namespace {

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

// A clock value in milliseconds, kept where the time arithmetic stays in 32 bits.
int32_t ClampMs(double ms) {
  if (!(ms >= 0)) return 0;  // negative, or not a number at all
  if (ms > MaxClockMs) return static_cast<int32_t>(MaxClockMs);
  return static_cast<int32_t>(ms);
}

void LeaveAnalysis() {
  Protocol.Post = 0;
  Xboard.AnalyzeMode = 0;
  Xboard.ST = TimeBeforeAnalysis;
}

// A move as a GUI writes it: in coordinates (Chess960 castling as the king taking its rook), or
// castling as O-O and O-O-O, xboard's way in Chess960.
bool ParseGuiMove(const ChessBoard& board, const char* word, uint64_t* from, uint64_t* to, char* promotion) {
  if (ParseLegalMove(board, word, from, to, promotion)) return true;
  const char* reason = nullptr;
  return IsCastlingWord(word) && ParseSanMove(board, word, from, to, promotion, &reason);
}

// A move text arriving while the engine searches. In analysis the move is played and the
// analysis starts again from the new position; otherwise it is not the opponent's turn.
uint8_t MoveDuringSearch(const char* word) {
  if (!Xboard.AnalyzeMode) {
    ReportError("not your turn", word);
    return CmdHandled;
  }
  PlayGameMove(PendingFrom, PendingTo, PendingPromotion);
  Xboard.HumanToMove = 0;
  PositionReplaced = true;
  return CmdStop;
}

// The opponent's move during a ponder search: the predicted move turns the search into the
// engine's own; any other ends it.
uint8_t MoveWhilePondering(const char* word) {
  uint64_t from, to, predictedFrom, predictedTo;
  char promotion, predictedPromotion;
  if (ParseGuiMove(PonderBase, word, &from, &to, &promotion) &&
      PredictedMove(&predictedFrom, &predictedTo, &predictedPromotion) && from == predictedFrom &&
      to == predictedTo && promotion == predictedPromotion) {
    LogPrintf("Ponder hit: %s", word);
    Pondering = false;
    // The GUI sends the clock ("time") before the move: the move is planned on that.
    Search.Limits.TimeLeft = Xboard.TimeLeft;
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

}  // namespace

// A command that replaces the position or the side to move stops a running search, whose
// move would belong to the old position.
uint8_t PositionChanged() {
  if (!SearchRunning) return CmdHandled;
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

bool IsCastlingWord(const char* word) { return strncmp(word, "O-O", 3) == 0 || strncmp(word, "0-0", 3) == 0; }

uint8_t MoveCommand(const char* word) {
  if (Pondering) return MoveWhilePondering(word);
  if (!ParseGuiMove(MainBoard, word, &PendingFrom, &PendingTo, &PendingPromotion)) {
    char shown[64];
    PrintableExcerpt(shown, sizeof shown, word);
    return RefuseMove(shown);
  }
  return AcceptMove(word);
}

uint8_t UserMoveCommand() {
  char move[WordSize];
  if (!ReadArgument(move, sizeof move)) return CmdHandled;
  WriteLogFile(move);
  return MoveCommand(move);
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
  if (Xboard.AnalyzeMode) {
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
  Xboard.NewGame();
  if (SearchRunning) PositionReplaced = true;
  return CmdStop;
}

// A new game is the xboard GUI's first word after the handshake: the table is faulted in now
// rather than during the first search. It ends analysis, force mode and the depth limit of "sd".
namespace {

// A new game with the engine playing Black: standard chess, or Chess960 from start number960
// (0 to 959; -1 for standard chess).
uint8_t BeginNewGame(int number960) {
  ResetForNewGame();
  SetChess960(MainBoard, number960 >= 0);
  if (number960 >= 0) {
    char fen[64];
    Chess960StartFen(number960, fen);
    FenCounters counters{0, 1};
    ReadFen(fen, &counters);
    ResetForPosition(counters);
  }
  Xboard.NewGame();
  Xboard.Force = 0;
  Xboard.AnalyzeMode = 0;
  XboardDepthLimit = 0;
  if (SearchRunning) PositionReplaced = true;
  else if (AtConsole()) ShowBoard(MainBoard);
  return CmdStop;
}

}  // namespace

uint8_t NewCommand() { return BeginNewGame(-1); }

uint8_t New960Command() {
  char line[LineSize];
  const char* text = ReadArgumentLine(line, sizeof line, "the game goes on");
  if (text == nullptr) return CmdHandled;
  char* end = nullptr;
  const long number = *text ? strtol(text, &end, 10) : -1;
  if (*text && (*end != '\0' || number < 0 || number >= Chess960Starts)) {
    ReportError("the Chess960 starts are numbered 0 to 959", text);
    return CmdHandled;
  }
  static std::mt19937 pick(std::random_device{}());
  const int start = number >= 0 ? static_cast<int>(number) : static_cast<int>(pick() % Chess960Starts);
  if (AtConsole() && !SearchRunning) {
    printf("Chess960 start position %d\n", start);
    Flush();
  }
  return BeginNewGame(start);
}

uint8_t VariantCommand() {
  char name[WordSize];
  if (!ReadArgument(name, sizeof name)) return CmdHandled;
  if (SearchRunning) ReportError("not while thinking", "variant");
  else if (strcmp(name, "fischerandom") == 0) SetChess960(MainBoard, true);
  else if (strcmp(name, "normal") == 0) SetChess960(MainBoard, false);
  else ReportError("variant not supported", name);
  return CmdHandled;
}

uint8_t AnalyzeCommand() {
  if (!Xboard.AnalyzeMode) TimeBeforeAnalysis = Xboard.ST;
  Xboard.AnalyzeMode = 1;
  Protocol.Post = 1;
  Xboard.Force = 0;
  Xboard.HumanToMove = 0;
  SeedNodesPerSecond(200001);
  // The fixed time per move is already held in milliseconds; without one, think "forever".
  if (Xboard.ST == 0) Xboard.ST = AnalysisTime;
  return CmdStop;
}

uint8_t ExitCommand() {
  if (Xboard.AnalyzeMode == 1) {
    LeaveAnalysis();
    Search.AbortSearch();
  }
  return CmdStop;
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
  Xboard.MovesPerSession = perSession < 0 ? 0 : (perSession > 10000 ? 10000 : static_cast<int32_t>(perSession));
  Xboard.TimeLeft = ClampMs(baseMs);
  Xboard.TimeIncMs = incSeconds > 0 && incSeconds < 100000 ? static_cast<int32_t>(incSeconds * 1000.0) : 0;
  Xboard.TimeInc = Xboard.TimeIncMs / 1000;
  LogPrintf("MovesPerSession %d TimeLeft %d TimeInc %d \n", Xboard.MovesPerSession, Xboard.TimeLeft,
            Xboard.TimeInc);
  if (Xboard.MovesPerSession > 0)
    Confirm("The engine plays %d moves in %g minutes, %g seconds more a move.", Xboard.MovesPerSession,
            Xboard.TimeLeft / 60000.0, Xboard.TimeIncMs / 1000.0);
  else
    Confirm("The engine plays the game in %g minutes, %g seconds more a move.", Xboard.TimeLeft / 60000.0,
            Xboard.TimeIncMs / 1000.0);
  return CmdHandled;
}

// "st N": N seconds per move. The search reads the fixed time per move in milliseconds.
uint8_t FixedTimeCommand() {
  double seconds = 0;
  char word[WordSize];
  if (Protocol.Person && !Protocol.XboardMode) {
    // A person is told what a time that is no time does: nothing.
    if (!ReadArgument(word, sizeof word)) return CmdHandled;
    char* end = nullptr;
    seconds = strtod(word, &end);
    if (end == word || *end != '\0' || !(seconds > 0) || seconds > 86400) {
      ReportError("the time must be a number of seconds above 0; ignored", word);
      return CmdHandled;
    }
  } else if (!ReadNumber(&seconds)) {
    return CmdHandled;
  }
  SetSecondsPerMove(seconds);
  Confirm("The engine thinks %g second%s a move.", seconds, seconds == 1 ? "" : "s");
  return CmdHandled;
}

// "time N": the engine's clock, in centiseconds.
uint8_t TimeCommand() {
  double centiseconds = 0;
  if (ReadNumber(&centiseconds)) Xboard.TimeLeft = ClampMs(centiseconds * 10.0);
  return CmdHandled;
}

uint8_t DepthCommand(const char* command, bool readsInXboard, bool setsFixedDepth) {
  const bool console = !Protocol.XboardMode;
  char word[WordSize];
  if (console && !Protocol.Person) {
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
  if (console && !Protocol.Person) printf("MAXDEPTH %d\n", MainBoard.MaxDepth);
  Confirm("The engine searches at most %d plies a move.", MainBoard.MaxDepth);
  if (setsFixedDepth) MainBoard.FixedDepth = MainBoard.MaxDepth;
  MainBoard.BestFrom = 0;
  MainBoard.BestTo = 0;
  Flush();
  return CmdHandled;
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

// "ping N" is answered once every earlier command has taken effect. A search for the engine's
// own move answers after the move; analysis, like pondering, answers at once.
uint8_t PingCommand() {
  char number[WordSize];
  if (!ReadArgument(number, sizeof number)) return CmdHandled;
  if (SearchRunning && !Xboard.AnalyzeMode && !Pondering) {
    QueuePong(number);
  } else {
    printf("pong %s\n", number);
    Flush();
  }
  return CmdHandled;
}

// "force" while the engine thinks about its move: the search stops and nothing is played.
uint8_t ForceCommand() {
  Xboard.Force = 1;
  if (SearchRunning && !Xboard.AnalyzeMode) {
    PositionReplaced = true;
    return CmdStop;
  }
  return CmdHandled;
}

// "playother": leave force mode; the engine plays the side not on move and waits for its move.
uint8_t PlayOtherCommand() {
  Xboard.Force = 0;
  Xboard.HumanToMove = 1;
  return CmdHandled;
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

}  // namespace xboard

// ---- The opponent's turn ---------------------------------------------------------------------

using namespace xboard;

void TypeAheadWord(const char* word) { snprintf(ReplayWord, sizeof ReplayWord, "%s", word); }

void PendingMove(uint64_t* from, uint64_t* to, char* promotion) {
  *from = PendingFrom;
  *to = PendingTo;
  *promotion = PendingPromotion;
}

// Force mode lasts until "go", "new" or "playother": moves typed meanwhile are made for both sides.
uint8_t HumanMove() {
  char word[WordSize];
  for (;;) {
    const bool console = !Protocol.XboardMode;
    // The first screen has prompted for the word typed first.
    if (console && !(FirstScreenShown && ReplayWord[0])) PrintPrompt();
    FirstScreenShown = false;
    if (ReplayWord[0]) {
      // The word that ended a ponder search, now for the real game position.
      snprintf(word, sizeof word, "%s", ReplayWord);
      ReplayWord[0] = '\0';
    } else if (ReadWord(word, sizeof word) == InputResult::TooLong) {
      ReportTooLong(word, sizeof word, "ignored");
      continue;
    }
    if (console && !Protocol.Person) {
      char shown[64];
      PrintableExcerpt(shown, sizeof shown, word);
      printf("%s\n", shown);
      Flush();
    }
    if (console && !LineFitsCommand(word)) continue;
    const uint8_t r = DoCommand(word);
    if (r == CmdHandled) continue;
    if (r != CmdMove) return r;
    // Force mode: the moves of both sides are entered one after the other, the half-move number
    // left as it is.
    PlayGameMove(PendingFrom, PendingTo, PendingPromotion, !Xboard.Force);
    if (!Xboard.Force) return MainBoard.FiftyMoveCount > 99 ? CmdFiftyMoves : CmdMove;
  }
}

void MakeGUIMove(uint64_t from, uint64_t to, char promotion, int score) {
  if (from == 0 || to == 0) return;  // no move to show
  const uint8_t fromIndex = static_cast<uint8_t>(RightMostBit(from) - 1);
  const uint8_t toIndex = static_cast<uint8_t>(RightMostBit(to) - 1);
  char move[8];
  *PutMoveCoordinates(move, fromIndex, toIndex, promotion) = '\0';
  // Chess960 castling goes as O-O or O-O-O, as xboard writes it there.
  if (const int wing = MainBoard.Chess960 ? CastlingWing(MainBoard, from, to) : -1; wing >= 0)
    snprintf(move, sizeof move, "%s", wing == CastleShort ? "O-O" : "O-O-O");
  // Protocol 2 GUIs read "move e2e4"; older ones the text after the move number.
  if (ProtocolVersion >= 2)
    printf("move %s\n", move);
  else
    printf(" %s \n", move);
  LogPrintf("Move Made: %d %d %d %lld  %s \n", Clock.CompletedDepth, score / 10, 0,
            static_cast<long long>(Search.Nodes()), move);
  Flush();
}
