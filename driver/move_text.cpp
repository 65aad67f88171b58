// Coordinate move text ("e2e4", "e7e8q") for the protocol lines and the variation printout.

#include "driver/move_text.h"

#include "search/search_routines.h"

const char files[9] = "abcdefgh";

char PromotionLetter(char promotion) {
  switch (promotion) {
    case 1: case 7: case 'N': case 'n': return 'n';
    case 2: case 8: case 'B': case 'b': return 'b';
    case 3: case 9: case 'R': case 'r': return 'r';
    case 4: case 10: case 'Q': case 'q': return 'q';
    default: return 0;
  }
}

namespace {

// Appends "e2e4" for square indices from and to; returns the new end.
char* PutSquares(char* p, unsigned from, unsigned to) {
  *p++ = files[from % 8];
  *p++ = static_cast<char>('1' + from / 8 % 8);
  *p++ = files[to % 8];
  *p++ = static_cast<char>('1' + to / 8 % 8);
  return p;
}

}  // namespace

int fillmovestring(char* out, int /*score*/, uint8_t from, uint8_t to, char promotion, int pv) {
  char* p = out;
  *p++ = ' ';
  p = PutSquares(p, from, to);
  if (const char letter = PromotionLetter(promotion)) *p++ = letter;
  *p++ = ' ';

  if (pv != 0 && Search.PVLength >= 2) {
    // Row 0 holds the root variation; entry 0 is the move written above.
    const int length = Search.PVLength < MaxPly ? Search.PVLength : MaxPly;
    for (int i = 1; i < length; i++) {
      const PVEntry& entry = Search.PV[0][i];
      p = PutSquares(p, entry.Code >> 6 & 63, entry.Code & 63);
      if (const char letter = PromotionLetter(entry.Promotion)) *p++ = letter;
      *p++ = ' ';
    }
  }
  const int length = static_cast<int>(p - out);
  *p++ = '\n';
  *p = '\0';
  return length;
}
