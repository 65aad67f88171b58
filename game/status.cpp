#include "game/status.h"

#include <cstring>

#include "board/masks.h"

Status MainStatus;

Status::Status() {
  // All bytes zero; the speed estimate starts at 1.2 million nodes per second.
  std::memset(static_cast<void*>(this), 0, sizeof(*this));
  NodesPerSecond = 1200000;
}

void Status::SetGeometryMasks() {
  uint64_t* files[8] = {&FileA, &FileB, &FileC, &FileD, &FileE, &FileF, &FileG, &FileH};
  uint64_t* ranks[8] = {&Rank1, &Rank2, &Rank3, &Rank4, &Rank5, &Rank6, &Rank7, &Rank8};
  for (int i = 0; i < 8; i++) {
    *files[i] = FileMasks[i];
    *ranks[i] = RankMasks[i];
  }
  FilesGH = ::FilesGH; FilesAB = ::FilesAB; FilesFGH = ::FilesFGH; FilesABC = ::FilesABC;
}

void Status::initVars() {
  SetGeometryMasks();
  DiagH2C7 = ::DiagH2C7; DiagG2B7 = ::DiagG2B7; DiagF2A7 = ::DiagF2A7;
  DiagC2H7 = ::DiagC2H7; DiagB2G7 = ::DiagB2G7; DiagA2F7 = ::DiagA2F7;
  LightSquares = ::LightSquares; DarkSquares = ::DarkSquares; Corners = ::Corners;
  WhiteHalf = ::WhiteHalf; BlackHalf = ::BlackHalf;
  SqH8 = Bit(H8); SqH7 = Bit(H7); SqF7 = Bit(F7); SqG7 = Bit(G7); SqH6 = Bit(H6);
  SqF6 = Bit(F6); SqG6 = Bit(G6); SqA8 = Bit(A8); SqA7 = Bit(A7); SqC7 = Bit(C7);
  SqA6 = Bit(A6); SqB7 = Bit(B7); SqC6 = Bit(C6); SqB6 = Bit(B6);
  SqH1 = Bit(H1); SqH2 = Bit(H2); SqF2 = Bit(F2); SqG2 = Bit(G2); SqH3 = Bit(H3);
  SqF3 = Bit(F3); SqG3 = Bit(G3); SqA1 = Bit(A1); SqA2 = Bit(A2); SqC2 = Bit(C2);
  SqB2 = Bit(B2); SqA3 = Bit(A3); SqC3 = Bit(C3); SqB3 = Bit(B3);
  SqB8 = Bit(B8); SqG8 = Bit(G8); SqB1 = Bit(B1); SqG1 = Bit(G1);

  // A new game: the modes and flags of the command line are off, the opponent moves first.
  PERFT = BenchMode = SATrain = Post = Mimic = DoTestSuite = PEV = SelfPlay = TraceFlag = 0;
  HumanToMove = GameInProgress = 1;
  GamePly = 1;
  SearchDepthReached = 0;
  // In UCI mode the values set by "go" and "setoption" outlive a "position" command.
  if (UCIMode != 1) {
    UCIMode = FD = 0;
    UseBook = 1;
    TimePerMove = MovesPerSession = ST = 0;
    DefaultMovesPerSession = 50;
  }
  if (Kibitz != 1) Kibitz = 0;
}
