#include "search/search_report.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "board/masks.h"
#include "search/search_routines.h"
#include "search/time_budget.h"

// The lines of a MultiPV search are printed as they are handed over, numbered and best first;
// the search's own variation (PV row 0, which the ponder move and the next iteration read) is
// left alone.
TEST(SearchReport, LinesArePrintedFromWhatTheyAreGiven) {
  const ProtocolSettings saved = Protocol;
  Protocol = ProtocolSettings{};
  Protocol.UCIMode = 1;
  Clock.SearchDepthReached = 0;
  SearchRoutines& S = Search;
  S.PV[0][0] = {MoveCode(D2, D4), NoPromotion};
  S.PV[0][1] = {MoveCode(D7, D5), NoPromotion};
  S.PVLength = 2;
  const PVEntry first[] = {{MoveCode(E2, E4), NoPromotion}, {MoveCode(E7, E5), NoPromotion}, {MoveCode(G1, F3), 0}};
  const PVEntry second[] = {{MoveCode(A7, A8), 'q'}};
  const SearchInfo lines[] = {{6, 350, first, 3, 1}, {6, -120, second, 1, 2}};

  testing::internal::CaptureStdout();
  ReportLines(lines, 2);
  const std::string out = testing::internal::GetCapturedStdout();
  Protocol = saved;

  const size_t one = out.find("info depth 6 seldepth 6 multipv 1 score cp 35 nodes ");
  const size_t two = out.find("info depth 6 seldepth 6 multipv 2 score cp -12 nodes ");
  ASSERT_NE(one, std::string::npos) << out;
  ASSERT_NE(two, std::string::npos) << out;
  EXPECT_LT(one, two);
  EXPECT_NE(out.find(" pv e2e4 e7e5 g1f3\n"), std::string::npos) << out;
  EXPECT_NE(out.find(" pv a7a8q\n"), std::string::npos) << out;
  EXPECT_EQ(S.PVLength, 2);
  EXPECT_EQ(S.PV[0][0].Code, MoveCode(D2, D4));
  EXPECT_EQ(S.PV[0][1].Code, MoveCode(D7, D5));
  EXPECT_EQ(S.PV[0][2].Code, 0);
  S.PVLength = 0;
  std::memset(S.PV[0], 0, sizeof S.PV[0]);
}

// The root move under search names its promotion piece, as every move a UCI GUI reads does.
TEST(SearchReport, CurrentMoveNamesItsPromotion) {
  const ProtocolSettings saved = Protocol;
  const bool savedShow = ShowCurrentMove;
  const int32_t savedNps = Clock.NodesPerSecond;
  Protocol = ProtocolSettings{};
  Protocol.UCIMode = 1;
  ShowCurrentMove = true;
  Clock.NodesPerSecond = 1;
  Search.NodeCount = 100;  // long enough into the search for a GUI to care

  testing::internal::CaptureStdout();
  ReportCurrentMove(9, Bit(A7), Bit(A8), 'q', 3);
  const std::string out = testing::internal::GetCapturedStdout();
  Protocol = saved;
  ShowCurrentMove = savedShow;
  Clock.NodesPerSecond = savedNps;
  Search.NodeCount = 0;
  EXPECT_EQ(out, "info currmove a7a8q currmovenumber 3\n");
}
