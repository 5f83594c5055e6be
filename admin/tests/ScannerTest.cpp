#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DbXUtils.h"
#include "Lists.h"
#include "Strings.h"

namespace dbx {
namespace {

using namespace std::string_view_literals;
using Items = std::vector<std::string>;

struct ScriptCase {
  const char* name;
  std::string text;
  TChar terminator;
  std::string keyword;
  TChar escape;
  bool doubledQuotes;
  Items items;
};

Items ReadAll(TScanner& s) {
  Items items;
  while (s.Position() != -1) items.push_back(s.NextItem());
  return items;
}

TEST(ScannerTest, NextItemCutsScripts) {
  const std::vector<std::string> comments = {"/*,*/", "--,"};
  const ScriptCase cases[] = {
      {"last item needs no terminator", "a; b ;c", ';', "", 0, false, {"a", "b", "c"}},
      {"trailing terminator gives an empty item", "a;", ';', "", 0, false, {"a", ""}},
      {"terminator inside quotes", "x ';' \"a;b\"; y", ';', "", 0, false, {"x ';' \"a;b\"", "y"}},
      {"terminator inside a comment pair", "a /* ; */ b; c", ';', "", 0, false, {"a /* ; */ b", "c"}},
      {"line comment runs to the line end", "c -- ; x\nd; e", ';', "", 0, false, {"c -- ; x\nd", "e"}},
      {"keyword alone on its line", "a\n---\nb\r\n---\r\nc", 0, "---", 0, false, {"a", "b", "c"}},
      {"keyword matched without regard to case", "a\nGo\nb", 0, "go", 0, false, {"a", "b"}},
      {"keyword inside a line is text", "a --- b\nc", 0, "---", 0, false, {"a --- b\nc"}},
      {"keyword at the very end is text", "a\n---", 0, "---", 0, false, {"a\n---"}},
      {"keyword at the start", "---\na", 0, "---", 0, false, {"", "a"}},
      {"keyword wins over a line comment", "a\n---\nb", 0, "---", 0, false, {"a", "b"}},
      {"escaped terminator is text", "a\\;b;c", ';', "", '\\', false, {"a;b", "c"}},
      {"escaped quote does not open a string", "it\\'s; x", ';', "", '\\', false, {"it's", "x"}},
      {"escape at the end stops there", "ab\\", ';', "", '\\', false, {"ab"}},
      {"doubled quotes stay inside the string", "'a'';b'; c", ';', "", 0, true, {"'a'';b'", "c"}},
      {"blanks trimmed, tabs kept", " \r\n\ta \n", 0, "", 0, false, {"\ta"}},
      {"characters, not bytes", "été;ÿ", ';', "", 0, false, {"été", "ÿ"}},
  };
  for (const ScriptCase& c : cases) {
    TScanner s;
    s.SetTerminator(c.terminator);
    s.SetKeyword(c.keyword);
    s.SetEscapeChar(c.escape);
    s.SetDoubledQuotes(c.doubledQuotes);
    s.SetBrackets(comments);
    s.SetText(c.text);
    EXPECT_EQ(ReadAll(s), c.items) << c.name;
    EXPECT_EQ(s.Position(), -1) << c.name;
    EXPECT_EQ(s.NextItem(), "") << c.name << ": nothing after the end";
  }
}

TEST(ScannerTest, ErrorsNameWhatIsMissingAndWhere) {
  struct ErrorCase {
    std::string text;
    bool doubledQuotes;
    std::string message;
  } cases[] = {
      {"ab 'cd", false, "A closing ' is missing after character 4"},
      {"éé \"x", false, "A closing \" is missing after character 4"},
      {"x /* y", false, "A closing */ is missing after character 3"},
      // doubled quotes decide which quote is left open
      {"'a'';b", false, "A closing ' is missing after character 4"},
      {"'a'';b", true, "A closing ' is missing after character 1"},
  };
  for (const ErrorCase& c : cases) {
    TScanner s;
    s.SetBrackets({"/*,*/"});
    s.SetTerminator(';');
    s.SetDoubledQuotes(c.doubledQuotes);
    s.SetText(c.text);
    try {
      ReadAll(s);
      ADD_FAILURE() << c.text << ": no error";
    } catch (const EDbXError& e) {
      EXPECT_EQ(e.Message(), c.message) << c.text;
    }
  }
}

TEST(ScannerTest, ReadUntilTreatsNulAsTheEnd) {
  const TCharSet slash(U"/"sv);
  const TCharSet slashOrEnd(U"\0/"sv);

  TScanner s;
  s.SetText("ab/c");
  EXPECT_EQ(s.ReadUntil(slash), "ab");
  EXPECT_EQ(s.Position(), 4) << "the delimiter is stepped over";
  s.SetText("ab/c");
  EXPECT_EQ(s.ReadUntil(slashOrEnd), "ab");
  EXPECT_EQ(s.Position(), 3) << "the delimiter stays current";
  EXPECT_EQ(s.ReadChar(), U'/');
  EXPECT_EQ(s.ReadUntil(slashOrEnd), "c");
  EXPECT_FALSE(s.InRange());

  s.SetText("  abc");
  try {
    s.ReadToken(slash);
    ADD_FAILURE() << "no error";
  } catch (const EDbXError& e) {
    EXPECT_EQ(e.Message(), "Mapping error: Token not found: abc");
  }
}

TEST(ScannerTest, ReadQuotedKeepsDoubledQuotes) {
  TScanner s;
  s.SetDoubledQuotes(true);
  s.SetText("\"a\"\"b\"/x");
  EXPECT_EQ(s.ReadQuoted(), "a\"\"b");
  EXPECT_TRUE(s.CharIs(0, U'/'));
}

TEST(ScannerTest, ReadingLeavesTheTextAsItWas) {
  TScanner s;
  s.SetEscapeChar('\\');
  s.SetText("a\\/b/c");
  EXPECT_EQ(s.ReadUntil(TCharSet(U"/"sv)), "a/b");
  EXPECT_EQ(s.Text(), "a\\/b/c");

  s.SetText("ab\\");
  EXPECT_EQ(s.ReadUntil(TCharSet(U"\0/"sv)), "ab");
  EXPECT_FALSE(s.InRange()) << "an escape at the end leaves the position at the end";

  // a script run again from the start reads what the first run read
  s.SetTerminator(';');
  s.SetText("a\\;b;'c\\';d';e");
  for (int start : {1, 0}) {
    s.SetPosition(start);
    EXPECT_EQ(ReadAll(s), (Items{"a;b", "'c';d'", "e"})) << "from " << start;
  }
  EXPECT_EQ(s.Text(), "a\\;b;'c\\';d';e");
}

TEST(ScannerTest, NextItemPastTheEndEnds) {
  for (int position : {3, 4, 100}) {
    TScanner s;
    s.SetText("ab");
    s.SetPosition(position);
    EXPECT_EQ(s.NextItem(), "") << position;
    EXPECT_EQ(s.Position(), -1) << position;
  }
}

TEST(StringRoutinesTest, SplitAndJoin) {
  const TCharSet comma(U","sv);
  EXPECT_EQ(SplitByChars("a,,b", comma), (Items{"a", "", "b"}));
  EXPECT_EQ(SplitByChars("a,", comma), (Items{"a"}));
  EXPECT_EQ(SplitByChars(",", comma), (Items{""}));
  EXPECT_EQ(SplitByChars("", comma), (Items{}));
  EXPECT_EQ(SplitByChars("x;y,z", TCharSet(U",;"sv)), (Items{"x", "y", "z"}));
  for (const Items& list : {Items{"a", "", "b"}, Items{"é", "ß"}, Items{"", "x"}}) {
    EXPECT_EQ(SplitByChars(JoinStrings(list, ','), comma), list);
  }
}

TEST(StringRoutinesTest, CharLiteralsRoundTrip) {
  for (TChar c : {TChar(0), TChar(9), TChar(32), TChar('!'), TChar('a'), TChar('\''), TChar(0xE9)}) {
    EXPECT_EQ(CharFromLiteral(CharToLiteral(c)), c) << static_cast<unsigned>(c);
  }
  EXPECT_EQ(CharToLiteral('\t'), "#9");
  EXPECT_EQ(CharToLiteral(' '), "#32");
  EXPECT_EQ(CharToLiteral(0), "#0");
  // a stored code loads whatever it holds: a character where it is one, else none
  struct Case {
    const char* literal;
    TChar c;
  } codes[] = {
      {"", TChar(0)},       {"#255", TChar(255)}, {"'x'", TChar('x')},           {"''''", TChar('\'')},
      {"''", TChar(0)},     {"#x", TChar(0)},     {"ab", TChar(0)},              {"#300", TChar(300)},
      {"#55296", TChar(0)}, {"#1114112", TChar(0)}, {"#1114111", TChar(0x10FFFF)}, {"#99999999999999999999", TChar(0)},
  };
  for (const Case& c : codes) EXPECT_EQ(CharFromLiteral(c.literal), c.c) << c.literal;

  TScanner s;
  s.SetTerminator(CharFromLiteral("#300"));
  s.SetText("aĬb");
  EXPECT_EQ(ReadAll(s), (Items{"a", "b"})) << "a stored terminator #300 splits at U+012C";
}

TEST(StringRoutinesTest, QuotingRoundTrips) {
  for (std::string text : {"", "plain", "a\"b", "\"\"", "é\"ß\""}) {
    std::string q = QuoteString(text);
    EXPECT_EQ(q.front(), '"');
    EXPECT_EQ(UnquoteDouble(q), text);
  }
  EXPECT_EQ(QuoteString("a\"b"), "\"a\"\"b\"");
  EXPECT_EQ(UnquoteDouble("not quoted"), "not quoted");
  EXPECT_EQ(UnquoteDouble("\"open"), "open");
}

TEST(StringRoutinesTest, PartsOfText) {
  EXPECT_EQ(NamePart("PATH=C:\\x=y"), "PATH");
  EXPECT_EQ(ValuePart("PATH=C:\\x=y"), "C:\\x=y");
  EXPECT_EQ(NamePart("PATH"), "PATH");
  EXPECT_EQ(ValuePart("PATH"), "");
  EXPECT_EQ(TextBefore("aéb", U'é'), "a");
  EXPECT_EQ(TextAfter("aéb", U'é'), "b");

  std::string rest = "NET PROTOCOL:Values:1";
  EXPECT_EQ(PopField(rest), "NET PROTOCOL");
  EXPECT_EQ(rest, "Values:1");
  EXPECT_EQ(PopField(rest), "Values");
  EXPECT_EQ(PopField(rest), "1");
  EXPECT_EQ(rest, "");

  EXPECT_EQ(RemoveChars("a-b_cé", TCharSet(U"-_é"sv)), "abc");
  EXPECT_TRUE(ContainsCharOf("ééx", 3, TCharSet(U"x"sv)));
  EXPECT_FALSE(ContainsCharOf("xéé", 2, TCharSet(U"x"sv)));
  EXPECT_EQ(NativeFromAnsi(0, std::string_view("ab\0cd", 5)), "ab");
}

TEST(StringRoutinesTest, IndexInList) {
  EXPECT_EQ(IndexInList("open", {"", "Closed", "Open"}), 2);
  EXPECT_EQ(IndexInList("none", {"Closed", "Open"}), -1);
  try {
    IndexInListOrRaise("Shut", {"Closed", "Open"});
    ADD_FAILURE() << "no error";
  } catch (const EDbXError& e) {
    EXPECT_EQ(e.Message(), "Mapping error: Shut not found in string list");
  }
}

}  // namespace
}  // namespace dbx

namespace dbx {
namespace {

// An item that writes down when it goes.
class TItem : public fw::TObject {
public:
  TItem(std::vector<int>& freed, int id) : freed_(freed), id_(id) {}
  ~TItem() override { freed_.push_back(id_); }

private:
  std::vector<int>& freed_;
  int id_;
};

TEST(StringRoutinesTest, OwnedItemsAreFreedLastFirst) {
  std::vector<int> freed;
  auto list = std::make_unique<fw::TList>();
  for (int id : {1, 2, 3}) list->Add(new TItem(freed, id));
  FreeListAndItems(list);
  EXPECT_EQ(freed, (std::vector<int>{3, 2, 1}));
  EXPECT_EQ(list, nullptr);

  freed.clear();
  std::unique_ptr<fw::TStrings> strings = std::make_unique<fw::TStringList>();
  strings->AddObject("a", new TItem(freed, 1));
  strings->Add("no object");
  strings->AddObject("c", new TItem(freed, 3));
  FreeListItemsAndList(strings);
  EXPECT_EQ(freed, (std::vector<int>{3, 1}));
}

}  // namespace
}  // namespace dbx
