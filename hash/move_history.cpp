// The game history: one stack of key pairs for the game so far and the current search path.

#include "hash/move_history.h"

#include <cstdio>
#include <cstring>

thread_local constinit MoveHistory MoveList{};

// An insertion into the last entries of the stack, with its warnings.
bool MoveHistory::InsertNearlyFull(uint64_t upper, uint64_t lower) {
  if (NumMoves >= Capacity) {
    // No room: the position is not recorded.
    if (!FullWarned) {
      std::printf("MAJOR ERROR: NumMoves = %d, history full, position not stored in "
                  "InsertHashCodeMoveHistor \n", NumMoves);
      std::fflush(stdout);
      FullWarned = true;
    }
    return false;
  }
  Entries[NumMoves].Upper = upper;
  Entries[NumMoves].Lower = lower;
  NumMoves++;
  if (NumMoves > WarningThreshold) {
    std::printf("MAJOR ERROR: NumMoves > %d in InsertHashCodeMoveHistor \n", WarningThreshold);
    std::fflush(stdout);
  }
  return true;
}

bool MoveHistory::InsertGamePosition(uint64_t upper, uint64_t lower, int32_t fiftyMoveCount, int enPassantSquare) {
  if (NumMoves >= CompactionPoint) {
    int32_t keep = fiftyMoveCount + 1;
    if (keep > CompactionPoint - 1) keep = CompactionPoint - 1;
    if (keep > NumMoves) keep = NumMoves;
    if (keep < 0) keep = 0;
    std::memmove(Entries, Entries + (NumMoves - keep), static_cast<size_t>(keep) * sizeof(HistoryEntry));
    std::memmove(EnPassantSquare, EnPassantSquare + (NumMoves - keep), static_cast<size_t>(keep));
    NumMoves = keep;
  }
  if (!InsertHashCodeMoveHistory(upper, lower)) return false;
  EnPassantSquare[NumMoves - 1] = static_cast<int8_t>(enPassantSquare >= 0 && enPassantSquare < 64 ? enPassantSquare : -1);
  return true;
}

namespace {

// The entries among the newest n of h, with the same side to move as the newest, that match the
// key pair (and, for game positions, the en passant square), less one; -1 when none does.
template <bool WithEnPassant>
int32_t CountRepetitions(const MoveHistory& h, int n, uint64_t upper, uint64_t lower, int enPassantSquare) {
  const int64_t count = h.NumMoves;
  // The window holds the newest n entries: positions since the last capture or pawn move.
  const int64_t start = count >= n ? count - n : 0;
  if (start > count - 1) return -1;
  int32_t result = -1;
  // Every second entry, newest first: only positions with the same side to move.
  for (int64_t i = count - 1; i >= start; i -= 2)
    if (h.Entries[i].Upper == upper && h.Entries[i].Lower == lower &&
        (!WithEnPassant || h.EnPassantSquare[i] == enPassantSquare))
      result++;
  return result;
}

}  // namespace

int32_t MoveHistory::ThreeFoldRepDetection(int n, uint64_t upper, uint64_t lower) const {
  return CountRepetitions<false>(*this, n, upper, lower, -1);
}

int32_t MoveHistory::GameRepetitions(int n, uint64_t upper, uint64_t lower, int enPassantSquare) const {
  return CountRepetitions<true>(*this, n, upper, lower, enPassantSquare < 0 || enPassantSquare > 63 ? -1 : enPassantSquare);
}
