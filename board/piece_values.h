#pragma once
// What each piece is worth, in the engine's score units (a pawn is 800). The evaluation counts
// material with these, the exchange evaluator and move ordering weigh captures with them, and
// MakeMove records the value of the piece it takes.

#include <cstdint>

constexpr int32_t PawnValue = 800;
// Knights and bishops are worth the same.
constexpr int32_t MinorValue = 3250;
constexpr int32_t KnightValue = MinorValue;
constexpr int32_t BishopValue = MinorValue;
constexpr int32_t RookValue = 5000;
constexpr int32_t QueenValue = 9750;
// A king is never really captured; taking it outweighs any material there is.
constexpr int32_t KingValue = 1000000;

// The same by kind, in piece-code order from the pawn: pawn, knight, bishop, rook, queen, king.
constexpr int32_t KindValues[6] = {PawnValue, KnightValue, BishopValue, RookValue, QueenValue, KingValue};

// Checkmate: a side mated p plies from the root of a search scores p - MateValue, the side that
// mates MateValue - p. Any score beyond MateBound (either way) is such a mate score.
constexpr int32_t MateValue = 110000;
constexpr int32_t MateBound = 109799;
// A position the endgame tables call won scores TableWinScore - ply in the search (lost: its
// negation): above every static score, which stays within 100000 either way, and below every
// mate, so that a mate the search finds is still preferred.
constexpr int32_t TableWinScore = 105000;
