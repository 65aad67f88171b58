#include "game/status.h"

#include <cstring>

#include "board/log_file.h"
#include "search/search_report.h"

Status MainStatus;

Status::Status() { std::memset(static_cast<void*>(this), 0, sizeof(*this)); }

void Status::initVars() {
  Mimic = PEV = 0;
  Protocol.Post = 0;
  if (Protocol.Kibitz != 1) Protocol.Kibitz = 0;
  TraceFlag = 0;
  GameInProgress = 1;
  GamePly = 1;
  if (Protocol.UCIMode != 1) UseBook = 1;
}
