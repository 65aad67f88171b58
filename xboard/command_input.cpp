// Reading the arguments of the xboard and console commands, and reporting refusals.

#include "xboard/command_input.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/log_file.h"
#include "game/game_state.h"
#include "search/search_report.h"
#include "xboard/console.h"

namespace xboard {

const char* RunningCommand = "";

void Flush() { fflush(stdout); }

bool AtConsole() { return !Protocol.XboardMode; }

namespace {

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

}  // namespace

void ReportError(const char* kind, const char* text) {
  char shownKind[160], shownText[160];
  PrintableExcerpt(shownKind, sizeof shownKind, kind, 120);
  PrintableExcerpt(shownText, sizeof shownText, text, 120);
  printf("Error (%s): %s\n", shownKind, shownText);
  Flush();
  LogPrintf("Error (%s): %s", shownKind, shownText);
}

bool ReadArgument(char* word, size_t size) {
  if (AtConsole() && !WordFollowsOnLine()) {
    ReportMissingArgument();
    return false;
  }
  if (ReadWord(word, size) != InputResult::TooLong) return true;
  ReportTooLong(word, size, "command ignored");
  return false;
}

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

bool ReadNumber(double* value) {
  char word[WordSize];
  if (!ReadArgument(word, sizeof word)) return false;
  const double v = strtod(word, nullptr);
  *value = v == v ? v : 0;  // NaN counts as 0
  return true;
}

void SkipArguments() {
  if (!SearchRunning) DiscardRestOfLine();
}

}  // namespace xboard
