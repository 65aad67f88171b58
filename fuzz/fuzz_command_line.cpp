// The command line: any words (split at blanks) are scanned without undefined behaviour.
// Options that read files are left out: a missing file ends the program by design.

#include "fuzz/fuzz_common.h"
#include "shell/command_line.h"
#include "xboard/xboard_settings.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QuietEngine();
  const std::string text = Text(data, size);
  std::vector<std::string> words = {"orvo"};
  size_t at = 0;
  while (at < text.size() && words.size() < 32) {
    const size_t end = text.find_first_of(" \n\t", at);
    const std::string word = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
    at = end == std::string::npos ? text.size() : end + 1;
    if (!word.empty() && word.find("-lpf") == std::string::npos) words.push_back(word);
  }
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  const Status savedStatus = MainStatus;
  const XboardSettings savedXboard = Xboard;
  const ChessBoard savedBoard = MainBoard;
  ScanCommandLine(static_cast<int>(words.size()), argv.data());
  FUZZ_CHECK(Xboard.ST >= 0 && Xboard.TimeLeft >= 0);
  MainStatus = savedStatus;
  Xboard = savedXboard;
  MainBoard = savedBoard;
  return 0;
}
