#include "game/status.h"

#include <gtest/gtest.h>

#include "board/masks.h"

namespace {

class StatusTest : public testing::Test {
protected:
  Status saved_ = MainStatus;
  void TearDown() override { MainStatus = saved_; }
};

}  // namespace

TEST_F(StatusTest, MasksHaveTheirFixedValues) {
  Status s;
  EXPECT_EQ(s.NodesPerSecond, 1200000);
  EXPECT_EQ(s.FileA, 0u);  // written by initVars, not by the constructor
  s.initVars();
  EXPECT_EQ(s.FileA, 0x0101010101010101ULL);
  EXPECT_EQ(s.FileH, 0x8080808080808080ULL);
  EXPECT_EQ(s.FilesFGH, 0xE0E0E0E0E0E0E0E0ULL);
  EXPECT_EQ(s.Rank1, 0xFFULL);
  EXPECT_EQ(s.Rank8, 0xFF00000000000000ULL);
  EXPECT_EQ(s.SqA1, 1u);
  EXPECT_EQ(s.SqH8, 0x8000000000000000ULL);
  EXPECT_EQ(s.SqG1, Bit(G1));
  EXPECT_EQ(s.DiagH2C7, 0x0004081020408000ULL);
  EXPECT_EQ(s.DiagA2F7, Bit(A2) | Bit(B3) | Bit(C4) | Bit(D5) | Bit(E6) | Bit(F7));
  EXPECT_EQ(s.LightSquares | s.DarkSquares, ~0ULL);
  EXPECT_EQ(s.Corners, 0x8100000000000081ULL);
  // The record's copies agree with the constants the hot code reads.
  const uint64_t files[8] = {s.FileA, s.FileB, s.FileC, s.FileD, s.FileE, s.FileF, s.FileG, s.FileH};
  const uint64_t ranks[8] = {s.Rank1, s.Rank2, s.Rank3, s.Rank4, s.Rank5, s.Rank6, s.Rank7, s.Rank8};
  for (int i = 0; i < 8; i++) {
    EXPECT_EQ(files[i], FileMasks[i]);
    EXPECT_EQ(ranks[i], RankMasks[i]);
  }
}

TEST_F(StatusTest, InitVarsKeepsUciSettingsAndClearsCommandLineFlags) {
  Status& s = MainStatus;
  s.UCIMode = 1;
  s.UseBook = 0;
  s.ST = 5000;
  s.FD = 7;
  s.MovesPerSession = 30;
  s.PERFT = s.BenchMode = s.Post = s.SelfPlay = s.TraceFlag = s.PEV = s.DoTestSuite = s.Mimic = 1;
  s.Kibitz = 2;
  s.Force = s.AnalyzeMode = 1;
  s.TimeLeft = 1234;
  s.NodesPerSecond = 777;
  s.GamePly = 40;
  s.initVars();
  EXPECT_EQ(s.UCIMode, 1);
  EXPECT_EQ(s.UseBook, 0);
  EXPECT_EQ(s.ST, 5000);
  EXPECT_EQ(s.FD, 7);
  EXPECT_EQ(s.MovesPerSession, 30);
  EXPECT_EQ(s.PERFT + s.BenchMode + s.Post + s.SelfPlay + s.TraceFlag + s.PEV + s.DoTestSuite + s.Mimic, 0);
  EXPECT_EQ(s.Kibitz, 0);
  EXPECT_EQ(s.GamePly, 1);
  EXPECT_EQ(s.Force + s.AnalyzeMode, 2);  // never touched
  EXPECT_EQ(s.TimeLeft, 1234);
  EXPECT_EQ(s.NodesPerSecond, 777);

  s.UCIMode = 0;
  s.Kibitz = 1;
  s.initVars();
  EXPECT_EQ(s.UseBook, 1);
  EXPECT_EQ(s.ST + s.FD + s.MovesPerSession, 0);
  EXPECT_EQ(s.DefaultMovesPerSession, 50);
  EXPECT_EQ(s.Kibitz, 1);
}
