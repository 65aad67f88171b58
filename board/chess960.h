#pragma once
// The 960 start positions of Chess960, by their standard numbers (0 to 959; 518 is the start
// position of standard chess).

constexpr int Chess960Starts = 960;

// The FEN of start position number (0 to 959), castling rights written KQkq (the outermost rooks,
// as X-FEN reads them). out must hold at least 64 characters.
void Chess960StartFen(int number, char* out);
