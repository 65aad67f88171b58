// Coordinate move text ("e2e4", "e7e8q") for the protocol lines and the variation printout.

#include "game/move_text.h"

#include "search/search_routines.h"

int fillmovestring(char* out, int /*score*/, uint8_t from, uint8_t to, char promotion, int pv) {
  char* p = out;
  *p++ = ' ';
  p = PutMoveCoordinates(p, from, to, promotion);
  *p++ = ' ';

  if (pv != 0 && Search.PVLength >= 2) {
    // Row 0 holds the root variation; entry 0 is the move written above.
    const int length = Search.PVLength < MaxPly ? Search.PVLength : MaxPly;
    for (int i = 1; i < length; i++) {
      const PVEntry& entry = Search.PV[0][i];
      p = PutMoveCoordinates(p, entry.Code >> 6 & 63, entry.Code & 63, entry.Promotion);
      *p++ = ' ';
    }
  }
  const int length = static_cast<int>(p - out);
  *p++ = '\n';
  *p = '\0';
  return length;
}
