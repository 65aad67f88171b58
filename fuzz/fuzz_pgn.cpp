// The PGN reader: any text is read game by game without harm to MainBoard; every game read is
// written back, and the written text reads as the same game and writes the same text again.

#include <string>
#include <vector>

#include "fuzz/fuzz_common.h"
#include "game/pgn_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QuietEngine();
  const ChessBoard before = MainBoard;
  std::vector<PgnRecord> games;
  std::vector<std::string> errors;
  const int count = ReadPgnGames(std::string_view(reinterpret_cast<const char*>(data), size), &games, &errors);
  FUZZ_CHECK(memcmp(&MainBoard, &before, sizeof MainBoard) == 0);
  FUZZ_CHECK(count == static_cast<int>(games.size() + errors.size()));
  for (const std::string& error : errors) FUZZ_CHECK(error.find('\n') == std::string::npos);
  for (const PgnRecord& game : games) {
    if (!game.Start.Chess960) CheckPosition(game.Start);  // the check knows standard castling only
    static char text[1 << 16], again[1 << 16];
    const int length = WritePgn(game.Game(), text, sizeof text);
    if (length < 0) continue;  // longer than the buffer
    std::vector<PgnRecord> read;
    errors.clear();
    FUZZ_CHECK(ReadPgnGames(text, &read, &errors) == 1 && read.size() == 1);
    FUZZ_CHECK(read[0].Moves.size() == game.Moves.size());
    for (size_t i = 0; i < game.Moves.size(); i++)
      FUZZ_CHECK(read[0].Moves[i].From == game.Moves[i].From && read[0].Moves[i].To == game.Moves[i].To);
    FUZZ_CHECK(WritePgn(read[0].Game(), again, sizeof again) == length && strcmp(text, again) == 0);
  }
  return 0;
}
