#include "tablebase/syzygy.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

std::string SetPath(const std::string& path) {
  char message[300];
  SetSyzygyPath(path.c_str(), message, sizeof message);
  return message;
}

// The 3- and 4-piece tables beside the project.
const std::string Tables = std::string(ORVO_TEST_DATA_DIR) + "/../../../shared/syzygy";

}  // namespace

// A path that names no tables, in every way a GUI may send one, leaves nothing to probe.
TEST(Syzygy, PathsWithoutTablesLeaveNothingToProbe) {
  EXPECT_EQ(SetPath(""), "No Syzygy tables in use");
  EXPECT_EQ(SetPath("<empty>"), "No Syzygy tables in use");
  EXPECT_EQ(Syzygy.Largest, 0);
  if (!SyzygyAvailable()) GTEST_SKIP() << "built without the Fathom library";
  EXPECT_NE(SetPath("/no/such/folder").find("cannot be used"), std::string::npos);
  EXPECT_EQ(SetPath(ORVO_TEST_DATA_DIR), std::string("No Syzygy tables in ") + ORVO_TEST_DATA_DIR +
                                             "; playing without tables");
  EXPECT_EQ(Syzygy.Largest, 0);
  EXPECT_STREQ(Syzygy.Path, "");
  // A file named as a table that does not start as one: the folder is not handed to the library.
  const std::string damaged = testing::TempDir() + "/orvo_damaged_tables";
  mkdir(damaged.c_str(), 0700);
  FILE* f = fopen((damaged + "/KQvK.rtbw").c_str(), "wb");
  ASSERT_NE(f, nullptr);
  fputs("not a table at all", f);
  fclose(f);
  EXPECT_NE(SetPath(damaged).find("KQvK.rtbw (not a Syzygy table)"), std::string::npos) << SetPath(damaged);
  EXPECT_EQ(Syzygy.Largest, 0);
  // One that starts as a table but was cut short.
  f = fopen((damaged + "/KQvK.rtbw").c_str(), "wb");
  ASSERT_NE(f, nullptr);
  const unsigned char wdlStart[100] = {0x71, 0xE8, 0x23, 0x5D};
  fwrite(wdlStart, 1, sizeof wdlStart, f);
  fclose(f);
  EXPECT_NE(SetPath(damaged).find("KQvK.rtbw (truncated or damaged)"), std::string::npos) << SetPath(damaged);
  EXPECT_EQ(Syzygy.Largest, 0);
  remove((damaged + "/KQvK.rtbw").c_str());
  rmdir(damaged.c_str());
}

// The tables load, go (an empty path after a valid one never reaches the library, whose tables
// would then claim a size they no longer have) and load again; a folder named twice counts once.
TEST(Syzygy, TablesLoadAndGoAgainSafely) {
  if (!SyzygyAvailable()) GTEST_SKIP() << "built without the Fathom library";
  if (SetPath(Tables).find("cannot be used") != std::string::npos) GTEST_SKIP() << "no tables at " << Tables;
  EXPECT_EQ(SetPath(Tables), "Found 70 tables, up to 4 pieces");
  EXPECT_EQ(Syzygy.Largest, 4);
  EXPECT_EQ(SetPath("<empty>"), "No Syzygy tables in use");
  EXPECT_EQ(Syzygy.Largest, 0);
  EXPECT_EQ(SetPath(Tables + ":" + Tables), "Found 70 tables, up to 4 pieces");
  EXPECT_EQ(Syzygy.Largest, 4);
  SetPath("");
}
