#pragma once
// The settings a GUI changes by name, shared by both front ends: UCI's "setoption" and xboard's
// "option" apply them here, and each announces them in its own form (UCI "option name ...",
// xboard "feature option=..."). Names are matched without regard to case.

#include <cstddef>
#include <cstdint>

// The deepest ply the BookDepth option offers (0 asks the book at every ply).
constexpr int32_t MaxBookDepth = 1000;

enum class OptionType {
  File,   // a file name; empty (or UCI's "<empty>") for none
  Spin,   // a whole number from Min to Max; a larger one is taken as Max
  Check,  // on or off: "true" or "1", "false" or "0"
};

struct EngineOption {
  const char* Name;
  OptionType Type;
  int32_t Min, Max;   // Spin: the range
  const char* Unit;   // Spin: what the number counts, for the message on a bad value
  // Whether the setting may change while the engine thinks (a book file is read into memory,
  // and nothing is allocated while searching).
  bool WhileThinking;
  // The present value: the number of a Spin or a Check (1 on, 0 off), or the text of a File.
  int32_t (*Number)();
  const char* (*Text)();
  // Applies a value already read for its type: number for Spin and Check, text for File.
  // Returns nullptr, or why the value could not be taken.
  const char* (*Apply)(int32_t number, const char* text);
};

extern const EngineOption EngineOptions[];
extern const int EngineOptionCount;

// The option called name, or nullptr.
const EngineOption* FindEngineOption(const char* name);
// Sets the option from the value text as the GUI sent it (nullptr when it sent none). Returns
// nullptr, or a one-line reason (the setting then stays as it was, except that a book file that
// cannot be read leaves the engine without a book). The reason lives in a static buffer until
// the next call.
const char* SetEngineOption(const EngineOption& option, const char* value);
