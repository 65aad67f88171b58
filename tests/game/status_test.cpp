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
  s.PEV = s.Mimic = 1;
  Protocol.Post = TraceFlag = 1;
  Protocol.Kibitz = 2;
  s.GamePly = 40;
  s.GameInProgress = 0;
  s.initVars();
  EXPECT_EQ(Protocol.UCIMode, 1);
  EXPECT_EQ(s.UseBook, 0);
  EXPECT_EQ(Protocol.Post + TraceFlag + s.PEV + s.Mimic, 0);
  EXPECT_EQ(Protocol.Kibitz, 0);
  EXPECT_EQ(s.GamePly, 1);
  EXPECT_EQ(s.GameInProgress, 1);

  Protocol.UCIMode = 0;
  Protocol.Kibitz = 1;
  s.initVars();
  EXPECT_EQ(s.UseBook, 1);
  EXPECT_EQ(Protocol.Kibitz, 1);
}
