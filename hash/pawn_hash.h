#pragma once
// The pawn hash: structural results of the pawn evaluation cached under the 32-bit pawn key.
// One entry per key (index = low 16 bits), no replacement policy: a new result overwrites.

#include <cstdint>

struct PawnHashEntry {
  uint32_t PawnKey;            // full pawn key of the stored structure
  uint64_t Pawns;              // all pawns of both colours, the check value
  int32_t WhiteDoubled;
  int32_t BlackDoubled;
  int32_t MidTerm;             // middlegame pawn term, White's view
  uint64_t BackwardPawns;
  uint64_t PawnFiles;
  uint64_t OpenFiles;
  uint64_t WhitePawnCover;
  uint64_t BlackPawnCover;
  uint8_t WhitePasserRank[8];  // files a to h
  int32_t BlackPawnScore;
  int32_t WhitePawnScore;
  int32_t BlackPasserScore;
  int32_t WhitePasserScore;
  uint8_t BlackPasserRank[8];
  uint8_t BlackPasserCount;
  uint8_t WhitePasserCount;
  uint8_t PasserFlags;
  int32_t EndTerm;             // endgame pawn term, White's view
  uint64_t NoBlackPawnFiles;
  uint64_t NoWhitePawnFiles;
};

constexpr uint32_t PawnHashSize = 65538;       // entries 0..65535 are reachable
constexpr uint32_t PawnHashIndexMask = 0xffff;

extern PawnHashEntry PawnHashArray[PawnHashSize];
extern int32_t Phashattempts;
extern int32_t Phashmisses;

// True when the entry of this key holds exactly this pawn key and this pawn set.
bool InPawnHash(uint32_t key, uint64_t pawns);
// Clears the identifying and passer fields of every entry.
void ClearPawnHash();
