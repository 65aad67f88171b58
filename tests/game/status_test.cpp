#include "game/status.h"

#include <gtest/gtest.h>

#include "board/log_file.h"
#include "search/search_report.h"

namespace {

class StatusTest : public testing::Test {
protected:
  Status saved_ = MainStatus;
  ProtocolSettings savedProtocol_ = Protocol;
  void TearDown() override {
    MainStatus = saved_;
    Protocol = savedProtocol_;
    TraceFlag = 0;
  }
};

}  // namespace

TEST_F(StatusTest, InitVarsKeepsUciSettingsAndClearsCommandLineFlags) {
  Status& s = MainStatus;
  Protocol.UCIMode = 1;
  s.UseBook = 0;
  s.ST = 5000;
  s.FD = 7;
  s.MovesPerSession = 30;
  s.PERFT = s.BenchMode = s.SelfPlay = s.PEV = s.DoTestSuite = s.Mimic = 1;
  Protocol.Post = TraceFlag = 1;
  Protocol.Kibitz = 2;
  s.Force = s.AnalyzeMode = 1;
  s.TimeLeft = 1234;
  s.GamePly = 40;
  s.initVars();
  EXPECT_EQ(Protocol.UCIMode, 1);
  EXPECT_EQ(s.UseBook, 0);
  EXPECT_EQ(s.ST, 5000);
  EXPECT_EQ(s.FD, 7);
  EXPECT_EQ(s.MovesPerSession, 30);
  EXPECT_EQ(s.PERFT + s.BenchMode + Protocol.Post + s.SelfPlay + TraceFlag + s.PEV + s.DoTestSuite + s.Mimic, 0);
  EXPECT_EQ(Protocol.Kibitz, 0);
  EXPECT_EQ(s.GamePly, 1);
  EXPECT_EQ(s.Force + s.AnalyzeMode, 2);  // never touched
  EXPECT_EQ(s.TimeLeft, 1234);

  Protocol.UCIMode = 0;
  Protocol.Kibitz = 1;
  s.initVars();
  EXPECT_EQ(s.UseBook, 1);
  EXPECT_EQ(s.ST + s.FD + s.MovesPerSession, 0);
  EXPECT_EQ(Protocol.Kibitz, 1);
}
