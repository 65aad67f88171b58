#pragma once
// The engine's clock lives with the lowest layer, so that perft and the search can read it too.
#include "board/clock.h"
