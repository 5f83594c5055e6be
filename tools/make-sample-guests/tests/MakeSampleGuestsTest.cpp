// The sample-data tool as a user runs it: it never writes over tables that
// are there unless told to.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "TempDir.h"

namespace {

using fw::test::ReadBytes;
using fw::test::WriteBytes;

int RunTool(const std::string& args) {
  const std::string command = std::string("'") + MAKE_SAMPLE_GUESTS + "' " + args + " >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(MakeSampleGuests, RefusesToReplaceTablesUnlessForced) {
  fw::test::TempDir dir;
  const std::string folder = "'" + dir.Path() + "'";
  ASSERT_EQ(RunTool(folder), 0);
  const std::string guests = dir.File("GuestLst.db");
  const std::string made = ReadBytes(guests);
  ASSERT_FALSE(made.empty());

  // Either table there is someone's data.
  for (const std::string table : {"GuestLst.db", "WedDat2.db"}) {
    SCOPED_TRACE(table);
    const std::filesystem::path other = dir.File("only " + table);
    std::filesystem::create_directory(other);
    WriteBytes((other / table).string(), "real data");
    EXPECT_EQ(RunTool("'" + other.string() + "'"), 1);
    EXPECT_EQ(ReadBytes((other / table).string()), "real data");
    EXPECT_EQ(std::filesystem::directory_iterator(other)->path().filename(), table);  // nothing else written
  }
  WriteBytes(guests, "edited");
  EXPECT_EQ(RunTool(folder), 1);
  EXPECT_EQ(ReadBytes(guests), "edited");

  EXPECT_EQ(RunTool("--force " + folder), 0);
  EXPECT_NE(ReadBytes(guests), "edited");
  EXPECT_EQ(RunTool(""), 2);
  EXPECT_EQ(RunTool(folder + " " + folder), 2);
}

}  // namespace
