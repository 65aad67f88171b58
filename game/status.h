#pragma once
// The settings of the game that every front end shares: the game's half-move counter, whether a
// game is going on and another follows, whether the opening book is used, and the two test-suite
// runs (-mimic, -pev) that change what the game services print. Each front end keeps its own
// flags in a record of its own (xboard/xboard_settings.h, the UCI dispatcher), the command line
// its modes (shell/command_line.h); the search never reads any of them: every search gets its
// own limits (SearchLimits), filled by the front end that starts it.

#include <cstdint>

class Status {
public:
  int32_t GamePly;               // half-moves of the game
  int8_t GameInProgress;
  int8_t PlayAgain;
  int8_t UseBook;
  int8_t Mimic;                  // test-suite imitation: 0 off, 1 Student, 2 Oracle
  int8_t PEV;                    // the -pev run: evaluations printed, no board diagram

  Status();
  // A new game or position: the game in progress from its first half-move, the test-suite runs,
  // thinking output and the trace off. Outside UCI the book goes back on; a UCI GUI's settings
  // outlive a new position.
  void initVars();
};

extern Status MainStatus;

// The engine's version, as the GUIs show it after its name.
constexpr char EngineVersion[17] = "0.9.1 (bitboard)";
