// The xboard and console command interpreter: the table of command words and the dispatch of a
// word, one at a time, from the opponent's turn or from the search's input polling while the
// engine thinks. The commands themselves live with their topics: game_commands (moves, the game,
// the clock, analysis), position_commands (setboard, edit, hint, bk) and option_commands (the
// handshake and the settings); command_input reads their arguments.

#include "xboard/commands.h"

#include <cstdio>
#include <cstring>

#include "board/chess_board.h"
#include "board/fen.h"
#include "board/log_file.h"
#include "game/game_state.h"
#include "game/input.h"
#include "game/move_parse.h"
#include "game/status.h"
#include "search/search_control.h"
#include "search/search_report.h"
#include "xboard/command_input.h"
#include "xboard/console.h"
#include "xboard/game_commands.h"
#include "xboard/option_commands.h"
#include "xboard/position_commands.h"
#include "xboard/xboard_settings.h"

namespace xboard {
namespace {

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

uint8_t SetFlagCommand(int8_t& flag, int8_t value) {
  flag = value;
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
    {"egtpath", [](const char*) { return EgtPathCommand(); }},
    {"egtpath", IgnoreArguments},
    {"exit", [](const char*) { return ExitCommand(); }},
    {"force", [](const char*) { return ForceCommand(); }},
    {"fullrand", Handled},
    {"go",
     [](const char*) {
       Xboard.Force = 0;
       Xboard.HumanToMove = 0;
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
    {"new960", [](const char*) { return New960Command(); }},
    {"nopost",
     [](const char*) {
       Confirm("The engine's thinking is hidden.");
       return SetFlagCommand(Protocol.Post, 0);
     }},
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
    {"post",
     [](const char*) {
       Confirm("The engine shows its thinking.");
       return SetFlagCommand(Protocol.Post, 1);
     }},
    {"protover", [](const char*) { return ProtoverCommand(); }},
    {"quit", [](const char*) { return QuitCommand(); }},
    {"random", Handled},
    {"rating", IgnoreArguments},
    {"rejected", [](const char*) { return FeatureReplyCommand(false); }},
    {"remove", [](const char* word) { return TakeBackCommand(word, 2); }},
    {"result", [](const char*) { return ResultCommand(); }},
    {"selfplay",
     [](const char*) {
       Xboard.SelfPlay = 1;
       return CmdStop;
     }},
    {"setboard", [](const char*) { return SetBoardCommand(); }},
    {"Depth", [](const char* word) { return DepthCommand(word, true, false); }},
    {"DEPTH", [](const char* word) { return DepthCommand(word, true, false); }},
    {"sd", [](const char* word) { return DepthCommand(word, true, false); }},
    {"sfd", [](const char* word) { return DepthCommand(word, false, true); }},
    {"st", [](const char*) { return FixedTimeCommand(); }},
    {"strength", [](const char*) { return StrengthCommand(); }},
    {"tb", [](const char*) { return TablesCommand(); }},
    {"time", [](const char*) { return TimeCommand(); }},
    {"traceflag",
     [](const char*) {
       TraceFlag = static_cast<int8_t>((TraceFlag + 1) % 2);
       return CmdHandled;
     }},
    {"undo", [](const char* word) { return TakeBackCommand(word, 1); }},
    {"usermove", [](const char*) { return UserMoveCommand(); }},
    {"variant", [](const char*) { return VariantCommand(); }},
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

// "help" lists the commands; "help sd" shows the one.
uint8_t HelpCommand(const char*) {
  char topic[WordSize];
  if (!WordFollowsOnLine()) {
    PrintConsoleHelp();
  } else if (ReadArgument(topic, sizeof topic) && !PrintConsoleHelp(topic)) {
    char shown[64];
    PrintableExcerpt(shown, sizeof shown, topic);
    printf("No command %s; help lists them all\n", shown);
    Flush();
  }
  return CmdHandled;
}

// "show moves": the game so far in algebraic notation.
uint8_t ShowCommand(const char*) {
  char what[WordSize];
  if (!ReadArgument(what, sizeof what)) return CmdHandled;
  if (strcmp(what, "moves") != 0) {
    ReportError("usage: show moves", what);
    return CmdHandled;
  }
  static char text[MaxRecordedMoves * 12];
  RecordedMovesText(0, text, sizeof text);
  printf("%s\n", *text ? text : "No moves yet");
  Flush();
  return CmdHandled;
}

// "fen": the position in Forsyth-Edwards Notation.
uint8_t FenCommand(const char*) {
  char fen[128];
  WriteFen(MainBoard, LegalEnPassantSquare(MainBoard), MainBoard.FiftyMoveCount, CurrentMoveNumber(), fen);
  printf("%s\n", fen);
  Flush();
  return CmdHandled;
}

// "quiet": the console speaks to a person; "verbose": it writes its diagnostic lines again.
uint8_t QuietCommand(bool quiet) {
  Protocol.Person = quiet ? 1 : 0;
  printf("%s\n", quiet ? "Quiet: the board, your prompt and the engine's moves (verbose shows the engine's workings)"
                      : "Verbose: every diagnostic line of the engine (quiet hides them)");
  Flush();
  return CmdHandled;
}

constexpr Command ConsoleCommands[] = {
    {"board", ShowBoardCommand},
    {"d", ShowBoardCommand},
    {"fen", FenCommand},
    {"help", HelpCommand},
    {"quiet", [](const char*) { return QuietCommand(true); }},
    {"show", ShowCommand},
    {"verbose", [](const char*) { return QuietCommand(false); }},
    {"resign", [](const char*) { return ResignCommand(); }},
    {"review",
     [](const char*) {
       if (SearchRunning) ReportError("not while thinking", "review");
       else ReviewConsoleGame();
       return CmdHandled;
     }},
    {"save", [](const char*) { return SaveCommand(); }},
};

// While the engine thinks, the search hands over the words that arrive. A console game is not
// interrupted while the engine thinks, but console analysis is: it runs until the user types
// "exit" or "quit" (or the input ends).
bool CommandWaiting() {
  if (!Protocol.XboardMode && !Xboard.AnalyzeMode) return false;
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
}  // namespace xboard

using namespace xboard;

void ListenForCommands() { InstallCommandSource({CommandWaiting, CommandWhileThinking}); }

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
  if ((word[0] >= 'a' && word[0] <= 'h' && word[1] >= '0' && word[1] <= '8') || IsCastlingWord(word))
    return MoveCommand(word);
  return UnknownCommand(word);
}
