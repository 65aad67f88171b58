#pragma once
// The engine's settings-and-state record: mode flags, clock and time-control values,
// the game's half-move counter and the constant geometry masks.

#include <cstdint>

class Status {
public:
  int8_t Mimic;                  // test-suite imitation: 0 off, 1 Student, 2 Oracle
  int32_t StartTime;             // clock (ms) at the start of the current search
  int32_t GamePly;               // half-moves of the game
  int32_t CompletedDepth;
  int32_t ElapsedSeconds;
  int32_t TimeInc;               // seconds
  int32_t TimeIncMs;             // the same increment in milliseconds, fraction kept
  int32_t TimePerMove;           // milliseconds
  int32_t TimeLeft;              // milliseconds
  int32_t NodesPerSecond;
  int32_t EmergencyTimeThreshold;
  int8_t XboardMode;
  int8_t UCIMode;
  int8_t GameInProgress;
  int8_t SelfPlay;
  int8_t FD;                     // fixed search depth, 0 for none
  int8_t HumanToMove;
  int8_t Kibitz;
  int8_t PERFT;
  int8_t BenchMode;
  int8_t SATrain;
  int8_t DoTestSuite;
  int8_t Post;
  int8_t Force;
  int8_t UseBook;
  int8_t PEV;
  int8_t AnalyzeMode;
  int8_t PlayAgain;
  int8_t TraceFlag;
  int8_t CommentsRejected;       // the xboard GUI answered "rejected debug"

  // The start of a line that is no protocol message (a greeting, a speed measured, a farewell):
  // "" at the console and under UCI; under xboard "# ", a comment the GUI ignores, or nullptr
  // when the GUI refused comments (the line is then not sent at all).
  const char* CommentPrefix() const {
    if (XboardMode != 1 || UCIMode == 1) return "";
    return CommentsRejected ? nullptr : "# ";
  }

  uint64_t FileA, FileB, FileC, FileD, FileE, FileF, FileG, FileH;
  uint64_t FilesGH, FilesAB, FilesFGH, FilesABC;
  uint64_t Rank1, Rank2, Rank3, Rank4, Rank5, Rank6, Rank7, Rank8;
  uint64_t DiagH2C7, DiagG2B7, DiagF2A7, DiagC2H7, DiagB2G7, DiagA2F7;
  uint64_t LightSquares, DarkSquares, Corners, WhiteHalf, BlackHalf;

  int32_t MovesPerSession;
  int32_t DefaultMovesPerSession;
  int32_t ST;                    // fixed time per move, milliseconds when the search reads it
  int32_t SearchDepthReached;

  uint64_t SqH8, SqH7, SqF7, SqG7, SqH6, SqF6, SqG6, SqA8, SqA7, SqC7, SqA6, SqB7, SqC6, SqB6;
  uint64_t SqH1, SqH2, SqF2, SqG2, SqH3, SqF3, SqG3, SqA1, SqA2, SqC2, SqB2, SqA3, SqC3, SqB3;
  uint64_t SqB8, SqG8, SqB1, SqG1;

  Status();
  void initVars();
  void setPERFT(char c) { PERFT = static_cast<int8_t>(c); }
  char getPERFT() const { return static_cast<char>(PERFT); }
  void setFD(char c) { FD = static_cast<int8_t>(c); }
  char getFD() const { return static_cast<char>(FD); }
  void setxboard(char c) { XboardMode = static_cast<int8_t>(c); }
  char getxboard() const { return static_cast<char>(XboardMode); }
  void setDoTestSuite(char c) { DoTestSuite = static_cast<int8_t>(c); }
  char getDoTestSuite() const { return static_cast<char>(DoTestSuite); }
  // Stores the geometry masks (also done by ChessBoard::InitRep).
  void SetGeometryMasks();
};

extern Status MainStatus;
