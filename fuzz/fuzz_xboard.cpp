// The xboard and console interpreter fed with a sequence of words, as the opponent's turn reads
// them (the engine's own turn, a search, is left out). A word taken as a move must be a legal
// move of the position it was sent in, and the position stays sound after every word.

#include <cstring>

#include "fuzz/fuzz_common.h"
#include "game/input.h"
#include "game/move_parse.h"
#include "hash/move_history.h"
#include "xboard/commands.h"
#include "xboard/game_loop.h"
#include "xboard/xboard_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QuietEngine();
  if (size == 0) return 0;
  const std::string text = Text(data + 1, size - 1);
  Protocol.UCIMode = 0;
  Protocol.XboardMode = data[0] & 1;  // console or xboard
  Xboard.Force = 0;
  Xboard.AnalyzeMode = 0;
  QuitRequested = false;
  SearchRunning = false;
  MainBoard.InitRep();
  MainBoard.FiftyMoveCount = 0;
  MainBoard.InitPieceCounts();
  MoveList.Init();
  SetInputForTesting(text.c_str());
  char word[InputWordSize];
  for (int words = 0; words < 256 && !QuitRequested; words++) {
    const InputResult read = ReadWord(word, sizeof word);
    if (read == InputResult::End) break;
    if (read == InputResult::TooLong) continue;
    // "memory N" takes the memory it is asked for, which only the machine limits, and the
    // console's "save FILE" writes a file of any name: left out.
    if (strcmp(word, "memory") == 0 || strcmp(word, "save") == 0) continue;
    const ChessBoard before = MainBoard;
    const uint8_t r = DoCommand(word);
    if (r == CmdMove) {
      // Played as the game loop plays the opponent's move.
      uint64_t from = 0, to = 0;
      char promotion = NoPromotion;
      PendingMove(&from, &to, &promotion);
      FUZZ_CHECK(from != 0 && to != 0);
      uint8_t mask = 15;
      MainBoard.MakeMove(from, to, promotion, mask);
      MainBoard.CastleFlags &= mask;
      FUZZ_CHECK(OneLegalMoveApart(before, MainBoard));
      MainBoard.SideToMove ^= 1;
      MainStatus.GamePly += 1;
      RecordGamePosition();
    }
    CheckPosition(MainBoard);
  }
  SetInputForTesting("");
  return 0;
}
