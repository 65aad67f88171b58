#pragma once
// Coordinate move text ("e2e4", "e7e8q"): the square names and promotion letters that the
// protocol lines, the variation printout and the perft trace all write.

#include <cstdint>

// The lower-case promotion letter for a promotion given either as a piece code (1..4 white,
// 7..10 black knight..queen) or as a letter (N, B, R, Q in either case); 0 when there is none.
inline char PromotionLetter(char promotion) {
  switch (promotion) {
    case 1: case 7: case 'N': case 'n': return 'n';
    case 2: case 8: case 'B': case 'b': return 'b';
    case 3: case 9: case 'R': case 'r': return 'r';
    case 4: case 10: case 'Q': case 'q': return 'q';
    default: return 0;
  }
}

// Appends "e2e4" for square indices from and to, then the promotion letter if there is one;
// returns the new end. No terminating zero is written.
inline char* PutMoveCoordinates(char* p, unsigned from, unsigned to, char promotion) {
  *p++ = static_cast<char>('a' + from % 8);
  *p++ = static_cast<char>('1' + from / 8 % 8);
  *p++ = static_cast<char>('a' + to % 8);
  *p++ = static_cast<char>('1' + to / 8 % 8);
  if (const char letter = PromotionLetter(promotion)) *p++ = letter;
  return p;
}
