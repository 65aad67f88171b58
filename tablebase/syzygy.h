#pragma once
// Syzygy endgame tables, read through the Fathom library when the build has it. The tables are
// read-only and shared by every search thread. The settings are those GUIs know by these names:
// SyzygyPath (folders separated by ':'), SyzygyProbeDepth, Syzygy50MoveRule, SyzygyProbeLimit.

#include <cstddef>
#include <cstdint>

#include "board/chess_board.h"

struct SyzygySettings {
  int32_t ProbeDepth = 1;     // the shallowest remaining depth at which the search asks the tables
  bool Rule50 = true;         // a win the fifty-move rule takes away counts as a draw
  int32_t ProbeLimit = 7;     // the most pieces (kings included) a position may have to be asked
  int32_t Largest = 0;        // the most pieces of any table found; 0: no tables, nothing is asked
  char Path[1024] = "";       // the folders in use, "" for none
};
extern SyzygySettings Syzygy;

// Whether this build can read the tables at all.
bool SyzygyAvailable();

// Reads the tables in path (folders separated by ':'; "" or "<empty>" for none). Afterwards
// Syzygy.Largest says what may be asked (0 when path names no usable table). Writes a one-line
// account to message: the tables found ("Found 70 tables, up to 4 pieces") or why there are
// none. Never called while a search runs.
void SetSyzygyPath(const char* path, char* message, size_t size);

// The most pieces a position may have for the search to ask the tables; 0 while none are loaded.
inline int32_t TablePieceLimit() { return Syzygy.Largest < Syzygy.ProbeLimit ? Syzygy.Largest : Syzygy.ProbeLimit; }

// A table's verdict for the side to move, in the tables' own order: lost; lost, but the fifty-move
// rule saves it (blessed); drawn; won, but only after the fifty-move rule has drawn (cursed); won.
enum class TableResult : int8_t { Loss, BlessedLoss, Draw, CursedWin, Win };

// The position's result by the WDL tables for side to move, which must have no castling rights
// and a fifty-move count of 0 (the tables know nothing of either); false when the tables cannot
// tell. Safe to call from every search thread at once.
bool ProbeWdl(const ChessBoard& board, int8_t side, TableResult* result);

// The tables' verdict on each legal move of a root position.
struct TableRootMove {
  uint16_t Code;       // from << 6 | to
  char Promotion;      // 'q', 'r', 'b', 'n', or 0
  TableResult Result;  // for the side that moves, the game's fifty-move count taken into account
  int16_t Dtz;         // plies from the root to the next capture or pawn move on the fastest
                       // way that keeps Result; 0 when only the WDL tables could be read
};
constexpr int MaxTableRootMoves = 256;
struct TableRoot {
  int32_t Count = 0;   // 0: the root is not in the tables (or has no legal move)
  TableRootMove Moves[MaxTableRootMoves];
};

// Every legal move of the root position (side to move, no castling rights, fiftyMoveCount as the
// game has it) with its result by the DTZ tables, or by the WDL tables where a DTZ table is
// missing. Count is 0 when the tables cannot answer for every move. Not thread-safe: the main
// thread asks once per search, before the helper threads start.
void ProbeRoot(const ChessBoard& board, int8_t side, int fiftyMoveCount, TableRoot* root);
