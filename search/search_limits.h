#pragma once
// The limits of one search, as a front end asks for it: the clock, a fixed time or depth, a node
// or mate limit, or none at all (analysis, pondering). Every front end fills one record and
// hands it to SetSearchLimits before the search starts. This record is all the search knows of
// what it is asked: the stop rules and the clock read it (Search.Limits) while the search runs,
// and a "ponderhit" changes it there.

#include <cstdint>

struct SearchLimits {
  int32_t Depth = 0;            // iterations at most, 0 for the search's own limit
  int8_t FD = 0;                // an exact depth: no clock, every iteration up to it
  int32_t ST = 0;               // a fixed time per move, in milliseconds
  int32_t TimeLeft = 0;         // the engine's clock, in milliseconds
  int32_t TimeIncMs = 0;        // its increment per move, in milliseconds
  int32_t MovesPerSession = 0;  // moves to the next time control, 0 for the rest of the game
  int32_t GamePly = 0;          // the game's half-move as the front end counts it (the clock's share)
  int64_t Nodes = 0;            // stop after about this many nodes, 0 for no limit
  int32_t Mate = 0;             // look for a mate in this many moves, 0 for no such limit
  bool Infinite = false;        // think until told to stop (analysis)
  bool Ponder = false;          // think on the opponent's time until told how the game goes on
  bool UseBook = false;         // the opening book may answer at the root
  bool BenchMode = false;       // a benchmark: no book, no input, no clock looked at in the tree
  // A weaker level of play (none by default). NodeCap: no iteration starts once this many nodes
  // are searched, and the tree stops at four times as many (never in the first iteration); the
  // clock still applies. Lines: the best lines searched at every depth, for the level to choose
  // its move among (at least MultiPV; only MultiPV of them are shown).
  int64_t NodeCap = 0;
  int32_t Lines = 1;

  // The depth the search is asked to reach, as an exact depth or as a limit; 0 for none.
  int DepthLimit() const { return FD > 0 ? FD : Depth; }
  // A node or mate limit and nothing else: the search ends by itself, without a clock.
  bool NoClock() const { return (Nodes > 0 || Mate > 0) && !Infinite; }
};

// Makes limits those of the next search (Search.Limits).
void SetSearchLimits(const SearchLimits& limits);
