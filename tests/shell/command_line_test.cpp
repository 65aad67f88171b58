#include "shell/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/chess_board.h"
#include "board/log_file.h"
#include "game/status.h"
#include "search/search_report.h"
#include "search/time_budget.h"
#include "shell/match_loop.h"
#include "xboard/xboard_settings.h"

namespace {

class CommandLineTest : public testing::Test {
protected:
  // Fresh settings before every scan.
  void Reset() {
    MainStatus.initVars();
    Protocol.XboardMode = Protocol.UCIMode = 0;
    Xboard = XboardSettings{};
    Modes = CommandLineModes{};
    MainBoard.InitRep();
    SuiteFile = nullptr;
  }
  void TearDown() override {
    MainStatus = savedStatus_;
    Xboard = savedXboard_;
    Modes = CommandLineModes{};
    MainBoard = savedBoard_;
    SuiteFile = savedSuite_;
  }

  // Scans "orvo" followed by the words from fresh settings; returns ScanCommandLine's answer
  // and keeps the output.
  bool Scan(std::vector<std::string> words) {
    Reset();
    words_ = words;
    words_.insert(words_.begin(), "orvo");
    std::vector<char*> argv;
    for (std::string& w : words_) argv.push_back(w.data());
    testing::internal::CaptureStdout();
    const bool exit = ScanCommandLine(static_cast<int>(argv.size()), argv.data());
    output_ = testing::internal::GetCapturedStdout();
    return exit;
  }

  std::vector<std::string> words_;  // argv points into these
  std::string output_;

private:
  Status savedStatus_ = MainStatus;
  XboardSettings savedXboard_ = Xboard;
  ChessBoard savedBoard_ = MainBoard;
  const char* savedSuite_ = SuiteFile;
};

}  // namespace

TEST_F(CommandLineTest, DepthAndTimeOptions) {
  EXPECT_FALSE(Scan({"-fd", "5"}));
  EXPECT_EQ(Xboard.getFD(), 5);
  EXPECT_EQ(MainBoard.MaxDepth, 5);
  EXPECT_EQ(MainBoard.FixedDepth, 5);

  // Ten seconds per move; the search reads ST in milliseconds.
  Scan({"-st", "10"});
  EXPECT_EQ(Xboard.ST, 10000);
  EXPECT_EQ(Xboard.TimeLeft, 600000);

  // Any word containing -sd takes the next word as the maximum depth; the fixed depth stays.
  // Depths outside 1 to 100 are refused with a message and leave the depth as it was.
  Scan({"-fd", "200"});
  EXPECT_EQ(Xboard.getFD(), 0);
  EXPECT_NE(output_.find("-fd 200 refused"), std::string::npos) << output_;
  Scan({"-fd", "0"});
  EXPECT_EQ(Xboard.getFD(), 0);
  Scan({"-fd", "5", "-sdepth", "12"});
  EXPECT_EQ(MainBoard.MaxDepth, 12);
  EXPECT_EQ(Xboard.getFD(), 5);

  // Numbers are the leading digits; none gives 0, huge ones do not overflow.
  Scan({"-sd", "x7"});
  EXPECT_EQ(MainBoard.MaxDepth, 0);
  Scan({"-st", "99999999999"});
  EXPECT_EQ(Xboard.TimeLeft, 2000000000);
}

TEST_F(CommandLineTest, ModeFlagsAndSuiteFile) {
  EXPECT_FALSE(Scan({"-perft", "-bench2", "-nobook", "-post", "-kibitz", "-trace", "-sp", "xboard", "-uci"}));
  EXPECT_EQ(Modes.getPERFT(), 1);
  EXPECT_EQ(Modes.BenchMode, 2);
  EXPECT_EQ(MainStatus.UseBook, 0);
  EXPECT_EQ(Protocol.Post + Protocol.Kibitz + TraceFlag + Xboard.SelfPlay, 4);
  EXPECT_EQ(Protocol.XboardMode, 1);
  EXPECT_EQ(Protocol.UCIMode, 1);

  Scan({"-ts", "suite.epd"});
  EXPECT_EQ(Modes.getDoTestSuite(), 1);
  EXPECT_STREQ(SuiteFile, "suite.epd");
  Scan({"-pev", "eval.epd"});
  EXPECT_EQ(MainStatus.PEV, 1);
  EXPECT_STREQ(SuiteFile, "eval.epd");
  Scan({"-mimicstudent", "m.epd"});
  EXPECT_EQ(MainStatus.Mimic, 1);
  EXPECT_STREQ(SuiteFile, "m.epd");
  EXPECT_EQ(output_, "## Mimic Student option detected \n");
}

TEST_F(CommandLineTest, MatchingRules) {
  // Exact options ignore longer words; contains-options accept them.
  Scan({"-perftx", "-bench9", "x-postx", "--nobook"});
  EXPECT_EQ(Modes.getPERFT(), 0);
  EXPECT_EQ(Modes.BenchMode, 0);
  EXPECT_EQ(Protocol.Post, 1);
  EXPECT_EQ(MainStatus.UseBook, 0);
  // -tc consumes its argument, so "-post" there is not an option word ...
  Scan({"-tc", "40/5", "unknown"});
  EXPECT_EQ(Modes.getDoTestSuite(), 0);
  // ... but the rest of the pass is tried on an argument word: "-sd" takes "-st" as its depth,
  // then "-st" takes "3".
  Scan({"-sd", "-st", "3"});
  EXPECT_EQ(MainBoard.MaxDepth, 0);
  EXPECT_EQ(Xboard.ST, 3000);
}

TEST_F(CommandLineTest, ReviewOptions) {
  // The file names are taken whole: "my-st.pgn" sets no time per move, "xboard.pgn" no protocol.
  EXPECT_FALSE(Scan({"-fd", "9", "-annotate", "my-st.pgn", "-o", "xboard.pgn", "-force", "-threads", "2"}));
  EXPECT_TRUE(Modes.Annotate);
  EXPECT_STREQ(Modes.AnnotateFile, "my-st.pgn");
  EXPECT_STREQ(Modes.AnnotateOutput, "xboard.pgn");
  EXPECT_TRUE(Modes.AnnotateForce);
  EXPECT_EQ(Modes.Threads, 2);
  EXPECT_EQ(Xboard.getFD(), 9);
  EXPECT_EQ(Xboard.ST, 0);
  EXPECT_EQ(Protocol.XboardMode, 0);
  EXPECT_FALSE(Modes.Refused);
  // A thread count that is no whole number of 1 to MaxSearchThreads, or a refused depth, leaves
  // nothing to review.
  testing::internal::CaptureStderr();
  Scan({"-annotate", "games.pgn", "-threads", "0x"});
  EXPECT_NE(testing::internal::GetCapturedStderr().find("-threads 0x refused"), std::string::npos);
  EXPECT_TRUE(Modes.Refused);
  Scan({"-annotate", "games.pgn", "-fd", "0"});
  EXPECT_TRUE(Modes.DepthRefused);
}

TEST_F(CommandLineTest, HelpAndMissingArguments) {
  EXPECT_TRUE(Scan({"-fd", "4", "-help", "-perft"}));
  EXPECT_EQ(Modes.getPERFT(), 0);  // nothing after -help is looked at
  EXPECT_EQ(output_.rfind("xboard   used when interfacing with xboard\n", 0), 0u);
  EXPECT_EQ(std::count(output_.begin(), output_.end(), '\n'), 9);
  EXPECT_TRUE(Scan({"-h"}));

  EXPECT_FALSE(Scan({"-perft", "-fd"}));
  EXPECT_EQ(output_, "Missing argument for -fd\n");
  EXPECT_EQ(Modes.getPERFT(), 1);
  EXPECT_EQ(Xboard.getFD(), 0);
  EXPECT_FALSE(Scan({"-ts"}));
  EXPECT_EQ(Modes.getDoTestSuite(), 0);
  EXPECT_EQ(SuiteFile, nullptr);
}
