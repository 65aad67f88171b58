#include "driver/match_loop.h"

const char* SuiteFile = nullptr;
char FirstWord[256];

int MatchLoop() { return 0; }
