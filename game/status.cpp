#include "game/status.h"

#include <cstring>

#include "board/log_file.h"
#include "search/search_report.h"

Status MainStatus;

Status::Status() { std::memset(static_cast<void*>(this), 0, sizeof(*this)); }

void SetSecondsPerMove(double seconds) {
  // Clock values stay below about 23 days, so that the time arithmetic keeps to 32 bits.
  constexpr double MaxClockMs = 2000000000.0;
  auto ms = [](double v) { return static_cast<int32_t>(v <= 0 ? 0 : (v > MaxClockMs ? MaxClockMs : v)); };
  MainStatus.ST = ms(seconds * 1000.0);
  MainStatus.TimeLeft = ms(seconds * 60000.0);
}

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
