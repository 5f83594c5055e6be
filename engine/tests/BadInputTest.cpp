// Bad input of every kind answers with its code: files that are not tables,
// damaged files, bad handles, numbers and sizes out of range, values a field
// cannot hold. Nothing crashes (the sanitizer build runs these too), and a
// refused post leaves the table as it was.
#include <fstream>
#include <cmath>
#include <functional>

#include <sqlite3.h>

#include "EngineTest.h"

using namespace enginetest;

namespace {

class BadInputTest : public EngineTest {
public:
  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_OK(CreateTable(db, "Good",
                          {{"No", ORVEX_FT_INTEGER, 0, 0, true}, {"Name", ORVEX_FT_STRING, 3}, {"Day", ORVEX_FT_DATE},
                           {"Amount", ORVEX_FT_FLOAT}, {"Price", ORVEX_FT_BCD, 6, 2}, {"Raw", ORVEX_FT_VARBYTES, 4},
                           {"Memo", ORVEX_FT_MEMO}, {"At", ORVEX_FT_TIME}},
                          {{"", {1}, true}}));
    c = std::make_unique<Cursor>(db, "Good");
    ASSERT_TRUE(c->ok());
    for (int n = 1; n <= 20; ++n) {
      auto rec = c->NewRecord();
      c->Put<std::int32_t>(rec, 1, n);
      c->PutStr(rec, 2, "abc");
      ASSERT_OK(c->Append(rec));
    }
  }

  std::unique_ptr<Cursor> c;
};

struct Case {
  const char* what;
  std::function<OrvexResult(BadInputTest&)> run;
  std::vector<OrvexResult> expected;  // any of these
};

}  // namespace

TEST_F(BadInputTest, EachAnswersItsCode) {
  std::string goodFile = ReadFile("Good.db");
  ASSERT_GT(goodFile.size(), 8192u);
  auto put = [](BadInputTest& t, std::uint16_t no, const void* v) {
    auto rec = t.c->NewRecord();
    return E().PutField(t.c->h, no, rec.data(), v);
  };
  static const double nan = std::nan("");
  static const std::int32_t dayZero = 0, lateTime = 86400000;
  static const std::uint8_t longVar[] = {5, 0, 1, 2, 3, 4, 5};
  static const std::uint8_t badBcd[ORVEX_BCD_SIZE] = {6, 2, 0xA0};
  const std::vector<Case> cases = {
      {"a text file named as a table",
       [](BadInputTest& t) {
         t.WriteFile("Text.db", "Name,Age\nAnn,30\n");
         return t.OpenAndScan("Text.db");
       },
       {ORVEX_ERR_NOTATABLE}},
      {"an empty file",
       [](BadInputTest& t) {
         t.WriteFile("Empty.db", "");
         return t.OpenAndScan("Empty.db");
       },
       {ORVEX_ERR_NOTATABLE}},
      {"an SQLite file of another program",
       [](BadInputTest& t) {
         sqlite3* raw = nullptr;
         sqlite3_open(t.Path("Other.db").c_str(), &raw);
         sqlite3_exec(raw, "CREATE TABLE records(x); INSERT INTO records VALUES(1)", nullptr, nullptr, nullptr);
         sqlite3_close(raw);
         return t.OpenAndScan("Other.db");
       },
       {ORVEX_ERR_NOTATABLE}},
      {"a table truncated to its first pages",
       [&](BadInputTest& t) {
         t.WriteFile("Cut.db", goodFile.substr(0, 6000));
         return t.OpenAndScan("Cut.db");
       },
       {ORVEX_ERR_CORRUPT, ORVEX_ERR_NOTATABLE}},
      {"a table with its pages overwritten",
       [&](BadInputTest& t) {
         std::string bad = goodFile;
         for (std::size_t i = 4096; i < bad.size(); ++i) bad[i] = static_cast<char>(i * 31);
         t.WriteFile("Bad.db", bad);
         return t.OpenAndScan("Bad.db");
       },
       {ORVEX_ERR_CORRUPT, ORVEX_ERR_NOTATABLE}},
      {"a table whose header is overwritten",
       [&](BadInputTest& t) {
         std::string bad = goodFile;
         for (std::size_t i = 16; i < 100; ++i) bad[i] = '\x7F';
         t.WriteFile("Head.db", bad);
         return t.OpenAndScan("Head.db");
       },
       {ORVEX_ERR_CORRUPT, ORVEX_ERR_NOTATABLE}},
      {"a missing table", [](BadInputTest& t) { return t.OpenAndScan("Nobody.db"); }, {ORVEX_ERR_NOSUCHTABLE}},
      {"a missing directory",
       [](BadInputTest& t) {
         hOrvexDb d = 0;
         return E().OpenDatabase((t.dir + "/no/such/dir").c_str(), nullptr, &d);
       },
       {ORVEX_ERR_DIRNOTFOUND}},
      {"an unknown table type",
       [](BadInputTest& t) {
         hOrvexCursor h = 0;
         return E().OpenTable(t.db, "Good", "PARCHMENT", nullptr, 0, 0, &h);
       },
       {ORVEX_ERR_UNKNOWNTYPE}},
      {"field number 0", [&](BadInputTest& t) { return put(t, 0, "x"); }, {ORVEX_ERR_INVALIDFIELDNO}},
      {"a field number past the last", [&](BadInputTest& t) { return put(t, 9, "x"); }, {ORVEX_ERR_INVALIDFIELDNO}},
      {"a string longer than its field (characters)",
       [&](BadInputTest& t) { return put(t, 2, "éééé"); },
       {ORVEX_ERR_STRTOOLONG}},
      {"date 0", [&](BadInputTest& t) { return put(t, 3, &dayZero); }, {ORVEX_ERR_OUTOFRANGE}},
      {"a float that is not a number", [&](BadInputTest& t) { return put(t, 4, &nan); }, {ORVEX_ERR_OUTOFRANGE}},
      {"a packed decimal with a digit above 9", [&](BadInputTest& t) { return put(t, 5, badBcd); }, {ORVEX_ERR_OUTOFRANGE}},
      {"var bytes longer than the field", [&](BadInputTest& t) { return put(t, 6, longVar); }, {ORVEX_ERR_OUTOFRANGE}},
      {"a time past midnight", [&](BadInputTest& t) { return put(t, 8, &lateTime); }, {ORVEX_ERR_OUTOFRANGE}},
      {"a put on a memo field", [&](BadInputTest& t) { return put(t, 7, "x"); }, {ORVEX_ERR_INVALIDFIELDTYPE}},
      {"a blob read of more than 32768 bytes",
       [](BadInputTest& t) {
         auto rec = t.c->NewRecord();
         E().OpenBlob(t.c->h, rec.data(), 7, ORVEX_BLOB_READWRITE);
         std::vector<char> buf(40000);
         std::uint32_t got = 0;
         OrvexResult r = E().GetBlob(t.c->h, rec.data(), 7, 0, 40000, buf.data(), &got);
         E().FreeBlob(t.c->h, rec.data(), 7);
         return r;
       },
       {ORVEX_ERR_INVALIDPARAM}},
      {"a record buffer with an invented blob handle",
       [](BadInputTest& t) {
         auto rec = t.c->NewRecord();
         std::uint32_t bogus = 0x00020007;
         std::memcpy(rec.data() + t.c->Field(7).offset, &bogus, 4);
         char buf[8];
         std::uint32_t got = 0;
         return E().GetBlob(t.c->h, rec.data(), 7, 0, 8, buf, &got);
       },
       {ORVEX_ERR_BLOBNOTOPEN}},
      {"a field descriptor array too small",
       [](BadInputTest& t) {
         OrvexFieldDesc d[2];
         return E().GetFieldDescs(t.c->h, 2, d);
       },
       {ORVEX_ERR_INVALIDPARAM}},
      {"an invented handle",
       [](BadInputTest&) {
         std::uint32_t n;
         return E().GetRecordCount(0xDEADBEEF, &n);
       },
       {ORVEX_ERR_INVALIDHANDLE}},
      {"handle 0",
       [](BadInputTest&) {
         std::uint32_t n;
         return E().GetRecordCount(0, &n);
       },
       {ORVEX_ERR_INVALIDHANDLE}},
      {"a database handle for a cursor",
       [](BadInputTest& t) {
         std::uint32_t n;
         return E().GetRecordCount(t.db, &n);
       },
       {ORVEX_ERR_INVALIDHANDLE}},
      {"a closed cursor's handle",
       [](BadInputTest& t) {
         hOrvexCursor h = 0;
         E().OpenTable(t.db, "Good", nullptr, nullptr, 0, 0, &h);
         hOrvexCursor stale = h;
         E().CloseCursor(&h);
         hOrvexCursor again = 0;
         E().OpenTable(t.db, "Good", nullptr, nullptr, 0, 0, &again);  // takes the freed slot
         std::uint32_t n;
         OrvexResult r = E().GetRecordCount(stale, &n);
         E().CloseCursor(&again);
         return r;
       },
       {ORVEX_ERR_INVALIDHANDLE}},
      {"a bookmark of garbage",
       [](BadInputTest& t) {
         std::uint8_t mark[ORVEX_BOOKMARK_SIZE] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
         return E().SetToBookmark(t.c->h, mark);
       },
       {ORVEX_ERR_INVALIDBOOKMARK}},
      {"a null record buffer", [](BadInputTest& t) { return E().AppendRecord(t.c->h, nullptr); }, {ORVEX_ERR_INVALIDPARAM}},
      {"a post on a read-only cursor",
       [](BadInputTest& t) {
         Cursor ro(t.db, "Good", nullptr, ORVEX_OPEN_READONLY);
         auto rec = ro.NewRecord();
         ro.Put<std::int32_t>(rec, 1, 99);
         return ro.Append(rec);
       },
       {ORVEX_ERR_READONLY}},
  };
  for (const Case& k : cases) {
    OrvexResult r = k.run(*this);
    EXPECT_NE(std::find(k.expected.begin(), k.expected.end(), r), k.expected.end())
        << k.what << ": " << std::hex << r << " " << Text(r);
  }
  EXPECT_EQ(c->Count(), 20u);
}

TEST_F(BadInputTest, RefusedPostsLeaveTheTableAsItWas) {
  auto before = c->Ints(1);
  auto rec = c->NewRecord();
  ASSERT_OK(E().SetToBegin(c->h));
  ASSERT_OK(c->Next(rec));
  const std::vector<std::pair<const char*, std::function<OrvexResult()>>> posts = {
      {"key violation",
       [&] {
         auto r = c->NewRecord();
         c->Put<std::int32_t>(r, 1, 5);
         return c->Append(r);
       }},
      {"a required field blank",
       [&] {
         auto r = c->NewRecord();
         return c->Append(r);
       }},
      {"a string without its end in a damaged buffer",
       [&] {
         auto r = c->NewRecord();
         c->Put<std::int32_t>(r, 1, 77);
         std::memset(r.data() + c->Field(2).offset, 'x', c->Field(2).length);
         r[c->Field(2).blankOffset] = 0;
         return c->Append(r);
       }},
      {"a modify onto another record's key",
       [&] {
         auto r = rec;
         c->Put<std::int32_t>(r, 1, 2);
         return E().ModifyRecord(c->h, r.data(), 0);
       }},
  };
  const OrvexResult expected[] = {ORVEX_ERR_KEYVIOL, ORVEX_ERR_REQUIRED, ORVEX_ERR_STRTOOLONG, ORVEX_ERR_KEYVIOL};
  for (std::size_t i = 0; i < posts.size(); ++i) EXPECT_EQ(posts[i].second(), expected[i]) << posts[i].first;
  EXPECT_EQ(c->Ints(1), before);
  ASSERT_OK(E().SetToBegin(c->h));
  ASSERT_OK(c->Next(rec));
  EXPECT_EQ(c->Str(rec, 2), "abc");
}

TEST_F(BadInputTest, BadDescriptorsCreateNothing) {
  struct DescCase {
    const char* what;
    std::vector<FieldSpec> fields;
    std::vector<IndexSpec> indexes;
  } cases[] = {
      {"no fields", {}, {}},
      {"an unknown type", {{"A", 99}}, {}},
      {"a string of size 0", {{"A", ORVEX_FT_STRING, 0}}, {}},
      {"names equal but for case", {{"Émile", ORVEX_FT_INTEGER}, {"éMILE", ORVEX_FT_INTEGER}}, {}},
      {"an empty name", {{"", ORVEX_FT_INTEGER}}, {}},
      {"two auto-increment fields", {{"A", ORVEX_FT_AUTOINC}, {"B", ORVEX_FT_AUTOINC}}, {}},
      {"a packed decimal with more decimals than digits", {{"A", ORVEX_FT_BCD, 4, 5}}, {}},
      {"an index on a memo", {{"A", ORVEX_FT_MEMO}}, {{"X", {1}}}},
      {"an index on field 2 of 1", {{"A", ORVEX_FT_INTEGER}}, {{"X", {2}}}},
      {"two primary indexes", {{"A", ORVEX_FT_INTEGER}}, {{"", {1}, true}, {"P", {1}, true}}},
      {"an unnamed secondary index", {{"A", ORVEX_FT_INTEGER}}, {{"", {1}}}},
  };
  for (const DescCase& k : cases) EXPECT_EQ(CreateTable(db, "New", k.fields, k.indexes), ORVEX_ERR_INVALIDDESC) << k.what;
  OrvexVchkDesc check{};
  check.fieldNo = 1;
  check.hasMin = 1;
  std::memset(check.minValue, 'x', sizeof check.minValue);  // a string value without its end
  EXPECT_EQ(CreateTable(db, "New", {{"A", ORVEX_FT_STRING, 100}}, {}, {check}), ORVEX_ERR_INVALIDDESC);
  EXPECT_FALSE(std::filesystem::exists(Path("New.db")));
  EXPECT_EQ(CreateTable(db, "../../../nowhere/New", {{"A", ORVEX_FT_INTEGER}}), ORVEX_ERR_DIRNOTFOUND);
}
