#pragma once
// Move text in coordinate notation, optionally followed by the principal variation.

#include <cstdint>

// Big enough for a move and a full variation.
constexpr int MoveTextSize = 2048;

extern const char files[9];

// Writes " e2e4" plus the promotion suffix (or a space), then, when pv is set, the rest of the
// root variation, then a newline. Returns the length before the newline.
int fillmovestring(char* out, int score, uint8_t from, uint8_t to, char promotion, int pv);
