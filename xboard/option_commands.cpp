// The handshake and the engine's settings: "protover" and its features (with the options the
// engine offers), "accepted" and "rejected", "option NAME=VALUE", "cores", "memory" and
// "strength". The options are the rows of the engine's option table.

#include "xboard/option_commands.h"

#include <cstdio>
#include <cstring>

#include "board/log_file.h"
#include "game/engine_options.h"
#include "game/game_state.h"
#include "game/status.h"
#include "game/strength.h"
#include "search/search_report.h"
#include "tablebase/syzygy.h"
#include "xboard/command_input.h"
#include "xboard/console.h"
#include "xboard/commands.h"

namespace xboard {
namespace {

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
    case OptionType::String:
      printf("feature option=\"%s -string %s\"\n", option.Name, option.Text());
      break;
    case OptionType::Button:
      printf("feature option=\"%s -button\"\n", option.Name);
      break;
  }
}

// A number taken into a Spin row's range, as "memory" and "cores" read theirs.
int32_t InRange(const EngineOption& option, double number) {
  if (!(number >= option.Min)) return option.Min;
  if (number > option.Max) return option.Max;
  return static_cast<int32_t>(number);
}

// What a setting tells once it is taken: a comment, which the GUI shows in its engine output.
void TellNote(const char* note) {
  if (const char* comment = Protocol.CommentPrefix()) printf("%s%s\n", comment, note);
  Flush();
}

}  // namespace

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
  printf("feature myname=\"Orvo %s\" variants=\"normal,fischerandom\"\n", EngineVersion);
  if (SyzygyAvailable()) printf("feature egt=\"syzygy\"\n");
  for (int i = 0; i < EngineOptionCount; i++)
    if (EngineOptions[i].OfferedTo & OfferedToXboard) PrintOptionFeature(EngineOptions[i]);
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

// "option NAME=VALUE" ("option NAME" for a button): a setting the engine offered with its
// features.
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
  const EngineOption* option = FindEngineOption(name, OfferedToXboard);
  if (option == nullptr) {
    ReportError("unknown option", shown);
    return CmdHandled;
  }
  // Only a button goes without a value.
  if (equals == nullptr && option->Type != OptionType::Button) {
    ReportError("the option needs a value", shown);
    return CmdHandled;
  }
  const char* value = equals ? equals + 1 : "";
  if (SearchRunning && !option->WhileThinking) {
    ReportError("not while thinking", shown);
    return CmdHandled;
  }
  if (const char* reason = SetEngineOption(*option, value))
    ReportError(reason, shown);
  else if (option->Note != nullptr)
    TellNote(option->Note());
  else
    Confirm("%s is now %s.", option->Name, value);
  return CmdHandled;
}

// The number of "cores N" or "memory N" for the option row called name, taken into the row's
// range; false (with the reason told) when there is none or the row may not change now.
bool NumberForRow(const char* command, const char* name, const EngineOption** row, int32_t* number) {
  double value = 0;
  if (!ReadNumber(&value)) return false;
  *row = FindEngineOption(name);
  if (SearchRunning && !(*row)->WhileThinking) {
    ReportError("not while thinking", command);
    return false;
  }
  *number = InRange(**row, value);
  return true;
}

namespace {

// The option SyzygyPath becomes path (unless a search that may not change it runs), and the
// tables found are told.
void SetTablesPath(const char* path, const char* command) {
  const EngineOption& row = *FindEngineOption("SyzygyPath");
  if (SearchRunning && !row.WhileThinking) {
    ReportError("not while thinking", command);
    return;
  }
  SetEngineOption(row, path);
  TellNote(row.Note());
}

}  // namespace

// "egtpath syzygy PATH": the folders of the Syzygy tables. Tables of another kind are not read.
uint8_t EgtPathCommand() {
  char line[LineSize];
  const char* text = ReadArgumentLine(line, sizeof line, "the tables stay as they were");
  if (text == nullptr) return CmdHandled;
  const size_t kind = strcspn(text, " \t");
  if (kind != 6 || strncmp(text, "syzygy", 6) != 0) {
    ReportError("only syzygy tables are read", "egtpath");
    return CmdHandled;
  }
  SetTablesPath(text + kind, "egtpath");
  return CmdHandled;
}

// "tb PATH": the same at the console, where the kind of table goes without saying.
uint8_t TablesCommand() {
  char line[LineSize];
  if (const char* text = ReadArgumentLine(line, sizeof line, "the tables stay as they were"))
    SetTablesPath(text, "tb");
  return CmdHandled;
}

// "cores N": search with N threads (the engine's thread and N - 1 helpers), the option Threads.
uint8_t CoresCommand() {
  const EngineOption* threads = nullptr;
  int32_t count = 0;
  if (!NumberForRow("cores", "Threads", &threads, &count)) return CmdHandled;
  if (threads->Apply(count, "") != nullptr) {
    printf("telluser Only %d threads could be started\n", threads->Number());
    Flush();
  } else {
    Confirm("The engine searches with %d thread%s.", count, count == 1 ? "" : "s");
  }
  return CmdHandled;
}

// "memory N": the transposition table takes N MiB (at most), the option Hash.
uint8_t MemoryCommand() {
  const EngineOption* hash = nullptr;
  int32_t size = 0;
  if (!NumberForRow("memory", "Hash", &hash, &size)) return CmdHandled;
  if (hash->Apply(size, "") != nullptr) {
    printf("telluser Not enough memory for a %d MB hash table; keeping %d MB\n", size, hash->Number());
    Flush();
  } else {
    Confirm("The hash table takes %d MB.", hash->Number());
  }
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

}  // namespace xboard
