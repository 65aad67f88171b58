#pragma once
// The settings of the front ends and the program shell: the game's half-move counter and the
// flags of play (whose turn, force mode, analysis, self-play), the clock the xboard and console
// front end asks for (its level, fixed time or depth, the time left), and the one-shot modes of
// the command line. The search never reads this record: every search gets its own limits
// (SearchLimits), filled from here by the front end that starts it.

#include <cstdint>

class Status {
public:
  int32_t GamePly;               // half-moves of the game
  int8_t GameInProgress;
  int8_t HumanToMove;
  int8_t Force;
  int8_t SelfPlay;
  int8_t AnalyzeMode;
  int8_t UseBook;
  int8_t PlayAgain;

  // The clock of the xboard and console front end: "level", "st", "sd", "time".
  int8_t FD;                     // fixed search depth, 0 for none
  int32_t ST;                    // fixed time per move, milliseconds
  int32_t TimeLeft;              // milliseconds
  int32_t TimeInc;               // seconds
  int32_t TimeIncMs;             // the same increment in milliseconds, fraction kept
  int32_t MovesPerSession;

  // The one-shot modes of the command line.
  int8_t PERFT;
  int8_t BenchMode;
  int8_t SATrain;
  int8_t DoTestSuite;
  int8_t Mimic;                  // test-suite imitation: 0 off, 1 Student, 2 Oracle
  int8_t PEV;

  Status();
  // A new game: the flags of play and of the command line's modes off (thinking output and the
  // trace too), the opponent to move first. Outside UCI the clock settings and the book go back
  // to their defaults; a UCI GUI's settings outlive a new position.
  void initVars();
  void setPERFT(char c) { PERFT = static_cast<int8_t>(c); }
  char getPERFT() const { return static_cast<char>(PERFT); }
  void setFD(char c) { FD = static_cast<int8_t>(c); }
  char getFD() const { return static_cast<char>(FD); }
  void setDoTestSuite(char c) { DoTestSuite = static_cast<int8_t>(c); }
  char getDoTestSuite() const { return static_cast<char>(DoTestSuite); }
};

extern Status MainStatus;

// Fixed time per move of the given seconds, for the option -st and the xboard "st" command: ST
// (milliseconds, as the search's limits take it) and TimeLeft (a minute per second of move
// time). Negative times count as 0.
void SetSecondsPerMove(double seconds);

// The fixed search depths -fd and the xboard "sd" command accept, in plies.
constexpr int MinFixedDepth = 1;
constexpr int MaxFixedDepth = 100;

// The engine's version, as the GUIs show it after its name.
constexpr char EngineVersion[17] = "0.9.1 (bitboard)";
