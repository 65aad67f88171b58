// The line reader of the EPD runner and the position file: lines of any length and content are
// read without overrunning the buffer, and each is refused or read as a sound position.

#include "board/fen.h"
#include "fuzz/fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QuietEngine();
  FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "r");
  if (!file) return 0;
  char line[64];  // small, so that long lines are common
  for (;;) {
    const FileLine read = ReadFileLine(file, line, sizeof line);
    if (read == FileLine::End || read == FileLine::Failed) break;
    FUZZ_CHECK(strlen(line) < sizeof line);
    if (read == FileLine::TooLong) continue;
    FUZZ_CHECK(strchr(line, '\n') == nullptr);
    const ChessBoard before = MainBoard;
    if (SetupBoard(line) == nullptr) CheckPosition(MainBoard);
    else FUZZ_CHECK(memcmp(&MainBoard, &before, sizeof MainBoard) == 0);
  }
  fclose(file);
  return 0;
}
