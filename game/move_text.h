#pragma once
// Move text in coordinate notation, optionally followed by the principal variation.

#include <cstdint>

// Big enough for a move and a full variation (at most 200 moves of six characters).
constexpr int MoveTextSize = 2048;

// PromotionLetter and the bare coordinates come from the board layer.
#include "board/move_coordinates.h"

// Writes " e2e4" plus the promotion suffix ("e7e8q " : letter and a space; a plain move gets
// just the space), then, when pv is set, the rest of the root variation ("g1f3 b8c6 "), then a
// newline. out must hold MoveTextSize bytes. Returns the length before the newline.
int fillmovestring(char* out, int score, uint8_t from, uint8_t to, char promotion, int pv);
