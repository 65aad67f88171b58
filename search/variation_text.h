#pragma once
// A line of moves in coordinate notation, as the thinking lines, the protocol lines and the
// test-suite printout show it: " e2e4 e7e5 g1f3 \n".

#include "movegen/order_tables.h"

// Big enough for the longest line (MaxPly moves of at most six characters) and its ends.
constexpr int VariationTextSize = 2048;

// Writes the moves of line (at most MaxPly are read): a space, then each move followed by a
// space ("e7e8q " for a promotion), then a newline. out must hold VariationTextSize bytes.
// Returns the length before the newline.
int WriteVariation(char* out, const PVEntry* line, int length);
// The same text in a buffer that lives until the next call.
const char* VariationText(const PVEntry* line, int length);
