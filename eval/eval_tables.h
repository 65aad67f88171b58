#pragma once
// Scoring tables of the evaluation. Square tables are indexed by square number (a1 = 0,
// h8 = 63) but written here as a diagram, rank 8 on top, and turned round by FromDiagram.
// Black's tables are the vertical mirrors of White's (square s reads White's s ^ 56).
// Every table is defined here once; move ordering reads some of them too.

#include <array>
#include <cstdint>

using SquareTable = std::array<int32_t, 64>;

// Reflects a table across the middle of the board: rank 1 <-> rank 8, files unchanged.
constexpr SquareTable MirrorRanks(const SquareTable& table) {
  SquareTable mirrored{};
  for (int sq = 0; sq < 64; ++sq) mirrored[sq] = table[sq ^ 56];
  return mirrored;
}

// A diagram lists rank 8 first, so its row-major order is the table mirrored.
constexpr SquareTable FromDiagram(const SquareTable& diagram) { return MirrorRanks(diagram); }

// King: stay behind the pawns in the middlegame, centralise in the ending.
inline constexpr SquareTable WKingSquare = FromDiagram({
    -700, -700, -700, -700, -700, -700, -700, -700,
    -700, -700, -700, -700, -700, -700, -700, -700,
    -600, -600, -600, -600, -600, -600, -600, -600,
    -500, -500, -500, -500, -500, -500, -500, -500,
    -400, -400, -400, -400, -400, -400, -400, -400,
    -100, -100, -100, -100, -100, -100, -100, -100,
    -100, -100, -100, -120, -120, -120, -100, -100,
     180,  210,  130, -210, -210,  130,  210,  180});
inline constexpr SquareTable BKingSquare = MirrorRanks(WKingSquare);

inline constexpr SquareTable KingEnding = FromDiagram({
    -250, -150,  -80,  -50,  -50,  -80, -150, -250,
    -150,  -70,   12,   12,   12,   12,  -70, -150,
     -80,   12,   12,   32,   32,   12,   12,  -80,
     -50,   12,   32,   80,   80,   32,   12,  -50,
     -50,   12,   32,   80,   80,   32,   12,  -50,
     -80,   12,   12,   32,   32,   12,   12,  -80,
    -150,  -70,   12,   12,   12,   12,  -70, -150,
    -250, -150,  -80,  -50,  -50,  -80, -150, -250});

inline constexpr SquareTable WPawnSquare = FromDiagram({
       0,    0,    0,    0,    0,    0,    0,    0,
       0,    0,    0,   60,   60,    0,    0,    0,
       0,    0,    0,   60,   60,    0,    0,    0,
       0,    0,    0,  152,  152,    0,    0,    0,
       0,    0,    0,  187,  187,    0,    0,    0,
       0,    3,    0,  112,  112,    0,    3,    0,
       0,    0,    0,  -10,  -10,    0,    0,    0,
       0,    0,    0,    0,    0,    0,    0,    0});
inline constexpr SquareTable BPawnSquare = MirrorRanks(WPawnSquare);

inline constexpr SquareTable WKnightSquare = FromDiagram({
    -250, -250, -200, -150, -150, -200, -250, -250,
    -200, -100,  -50,  -50,  -50,  -50, -100, -200,
    -100,   50,   30,   40,   40,   30,   50, -100,
    -100,   50,   30,   80,   80,   30,   50, -100,
    -100,    0,   60,  100,  100,   60,    0, -100,
    -150, -100,    0,   50,   50,    0, -100, -150,
    -200, -200, -150, -100, -100, -150, -200, -200,
    -400, -400, -300, -250, -250, -300, -400, -400});
inline constexpr SquareTable BKnightSquare = MirrorRanks(WKnightSquare);

inline constexpr SquareTable KnightEnding = FromDiagram({
    -250, -250, -250, -250, -250, -250, -250, -250,
    -250,  -50,  -50,  -50,  -50,  -50,  -50, -250,
    -250,  -50,   50,   50,   50,   50,  -50, -250,
    -250,  -50,   50,  150,  150,   50,  -50, -250,
    -250,  -50,   50,  150,  150,   50,  -50, -250,
    -250,  -50,   50,   50,   50,   50,  -50, -250,
    -250,  -50,  -50,  -50,  -50,  -50,  -50, -250,
    -250, -250, -250, -250, -250, -250, -250, -250});

// Knight outposts: squares where a knight no enemy pawn can chase is worth extra.
inline constexpr SquareTable WKnightPost = FromDiagram({
       0,    0,    0,    0,    0,    0,    0,    0,
       0,    0,   64,   90,   90,   64,    0,    0,
       0,    0,  120,  160,  160,  120,    0,    0,
       0,    0,   80,  120,  120,   80,    0,    0,
       0,    0,   60,   80,   80,   60,    0,    0,
       0,    0,    0,    0,    0,    0,    0,    0,
       0,    0,    0,    0,    0,    0,    0,    0,
       0,    0,    0,    0,    0,    0,    0,    0});
inline constexpr SquareTable BKnightPost = MirrorRanks(WKnightPost);

inline constexpr SquareTable WBishopSquare = FromDiagram({
    -100, -100,  -70,  -40,  -40,  -70, -100, -100,
    -100,   25,  -30,    0,    0,  -30,   25, -100,
     -60,  -20,   50,   20,   20,   50,  -20,  -60,
     -30,    5,   20,   80,   80,   20,    5,  -30,
     -30,    3,   20,   80,   80,   20,    3,  -30,
     -60,  -20,   50,   20,   20,   50,  -20,  -60,
    -100,   25,  -30,    0,    0,  -30,   25, -100,
    -200, -200, -200, -150, -150, -200, -200, -200});
inline constexpr SquareTable BBishopSquare = MirrorRanks(WBishopSquare);

inline constexpr SquareTable BishopEnding = FromDiagram({
    -150, -150, -120, -100, -100, -120, -150, -150,
    -150,  -50,    0,   10,   10,    0,  -50, -150,
    -120,    0,   10,   30,   30,   10,    0, -120,
    -100,   10,   20,   60,   60,   20,   10, -100,
    -100,   10,   20,   60,   60,   20,   10, -100,
    -120,    0,   10,   30,   30,   10,    0, -120,
    -150,  -50,    0,   10,   10,    0,  -50, -150,
    -150, -150, -120, -100, -100, -120, -150, -150});

// Mobility, indexed by the number of useful squares a piece reaches.
inline constexpr std::array<int32_t, 16> KnightMobility = {
    -180, -70, -20, 0, 20, 50, 70, 100, 120, 75, 100, 120, 135, 150, 165, 0};
inline constexpr std::array<int32_t, 16> BishopMobility = {
    -200, -110, -70, -30, 0, 30, 60, 90, 90, 90, 90, 90, 90, 90, 90, 0};
inline constexpr std::array<int32_t, 16> RookMobility = {
    -220, -120, -80, -30, 0, 30, 70, 100, 120, 140, 170, 190, 210, 230, 240, 0};
inline constexpr std::array<int32_t, 32> QueenMobility = {
    -140, -120, -100, -80, -60, -40, -20, 0, 20, 40, 60, 80, 100, 120, 140, 160,
    180, 200, 220, 240, 260, 280, 280, 280, 280, 280, 280, 280, 280, 0, 0, 0};

// Pawn tables by file (a..h) or by rank counted from the pawn's own side (0..7).
inline constexpr std::array<int32_t, 8> IsolatedPawn = {90, 100, 100, 110, 110, 100, 100, 90};
inline constexpr std::array<int32_t, 8> Passers = {0, 40, 80, 160, 270, 550, 1100, 0};
inline constexpr std::array<int32_t, 8> ProtectedPassers = {0, 50, 90, 170, 300, 600, 1200, 0};
inline constexpr std::array<int32_t, 8> ConnectedPassers = {0, 60, 100, 180, 320, 640, 1280, 0};
inline constexpr std::array<int32_t, 8> KingProximityPasserPenalty = {0, 17, 34, 54, 81, 120, 184, 0};
inline constexpr std::array<int32_t, 8> OpenFileControl = {185, 185, 190, 200, 200, 190, 185, 185};
// Bonus by the number of rooks on the enemy's seventh and eighth ranks.
inline constexpr std::array<int16_t, 16> Majorson7 = {
    0, 350, 650, 950, 1250, 1400, 1450, 1500, 1500, 1500, 1500, 0, 0, 0, 0, 0};

