#include "xboard/xboard_settings.h"

#include "search/search_report.h"

XboardSettings Xboard;

void XboardSettings::NewGame() {
  SelfPlay = 0;
  HumanToMove = 1;
  if (Protocol.UCIMode != 1) {
    FD = 0;
    MovesPerSession = ST = 0;
  }
}

void SetSecondsPerMove(double seconds) {
  // Clock values stay below about 23 days, so that the time arithmetic keeps to 32 bits.
  constexpr double MaxClockMs = 2000000000.0;
  auto ms = [](double v) { return static_cast<int32_t>(v <= 0 ? 0 : (v > MaxClockMs ? MaxClockMs : v)); };
  Xboard.ST = ms(seconds * 1000.0);
  Xboard.TimeLeft = ms(seconds * 60000.0);
}
