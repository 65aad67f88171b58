#pragma once
// The settings of the xboard and console front end: whose turn it is, force mode, analysis,
// self-play, and the clock the GUI or the person asks for ("level", "st", "sd", "time", and the
// options -fd, -st, -sp of the command line). Each search of this front end gets its limits
// from here (GameLimits); the search itself never reads this record.

#include <cstdint>

struct XboardSettings {
  int8_t HumanToMove = 1;
  int8_t Force = 0;
  int8_t SelfPlay = 0;
  int8_t AnalyzeMode = 0;
  int8_t FD = 0;                  // fixed search depth, 0 for none
  int32_t ST = 0;                 // fixed time per move, milliseconds
  int32_t TimeLeft = 0;           // milliseconds
  int32_t TimeInc = 0;            // seconds
  int32_t TimeIncMs = 0;          // the same increment in milliseconds, fraction kept
  int32_t MovesPerSession = 0;

  void setFD(char c) { FD = static_cast<int8_t>(c); }
  char getFD() const { return static_cast<char>(FD); }
  // A new game: self-play off, the opponent to move first, and (outside UCI, whose GUI keeps
  // its settings) no fixed depth, time per move or session.
  void NewGame();
};

extern XboardSettings Xboard;

// Fixed time per move of the given seconds, for the option -st and the xboard "st" command: ST
// (milliseconds, as the search's limits take it) and TimeLeft (a minute per second of move
// time). Negative times count as 0.
void SetSecondsPerMove(double seconds);

// The fixed search depths -fd and the xboard "sd" command accept, in plies.
constexpr int MinFixedDepth = 1;
constexpr int MaxFixedDepth = 100;
