// Coordinate text of a line of moves.

#include "search/variation_text.h"

#include <algorithm>

#include "board/move_coordinates.h"

int WriteVariation(char* out, const PVEntry* line, int length) {
  char* p = out;
  *p++ = ' ';
  const int moves = std::clamp(length, 0, MaxPly);
  for (int i = 0; i < moves; i++) {
    p = PutMoveCoordinates(p, line[i].Code >> 6 & 63, line[i].Code & 63, line[i].Promotion);
    *p++ = ' ';
  }
  const int written = static_cast<int>(p - out);
  *p++ = '\n';
  *p = '\0';
  return written;
}

const char* VariationText(const PVEntry* line, int length) {
  static char text[VariationTextSize];
  WriteVariation(text, line, length);
  return text;
}
