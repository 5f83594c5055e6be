#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Exceptions.h"
#include "Streams.h"
#include "Strings.h"
#include "TempDir.h"
#include "Text.h"

namespace fw {

namespace {

std::vector<std::string> Lines(const TStrings& s) {
  std::vector<std::string> v;
  for (int i = 0; i < s.Count(); ++i) v.push_back(s.Strings(i));
  return v;
}

void Fill(TStrings& s, const std::vector<std::string>& lines) {
  s.Clear();
  for (const auto& l : lines) s.Add(l);
}

std::string MessageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "(no error)";
}

using V = std::vector<std::string>;

}  // namespace

TEST(StringList, SortedListInsertsInOrderAndFindsByBinarySearch) {
  TStringList s;
  s.SetSorted(true);
  for (const char* x : {"pear", "Apple", "fig", "banana", "cherry"}) s.Add(x);
  EXPECT_EQ(Lines(s), (V{"Apple", "banana", "cherry", "fig", "pear"}));

  struct Case {
    const char* sought;
    bool found;
    int index;
  };
  for (Case k : {Case{"apple", true, 0}, Case{"FIG", true, 3}, Case{"aardvark", false, 0}, Case{"date", false, 3},
                 Case{"zucchini", false, 5}, Case{"", false, 0}}) {
    int index = -1;
    EXPECT_EQ(s.Find(k.sought, index), k.found) << k.sought;
    EXPECT_EQ(index, k.index) << k.sought;
  }
  EXPECT_EQ(s.IndexOf("CHERRY"), 2);
  EXPECT_EQ(s.IndexOf("date"), -1);

  // Lines of a sorted list cannot be put in a chosen place.
  for (auto op : std::vector<std::function<void()>>{[&] { s.Insert(0, "x"); }, [&] { s.SetStrings(0, "x"); },
                                                     [&] { s.Move(0, 1); }})
    EXPECT_EQ(MessageOf(op), "Operation not allowed on sorted string list");
  EXPECT_EQ(s.Count(), 5);

  // Sorting an unsorted list, then keeping it sorted.
  TStringList u;
  Fill(u, {"c", "B", "a"});
  u.SetSorted(true);
  EXPECT_EQ(Lines(u), (V{"a", "B", "c"}));
  u.Add("b2");
  EXPECT_EQ(Lines(u), (V{"a", "B", "b2", "c"}));
}

TEST(StringList, DuplicatesInEachMode) {
  struct Case {
    TDuplicates mode;
    bool caseSensitive;
    int count;       // after adding "alpha", "beta", then "ALPHA"
    int lastIndex;   // what the last Add returned
    bool raises;
  };
  for (Case k : {Case{dupIgnore, false, 2, 0, false}, Case{dupAccept, false, 3, 0, false},
                 Case{dupError, false, 2, -1, true}, Case{dupError, true, 3, 0, false},
                 Case{dupIgnore, true, 3, 0, false}}) {
    TStringList s;
    s.SetSorted(true);
    s.SetDuplicates(k.mode);
    s.SetCaseSensitive(k.caseSensitive);
    TObject first, second;
    s.AddObject("alpha", &first);
    s.Add("beta");
    int last = -1;
    std::string message = MessageOf([&] { last = s.AddObject("ALPHA", &second); });
    SCOPED_TRACE(testing::Message() << "mode " << k.mode << " case " << k.caseSensitive);
    EXPECT_EQ(s.Count(), k.count);
    if (k.raises) {
      EXPECT_EQ(message, "String list does not allow duplicates");
    } else {
      EXPECT_EQ(last, k.lastIndex);
    }
    if (k.mode == dupIgnore && !k.caseSensitive) {
      EXPECT_EQ(s.Objects(0), &first);  // the first line stays as it was
    }
  }
}

TEST(StringList, CaseRulesCoverEveryLetter) {
  TStringList s;
  Fill(s, {"straße", "ÉCLAIR", "σοφία", "Œuvre"});
  EXPECT_EQ(s.IndexOf("éclair"), 1);
  EXPECT_EQ(s.IndexOf("ΣΟΦΊΑ"), 2);
  EXPECT_EQ(s.IndexOf("œUVRE"), 3);
  EXPECT_EQ(s.IndexOf("STRASSE"), -1);  // letters are folded one by one, not expanded
  s.SetCaseSensitive(true);
  EXPECT_EQ(s.IndexOf("éclair"), -1);
  EXPECT_EQ(s.IndexOf("ÉCLAIR"), 1);

  // Sorted: the order follows characters, and changing the case rule re-sorts.
  TStringList t;
  t.SetSorted(true);
  t.SetDuplicates(dupAccept);
  for (const char* x : {"b", "Ä", "a", "B", "ä"}) t.Add(x);
  EXPECT_EQ(t.Count(), 5);
  int i = -1;
  EXPECT_TRUE(t.Find("ä", i));
  EXPECT_EQ(i, 3);
  EXPECT_EQ(AnsiCompareText(t.Strings(3), t.Strings(4)), 0);
  t.SetCaseSensitive(true);
  EXPECT_EQ(Lines(t), (V{"B", "a", "b", "Ä", "ä"}));
  EXPECT_EQ(t.IndexOf("A"), -1);
  EXPECT_EQ(t.IndexOf("Ä"), 3);
}

TEST(StringList, NamesAndValues) {
  TStringList s;
  Fill(s, {"Path=C:\\data", "Empty=", "no separator", "=nameless", "Expr=a=b", "path=second"});
  EXPECT_EQ(s.Names(0), "Path");
  EXPECT_EQ(s.Names(2), "");
  EXPECT_EQ(s.Names(3), "");
  EXPECT_EQ(s.Values("PATH"), "C:\\data");  // first line of the name, any case
  EXPECT_EQ(s.Values("Expr"), "a=b");       // split at the first separator
  EXPECT_EQ(s.Values("Empty"), "");
  EXPECT_EQ(s.Values(""), "nameless");
  EXPECT_EQ(s.Values("missing"), "");
  EXPECT_EQ(s.Values("no separator"), "");
  EXPECT_EQ(s.ValueFromIndex(4), "a=b");
  EXPECT_EQ(s.ValueFromIndex(2), "");
  EXPECT_EQ(s.IndexOfName("expr"), 4);
  EXPECT_EQ(s.IndexOfName("no separator"), -1);

  s.SetValues("Expr", "c");  // in place
  EXPECT_EQ(s.Strings(4), "Expr=c");
  s.SetValues("New", "1");  // appended
  EXPECT_EQ(s.Strings(6), "New=1");
  s.SetValues("path", "");  // removes the first line of the name only
  EXPECT_EQ(s.Strings(0), "Empty=");
  EXPECT_EQ(s.Values("Path"), "second");
  s.SetValues("missing", "");
  EXPECT_EQ(s.Count(), 6);

  s.SetNameValueSeparator(':');
  s.SetValues("Key", "v=w");
  EXPECT_EQ(s.Strings(6), "Key:v=w");
  EXPECT_EQ(s.Values("KEY"), "v=w");

  // A sorted list moves the changed line to its place instead of refusing.
  TStringList sorted;
  sorted.SetSorted(true);
  Fill(sorted, {"b=2", "c=3"});
  TObject o;
  sorted.SetObjects(0, &o);
  sorted.SetValues("b", "9");
  sorted.SetValues("a", "1");
  EXPECT_EQ(Lines(sorted), (V{"a=1", "b=9", "c=3"}));
  EXPECT_EQ(sorted.Objects(1), &o);
}

TEST(StringList, CommaTextQuotesWhatWouldNotSurviveAndReadsItBack) {
  struct Case {
    V lines;
    const char* text;
  };
  std::vector<Case> cases = {
      {{}, ""},
      {{"a", "b"}, "a,b"},
      {{""}, "\"\""},
      {{"", ""}, ","},
      {{"a", "", "b"}, "a,,b"},
      {{"two words"}, "\"two words\""},
      {{"a,b"}, "\"a,b\""},
      {{"say \"hi\""}, "\"say \"\"hi\"\"\""},
      {{" lead", "trail "}, "\" lead\",\"trail \""},
      {{"tab\there", "line\r\nbreak"}, "\"tab\there\",\"line\r\nbreak\""},
      {{"Grüße", "日本"}, "Grüße,日本"},
      {{"it's"}, "it's"},
  };
  for (const Case& k : cases) {
    TStringList s;
    Fill(s, k.lines);
    EXPECT_EQ(s.CommaText(), k.text);
    TStringList back;
    back.SetCommaText(k.text);
    EXPECT_EQ(Lines(back), k.lines) << k.text;
  }

  // Reading: blanks outside quotes split, around delimiters they vanish; a
  // delimiter at the very end gives an empty last line; an unclosed quote
  // runs to the end.
  struct Read {
    const char* text;
    V lines;
  };
  for (const Read& r : {Read{"  a b,\"c, d\" , e,", {"a", "b", "c, d", "e", ""}}, Read{"\"un closed", {"un closed"}},
                        Read{"x\"y\"", {"x\"y\""}}, Read{"\"q\"z", {"q", "z"}}, Read{" , ", {""}}}) {
    TStringList s;
    s.SetCommaText(r.text);
    EXPECT_EQ(Lines(s), r.lines) << r.text;
  }
}

TEST(StringList, DelimitedTextUsesItsOwnDelimiterAndQuote) {
  TStringList s;
  s.SetDelimiter(';');
  s.SetQuoteChar('\'');
  Fill(s, {"a,b", "c;d", "it's"});
  EXPECT_EQ(s.DelimitedText(), "a,b;'c;d';'it''s'");
  EXPECT_EQ(s.CommaText(), "\"a,b\",c;d,it's");  // CommaText keeps its own rules
  TStringList back;
  back.SetDelimiter(';');
  back.SetQuoteChar('\'');
  back.SetDelimitedText(s.DelimitedText());
  EXPECT_TRUE(back.Equals(s));
}

TEST(StringList, TextSplitsAtEveryLineEndAndWritesCrLf) {
  struct Case {
    const char* text;
    V lines;
  };
  for (const Case& k : {Case{"a\r\nb\nc\rd", {"a", "b", "c", "d"}}, Case{"a\n\rb", {"a", "", "b"}},
                        Case{"a\r\n", {"a"}}, Case{"a\r\n\r\n", {"a", ""}}, Case{"\r\n", {""}}, Case{"", {}},
                        Case{"\n\nx", {"", "", "x"}}}) {
    TStringList s;
    s.SetText(k.text);
    EXPECT_EQ(Lines(s), k.lines) << testing::PrintToString(std::string(k.text));
  }
  TStringList s;
  Fill(s, {"one", "", "three"});
  EXPECT_EQ(s.Text(), "one\r\n\r\nthree\r\n");
  TStringList back;
  back.SetText(s.Text());
  EXPECT_TRUE(back.Equals(s));
  std::string withNul("a\0b\nc", 5);  // a NUL is a character like any other
  back.SetText(withNul);
  EXPECT_EQ(Lines(back), (V{std::string("a\0b", 3), "c"}));
}

TEST(StringList, UpdateBracketReportsOnceAtTheOutermostLevel) {
  TStringList s;
  std::vector<std::string> log;
  s.OnChanging = [&](TObject* sender) {
    EXPECT_EQ(sender, &s);
    log.push_back("changing " + std::to_string(s.Count()));
  };
  s.OnChange = [&](TObject*) { log.push_back("change " + std::to_string(s.Count())); };

  s.Add("x");
  EXPECT_EQ(log, (V{"changing 0", "change 1"}));
  log.clear();

  s.BeginUpdate();
  s.Add("y");
  s.BeginUpdate();
  s.SetText("a\nb\nc");
  s.Delete(0);
  s.EndUpdate();
  s.Exchange(0, 1);
  EXPECT_EQ(log, (V{"changing 1"}));
  s.EndUpdate();
  EXPECT_EQ(log, (V{"changing 1", "change 2"}));
  log.clear();

  s.EndUpdate();  // unbalanced: ignored
  s.Sort();
  TStringList other;
  Fill(other, {"p", "q", "r"});
  s.Assign(&other);
  EXPECT_EQ(log, (V{"changing 2", "change 2", "changing 2", "change 3"}));
  log.clear();

  // A failed change inside a bracket still closes it.
  s.SetSorted(true);
  s.SetDuplicates(dupError);
  log.clear();
  EXPECT_THROW(s.AddStrings(other), EStringListError);
  EXPECT_EQ(s.UpdateCount(), 0);
  EXPECT_EQ(log, (V{"changing 3", "change 3"}));
}

TEST(StringList, FilesRoundTripUtf8AndReadAnyLineEnd) {
  test::TempDir dir;
  TStringList s;
  Fill(s, {"Grüße aus Köln", "", "日本語のテキスト", "emoji 🎉", "  blanks kept  "});
  std::string file = dir.File("lines.txt");
  s.SaveToFile(file);
  EXPECT_EQ(test::ReadBytes(file),
            "Grüße aus Köln\r\n\r\n日本語のテキスト\r\nemoji 🎉\r\n  blanks kept  \r\n");
  TStringList back;
  back.Add("old content");
  back.LoadFromFile(file);
  EXPECT_TRUE(back.Equals(s));

  test::WriteBytes(file, "unix\nmac\rdos\r\nlast");
  back.LoadFromFile(file);
  EXPECT_EQ(Lines(back), (V{"unix", "mac", "dos", "last"}));

  std::string missing = dir.File("nope.txt");
  EXPECT_EQ(MessageOf([&] { back.LoadFromFile(missing); }),
            "Cannot open file \"" + missing + "\". No such file or directory");
  EXPECT_EQ(back.Count(), 4);  // a failed load leaves the lines
  EXPECT_THROW(s.SaveToFile(dir.File("no/such/dir.txt")), EFCreateError);
}

TEST(StringList, StreamsReadFromThePositionAndWriteText) {
  TStringStream in("skip\nkeep\nthis");
  in.SetPosition(5);
  TStringList s;
  s.LoadFromStream(in);
  EXPECT_EQ(Lines(s), (V{"keep", "this"}));
  TStringStream out;
  out.WriteString(">");
  s.SaveToStream(out);
  EXPECT_EQ(out.DataString(), ">keep\r\nthis\r\n");
}

TEST(StringList, ObjectsTravelWithTheirLines) {
  TStringList s;
  TObject o1, o2;
  s.AddObject("one", &o1);
  s.AddObject("two", &o2);
  s.AddObject("three", IntToObject(42));
  s.Insert(0, "zero");
  EXPECT_EQ(s.IndexOfObject(&o2), 2);
  EXPECT_EQ(ObjectToInt(s.Objects(3)), 42);
  int value = 7;
  s.SetObjects(0, PtrToObject(&value));
  EXPECT_EQ(ObjectToPtr<int>(s.Objects(0)), &value);

  s.Move(1, 3);
  EXPECT_EQ(Lines(s), (V{"zero", "two", "three", "one"}));
  EXPECT_EQ(s.Objects(3), &o1);
  s.Exchange(0, 1);
  EXPECT_EQ(s.Objects(0), &o2);

  TStringList copy;
  copy.Assign(&s);
  EXPECT_TRUE(copy.Equals(s));
  EXPECT_EQ(copy.Objects(0), &o2);
  copy.Assign(&copy);  // assigning a list to itself keeps it
  EXPECT_EQ(copy.Count(), 4);
  copy.SetStrings(0, "TWO");
  EXPECT_FALSE(copy.Equals(s));  // case counts
  EXPECT_EQ(copy.Objects(0), &o2);

  // Bad indexes raise before anything is moved or lost.
  EXPECT_EQ(MessageOf([&] { s.Move(0, 4); }), "List index out of bounds (4)");
  EXPECT_EQ(MessageOf([&] { s.Strings(-1); }), "List index out of bounds (-1)");
  EXPECT_EQ(MessageOf([&] { s.Insert(5, "x"); }), "List index out of bounds (5)");
  EXPECT_EQ(MessageOf([&] { s.Delete(4); }), "List index out of bounds (4)");
  EXPECT_THROW(s.Objects(4), EStringListError);
  EXPECT_EQ(s.Count(), 4);

  auto notAList = std::make_unique<TComponent>(nullptr);
  EXPECT_THROW(s.Assign(notAList.get()), EConvertError);
}

TEST(StringList, CustomSortSeesTheListAsItWas) {
  TStringList s;
  Fill(s, {"ccc", "a", "bb", "dd", "e"});
  s.CustomSort([](TStringList* l, int x, int y) {
    return static_cast<int>(l->Strings(y).size()) - static_cast<int>(l->Strings(x).size());
  });
  EXPECT_EQ(Lines(s), (V{"ccc", "bb", "dd", "a", "e"}));  // longest first, equal ones in their order
  s.Sort();
  EXPECT_EQ(Lines(s), (V{"a", "bb", "ccc", "dd", "e"}));
}

TEST(StringList, ReadsItsLinesFromAFormValue) {
  TStringList s;
  s.Add("old");
  TFormValue v;
  v.Kind = TFormValue::vaList;
  for (const char* x : {"first", "", "third"}) {
    TFormValue item;
    item.Kind = TFormValue::vaString;
    item.Str = x;
    v.List.push_back(item);
  }
  EXPECT_TRUE(s.ReadProperty("strings", v));
  EXPECT_EQ(Lines(s), (V{"first", "", "third"}));
  EXPECT_FALSE(s.ReadProperty("Other", v));

  TFormValue bad = v;
  bad.List[1].Kind = TFormValue::vaInteger;
  EXPECT_THROW(s.ReadProperty("Strings", bad), EReadError);
  TFormValue notAList;
  notAList.Kind = TFormValue::vaString;
  EXPECT_THROW(s.ReadProperty("Strings", notAList), EReadError);
  EXPECT_EQ(FindClass("TStringList"), TStringList::StaticClass());
}

}  // namespace fw
