// The UCI dispatcher fed with a sequence of lines. Searches are kept short ("go" becomes a
// depth-1 search that keeps its infinite or ponder word) and "quit", which ends the process,
// is left out. After every line the position is sound, and a position command whose FEN is
// refused leaves the position as it was.

#include <algorithm>
#include <cctype>

#include "board/fen.h"
#include "fuzz/fuzz_common.h"
#include "game/input.h"
#include "search/search_routines.h"
#include "uci/uci_protocol.h"

namespace {

// What the engine reads while it searches or waits for "stop": a stop, many times over, so the
// input never ends (at its end the engine would read "quit").
const char* IdleInput() {
  static std::string text;
  if (text.empty())
    for (int i = 0; i < 20000; i++) text += "stop\n";
  return text.c_str();
}

bool HasWord(const std::string& line, const char* word) {
  const std::string padded = " " + line + " ";
  return padded.find(std::string(" ") + word + " ") != std::string::npos;
}

// The FEN part of "position fen ... [moves ...]", or "" when the line is no such command.
std::string FenOf(const std::string& line) {
  if (line.rfind("position fen", 0) != 0) return "";
  std::string fen = line.substr(12);
  const size_t moves = fen.find(" moves");
  if (moves != std::string::npos) fen.resize(moves);
  fen.erase(0, fen.find_first_not_of(' '));
  return fen;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QuietEngine();
  Protocol.UCIMode = 1;
  Protocol.XboardMode = 0;
  UCI.State = WAITING;
  UCI.PendingCount = 0;
  const std::string text = Text(data, size);
  size_t at = 0;
  for (int lines = 0; at < text.size() && lines < 16; lines++) {
    const size_t end = text.find('\n', at);
    std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
    at = end == std::string::npos ? text.size() : end + 1;
    std::replace(line.begin(), line.end(), '\t', ' ');
    if (line.find("quit") != std::string::npos) continue;
    // A Hash size takes the memory it asks for, which only the machine limits: left out.
    std::string lower = line;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    if (lower.find("hash") != std::string::npos && lower.find("clear") == std::string::npos) continue;
    if (line.rfind("go", 0) == 0) {
      std::string go = "go depth 1";
      if (HasWord(line, "infinite")) go += " infinite";
      if (HasWord(line, "ponder")) go += " ponder";
      line = go;
    }
    if (line.size() >= sizeof UCI.CommandBuffer) continue;

    // Would the FEN be refused? Then the position must stay as it is.
    const std::string fen = FenOf(line);
    const ChessBoard before = MainBoard;
    const bool fenRefused = !fen.empty() && SetupBoard(fen.c_str()) != nullptr;
    MainBoard = before;

    SetInputForTesting(IdleInput());
    memcpy(UCI.CommandBuffer, line.c_str(), line.size() + 1);
    UCI.DispatchAndCatchUp();
    FUZZ_CHECK(UCI.State == WAITING);
    CheckPosition(MainBoard);
    if (fenRefused) FUZZ_CHECK(memcmp(&MainBoard, &before, sizeof MainBoard) == 0);
  }
  SetInputForTesting("");
  return 0;
}
