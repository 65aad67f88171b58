#pragma once
// Syzygy endgame tables, read through the Fathom library when the build has it. The tables are
// read-only and shared by every search thread. The settings are those GUIs know by these names:
// SyzygyPath (folders separated by ':'), SyzygyProbeDepth, Syzygy50MoveRule, SyzygyProbeLimit.

#include <cstddef>
#include <cstdint>

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
