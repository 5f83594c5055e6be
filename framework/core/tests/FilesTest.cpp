#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <string>
#include <vector>

#include "DateTime.h"
#include "Files.h"
#include "TempDir.h"

namespace fw {

TEST(FilePaths, SplittingWithEitherSeparator) {
  struct Case {
    std::string got, expected;
  } cases[] = {
      {ExtractFilePath("/a/b/c.txt"), "/a/b/"},
      {ExtractFilePath("c.txt"), ""},
      {ExtractFilePath("dir\\x.db"), "dir\\"},
      {ExtractFileDir("/a/b/c.txt"), "/a/b"},
      {ExtractFileDir("/c"), "/"},
      {ExtractFileDir("c"), ""},
      {ExtractFileName("/a/b/c.txt"), "c.txt"},
      {ExtractFileName("c:\\dir\\x.db"), "x.db"},
      {ExtractFileName("/a/"), ""},
      {ExtractFileExt("x.tar.gz"), ".gz"},
      {ExtractFileExt("a.b/c"), ""},  // a dot in a directory is no extension
      {ExtractFileExt("a.b\\c"), ""},
      {ExtractFileExt("noext"), ""},
      {ChangeFileExt("a.b/c", ".txt"), "a.b/c.txt"},
      {ChangeFileExt("x.db", ""), "x"},
      {ChangeFileExt("dir\\x.db", ".px"), "dir\\x.px"},
      {IncludeTrailingPathDelimiter("a"), "a/"},
      {IncludeTrailingPathDelimiter("a/"), "a/"},
      {IncludeTrailingPathDelimiter("a\\"), "a\\"},
      {IncludeTrailingPathDelimiter(""), "/"},
      {ExcludeTrailingPathDelimiter("a/"), "a"},
      {ExcludeTrailingPathDelimiter("a\\"), "a"},
      {ExcludeTrailingPathDelimiter("/"), "/"},
      {ExpandFileName("/a//b/../c"), "/a/c"},
      {ExpandFileName("\\tmp\\.\\x"), "/tmp/x"},
      {ExpandFileName("/.."), "/"},
      {ExpandFileName("x/../y/./z"), GetCurrentDir() == "/" ? "/y/z" : GetCurrentDir() + "/y/z"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.expected);
}

class FileSearch : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char* name : {"Alpha.TXT", "beta.txt", "gamma.db", ".hidden", "README"}) Write(name, "1234");
    ASSERT_TRUE(ForceDirectories(dir + "Sub"));
    ASSERT_EQ(chmod((dir + "gamma.db").c_str(), 0444), 0);
  }
  void Write(const std::string& name, const std::string& text) { std::ofstream(dir + name) << text; }

  std::vector<std::string> Names(const std::string& pattern, int attr) {
    std::vector<std::string> r;
    TSearchRec sr;
    int rc = FindFirst(dir + pattern, attr, sr);
    while (rc == 0) {
      r.push_back(sr.Name);
      rc = FindNext(sr);
    }
    FindClose(sr);
    return r;
  }

  test::TempDir temp;
  std::string dir = temp.Path() + "/";
};

TEST_F(FileSearch, PatternsIgnoreCaseAndAttributesFilter) {
  using V = std::vector<std::string>;
  struct Case {
    const char* pattern;
    int attr;
    V expected;
  } cases[] = {
      {"*.txt", faAnyFile, {"Alpha.TXT", "beta.txt"}},
      {"?ETA.*", 0, {"beta.txt"}},
      {"*", 0, {"Alpha.TXT", "beta.txt", "gamma.db", "README"}},
      {"*.*", 0, {"Alpha.TXT", "beta.txt", "gamma.db", "README"}},
      {"*.", 0, {"README"}},
      {"*", faDirectory, {".", "..", "Alpha.TXT", "beta.txt", "gamma.db", "README", "Sub"}},
      {"*", faAnyFile, {".", "..", ".hidden", "Alpha.TXT", "beta.txt", "gamma.db", "README", "Sub"}},
      {"GAMMA.DB", faAnyFile, {"gamma.db"}},
      {"g*b", 0, {"gamma.db"}},
      {"*a*a*", 0, {"Alpha.TXT", "gamma.db"}},
      {"nomatch*", faAnyFile, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(Names(c.pattern, c.attr), c.expected) << c.pattern;
}

TEST_F(FileSearch, RecordsAndResults) {
  TSearchRec sr;
  ASSERT_EQ(FindFirst(dir + "gamma.db", faAnyFile, sr), 0);
  EXPECT_EQ(sr.Size, 4);
  EXPECT_TRUE(sr.Attr & faReadOnly);
  EXPECT_TRUE(sr.Attr & faArchive);
  EXPECT_FALSE(sr.Attr & faDirectory);
  EXPECT_NEAR(FileDateToDateTime(sr.Time), Now(), 1.0 / 24);
  EXPECT_EQ(FindNext(sr), 18);
  EXPECT_EQ(FindNext(sr), 18);
  FindClose(sr);

  ASSERT_EQ(FindFirst(dir + "sub", faDirectory, sr), 0);
  EXPECT_EQ(sr.Name, "Sub");
  EXPECT_TRUE(sr.Attr & faDirectory);
  EXPECT_EQ(FindFirst(dir + "sub", 0, sr), 2);  // a directory, not asked for
  EXPECT_EQ(FindFirst(dir + "none/*", faAnyFile, sr), 3);
  EXPECT_EQ(FindNext(sr), 18);
}

TEST_F(FileSearch, FilesAndDirectories) {
  EXPECT_TRUE(FileExists(dir + "beta.txt"));
  EXPECT_FALSE(FileExists(dir + "Sub"));
  EXPECT_TRUE(DirectoryExists(dir + "Sub"));
  EXPECT_FALSE(DirectoryExists(dir + "beta.txt"));
  EXPECT_FALSE(FileExists(""));

  EXPECT_TRUE(ForceDirectories(dir + "x\\y/z"));
  EXPECT_TRUE(DirectoryExists(dir + "x/y/z"));
  EXPECT_FALSE(ForceDirectories(dir + "beta.txt/below"));
  EXPECT_FALSE(ForceDirectories(""));

  EXPECT_FALSE(RenameFile(dir + "beta.txt", dir + "README"));  // never over another file
  EXPECT_TRUE(RenameFile(dir + "beta.txt", dir + "delta.txt"));
  EXPECT_TRUE(FileExists(dir + "delta.txt"));
  EXPECT_TRUE(DeleteFile(dir + "delta.txt"));
  EXPECT_FALSE(DeleteFile(dir + "delta.txt"));
  EXPECT_FALSE(DeleteFile(dir + "Sub"));

  EXPECT_NEAR(FileDateToDateTime(FileAge(dir + "README")), Now(), 1.0 / 24);
  EXPECT_EQ(FileAge(dir + "missing"), -1);

  std::string here = GetCurrentDir();
  ASSERT_TRUE(SetCurrentDir(dir + "Sub"));
  EXPECT_EQ(ExpandFileName("../README"), ExpandFileName(dir + "README"));
  EXPECT_TRUE(FileExists("../README"));
  EXPECT_FALSE(SetCurrentDir(dir + "missing"));
  ASSERT_TRUE(SetCurrentDir(here));
}

TEST(CommandLine, ArgumentsAndTheProgramPath) {
  const char* argv[] = {"prog", "-DbX", "two words"};
  SetCommandLine(3, argv);
  EXPECT_EQ(ParamCount(), 2);
  EXPECT_EQ(ParamStr(1), "-DbX");
  EXPECT_EQ(ParamStr(2), "two words");
  EXPECT_EQ(ParamStr(3), "");
  EXPECT_EQ(ParamStr(-1), "");
  std::string self = ParamStr(0);
  EXPECT_EQ(self[0], '/');
  EXPECT_EQ(ExtractFileName(self), "framework_core_tests");
  SetCommandLine(0, nullptr);
  EXPECT_EQ(ParamCount(), 0);
}

}  // namespace fw
