// The FEN reader: any text either becomes a sound position or is refused with MainBoard as it
// was; an accepted position written back as FEN reads as the same position.

#include "board/fen.h"
#include "fuzz/fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QuietEngine();
  const std::string text = Text(data, size);
  MainBoard.InitRep();
  const ChessBoard before = MainBoard;
  if (SetupBoard(text.c_str()) != nullptr) {
    FUZZ_CHECK(memcmp(&MainBoard, &before, sizeof MainBoard) == 0);
    return 0;
  }
  CheckPosition(MainBoard);
  const ChessBoard read = MainBoard;
  char written[128];
  pos2fenString(read, written);
  FUZZ_CHECK(SetupBoard(written) == nullptr);
  FUZZ_CHECK(SamePieces(MainBoard, read) && MainBoard.SideToMove == read.SideToMove &&
             MainBoard.CastleFlags == read.CastleFlags);
  return 0;
}
