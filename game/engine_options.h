#pragma once
// The settings a GUI changes by name, shared by both front ends. Every setting is one row of
// EngineOptions, and both front ends work from the rows: UCI lists the rows it offers in answer
// to "uci" and applies "setoption" through them; xboard announces its rows as
// "feature option=...", applies "option NAME=VALUE" through them, and its "memory" and "cores"
// commands set the Hash and Threads rows. Names are matched without regard to case.

#include <cstddef>
#include <cstdint>

// The deepest ply the BookDepth option offers (0 asks the book at every ply).
constexpr int32_t MaxBookDepth = 1000;

enum class OptionType {
  File,    // a file name; empty (or UCI's "<empty>") for none
  Spin,    // a whole number from Min to Max; a larger one is taken as Max
  Check,   // on or off: "true" or "1", "false" or "0"
  String,  // a text
  Button,  // no value: setting it does something at once
};

// The front ends that list a row among their options for the GUI's menu (UCI "option name ...",
// xboard "feature option=...").
constexpr uint8_t OfferedToUci = 1;
constexpr uint8_t OfferedToXboard = 2;
constexpr uint8_t OfferedToBoth = OfferedToUci | OfferedToXboard;

// A row names what it needs; the rest stays empty (nullptr, 0, false).
struct EngineOption {
  const char* Name = nullptr;
  OptionType Type = OptionType::Check;
  uint8_t OfferedTo = 0;        // OfferedToUci, OfferedToXboard or both
  int32_t Min = 0, Max = 0;     // Spin: the range
  const char* Unit = nullptr;   // Spin: what the number counts, for the message on a bad value
  // Whether the setting may change while the engine thinks (a book file is read into memory,
  // and nothing is allocated while searching).
  bool WhileThinking = false;
  // The present value: the number of a Spin or a Check (1 on, 0 off), or the text of a File or
  // a String.
  int32_t (*Number)() = nullptr;
  const char* (*Text)() = nullptr;
  // The number UCI announces as the option's default; nullptr when that is the present value.
  int32_t (*Default)() = nullptr;
  // For a row that reads its value its own way rather than as its type does: reads text into
  // number and returns nullptr, or why text is no value.
  const char* (*Read)(const char* text, int32_t* number) = nullptr;
  // Applies a value already read: the number of a Spin or a Check, the text of a File or a
  // String (a Button gets the text as sent). Returns nullptr, or why the value was not taken.
  const char* (*Apply)(int32_t number, const char* text) = nullptr;
  // What the GUI is told once a value has been taken (the tables a path holds), or nullptr.
  const char* (*Note)() = nullptr;
};

extern const EngineOption EngineOptions[];
extern const int EngineOptionCount;

// The UCI option "Ponder": the GUI lets the engine think on the opponent's time, so "bestmove"
// names the reply the engine expects.
extern bool PonderOption;

// The row called name among those offered to the given front ends (any row for OfferedToBoth),
// or nullptr.
const EngineOption* FindEngineOption(const char* name, uint8_t offeredTo = OfferedToBoth);
// Sets the option from the value text as the GUI sent it (nullptr when it sent none). Returns
// nullptr, or a one-line reason (the setting then stays as it was, except that a book file that
// cannot be read leaves the engine without a book). The reason lives in a static buffer until
// the next call.
const char* SetEngineOption(const EngineOption& option, const char* value);
