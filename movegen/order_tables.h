#pragma once
// What the search learns about good moves and move ordering reads back: the principal
// variation, two killer moves a ply, and the history of quiet moves that caused cutoffs. The
// search owns the tables and hands views of them to the orderer.

#include <cstdint>

constexpr int MaxPly = 200;  // rows of the PV and killer tables

// Move code: from index * 64 + to index.
inline uint16_t MoveCode(int from, int to) { return static_cast<uint16_t>(from * 64 + to); }

struct PVEntry {
  uint16_t Code;
  char Promotion;
};

// What the orderer reads of the search's tables: views of them, not copies.
struct OrderTables {
  const PVEntry (&PV)[MaxPly][MaxPly];  // slot 0 of each row holds that row's PVEnd in Code
  const uint16_t (&Killers)[MaxPly][2];
  const int32_t (&History)[2][4096];    // by colour (0 White) and move code
};
