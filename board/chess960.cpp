// The numbering of the Chess960 starts: the number's digits, in mixed radix, place White's back
// rank piece by piece. Its remainder by 4 puts the light-squared bishop on the b-, d-, f- or
// h-file; the next remainder by 4 the dark-squared one on the a-, c-, e- or g-file; the next by 6
// the queen on that one of the six empty squares; what is left (0 to 9) the two knights on one of
// the ten pairs of the five squares still empty; the rook, the king and the rook fill the last
// three from the a-file on. Black's back rank mirrors White's.

#include "board/chess960.h"

#include <cctype>
#include <cstdio>

namespace {

// The pairs of the five empty squares (counted from the a-file) the knights take.
constexpr int KnightPairs[10][2] = {{0, 1}, {0, 2}, {0, 3}, {0, 4}, {1, 2}, {1, 3}, {1, 4}, {2, 3}, {2, 4}, {3, 4}};

// Puts piece on the k-th empty file (from 0) of rank.
void PutOnEmpty(char* rank, int k, char piece) {
  for (int file = 0; file < 8; file++)
    if (rank[file] == ' ' && k-- == 0) {
      rank[file] = piece;
      return;
    }
}

}  // namespace

void Chess960StartFen(int number, char* out) {
  int n = number;
  char white[9] = "        ";
  white[2 * (n % 4) + 1] = 'B';
  n /= 4;
  white[2 * (n % 4)] = 'B';
  n /= 4;
  PutOnEmpty(white, n % 6, 'Q');
  n /= 6;
  // The second knight first, so that the first one's count of empty squares stays right.
  PutOnEmpty(white, KnightPairs[n][1], 'N');
  PutOnEmpty(white, KnightPairs[n][0], 'N');
  PutOnEmpty(white, 0, 'R');
  PutOnEmpty(white, 0, 'K');
  PutOnEmpty(white, 0, 'R');
  char black[9];
  for (int file = 0; file < 9; file++) black[file] = static_cast<char>(tolower(static_cast<unsigned char>(white[file])));
  snprintf(out, 64, "%s/pppppppp/8/8/8/8/PPPPPPPP/%s w KQkq - 0 1", black, white);
}
