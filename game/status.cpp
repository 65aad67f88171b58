#include "game/status.h"

#include <cstring>

#include "board/log_file.h"
#include "search/search_report.h"

Status MainStatus;

Status::Status() { std::memset(static_cast<void*>(this), 0, sizeof(*this)); }

void Status::initVars() {
  PERFT = BenchMode = SATrain = Mimic = DoTestSuite = PEV = SelfPlay = 0;
  Protocol.Post = 0;
  if (Protocol.Kibitz != 1) Protocol.Kibitz = 0;
  TraceFlag = 0;
  HumanToMove = GameInProgress = 1;
  GamePly = 1;
  if (Protocol.UCIMode != 1) {
    FD = 0;
    UseBook = 1;
    MovesPerSession = ST = 0;
  }
}
