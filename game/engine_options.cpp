// The settings both front ends offer a GUI by name, and how a value sent for one is read.

#include "game/engine_options.h"

#include <strings.h>

#include <cstdio>
#include <cstring>

#include "board/castling.h"
#include "book/opening_book.h"
#include "book/polyglot_book.h"
#include "game/input.h"
#include "game/status.h"
#include "game/strength.h"
#include "hash/pawn_hash.h"
#include "hash/transposition_table.h"
#include "search/search_control.h"
#include "search/search_report.h"
#include "search/search_routines.h"
#include "search/threads.h"
#include "search/time_budget.h"
#include "tablebase/syzygy.h"

bool PonderOption = false;

namespace {

constexpr const char* AboutText = "Orvo, a bitboard chess engine with an alpha-beta search";
// The speed guess for the thinking lines of an analysis, before any search has measured one.
constexpr int32_t AnalyseModeNodesPerSecond = 200005;

// Room for a value as long as an input line, and for a message that quotes it.
constexpr size_t ValueSize = InputLineSize;
char Reason[ValueSize + 200];

int32_t Off() { return 0; }
int32_t On() { return 1; }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// ---- Reading a value -------------------------------------------------------------------------

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

// The switches only UCI offers: a first word "true" turns them on, any other value (or none)
// off.
const char* ReadUciSwitch(const char* text, int32_t* on) {
  *on = strncasecmp(text, "true", 4) == 0 && (text[4] == '\0' || IsBlank(text[4]));
  return nullptr;
}

// Hash and Threads take the number the value starts with, whatever follows it.
const char* ReadHashSize(const char* text, int32_t* mb) {
  if (*text < '0' || *text > '9') return "Hash needs a size in MB";
  const int32_t size = LeadingNumber(text, TranspositionTables::MaxSizeMb);
  *mb = size < TranspositionTables::MinSizeMb ? TranspositionTables::MinSizeMb : size;
  return nullptr;
}

const char* ReadThreadCount(const char* text, int32_t* threads) {
  if (*text < '0' || *text > '9') return "Threads needs a number of threads";
  const int32_t count = LeadingNumber(text, MaxSearchThreads);
  *threads = count < 1 ? 1 : count;
  return nullptr;
}

// ---- Applying a value ------------------------------------------------------------------------

// The account of the last Syzygy path set, told to the GUI.
char SyzygyNote[300];

const char* ApplySyzygyPath(int32_t, const char* path) {
  SetSyzygyPath(path, SyzygyNote, sizeof SyzygyNote);
  return nullptr;
}

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

// A book given on the command line is in use from the start; otherwise the book is off until
// the GUI turns it on.
int32_t BookGivenAtStart() { return FileBook.Loaded() && FileBook.Enabled; }

const char* ApplyOwnBook(int32_t on, const char*) {
  if (on) {
    MainStatus.UseBook = 1;
    FileBook.Enabled = true;
    buildbook();
  } else {
    MainStatus.UseBook = 0;
  }
  return nullptr;
}

// Every "go" says itself whether it is an endless analysis: the option only shows the thinking
// lines.
const char* ApplyAnalyseMode(int32_t on, const char*) {
  Protocol.Post = on ? 1 : 0;
  if (on) SeedNodesPerSecond(AnalyseModeNodesPerSecond);
  return nullptr;
}

const char* ApplyHashSize(int32_t mb, const char*) {
  if (PositionCache.Resize(mb)) return nullptr;
  snprintf(Reason, sizeof Reason, "Not enough memory for Hash %d; the table keeps %d MB", mb, PositionCache.SizeMb());
  return Reason;
}

const char* ClearHash(int32_t, const char*) {
  PositionCache.ClearTranspositionTables();
  ClearPawnHash();
  ClearHelperPawnHashes();
  return nullptr;
}

// The engine's thread and count - 1 helpers.
const char* ApplyThreadCount(int32_t count, const char*) {
  const int started = SetThreadCount(count);
  if (started >= count) return nullptr;
  snprintf(Reason, sizeof Reason, "Only %d threads could be started", started);
  return Reason;
}

}  // namespace

// The options in the order UCI lists them; xboard lists those it offers in the same order. A
// new option is a new row (and the function that applies it).
const EngineOption EngineOptions[] = {
    {.Name = "UCI_AnalyseMode", .Type = OptionType::Check, .OfferedTo = OfferedToUci, .Max = 1,
     .WhileThinking = true, .Number = [] { return static_cast<int32_t>(Protocol.Post); }, .Default = Off,
     .Read = ReadUciSwitch, .Apply = ApplyAnalyseMode},
    // OwnBook and SecondaryBook are one switch: whether the engine plays from its book.
    {.Name = "OwnBook", .Type = OptionType::Check, .OfferedTo = OfferedToUci, .Max = 1,
     .Number = [] { return static_cast<int32_t>(MainStatus.UseBook); }, .Default = BookGivenAtStart,
     .Read = ReadUciSwitch, .Apply = ApplyOwnBook},
    {.Name = "SecondaryBook", .Type = OptionType::Check, .OfferedTo = OfferedToUci, .Max = 1,
     .Number = [] { return static_cast<int32_t>(MainStatus.UseBook); }, .Default = Off, .Read = ReadUciSwitch,
     .Apply = ApplyOwnBook},
    {.Name = "BookFile", .Type = OptionType::File, .OfferedTo = OfferedToBoth, .Text = BookFileText,
     .Apply = ApplyBookFile},
    {.Name = "BookDepth", .Type = OptionType::Spin, .OfferedTo = OfferedToBoth, .Max = MaxBookDepth, .Unit = "plies",
     .WhileThinking = true, .Number = [] { return FileBook.LastPly; },
     .Apply = [](int32_t plies, const char*) -> const char* {
       FileBook.LastPly = plies;
       return nullptr;
     }},
    {.Name = "BookVariety", .Type = OptionType::Check, .OfferedTo = OfferedToBoth, .Max = 1, .WhileThinking = true,
     .Number = [] { return static_cast<int32_t>(FileBook.Variety); },
     .Apply = [](int32_t on, const char*) -> const char* {
       FileBook.Variety = on != 0;
       return nullptr;
     }},
    // The root move under search, shown in long searches.
    {.Name = "UCI_ShowCurrLine", .Type = OptionType::Check, .OfferedTo = OfferedToUci, .Max = 1,
     .WhileThinking = true, .Number = [] { return static_cast<int32_t>(ShowCurrentMove); }, .Default = On,
     .Read = ReadUciSwitch,
     .Apply = [](int32_t on, const char*) -> const char* {
       ShowCurrentMove = on != 0;
       return nullptr;
     }},
    {.Name = "Ponder", .Type = OptionType::Check, .OfferedTo = OfferedToUci, .Max = 1, .WhileThinking = true,
     .Number = [] { return static_cast<int32_t>(PonderOption); }, .Default = Off, .Read = ReadUciSwitch,
     .Apply = [](int32_t on, const char*) -> const char* {
       PonderOption = on != 0;
       return nullptr;
     }},
    {.Name = "Move Overhead", .Type = OptionType::Spin, .OfferedTo = OfferedToBoth, .Max = MaxMoveOverheadMs,
     .Unit = "milliseconds", .WhileThinking = true, .Number = [] { return MoveOverheadMs; },
     .Default = [] { return DefaultMoveOverheadMs; },
     .Apply = [](int32_t ms, const char*) -> const char* {
       MoveOverheadMs = ms;
       return nullptr;
     }},
    // Read-only text for the GUI: a value sent for it changes nothing.
    {.Name = "UCI_EngineAbout", .Type = OptionType::String, .OfferedTo = OfferedToUci, .WhileThinking = true,
     .Text = [] { return AboutText; }, .Apply = [](int32_t, const char*) -> const char* { return nullptr; }},
    // The transposition table's size; xboard sets it with "memory".
    {.Name = "Hash", .Type = OptionType::Spin, .OfferedTo = OfferedToUci, .Min = TranspositionTables::MinSizeMb,
     .Max = TranspositionTables::MaxSizeMb, .Unit = "MB", .Number = [] { return PositionCache.SizeMb(); },
     .Default = [] { return TranspositionTables::DefaultSizeMb; }, .Read = ReadHashSize, .Apply = ApplyHashSize},
    {.Name = "Clear Hash", .Type = OptionType::Button, .OfferedTo = OfferedToUci, .Apply = ClearHash},
    // The search threads; xboard sets them with "cores", which may come while the engine
    // thinks: the helper threads wait while a command is carried out, so the count may change
    // then.
    {.Name = "Threads", .Type = OptionType::Spin, .OfferedTo = OfferedToUci, .Min = 1, .Max = MaxSearchThreads,
     .Unit = "threads", .WhileThinking = true, .Number = ThreadCount, .Default = [] { return 1; },
     .Read = ReadThreadCount, .Apply = ApplyThreadCount},
    // The lines a search reports; the number the search reads at every depth, so only between
    // searches.
    {.Name = "MultiPV", .Type = OptionType::Spin, .OfferedTo = OfferedToBoth, .Min = 1, .Max = MaxMultiPV,
     .Unit = "lines", .Number = [] { return Search.MultiPV; }, .Default = [] { return 1; },
     .Apply = [](int32_t lines, const char*) -> const char* {
       Search.MultiPV = lines;
       return nullptr;
     }},
    // A weaker level of play, and its rating (read only while UCI_LimitStrength is on).
    {.Name = "UCI_LimitStrength", .Type = OptionType::Check, .OfferedTo = OfferedToBoth, .Max = 1,
     .WhileThinking = true, .Number = [] { return static_cast<int32_t>(Strength.Limited); },
     .Apply = [](int32_t on, const char*) -> const char* {
       Strength.Limited = on != 0;
       return nullptr;
     }},
    {.Name = "UCI_Elo", .Type = OptionType::Spin, .OfferedTo = OfferedToBoth, .Min = MinStrengthElo,
     .Max = MaxStrengthElo, .Unit = "rating points", .WhileThinking = true, .Number = [] { return Strength.Elo; },
     .Apply = [](int32_t elo, const char*) -> const char* {
       Strength.Elo = elo;
       return nullptr;
     }},
    // Syzygy endgame tables: the folders (separated by ':'), and how the search uses them.
    {.Name = "SyzygyPath", .Type = OptionType::String, .OfferedTo = OfferedToBoth, .Text = []() -> const char* { return Syzygy.Path; },
     .Apply = ApplySyzygyPath, .Note = [] { return static_cast<const char*>(SyzygyNote); }},
    {.Name = "SyzygyProbeDepth", .Type = OptionType::Spin, .OfferedTo = OfferedToBoth, .Min = 1, .Max = 100,
     .Unit = "plies", .Number = [] { return Syzygy.ProbeDepth; },
     .Apply = [](int32_t plies, const char*) -> const char* {
       Syzygy.ProbeDepth = plies;
       return nullptr;
     }},
    {.Name = "Syzygy50MoveRule", .Type = OptionType::Check, .OfferedTo = OfferedToBoth, .Max = 1,
     .Number = [] { return static_cast<int32_t>(Syzygy.Rule50); },
     .Apply = [](int32_t on, const char*) -> const char* {
       Syzygy.Rule50 = on != 0;
       return nullptr;
     }},
    {.Name = "SyzygyProbeLimit", .Type = OptionType::Spin, .OfferedTo = OfferedToBoth, .Max = 7, .Unit = "pieces",
     .Number = [] { return Syzygy.ProbeLimit; },
     .Apply = [](int32_t pieces, const char*) -> const char* {
       Syzygy.ProbeLimit = pieces;
       return nullptr;
     }},
    // Chess960: castling from any start, written as the king taking its own rook (e1h1). The
    // GUI sends the position afterwards; rights the position cannot have in the new mode go.
    {.Name = "UCI_Chess960", .Type = OptionType::Check, .OfferedTo = OfferedToUci, .Max = 1,
     .Number = [] { return static_cast<int32_t>(MainBoard.Chess960); }, .Default = Off, .Read = ReadUciSwitch,
     .Apply = [](int32_t on, const char*) -> const char* {
       SetChess960(MainBoard, on != 0);
       return nullptr;
     }},
};
const int EngineOptionCount = static_cast<int>(sizeof EngineOptions / sizeof EngineOptions[0]);

const EngineOption* FindEngineOption(const char* name, uint8_t offeredTo) {
  for (const EngineOption& option : EngineOptions)
    if ((option.OfferedTo & offeredTo) && strcasecmp(name, option.Name) == 0) return &option;
  return nullptr;
}

const char* SetEngineOption(const EngineOption& option, const char* value) {
  char text[ValueSize];
  Trimmed(value, text, sizeof text);
  int32_t number = 0;
  if (option.Read) {
    if (const char* why = option.Read(text, &number)) return why;
    return option.Apply(number, text);
  }
  switch (option.Type) {
    case OptionType::File:
    case OptionType::String:
    case OptionType::Button:
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
