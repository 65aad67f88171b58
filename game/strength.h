#pragma once
// Playing strength: full by default, or a weaker level given as a rating, for people and for
// GUIs that offer UCI_LimitStrength and UCI_Elo. A weaker level searches fewer nodes and looks at
// its few best moves, then picks one of them the way a weaker player would: mostly the best,
// sometimes one a little worse, seldom one clearly worse. The choice is drawn from the position
// itself, so that the same position at the same level gets the same move (games repeat when
// the searches do).

#include <cstdint>

#include "board/chess_board.h"
#include "search/search_limits.h"
#include "search/search_routines.h"

// The ratings a weaker level can be given, on the scale of the matches that measured them (see
// game/strength.cpp); the top one is full strength, which is stronger than every level
// measured.
constexpr int32_t MinStrengthElo = 800;
constexpr int32_t MaxStrengthElo = 3300;

class PlayingStrength {
public:
  bool Limited = false;           // UCI_LimitStrength
  int32_t Elo = MaxStrengthElo;   // UCI_Elo: the level when Limited

  // Whether moves are played below full strength.
  bool Weaker() const { return Limited && Elo < MaxStrengthElo; }
  // Adds the level's node cap and lines to the limits of a search for a move to play (analysis,
  // "go infinite" and mate searches keep full strength; an exact depth keeps its nodes).
  void LimitSearch(SearchLimits& limits) const;
  // The move the level plays after a search of board with those limits: one of the search's
  // lines (Search.Line*), or the search's own move. The chosen line goes to PV row 0, where the
  // ponder move and the next search read it.
  SearchResult ChooseMove(const ChessBoard& board, const SearchResult& best) const;
};

extern PlayingStrength Strength;
