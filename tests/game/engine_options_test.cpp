// The option table both front ends work from: every row complete, each front end's rows in the
// order its GUIs have always seen, and each row's value read the way it always was.

#include "game/engine_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "search/threads.h"

namespace {

std::vector<std::string> Offered(uint8_t frontEnd) {
  std::vector<std::string> names;
  for (int i = 0; i < EngineOptionCount; i++)
    if (EngineOptions[i].OfferedTo & frontEnd) names.push_back(EngineOptions[i].Name);
  return names;
}

TEST(EngineOptions, EveryRowIsCompleteAndEachFrontEndListsItsOwn) {
  for (int i = 0; i < EngineOptionCount; i++) {
    const EngineOption& option = EngineOptions[i];
    SCOPED_TRACE(option.Name);
    EXPECT_EQ(FindEngineOption(option.Name), &option);  // one row per name
    EXPECT_NE(option.OfferedTo, 0);
    EXPECT_NE(option.Apply, nullptr);
    switch (option.Type) {
      case OptionType::Spin:
        EXPECT_LE(option.Min, option.Max);
        EXPECT_NE(option.Unit, nullptr);
        [[fallthrough]];
      case OptionType::Check:
        EXPECT_TRUE(option.Number != nullptr);
        break;
      case OptionType::File:
      case OptionType::String:
        EXPECT_TRUE(option.Text != nullptr);
        break;
      case OptionType::Button:
        break;
    }
  }
  EXPECT_EQ(Offered(OfferedToUci),
            (std::vector<std::string>{"UCI_AnalyseMode", "OwnBook", "SecondaryBook", "BookFile", "BookDepth",
                                      "BookVariety", "UCI_ShowCurrLine", "Ponder", "Move Overhead", "UCI_EngineAbout",
                                      "Hash", "Clear Hash", "Threads", "MultiPV", "UCI_LimitStrength", "UCI_Elo",
                                      "SyzygyPath", "SyzygyProbeDepth", "Syzygy50MoveRule", "SyzygyProbeLimit",
                                      "UCI_Chess960"}));
  EXPECT_EQ(Offered(OfferedToXboard), (std::vector<std::string>{"BookFile", "BookDepth", "BookVariety", "Move Overhead",
                                                                "MultiPV", "UCI_LimitStrength", "UCI_Elo", "SyzygyPath",
                                                                "SyzygyProbeDepth", "Syzygy50MoveRule",
                                                                "SyzygyProbeLimit"}));
  // xboard sets the table size and the threads with commands of its own, not as options.
  EXPECT_EQ(FindEngineOption("hash", OfferedToXboard), nullptr);
  EXPECT_NE(FindEngineOption("hash", OfferedToUci), nullptr);
  EXPECT_NE(FindEngineOption("move overhead", OfferedToXboard), nullptr);
}

TEST(EngineOptions, EachRowReadsItsValueItsOwnWay) {
  const bool ponder = PonderOption;
  const EngineOption& switchRow = *FindEngineOption("Ponder");
  // UCI's own switches: a first word "true" is on, anything else off, never refused.
  EXPECT_EQ(SetEngineOption(switchRow, " TRUE later words"), nullptr);
  EXPECT_TRUE(PonderOption);
  EXPECT_EQ(SetEngineOption(switchRow, "1"), nullptr);
  EXPECT_FALSE(PonderOption);
  EXPECT_EQ(SetEngineOption(switchRow, "true"), nullptr);
  EXPECT_EQ(SetEngineOption(switchRow, nullptr), nullptr);
  EXPECT_FALSE(PonderOption);
  PonderOption = ponder;

  // The shared switches take true/false or 1/0 and refuse anything else.
  EXPECT_STREQ(SetEngineOption(*FindEngineOption("BookVariety"), "yes"), "BookVariety needs true or false (1 or 0)");

  // Hash and Threads read the number the value starts with; a value that starts otherwise is
  // refused with a message of its own.
  const EngineOption& hash = *FindEngineOption("Hash");
  EXPECT_STREQ(SetEngineOption(hash, "abc"), "Hash needs a size in MB");
  EXPECT_STREQ(SetEngineOption(hash, nullptr), "Hash needs a size in MB");
  const EngineOption& threads = *FindEngineOption("Threads");
  EXPECT_STREQ(SetEngineOption(threads, "-2"), "Threads needs a number of threads");
  EXPECT_EQ(SetEngineOption(threads, "0 please"), nullptr);  // at least the engine's own thread
  EXPECT_EQ(ThreadCount(), 1);

  // A Spin takes digits only; below the range is the least, above it the most.
  const EngineOption& lines = *FindEngineOption("MultiPV");
  EXPECT_STREQ(SetEngineOption(lines, "3 lines"), "MultiPV needs a number of lines, 1 to 256");
  EXPECT_EQ(SetEngineOption(lines, "0"), nullptr);
  EXPECT_EQ(lines.Number(), 1);
}

}  // namespace
