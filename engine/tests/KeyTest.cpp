// Indexes, key searches and ranges: the order of strings (bytes of UTF-8,
// or with every letter's case folded), blanks, descending indexes, partial
// keys and the 0xFF upper bound.
#include "EngineTest.h"

using namespace enginetest;

namespace {

class KeyTest : public EngineTest {
public:
  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_OK(CreateTable(db, "People",
                          {{"Name", ORVEX_FT_STRING, 20}, {"City", ORVEX_FT_STRING, 20}, {"No", ORVEX_FT_INTEGER}},
                          {{"", {3}, true},
                           {"ByName", {1}},
                           {"ByNameCI", {1}, false, false, false, true},
                           {"ByCityName", {2, 1}},
                           {"ByNameDesc", {1}, false, false, true}}));
    c = std::make_unique<Cursor>(db, "People");
    ASSERT_TRUE(c->ok());
    const char* names[] = {"anna", "Anna", "Émile", "émile", "Bob", "bob", "ab", "abc", "abz", "b", ""};
    int no = 0;
    for (const char* n : names) {
      auto rec = c->NewRecord();
      c->PutStr(rec, 1, n);
      c->PutStr(rec, 2, no % 2 ? "Oslo" : "Bergen");
      c->Put<std::int32_t>(rec, 3, ++no);
      ASSERT_OK(c->Append(rec));
    }
  }

  std::vector<std::string> Names() { return c->Strs(1); }
  std::vector<std::uint8_t> Key(const std::string& name, const std::string& city = "") {
    auto k = c->NewRecord();
    c->PutStr(k, 1, name);
    c->PutStr(k, 2, city);
    return k;
  }
  void Switch(const char* index) { ASSERT_OK(E().SwitchToIndex(c->h, index, 0)); }
  // The name of the record a search lands on, or the search's result.
  std::string Find(std::uint16_t cond, const std::string& name, std::uint16_t fields = 0, std::uint16_t partial = 0) {
    auto k = Key(name, name);
    OrvexResult r = E().SetToKey(c->h, cond, fields, partial, k.data());
    if (r != ORVEX_OK) return Text(r).substr(0, 23);
    auto rec = c->NewRecord();
    r = c->Next(rec);
    return r == ORVEX_OK ? c->Str(rec, 1) : "<" + Text(r) + ">";
  }
  std::vector<std::string> Range(const std::string* start, bool startIncl, const std::string* end, bool endIncl,
                                 std::uint16_t startPartial = 0, std::uint16_t endPartial = 0) {
    auto s = Key(start ? *start : ""), e = Key(end ? *end : "");
    OrvexResult r = E().SetRange(c->h, 1, startPartial, startIncl, start ? s.data() : nullptr, 1, endPartial,
                                 endIncl, end ? e.data() : nullptr);
    if (r != ORVEX_OK) return {Text(r)};
    std::vector<std::string> names = Names();
    EXPECT_EQ(c->Count(), names.size());
    return names;
  }

  std::unique_ptr<Cursor> c;
};

using V = std::vector<std::string>;

}  // namespace

TEST_F(KeyTest, IndexesOrderStringsByBytesOrWithCaseFolded) {
  EXPECT_EQ(c->Ints(3), (std::vector<std::int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));  // the primary index
  Switch("byname");
  EXPECT_EQ(Names(), (V{"", "Anna", "Bob", "ab", "abc", "abz", "anna", "b", "bob", "Émile", "émile"}));
  Switch("ByNameCI");
  EXPECT_EQ(Names(), (V{"", "ab", "abc", "abz", "anna", "Anna", "b", "Bob", "bob", "Émile", "émile"}));
  Switch("ByNameDesc");
  EXPECT_EQ(Names(), (V{"émile", "Émile", "bob", "b", "anna", "abz", "abc", "ab", "Bob", "Anna", ""}));
  EXPECT_EQ(E().SwitchToIndex(c->h, "NoSuchIndex", 0), ORVEX_ERR_NOSUCHINDEX);

  // By field list: exact first, else the first index beginning with them.
  std::uint16_t cityName[] = {2, 1}, city[] = {2}, no[] = {3}, none[] = {2, 3};
  OrvexCursorProps p{};
  ASSERT_OK(E().SwitchToIndexForFields(c->h, 1, city, 0));
  E().GetCursorProps(c->h, &p);
  EXPECT_EQ(+p.indexNo, 4);
  ASSERT_OK(E().SwitchToIndexForFields(c->h, 1, no, 0));
  E().GetCursorProps(c->h, &p);
  EXPECT_EQ(+p.indexNo, 1);
  ASSERT_OK(E().SwitchToIndexForFields(c->h, 2, cityName, 0));
  EXPECT_EQ(E().SwitchToIndexForFields(c->h, 2, none, 0), ORVEX_ERR_NOSUCHINDEX);

  // Staying on the current record across a switch.
  Switch("ByName");
  EXPECT_EQ(Find(ORVEX_KEY_EXACT, "abz"), "abz");
  ASSERT_OK(E().SwitchToIndex(c->h, "ByNameDesc", 1));
  auto rec = c->NewRecord();
  ASSERT_OK(c->Current(rec));
  EXPECT_EQ(c->Str(rec, 1), "abz");
  ASSERT_OK(c->Next(rec));
  EXPECT_EQ(c->Str(rec, 1), "abc");
}

TEST_F(KeyTest, ExactAndNearestKeys) {
  Switch("ByName");
  struct Case {
    const char* index;
    std::uint16_t cond;
    const char* key;
    std::uint16_t fields, partial;
    const char* lands;
  } cases[] = {
      {"ByName", ORVEX_KEY_EXACT, "bob", 0, 0, "bob"},
      {"ByName", ORVEX_KEY_EXACT, "BOB", 0, 0, "Record or key not found"},
      {"ByName", ORVEX_KEY_NEAREST, "ac", 0, 0, "anna"},
      {"ByName", ORVEX_KEY_NEAREST, "ÿ", 0, 0, "<At end of table>"},
      {"ByName", ORVEX_KEY_EXACT, "abq", 0, 2, "ab"},
      {"ByName", ORVEX_KEY_NEAREST, "", 0, 0, ""},
      {"ByNameCI", ORVEX_KEY_EXACT, "BOB", 0, 0, "Bob"},
      {"ByNameCI", ORVEX_KEY_EXACT, "ÉMILE", 0, 0, "Émile"},
      {"ByNameCI", ORVEX_KEY_EXACT, "ÉMx", 0, 2, "Émile"},
      {"ByNameCI", ORVEX_KEY_NEAREST, "B", 0, 0, "b"},
      {"ByNameDesc", ORVEX_KEY_NEAREST, "b", 0, 0, "b"},
      {"ByNameDesc", ORVEX_KEY_NEAREST, "ba", 0, 0, "b"},
      {"ByNameDesc", ORVEX_KEY_NEAREST, "abx", 0, 2, "abz"},
      {"ByNameDesc", ORVEX_KEY_EXACT, "ab", 0, 2, "abz"},
      {"ByCityName", ORVEX_KEY_NEAREST, "Oslo", 1, 0, "Anna"},
      {"ByCityName", ORVEX_KEY_EXACT, "Paris", 1, 0, "Record or key not found"},
  };
  for (const Case& k : cases) {
    Switch(k.index);
    EXPECT_EQ(Find(k.cond, k.key, k.fields, k.partial), k.lands) << k.index << " " << k.key;
  }
  // A failed exact search leaves the cursor where it was.
  Switch("ByName");
  EXPECT_EQ(Find(ORVEX_KEY_EXACT, "abc"), "abc");
  auto k = Key("nobody");
  EXPECT_EQ(E().SetToKey(c->h, ORVEX_KEY_EXACT, 0, 0, k.data()), ORVEX_ERR_RECNOTFOUND);
  auto rec = c->NewRecord();
  ASSERT_OK(c->Current(rec));
  EXPECT_EQ(c->Str(rec, 1), "abc");
  ASSERT_OK(c->Prior(rec));
  EXPECT_EQ(c->Str(rec, 1), "ab");
}

TEST_F(KeyTest, Ranges) {
  std::string ab = "ab", anna = "anna", b = "b", Anna = "Anna", abFF = "ab\xFF", AB = "AB", ABFF = "AB\xFF";
  Switch("ByName");
  EXPECT_EQ(Range(&ab, true, &anna, true), (V{"ab", "abc", "abz", "anna"}));
  EXPECT_EQ(Range(&ab, false, &anna, false), (V{"abc", "abz"}));
  EXPECT_EQ(Range(&b, true, nullptr, true), (V{"b", "bob", "Émile", "émile"}));
  EXPECT_EQ(Range(nullptr, true, &Anna, true), (V{"", "Anna"}));
  EXPECT_EQ(Range(&ab, true, &ab, true, 0, 2), (V{"ab", "abc", "abz"}));      // a partial end takes its prefix group
  EXPECT_EQ(Range(&ab, false, &anna, true, 2, 0), (V{"anna"}));               // a partial exclusive start skips it
  EXPECT_EQ(Range(&ab, true, &abFF, true), (V{"ab", "abc", "abz"}));          // a string and 0xFF: all it begins
  EXPECT_EQ(Range(&anna, true, &ab, true), (V{}));
  Switch("ByNameCI");
  EXPECT_EQ(Range(&AB, true, &ABFF, true), (V{"ab", "abc", "abz"}));
  Switch("ByNameDesc");
  EXPECT_EQ(Range(&b, true, &ab, true), (V{"b", "anna", "abz", "abc", "ab"}));
  EXPECT_EQ(Range(&abFF, true, &ab, true), (V{"abz", "abc", "ab"}));

  // Reading backwards from the end stops at the range's last record, and a
  // key search stays inside the range.
  Switch("ByName");
  Range(&ab, true, &anna, false);
  auto rec = c->NewRecord();
  ASSERT_OK(E().SetToEnd(c->h));
  ASSERT_OK(c->Prior(rec));
  EXPECT_EQ(c->Str(rec, 1), "abz");
  EXPECT_EQ(Find(ORVEX_KEY_NEAREST, ""), "ab");
  EXPECT_EQ(Find(ORVEX_KEY_NEAREST, "b"), "<At end of table>");
  ASSERT_OK(E().ResetRange(c->h));
  EXPECT_EQ(c->Count(), 11u);
}

TEST_F(KeyTest, SequenceNumbersCountTheRecordsBeforeInTheIndexOrder) {
  std::string ab = "ab", b = "b", abFF = "ab\xFF";
  struct Case {
    const char* index;
    const std::string* start;
    const std::string* end;
  } cases[] = {{nullptr, nullptr, nullptr}, {"ByName", nullptr, nullptr}, {"ByNameCI", nullptr, nullptr},
               {"ByNameDesc", nullptr, nullptr}, {"ByName", &ab, &b}, {"ByNameCI", &ab, &abFF},
               {"ByNameDesc", &b, &ab}, {"ByCityName", nullptr, nullptr}};
  for (const Case& k : cases) {
    ASSERT_OK(E().SwitchToIndex(c->h, k.index, 0));
    if (k.start) Range(k.start, false, k.end, true);
    std::uint32_t n = 0, expected = 0;
    auto rec = c->NewRecord();
    ASSERT_OK(E().SetToBegin(c->h));
    EXPECT_EQ(E().GetSeqNo(c->h, &n), ORVEX_ERR_BOF);
    while (c->Next(rec) == ORVEX_OK) {
      ASSERT_OK(E().GetSeqNo(c->h, &n));
      EXPECT_EQ(n, ++expected) << (k.index ? k.index : "primary") << " " << c->Str(rec, 1);
    }
    EXPECT_EQ(expected, c->Count());
    EXPECT_EQ(E().GetSeqNo(c->h, &n), ORVEX_ERR_EOF);
    ASSERT_OK(E().ResetRange(c->h));
  }
  // After a key search the cursor is between records, then on the match.
  ASSERT_OK(E().SwitchToIndex(c->h, "ByNameCI", 0));
  std::uint32_t n = 0;
  EXPECT_EQ(Find(ORVEX_KEY_EXACT, "BOB"), "Bob");
  ASSERT_OK(E().GetSeqNo(c->h, &n));
  EXPECT_EQ(n, 8u);
  auto k = Key("b");
  ASSERT_OK(E().SetToKey(c->h, ORVEX_KEY_NEAREST, 0, 0, k.data()));
  EXPECT_EQ(E().GetSeqNo(c->h, &n), ORVEX_ERR_NOCURRREC);
}
