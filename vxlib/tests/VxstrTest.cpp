#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Strings.h"
#include "Vxstacks.h"
#include "Vxstr.h"

namespace vx {
namespace {

// Walks S token by token as callers do: until Pos is -1.
std::vector<std::string> Tokens(const std::string& s, const std::string& sep) {
  std::vector<std::string> out;
  int pos = 1;
  std::string token;
  while (pos != -1) {
    strGetToken(s, sep, pos, token);
    out.push_back(token);
    if (out.size() > 100) break;
  }
  return out;
}

TEST(VxstrTest, GetTokenSteps) {
  struct TStep {
    const char* S;
    const char* Sep;
    int Pos;
    const char* Token;
    int NewPos;
  };
  const TStep steps[] = {
      {"a;b", ";", 1, "a", 3},
      {"a;b", ";", 3, "b", -1},
      {"a;b", ";", -1, "", -1},  // the end sentinel stays
      {"a;b", ";", 0, "", 0},
      {"a;b", ";", 4, "", -1},  // past the end is the end
      {"a;", ";", 3, "", -1},
      {"", ";", 1, "", -1},
      {";b", ";", 1, "", 2},
      {"x and y", "and", 1, "x", 7},       // found as " AND "
      {"x AND y", "and", 1, "x", 7},
      {"xandy", "and", 1, "xandy", -1},  // a word separator needs its blanks
      {"p or q or r", "OR", 6, "q", 11},
      {"\xC3\xA9~b", "~", 1, "\xC3\xA9", 3},  // positions count characters
      {"\xC3\xA9 und b", "UND", 1, "\xC3\xA9", 7},
      {"abc", "", 1, "abc", -1},
  };
  for (const TStep& t : steps) {
    int pos = t.Pos;
    std::string token = "stale";
    strGetToken(t.S, t.Sep, pos, token);
    EXPECT_EQ(token, t.Token) << t.S << " / " << t.Sep << " at " << t.Pos;
    EXPECT_EQ(pos, t.NewPos) << t.S << " / " << t.Sep << " at " << t.Pos;
  }
  EXPECT_EQ(Tokens("Name\tLabel\t12", "\t"), (std::vector<std::string>{"Name", "Label", "12"}));
  EXPECT_EQ(Tokens("a;;b;", ";"), (std::vector<std::string>{"a", "", "b", ""}));
  EXPECT_EQ(Tokens("", ";"), (std::vector<std::string>{""}));
}

TEST(VxstrTest, BreakApart) {
  fw::TStringList list;
  list.Add("old");
  strBreakApart("a;b;;c", ";", &list);
  EXPECT_EQ(list.Text(), "a\r\nb\r\n\r\nc\r\n");
  strBreakApart("", ";", &list);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Strings(0), "");
  strBreakApart("\xC3\xA9|\xC3\xB6", "|", &list);
  EXPECT_EQ(list.Text(), "\xC3\xA9\r\n\xC3\xB6\r\n");
}

TEST(VxstrTest, StripReplaceCount) {
  std::string s = "\t  a b \t";
  strStripWhiteSpace(s);
  EXPECT_EQ(s, "a b");
  s = "\n a";  // only TAB and blank are white space
  strStripWhiteSpace(s);
  EXPECT_EQ(s, "\n a");
  s = "00120";
  strStripPreceding(s, TvxCharSet("0"));
  EXPECT_EQ(s, "120");
  strStripTrailing(s, TvxCharSet("0"));
  EXPECT_EQ(s, "12");
  s = "xxx";
  strStripTrailing(s, TvxCharSet("x"));
  EXPECT_EQ(s, "");
  s = "\xC3\xA9" "a\xC3\xA9";
  strStripPreceding(s, TvxCharSet("\xC3\xA9"));
  EXPECT_EQ(s, "a\xC3\xA9");

  EXPECT_EQ(strRemoveChar("a-b-c", '-'), "abc");
  EXPECT_EQ(strRemoveChar("\xC3\xA9t\xC3\xA9", U'\u00E9'), "t");
  EXPECT_EQ(strReplaceChar("a-b-c", '-', '+'), "a+b+c");
  EXPECT_EQ(strReplaceCharWithStr("a;b", ';', "; "), "a; b");
  EXPECT_EQ(strReplaceCharWithStr("ab", ';', "; "), "ab");
  EXPECT_EQ(strCount("a;b;c", ';'), 2);
  EXPECT_EQ(strCount("\xC3\xA9\xC3\xA9", U'\u00E9'), 2);
  EXPECT_EQ(strTrailing("key=val=x", '='), "val=x");
  EXPECT_EQ(strTrailing("key", '='), "");
  EXPECT_TRUE(vxEqualStr("TvxTable", "TVXTABLE"));
  EXPECT_FALSE(vxEqualStr("abc", "abd"));
}

TEST(VxstrTest, GetWord) {
  struct TCase {
    const char* S;
    int Pos;
    TvxGetWordOptions Options;
    const char* Word;
    int NewPos;
  };
  const TvxGetWordOptions none;
  const TvxGetWordOptions skip{vxgwSkipLeadingBlanks};
  const TvxGetWordOptions quotes{vxgwSkipLeadingBlanks, vxgwQuotesAsWords};
  const TvxGetWordOptions strip{vxgwSkipLeadingBlanks, vxgwQuotesAsWords, vxgwStripQuotes};
  const TCase cases[] = {
      {"abc def", 1, none, "abc", 4},
      {"abc def", 4, none, " ", 5},  // a stop character is a word of its own
      {"abc def", 4, skip, "def", 8},
      {"ab=12", 1, none, "ab", 3},
      {"ab=12", 3, none, "=", 4},
      {"a=1", 1, none, "a", 2},  // a one-character word leaves Pos on the delimiter too
      {"x", 0, none, "", 0},
      {"x", 2, none, "", 2},
      {"   ", 1, skip, "", 4},
      {"\"a b\" c", 1, quotes, "\"a b\"", 6},
      {"\"a b\" c", 1, strip, "a b", 6},
      {"\"open", 1, strip, "open", 6},
      {"\"a b\" c", 1, skip, "\"a", 3},  // quotes mean nothing without the option
      {"\xC3\xA9t\xC3\xA9=1", 1, none, "\xC3\xA9t\xC3\xA9", 4},
  };
  for (const TCase& c : cases) {
    int pos = c.Pos;
    EXPECT_EQ(vxGetWord(c.S, pos, c.Options, TvxCharSet("=<>")), c.Word) << c.S << " at " << c.Pos;
    EXPECT_EQ(pos, c.NewPos) << c.S << " at " << c.Pos;
  }
}

TEST(VxstrTest, Stacks) {
  TStackStr s;
  EXPECT_EQ(s.pop(), "");
  s.push("a");
  s.push("b");
  EXPECT_EQ(s.count(), 2);
  EXPECT_EQ(s.pop(), "b");
  EXPECT_EQ(s.pop(), "a");
  EXPECT_EQ(s.pop(), "");
  EXPECT_EQ(s.count(), 0);

  TStackPtr p;
  int x = 1, y = 2;
  EXPECT_EQ(p.pop(), nullptr);
  p.push(&x);
  p.push(&y);
  EXPECT_EQ(p.pop(), &y);
  EXPECT_EQ(p.count(), 1);
  EXPECT_EQ(p.pop(), &x);
  EXPECT_EQ(p.pop(), nullptr);
}

}  // namespace
}  // namespace vx
