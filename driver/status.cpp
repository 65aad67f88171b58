#include "driver/status.h"

#include <cstring>

#include "board/masks.h"

Status MainStatus;

Status::Status() {
  // All bytes zero; the speed estimate starts at 1.2 million nodes per second.
  std::memset(static_cast<void*>(this), 0, sizeof(*this));
  NodesPerSecond = 1200000;
}

void Status::SetGeometryMasks() {
  // The eight files from one byte pattern: byte (1 << f) repeated in all eight bytes.
  uint64_t* files[8] = {&FileA, &FileB, &FileC, &FileD, &FileE, &FileF, &FileG, &FileH};
  for (int f = 0; f < 8; f++) *files[f] = 0x0101010101010101ULL * (uint64_t{1} << f);
  FilesGH = ::FilesGH;
  FilesAB = ::FilesAB;
  FilesFGH = ::FilesFGH;
  FilesABC = ::FilesABC;
  uint64_t* ranks[8] = {&Rank1, &Rank2, &Rank3, &Rank4, &Rank5, &Rank6, &Rank7, &Rank8};
  for (int r = 0; r < 8; r++) *ranks[r] = uint64_t{0xFF} << (8 * r);
}

void Status::initVars() {
  SetGeometryMasks();
  // Six-square diagonal runs in front of a castled king, read by the king-attack evaluation.
  DiagH2C7 = Bit(H2) | Bit(G3) | Bit(F4) | Bit(E5) | Bit(D6) | Bit(C7);
  DiagG2B7 = Bit(G2) | Bit(F3) | Bit(E4) | Bit(D5) | Bit(C6) | Bit(B7);
  DiagF2A7 = Bit(F2) | Bit(E3) | Bit(D4) | Bit(C5) | Bit(B6) | Bit(A7);
  DiagC2H7 = Bit(C2) | Bit(D3) | Bit(E4) | Bit(F5) | Bit(G6) | Bit(H7);
  DiagB2G7 = Bit(B2) | Bit(C3) | Bit(D4) | Bit(E5) | Bit(F6) | Bit(G7);
  DiagA2F7 = Bit(A2) | Bit(B3) | Bit(C4) | Bit(D5) | Bit(E6) | Bit(F7);
  LightSquares = ::LightSquares;
  DarkSquares = ::DarkSquares;
  Corners = ::Corners;
  WhiteHalf = ::WhiteHalf;
  BlackHalf = ::BlackHalf;
  SqH8 = Bit(H8); SqH7 = Bit(H7); SqF7 = Bit(F7); SqG7 = Bit(G7); SqH6 = Bit(H6);
  SqF6 = Bit(F6); SqG6 = Bit(G6); SqA8 = Bit(A8); SqA7 = Bit(A7); SqC7 = Bit(C7);
  SqA6 = Bit(A6); SqB7 = Bit(B7); SqC6 = Bit(C6); SqB6 = Bit(B6);
  SqH1 = Bit(H1); SqH2 = Bit(H2); SqF2 = Bit(F2); SqG2 = Bit(G2); SqH3 = Bit(H3);
  SqF3 = Bit(F3); SqG3 = Bit(G3); SqA1 = Bit(A1); SqA2 = Bit(A2); SqC2 = Bit(C2);
  SqB2 = Bit(B2); SqA3 = Bit(A3); SqC3 = Bit(C3); SqB3 = Bit(B3);
  SqB8 = Bit(B8); SqG8 = Bit(G8); SqB1 = Bit(B1); SqG1 = Bit(G1);

  HumanToMove = 1;
  PERFT = 0;
  BenchMode = 0;
  SATrain = 0;
  Post = 0;
  // In UCI mode the values set by "go" and "setoption" outlive a "position" command.
  if (UCIMode != 1) {
    UCIMode = 0;
    UseBook = 1;
    TimePerMove = 0;
    MovesPerSession = 0;
    DefaultMovesPerSession = 50;
    FD = 0;
    ST = 0;
  }
  if (Kibitz != 1) Kibitz = 0;
  Mimic = 0;
  DoTestSuite = 0;
  PEV = 0;
  SelfPlay = 0;
  GameInProgress = 1;
  TraceFlag = 0;
  GamePly = 1;
  SearchDepthReached = 0;
}
