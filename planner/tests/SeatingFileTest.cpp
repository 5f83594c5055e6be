// The seating file without a window: its bytes, round trips, damaged files
// and a save that fails.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>

#include "SeatingFile.h"
#include "TempDir.h"

namespace ostrel::test {
namespace {

using fw::test::ReadBytes;

TSeatingTree TwoTables() {
  TSeatingTree t;
  t.UseIcons = true;
  t.FontName = "MS Sans Serif";
  t.FontSize = 8;
  t.Nodes = {{0, 0, 0, "Table # 1"},
             {1, -1, 0, "John Lee - Fish"},
             {1, 1, 7, "Ann Lee"},
             {0, 0, 0, "Table # 2"},
             {1, 4, 12, "Tom Hill"}};
  return t;
}

TEST(SeatingFile, ExactBytesOfASmallTree) {
  EXPECT_EQ(SeatingFileText(TwoTables()),
            "1 \r\n"
            "0 \r\n"
            "MS Sans Serif\r\n"
            "8 \r\n"
            "0 \r\n"
            "0 \r\n"
            "5 \r\n"
            "0 0 0 Table # 1\r\n"
            "1 -1 0 John Lee - Fish\r\n"
            "1 1 7 Ann Lee\r\n"
            "0 0 0 Table # 2\r\n"
            "1 4 12 Tom Hill\r\n");
}

TEST(SeatingFile, RoundTripThroughTheFile) {
  fw::test::TempDir dir;
  TSeatingTree t;
  t.UseIcons = false;
  t.OnlyRSVP = true;
  t.FontName = "DejaVu Sans";
  t.FontSize = 14;
  t.Bold = true;
  t.Italic = false;
  t.Nodes.push_back({0, -1, 0, "Table # 0"});
  for (int s = MinStateIcon; s <= MaxStateIcon; ++s) t.Nodes.push_back({1, s, 0, "state " + std::to_string(s)});
  for (int i = MinNodeIcon; i <= MaxNodeIcon; ++i) t.Nodes.push_back({1, -1, i, "icon " + std::to_string(i)});
  t.Nodes.push_back({0, 0, 0, "  two  blanks  and a tail "});
  t.Nodes.push_back({1, 5, 3, std::string(3000, 'x') + " end"});  // far past any line buffer
  t.Nodes.push_back({2, 2, 6, "Zoë Ångström – Ørsted 渡辺"});   // a third level, as a drag can make
  t.Nodes.push_back({1, -1, 0, ""});                             // an empty text

  const std::string path = dir.Path() + "/Seating.dat";
  ASSERT_TRUE(WriteSeatingFile(path, t));
  TSeatingTree back;
  std::string error;
  ASSERT_EQ(ReadSeatingFile(path, back, error), TSeatingRead::Ok) << error;
  EXPECT_EQ(back, t);
  EXPECT_EQ(ReadBytes(path), SeatingFileText(t));
}

TEST(SeatingFile, LineEndsAndTrailingBlankLinesLoad) {
  const std::string crlf = SeatingFileText(TwoTables());
  auto replaced = [&](const std::string& by) {
    std::string s;
    for (std::size_t i = 0; i < crlf.size(); ++i) {
      if (crlf.compare(i, 2, "\r\n") == 0) {
        s += by;
        ++i;
      } else {
        s += crlf[i];
      }
    }
    return s;
  };
  const std::string variants[] = {replaced("\n"), replaced("\r"), crlf + "\r\n", crlf + "\r\n  \r\n",
                                  crlf.substr(0, crlf.size() - 2)};
  for (const std::string& bytes : variants) {
    TSeatingTree t;
    std::string error;
    EXPECT_TRUE(ParseSeatingFile(bytes, t, error)) << error;
    EXPECT_EQ(t, TwoTables());
  }
  // An editor that takes away trailing blanks leaves a node without text.
  TSeatingTree t;
  std::string error;
  ASSERT_TRUE(ParseSeatingFile("0 \n0 \nArial\n10 \n0 \n0 \n2 \n0 0 0\n1 -1 0\n", t, error)) << error;
  ASSERT_EQ(t.Nodes.size(), 2u);
  EXPECT_EQ(t.Nodes[1], (TSeatingNode{1, -1, 0, ""}));
}

TEST(SeatingFile, DamagedFilesAreRefusedAndLeaveTheTreeAlone) {
  const std::string header = "1 \r\n0 \r\nArial\r\n10 \r\n1 \r\n0 \r\n";
  struct Case {
    const char* name;
    std::string bytes;
    const char* says;  // part of the message
  } cases[] = {
      {"empty", "", "Seating.dat Not Found"},
      {"blank first line", "\r\n0 \r\n", "Seating.dat Not Found"},
      {"short header", "1 \r\n0 \r\nArial\r\n", "Line 4: the file ends"},
      {"option not a number", "x \r\n0 \r\nArial\r\n10 \r\n0 \r\n0 \r\n0 \r\n", "Line 1: the Use Icons setting \"x\""},
      {"font size not a number", "1 \r\n0 \r\nArial\r\nten \r\n0 \r\n0 \r\n0 \r\n", "Line 4: the font size"},
      {"font size out of range", "1 \r\n0 \r\nArial\r\n99999 \r\n0 \r\n0 \r\n0 \r\n", "Line 4: the font size 99999"},
      {"node count not a number", header + "two \r\n", "Line 7: the number of nodes"},
      {"node count too high", header + "3 \r\n0 0 0 T\r\n1 0 0 a\r\n", "Line 7: the file says 3 nodes but holds 2"},
      {"node count too low", header + "1 \r\n0 0 0 T\r\n1 0 0 a\r\n", "Line 7: the file says 1 nodes but holds 2"},
      {"level not a number", header + "1 \r\nL 0 0 T\r\n", "Line 8: the level \"L\""},
      {"negative level", header + "1 \r\n-1 0 0 T\r\n", "Line 8: the level -1 is below 0"},
      {"state icon too high", header + "1 \r\n0 10 0 T\r\n", "Line 8: the state icon 10 is not one of -1 to 9"},
      {"state icon too low", header + "1 \r\n0 -2 0 T\r\n", "Line 8: the state icon -2"},
      {"node icon too high", header + "1 \r\n0 0 13 T\r\n", "Line 8: the node icon 13 is not one of -1 to 12"},
      {"two numbers", header + "1 \r\n0 0\r\n", "Line 8: a node line needs"},
      {"one number", header + "1 \r\n0\r\n", "Line 8: a node line needs"},
      {"two blanks", header + "1 \r\n0  0 0 T\r\n", "Line 8: the state icon \"\""},
      {"person first", header + "2 \r\n1 0 0 a\r\n0 0 0 T\r\n", "Line 8: a person comes before any table"},
      {"binary garbage", std::string("\x7f" "ELF\x02\x01\x01\0\0\0", 10) + "\r\n\x89PNG\r\n", "Line 1"},
      {"control bytes in a text", header + "1 \r\n0 0 0 T\x01\x02\r\n", "Line 8: the line holds characters"},
      {"not UTF-8", header + "1 \r\n0 0 0 Caf\xe9\r\n", "Line 8: the line holds characters"},
  };
  for (const Case& c : cases) {
    TSeatingTree t = TwoTables();
    std::string error;
    EXPECT_FALSE(ParseSeatingFile(c.bytes, t, error)) << c.name;
    EXPECT_NE(error.find(c.says), std::string::npos) << c.name << ": " << error;
    EXPECT_EQ(t, TwoTables()) << c.name;
  }
}

TEST(SeatingFile, MissingAndUnreadableFiles) {
  fw::test::TempDir dir;
  TSeatingTree t;
  std::string error;
  EXPECT_EQ(ReadSeatingFile(dir.Path() + "/Seating.dat", t, error), TSeatingRead::NotFound);
  ASSERT_EQ(mkdir((dir.Path() + "/Seating.dat").c_str(), 0755), 0);
  EXPECT_EQ(ReadSeatingFile(dir.Path() + "/Seating.dat", t, error), TSeatingRead::Unreadable);
}

TEST(SeatingFile, AFailedSaveKeepsTheOldFileWhole) {
  fw::test::TempDir dir;
  const std::string path = dir.Path() + "/Seating.dat";
  ASSERT_TRUE(WriteSeatingFile(path, TwoTables()));
  const std::string before = ReadBytes(path);
  // The temporary file cannot be made where a directory of its name stands.
  const std::string temp = path + ".tmp" + std::to_string(getpid());
  ASSERT_EQ(mkdir(temp.c_str(), 0755), 0);
  TSeatingTree other;
  other.FontName = "Other";
  EXPECT_FALSE(WriteSeatingFile(path, other));
  EXPECT_EQ(ReadBytes(path), before);
  rmdir(temp.c_str());
  // Nothing is left beside the file after a save that did not fail either.
  ASSERT_TRUE(WriteSeatingFile(path, other));
  struct stat st;
  EXPECT_NE(stat(temp.c_str(), &st), 0);
}

// Damaged copies of a sound file: every one is either read or refused with a
// message; none may crash or read out of bounds (the sanitizer build checks).
TEST(SeatingFile, MutatedFilesNeverCrashTheReader) {
  const std::string good = SeatingFileText(TwoTables());
  std::mt19937 random(20240611);
  const char alphabet[] = "0123456789- \r\n\t$xA\xff\x80";
  for (int round = 0; round < 4000; ++round) {
    std::string s = good;
    const int edits = 1 + static_cast<int>(random() % 6);
    for (int e = 0; e < edits; ++e) {
      const std::size_t at = s.empty() ? 0 : random() % s.size();
      switch (random() % 4) {
        case 0:
          if (!s.empty()) s[at] = alphabet[random() % (sizeof alphabet - 1)];
          break;
        case 1: s.insert(at, 1, alphabet[random() % (sizeof alphabet - 1)]); break;
        case 2:
          if (!s.empty()) s.erase(at, 1 + random() % 8);
          break;
        case 3: s.resize(at); break;
      }
    }
    TSeatingTree t;
    std::string error;
    if (!ParseSeatingFile(s, t, error)) {
      EXPECT_FALSE(error.empty());
      continue;
    }
    for (const TSeatingNode& n : t.Nodes) {
      ASSERT_GE(n.Level, 0);
      ASSERT_TRUE(n.StateIndex >= MinStateIcon && n.StateIndex <= MaxStateIcon);
      ASSERT_TRUE(n.ImageIndex >= MinNodeIcon && n.ImageIndex <= MaxNodeIcon);
    }
    if (!t.Nodes.empty()) {
      ASSERT_EQ(t.Nodes.front().Level, 0);
    }
  }
}

}  // namespace
}  // namespace ostrel::test
