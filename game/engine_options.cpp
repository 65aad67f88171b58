// The settings both front ends offer a GUI by name, and how a value sent for one is read.

#include "game/engine_options.h"

#include <strings.h>

#include <cstdio>
#include <cstring>

#include "book/polyglot_book.h"
#include "game/input.h"
#include "game/strength.h"
#include "search/search_routines.h"
#include "search/time_budget.h"

namespace {

// Room for a value as long as an input line, and for a message that quotes it.
constexpr size_t ValueSize = InputLineSize;
char Reason[ValueSize + 200];

const char* BookFileText() { return FileBook.Loaded() ? FileBook.Path.c_str() : ""; }

// No name, or "<empty>" (what UCI GUIs show for an empty text), drops the book.
const char* ApplyBookFile(int32_t, const char* path) {
  if (*path == '\0' || strcmp(path, "<empty>") == 0) {
    FileBook.Unload();
    return nullptr;
  }
  if (const char* why = FileBook.Load(path)) {
    snprintf(Reason, sizeof Reason, "Opening book %s refused: %s; playing without a book", path, why);
    return Reason;
  }
  return nullptr;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The value without the blanks around it, in a buffer of its own.
const char* Trimmed(const char* value, char* out, size_t size) {
  if (value == nullptr) value = "";
  while (IsBlank(*value)) value++;
  size_t n = strnlen(value, size - 1);
  while (n > 0 && IsBlank(value[n - 1])) n--;
  memcpy(out, value, n);
  out[n] = '\0';
  return out;
}

// A whole number of decimal digits, nothing else, taken into [min, max]. False when the text is
// not one.
bool ReadSpin(const char* text, int32_t min, int32_t max, int32_t* number) {
  if (*text == '\0') return false;
  int64_t v = 0;
  for (const char* p = text; *p; p++) {
    if (*p < '0' || *p > '9') return false;
    v = v * 10 + (*p - '0');
    if (v > max) v = max;  // keeps the sum small however many digits follow
  }
  *number = static_cast<int32_t>(v < min ? min : v);
  return true;
}

bool ReadCheck(const char* text, int32_t* number) {
  if (strcasecmp(text, "true") == 0 || strcmp(text, "1") == 0) *number = 1;
  else if (strcasecmp(text, "false") == 0 || strcmp(text, "0") == 0) *number = 0;
  else return false;
  return true;
}

}  // namespace

// The options in the order the GUIs list them. A new one is a new row.
const EngineOption EngineOptions[] = {
    {"BookFile", OptionType::File, 0, 0, nullptr, false, nullptr, BookFileText, ApplyBookFile},
    {"BookDepth", OptionType::Spin, 0, MaxBookDepth, "plies", true, [] { return FileBook.LastPly; }, nullptr,
     [](int32_t plies, const char*) -> const char* {
       FileBook.LastPly = plies;
       return nullptr;
     }},
    {"BookVariety", OptionType::Check, 0, 1, nullptr, true, [] { return static_cast<int32_t>(FileBook.Variety); },
     nullptr,
     [](int32_t on, const char*) -> const char* {
       FileBook.Variety = on != 0;
       return nullptr;
     }},
    {"Move Overhead", OptionType::Spin, 0, MaxMoveOverheadMs, "milliseconds", true, [] { return MoveOverheadMs; },
     nullptr,
     [](int32_t ms, const char*) -> const char* {
       MoveOverheadMs = ms;
       return nullptr;
     }},
    // The lines a search reports; the number the search reads at every depth, so only between
    // searches.
    {"MultiPV", OptionType::Spin, 1, MaxMultiPV, "lines", false, [] { return Search.MultiPV; }, nullptr,
     [](int32_t lines, const char*) -> const char* {
       Search.MultiPV = lines;
       return nullptr;
     }},
    // A weaker level of play, and its rating (read only while UCI_LimitStrength is on).
    {"UCI_LimitStrength", OptionType::Check, 0, 1, nullptr, true, [] { return static_cast<int32_t>(Strength.Limited); },
     nullptr,
     [](int32_t on, const char*) -> const char* {
       Strength.Limited = on != 0;
       return nullptr;
     }},
    {"UCI_Elo", OptionType::Spin, MinStrengthElo, MaxStrengthElo, "rating points", true, [] { return Strength.Elo; },
     nullptr,
     [](int32_t elo, const char*) -> const char* {
       Strength.Elo = elo;
       return nullptr;
     }},
};
const int EngineOptionCount = static_cast<int>(sizeof EngineOptions / sizeof EngineOptions[0]);

const EngineOption* FindEngineOption(const char* name) {
  for (const EngineOption& option : EngineOptions)
    if (strcasecmp(name, option.Name) == 0) return &option;
  return nullptr;
}

const char* SetEngineOption(const EngineOption& option, const char* value) {
  char text[ValueSize];
  Trimmed(value, text, sizeof text);
  int32_t number = 0;
  switch (option.Type) {
    case OptionType::File:
      break;
    case OptionType::Spin:
      if (!ReadSpin(text, option.Min, option.Max, &number)) {
        snprintf(Reason, sizeof Reason, "%s needs a number of %s, %d to %d", option.Name, option.Unit, option.Min,
                 option.Max);
        return Reason;
      }
      break;
    case OptionType::Check:
      if (!ReadCheck(text, &number)) {
        snprintf(Reason, sizeof Reason, "%s needs true or false (1 or 0)", option.Name);
        return Reason;
      }
      break;
  }
  return option.Apply(number, text);
}
