#pragma once
// Appending moves to a move list. The list has a fixed capacity; a position with more
// pseudo-legal moves than that (only possible in an edited position crowded with pieces)
// loses the surplus instead of writing past the arrays.

#include <cstdint>

#include "movegen/move_gen.h"

inline int Emit(MoveGen& list, int i, uint64_t from, uint64_t to, char promotion) {
  if (i >= MaxMoves) return i;
  list.From[i] = from;
  list.To[i] = to;
  list.Promotion[i] = promotion;
  return i + 1;
}

// One move from `from` to every square of `targets`, lowest square first.
inline int EmitAll(MoveGen& list, int i, uint64_t from, uint64_t targets, char promotion) {
  for (; targets; targets &= targets - 1) i = Emit(list, i, from, targets & (~targets + 1), promotion);
  return i;
}
