// The evaluation tables that move ordering reads as well, with external linkage.
#include "eval/eval_tables.h"

// The arrays are spelt out entry by entry from the constexpr tables.
#define ORVO_ROW8(t, r) t[8 * (r)], t[8 * (r) + 1], t[8 * (r) + 2], t[8 * (r) + 3], \
    t[8 * (r) + 4], t[8 * (r) + 5], t[8 * (r) + 6], t[8 * (r) + 7]
#define ORVO_TABLE64(t) ORVO_ROW8(t, 0), ORVO_ROW8(t, 1), ORVO_ROW8(t, 2), ORVO_ROW8(t, 3), \
    ORVO_ROW8(t, 4), ORVO_ROW8(t, 5), ORVO_ROW8(t, 6), ORVO_ROW8(t, 7)

constexpr int32_t WKnightPost[64] = {ORVO_TABLE64(WKnightPostTable)};
constexpr int32_t BKnightPost[64] = {ORVO_TABLE64(BKnightPostTable)};
constexpr int32_t Passers[8] = {ORVO_ROW8(PassersTable, 0)};
constexpr int32_t OpenFileControl[8] = {ORVO_ROW8(OpenFileControlTable, 0)};
constexpr int16_t Majorson7[16] = {ORVO_ROW8(Majorson7Table, 0), ORVO_ROW8(Majorson7Table, 1)};

#undef ORVO_TABLE64
#undef ORVO_ROW8
