// Desktop tables on real files: field types, posting, navigation,
// bookmarks, blobs, validity checks, pack, sharing and error texts.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

#include <sqlite3.h>

#include "EngineTest.h"

using namespace enginetest;

namespace {

std::vector<FieldSpec> AllTypes() {
  return {{"Name", ORVEX_FT_STRING, 20}, {"Small", ORVEX_FT_SMALLINT}, {"Int", ORVEX_FT_INTEGER},
          {"Word", ORVEX_FT_WORD},       {"Bool", ORVEX_FT_BOOLEAN},   {"Float", ORVEX_FT_FLOAT},
          {"Money", ORVEX_FT_CURRENCY},  {"Bcd", ORVEX_FT_BCD, 12, 2}, {"Date", ORVEX_FT_DATE},
          {"Time", ORVEX_FT_TIME},       {"Stamp", ORVEX_FT_DATETIME}, {"Bytes", ORVEX_FT_BYTES, 4},
          {"VarBytes", ORVEX_FT_VARBYTES, 8}, {"Id", ORVEX_FT_AUTOINC}, {"Blob", ORVEX_FT_BLOB},
          {"Memo", ORVEX_FT_MEMO},       {"Graphic", ORVEX_FT_GRAPHIC}, {"FmtMemo", ORVEX_FT_FMTMEMO}};
}

void WriteBlob(Cursor& c, std::vector<std::uint8_t>& rec, std::uint16_t no, const std::string& data) {
  ASSERT_OK(E().OpenBlob(c.h, rec.data(), no, ORVEX_BLOB_READWRITE));
  ASSERT_OK(E().PutBlob(c.h, rec.data(), no, 0, static_cast<std::uint32_t>(data.size()), data.data()));
}

std::string ReadBlob(Cursor& c, std::vector<std::uint8_t>& rec, std::uint16_t no) {
  if (E().OpenBlob(c.h, rec.data(), no, ORVEX_BLOB_READONLY) != ORVEX_OK) return "<not opened>";
  std::string out;
  std::vector<char> piece(ORVEX_BLOB_MAX_READ);
  for (;;) {
    std::uint32_t got = 0;
    OrvexResult r = E().GetBlob(c.h, rec.data(), no, static_cast<std::uint32_t>(out.size()), ORVEX_BLOB_MAX_READ,
                                piece.data(), &got);
    out.append(piece.data(), got);
    if (r != ORVEX_OK) break;
  }
  E().FreeBlob(c.h, rec.data(), no);
  return out;
}

std::int32_t IntOf(Cursor& c, std::uint16_t no, std::vector<std::uint8_t>& rec) { return c.Get<std::int32_t>(rec, no); }

}  // namespace

TEST_F(EngineTest, EveryFieldTypeRoundTripsBlankAndNot) {
  ASSERT_OK(CreateTable(db, "Types.db", AllTypes()));
  std::uint8_t bcd[ORVEX_BCD_SIZE];
  ASSERT_OK(E().FloatToBcd(-1234.5, 12, 2, bcd));
  const std::string blob(70000, '\x01');
  {
    Cursor c(db, "Types");
    ASSERT_TRUE(c.ok()) << Text(c.result);
    auto rec = c.NewRecord();
    ASSERT_OK(c.PutStr(rec, 1, "Zoë Ünal"));
    ASSERT_OK(c.Put<std::int16_t>(rec, 2, -7));
    ASSERT_OK(c.Put<std::int32_t>(rec, 3, 123456789));
    ASSERT_OK(c.Put<std::uint16_t>(rec, 4, 65535));
    ASSERT_OK(c.Put<std::uint16_t>(rec, 5, 0xFFFF));
    ASSERT_OK(c.Put<double>(rec, 6, 3.25));
    ASSERT_OK(c.Put<double>(rec, 7, 19.99));
    ASSERT_OK(E().PutField(c.h, 8, rec.data(), bcd));
    ASSERT_OK(c.Put<std::int32_t>(rec, 9, Day(2024, 2, 29)));
    ASSERT_OK(c.Put<std::int32_t>(rec, 10, (13 * 3600 + 5 * 60 + 7) * 1000 + 250));
    ASSERT_OK(c.Put<double>(rec, 11, Day(1999, 12, 31) * 86400000.0 + 3600000.0));
    ASSERT_OK(E().PutField(c.h, 12, rec.data(), "\x00\x01\xFE\xFF"));
    const std::uint8_t var[] = {3, 0, 'a', 'b', 'c'};
    ASSERT_OK(E().PutField(c.h, 13, rec.data(), var));
    WriteBlob(c, rec, 15, blob);
    WriteBlob(c, rec, 16, "A memo\nwith two lines");
    WriteBlob(c, rec, 17, std::string("\x89PNG", 4));
    WriteBlob(c, rec, 18, "{\\rtf1 x}");
    ASSERT_OK(c.Append(rec));
    EXPECT_EQ(c.Get<std::int32_t>(rec, 14), 1);  // the auto-increment value comes back in the buffer
    for (std::uint16_t f = 15; f <= 18; ++f) E().FreeBlob(c.h, rec.data(), f);

    auto empty = c.NewRecord();
    ASSERT_OK(c.Append(empty));
  }
  Cursor c(db, "Types.db", nullptr, ORVEX_OPEN_READONLY);
  ASSERT_TRUE(c.ok());
  EXPECT_EQ(c.Count(), 2u);
  auto rec = c.NewRecord();
  ASSERT_OK(c.Next(rec));
  EXPECT_EQ(c.Str(rec, 1), "Zoë Ünal");
  EXPECT_EQ(c.Get<std::int16_t>(rec, 2), -7);
  EXPECT_EQ(c.Get<std::int32_t>(rec, 3), 123456789);
  EXPECT_EQ(c.Get<std::uint16_t>(rec, 4), 65535);
  EXPECT_EQ(c.Get<std::uint16_t>(rec, 5), 1);
  EXPECT_EQ(c.Get<double>(rec, 6), 3.25);
  EXPECT_EQ(c.Get<double>(rec, 7), 19.99);
  std::vector<std::uint8_t> got(ORVEX_BCD_SIZE);
  E().GetField(c.h, 8, rec.data(), got.data(), nullptr);
  double bcdValue = 0;
  ASSERT_OK(E().BcdToFloat(got.data(), &bcdValue));
  EXPECT_EQ(bcdValue, -1234.5);
  EXPECT_EQ(c.Get<std::int32_t>(rec, 9), Day(2024, 2, 29));
  EXPECT_EQ(c.Get<std::int32_t>(rec, 10), (13 * 3600 + 5 * 60 + 7) * 1000 + 250);
  EXPECT_EQ(c.Get<double>(rec, 11), Day(1999, 12, 31) * 86400000.0 + 3600000.0);
  EXPECT_EQ(c.Get<std::uint32_t>(rec, 12), 0xFFFE0100u);
  std::vector<std::uint8_t> var(c.Field(13).length);
  E().GetField(c.h, 13, rec.data(), var.data(), nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(var.data()) + 2, var[0]), "abc");
  EXPECT_EQ(c.Get<std::int32_t>(rec, 14), 1);
  EXPECT_EQ(ReadBlob(c, rec, 15), blob);
  EXPECT_EQ(ReadBlob(c, rec, 16), "A memo\nwith two lines");
  EXPECT_EQ(ReadBlob(c, rec, 17), std::string("\x89PNG", 4));
  EXPECT_EQ(ReadBlob(c, rec, 18), "{\\rtf1 x}");
  for (std::uint16_t f = 1; f <= 18; ++f) EXPECT_FALSE(c.Blank(rec, f)) << f;

  ASSERT_OK(c.Next(rec));
  for (std::uint16_t f = 1; f <= 18; ++f) EXPECT_EQ(c.Blank(rec, f), f != 14) << f;
  EXPECT_EQ(ReadBlob(c, rec, 16), "");
  EXPECT_EQ(c.Next(rec), ORVEX_ERR_EOF);

  // Any SQLite tool reads the guest list: readable columns, blanks as NULL.
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open_v2(Path("Types.db").c_str(), &raw, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_stmt* st = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(raw, "SELECT Name, Date, Time, Stamp, Memo, Bool FROM records ORDER BY Id", -1, &st, nullptr),
            SQLITE_OK);
  ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
  auto col = [&](int i) { return std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, i))); };
  EXPECT_EQ(col(0), "Zoë Ünal");
  EXPECT_EQ(col(1), "2024-02-29");
  EXPECT_EQ(col(2), "13:05:07.250");
  EXPECT_EQ(col(3), "1999-12-31 01:00:00");
  EXPECT_EQ(col(4), "A memo\nwith two lines");
  EXPECT_EQ(sqlite3_column_int(st, 5), 1);
  ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
  EXPECT_EQ(sqlite3_column_type(st, 0), SQLITE_NULL);
  sqlite3_finalize(st);
  sqlite3_close(raw);
}

TEST_F(EngineTest, NavigationModifyAndDelete) {
  ASSERT_OK(CreateTable(db, "Nav", {{"No", ORVEX_FT_INTEGER}, {"Text", ORVEX_FT_STRING, 10}},
                        {{"", {1}, true}}));
  Cursor c(db, "Nav");
  ASSERT_TRUE(c.ok());
  for (int n : {50, 10, 40, 20, 30}) {
    auto rec = c.NewRecord();
    c.Put<std::int32_t>(rec, 1, n);
    c.PutStr(rec, 2, "r" + std::to_string(n));
    ASSERT_OK(c.Append(rec));
  }
  EXPECT_EQ(c.Ints(1), (std::vector<std::int32_t>{10, 20, 30, 40, 50}));
  auto rec = c.NewRecord();
  // Ends: next at the end and prior at the beginning say so and stay there.
  EXPECT_EQ(c.Next(rec), ORVEX_ERR_EOF);
  EXPECT_EQ(c.Current(rec), ORVEX_ERR_EOF);
  ASSERT_OK(c.Prior(rec));
  EXPECT_EQ(IntOf(c, 1, rec), 50);
  ASSERT_OK(E().GetRelativeRecord(c.h, -3, 0, rec.data(), nullptr));
  EXPECT_EQ(IntOf(c, 1, rec), 20);
  EXPECT_EQ(E().GetRelativeRecord(c.h, -5, 0, rec.data(), nullptr), ORVEX_ERR_BOF);
  EXPECT_EQ(c.Prior(rec), ORVEX_ERR_BOF);
  ASSERT_OK(c.Next(rec));
  EXPECT_EQ(IntOf(c, 1, rec), 10);
  ASSERT_OK(E().SetToEnd(c.h));
  ASSERT_OK(c.Prior(rec));
  EXPECT_EQ(IntOf(c, 1, rec), 50);

  // Modify moves the record in the index; the cursor stays on it.
  ASSERT_OK(E().SetToBegin(c.h));
  ASSERT_OK(c.Next(rec));
  ASSERT_OK(c.Next(rec));  // 20
  c.Put<std::int32_t>(rec, 1, 45);
  ASSERT_OK(E().ModifyRecord(c.h, rec.data(), 0));
  ASSERT_OK(c.Current(rec));
  EXPECT_EQ(IntOf(c, 1, rec), 45);
  EXPECT_EQ(c.Str(rec, 2), "r20");
  ASSERT_OK(c.Next(rec));
  EXPECT_EQ(IntOf(c, 1, rec), 50);

  // Delete leaves the cursor between the neighbours.
  ASSERT_OK(c.Prior(rec));
  ASSERT_OK(c.Prior(rec));  // 40
  ASSERT_OK(E().DeleteRecord(c.h, nullptr));
  EXPECT_EQ(c.Current(rec), ORVEX_ERR_NOCURRREC);
  ASSERT_OK(c.Next(rec));
  EXPECT_EQ(IntOf(c, 1, rec), 45);
  ASSERT_OK(c.Prior(rec));
  EXPECT_EQ(IntOf(c, 1, rec), 30);
  EXPECT_EQ(c.Ints(1), (std::vector<std::int32_t>{10, 30, 45, 50}));
  EXPECT_EQ(c.Count(), 4u);
}

TEST_F(EngineTest, Bookmarks) {
  ASSERT_OK(CreateTable(db, "Marks", {{"No", ORVEX_FT_INTEGER}, {"Name", ORVEX_FT_STRING, 10}},
                        {{"ByName", {2}, false, false, true}}));
  Cursor c(db, "Marks", "ByName");
  ASSERT_TRUE(c.ok());
  for (int n = 1; n <= 30; ++n) {
    auto rec = c.NewRecord();
    c.Put<std::int32_t>(rec, 1, n);
    c.PutStr(rec, 2, "n" + std::to_string(100 - n));  // descending index: ascending No
    ASSERT_OK(c.Append(rec));
  }
  auto rec = c.NewRecord();
  std::vector<std::uint8_t> mark5(ORVEX_BOOKMARK_SIZE), mark20(ORVEX_BOOKMARK_SIZE);
  ASSERT_OK(E().SetToBegin(c.h));
  for (int i = 0; i < 20; ++i) {
    ASSERT_OK(c.Next(rec));
    if (i == 4) ASSERT_OK(E().GetBookmark(c.h, mark5.data()));
  }
  ASSERT_OK(E().GetBookmark(c.h, mark20.data()));
  ASSERT_OK(E().SetToBookmark(c.h, mark5.data()));
  ASSERT_OK(c.Current(rec));
  EXPECT_EQ(IntOf(c, 1, rec), 5);
  ASSERT_OK(c.Next(rec));
  EXPECT_EQ(IntOf(c, 1, rec), 6);
  std::int16_t order = 0;
  ASSERT_OK(E().CompareBookmarks(c.h, mark5.data(), mark20.data(), &order));
  EXPECT_EQ(order, -1);
  ASSERT_OK(E().CompareBookmarks(c.h, mark20.data(), mark5.data(), &order));
  EXPECT_EQ(order, 1);
  ASSERT_OK(E().CompareBookmarks(c.h, mark5.data(), mark5.data(), &order));
  EXPECT_EQ(order, 0);
  ASSERT_OK(E().SetToBookmark(c.h, mark20.data()));
  ASSERT_OK(E().DeleteRecord(c.h, nullptr));
  EXPECT_EQ(E().SetToBookmark(c.h, mark20.data()), ORVEX_ERR_RECDELETED);
}

TEST_F(EngineTest, BlobsInPieces) {
  ASSERT_OK(CreateTable(db, "Blobs", {{"No", ORVEX_FT_INTEGER}, {"Data", ORVEX_FT_BLOB}}));
  Cursor c(db, "Blobs");
  ASSERT_TRUE(c.ok());
  std::string data;
  for (int i = 0; i < 80000; ++i) data += static_cast<char>(i * 7);
  auto rec = c.NewRecord();
  ASSERT_OK(E().OpenBlob(c.h, rec.data(), 2, ORVEX_BLOB_READWRITE));
  for (std::size_t at = 0; at < data.size(); at += 30000) {
    auto n = static_cast<std::uint32_t>(std::min<std::size_t>(30000, data.size() - at));
    ASSERT_OK(E().PutBlob(c.h, rec.data(), 2, static_cast<std::uint32_t>(at), n, data.data() + at));
  }
  ASSERT_OK(c.Append(rec));
  ASSERT_OK(E().FreeBlob(c.h, rec.data(), 2));

  ASSERT_OK(E().SetToBegin(c.h));
  ASSERT_OK(c.Next(rec));
  ASSERT_OK(E().OpenBlob(c.h, rec.data(), 2, ORVEX_BLOB_READONLY));
  std::uint32_t size = 0;
  ASSERT_OK(E().GetBlobSize(c.h, rec.data(), 2, &size));
  EXPECT_EQ(size, data.size());
  std::vector<char> piece(ORVEX_BLOB_MAX_READ);
  std::uint32_t got = 0;
  std::vector<OrvexResult> results;
  std::string back;
  for (std::uint32_t at = 0; at <= data.size(); at += ORVEX_BLOB_MAX_READ) {
    results.push_back(E().GetBlob(c.h, rec.data(), 2, at, ORVEX_BLOB_MAX_READ, piece.data(), &got));
    back.append(piece.data(), got);
  }
  EXPECT_EQ(results, (std::vector<OrvexResult>{ORVEX_OK, ORVEX_OK, ORVEX_ERR_ENDOFBLOB}));
  EXPECT_EQ(back, data);
  EXPECT_EQ(E().GetBlob(c.h, rec.data(), 2, size + 1, 10, piece.data(), &got), ORVEX_ERR_BLOBOFFSET);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(E().PutBlob(c.h, rec.data(), 2, 0, 1, "x"), ORVEX_ERR_BLOBREADONLY);
  ASSERT_OK(E().FreeBlob(c.h, rec.data(), 2));
  EXPECT_EQ(E().GetBlob(c.h, rec.data(), 2, 0, 10, piece.data(), &got), ORVEX_ERR_BLOBNOTOPEN);

  // A change freed before the post is dropped; truncating to 0 blanks the field.
  ASSERT_OK(E().OpenBlob(c.h, rec.data(), 2, ORVEX_BLOB_READWRITE));
  ASSERT_OK(E().PutBlob(c.h, rec.data(), 2, 0, 3, "new"));
  ASSERT_OK(E().FreeBlob(c.h, rec.data(), 2));
  ASSERT_OK(E().ModifyRecord(c.h, rec.data(), 0));
  ASSERT_OK(c.Current(rec));
  ASSERT_OK(E().OpenBlob(c.h, rec.data(), 2, ORVEX_BLOB_READWRITE));
  ASSERT_OK(E().GetBlobSize(c.h, rec.data(), 2, &size));
  EXPECT_EQ(size, data.size());
  ASSERT_OK(E().TruncateBlob(c.h, rec.data(), 2, 0));
  ASSERT_OK(E().ModifyRecord(c.h, rec.data(), 0));
  ASSERT_OK(E().FreeBlob(c.h, rec.data(), 2));
  ASSERT_OK(c.Current(rec));
  EXPECT_TRUE(c.Blank(rec, 2));
}

namespace {

OrvexVchkDesc Check(std::uint16_t field, const char* picture, bool required = false) {
  OrvexVchkDesc v{};
  v.fieldNo = field;
  v.required = required;
  std::strncpy(v.picture, picture, sizeof v.picture - 1);
  return v;
}

template <typename T>
void SetValue(std::uint8_t* dest, T v) {
  std::memcpy(dest, &v, sizeof v);
}

}  // namespace

TEST_F(EngineTest, ValidityChecksAreListedAtTheirOffsetsAndEnforced) {
  OrvexVchkDesc age = Check(3, "", true);
  age.hasMin = age.hasMax = age.hasDefault = 1;
  SetValue<std::int16_t>(age.minValue, 0);
  SetValue<std::int16_t>(age.maxValue, 120);
  SetValue<std::int16_t>(age.defaultValue, 30);
  OrvexVchkDesc name = Check(1, "*!@");
  OrvexVchkDesc phone = Check(2, "(###) ###-####");
  ASSERT_OK(CreateTable(db, "Guests.db",
                        {{"Name", ORVEX_FT_STRING, 20}, {"Phone", ORVEX_FT_STRING, 14}, {"Age", ORVEX_FT_SMALLINT}},
                        {}, {phone, age, name}));

  hOrvexCursor list = 0;
  ASSERT_OK(E().OpenVchkList(db, "Guests.db", "KALMURE", &list));
  OrvexCursorProps props{};
  ASSERT_OK(E().GetCursorProps(list, &props));
  EXPECT_EQ(+props.recordSize, 1219u);
  std::vector<std::uint8_t> rec(1219);
  std::vector<std::pair<int, std::string>> seen;
  while (E().GetNextRecord(list, 0, rec.data(), nullptr) == ORVEX_OK) {
    std::uint16_t no;
    std::memcpy(&no, rec.data(), 2);
    seen.emplace_back(no, reinterpret_cast<const char*>(rec.data() + 778));
  }
  ASSERT_OK(E().CloseCursor(&list));
  EXPECT_EQ(list, 0u);
  EXPECT_EQ(seen, (std::vector<std::pair<int, std::string>>{{1, "*!@"}, {2, "(###) ###-####"}, {3, ""}}));

  Cursor c(db, "Guests", nullptr, ORVEX_OPEN_READWRITE, ORVEX_SHARE_EXCLUSIVE);
  ASSERT_TRUE(c.ok());
  // The list is read while the table is open exclusively, as a table reading its masks does.
  ASSERT_OK(E().OpenVchkList(db, "Guests", nullptr, &list));
  ASSERT_OK(E().CloseCursor(&list));

  auto r = c.NewRecord();
  EXPECT_EQ(c.Get<std::int16_t>(r, 3), 30);  // the default
  ASSERT_OK(c.PutStr(r, 1, "Ann"));
  ASSERT_OK(c.Append(r));
  struct Case {
    const char* what;
    bool blank;
    std::int16_t age;
    OrvexResult expected;
  } cases[] = {
      {"required blank", true, 0, ORVEX_ERR_REQUIRED},
      {"below minimum", false, -1, ORVEX_ERR_MINVAL},
      {"above maximum", false, 121, ORVEX_ERR_MAXVAL},
      {"at maximum", false, 120, ORVEX_OK},
  };
  for (const Case& k : cases) {
    auto x = c.NewRecord();
    c.PutStr(x, 1, k.what);
    if (k.blank)
      c.PutBlank(x, 3);
    else
      c.Put<std::int16_t>(x, 3, k.age);
    EXPECT_EQ(c.Append(x), k.expected) << k.what;
    if (k.expected != ORVEX_OK) {
      EXPECT_NE(Text(k.expected).find(": Age"), std::string::npos) << Text(k.expected);
    }
  }
  EXPECT_EQ(c.Strs(1), (std::vector<std::string>{"Ann", "at maximum"}));
}

TEST_F(EngineTest, PackReclaimsSpaceAndKeepsTheTable) {
  OrvexVchkDesc pic = Check(2, "&&&");
  for (const char* driver : {"KALMURE", "ZENTOR"}) {
    SCOPED_TRACE(driver);
    bool native = std::string(driver) == "KALMURE";
    std::string name = native ? "Pack.db" : "Pack.dbf";
    ASSERT_OK(CreateTable(db, name, {{"No", ORVEX_FT_INTEGER}, {"Text", ORVEX_FT_STRING, 200}},
                          {{"", {1}, true}, {"ByText", {2}}}, {pic}, driver, 1));
    {
      Cursor c(db, name);
      ASSERT_TRUE(c.ok());
      for (int n = 0; n < 600; ++n) {
        auto rec = c.NewRecord();
        c.Put<std::int32_t>(rec, 1, n);
        c.PutStr(rec, 2, std::string(150, static_cast<char>('a' + n % 26)));
        ASSERT_OK(c.Append(rec));
      }
      ASSERT_OK(E().SetToBegin(c.h));
      auto rec = c.NewRecord();
      for (int n = 0; n < 600; ++n) {
        ASSERT_OK(c.Next(rec));
        if (n % 10 != 0) ASSERT_OK(E().DeleteRecord(c.h, nullptr));
      }
    }
    struct stat before {}, after {};
    ASSERT_EQ(::stat(Path(name).c_str(), &before), 0);

    if (native) {
      EXPECT_EQ(E().PackTable(db, 0, name.c_str(), driver, 1), ORVEX_ERR_NOTSUPPORTED);
      // As the table component packs: the descriptor with the protected flag read at byte 349.
      std::vector<std::uint8_t> desc(682, 0);
      std::strcpy(reinterpret_cast<char*>(desc.data()), name.c_str());
      std::strcpy(reinterpret_cast<char*>(desc.data() + 261), "KALMURE");
      {
        Cursor c(db, name, nullptr, ORVEX_OPEN_READWRITE, ORVEX_SHARE_EXCLUSIVE);
        ASSERT_TRUE(c.ok());
        std::vector<std::uint8_t> props(sizeof(OrvexCursorProps));
        ASSERT_OK(E().GetCursorProps(c.h, reinterpret_cast<OrvexCursorProps*>(props.data())));
        std::memcpy(desc.data() + 618, props.data() + 349, 2);
        // The restructure needs the table to itself.
        EXPECT_EQ(E().DoRestructure(db, 1, reinterpret_cast<OrvexTableDesc*>(desc.data()), nullptr, nullptr,
                                    nullptr, 0),
                  ORVEX_ERR_TABLEINUSE);
      }
      SetValue<std::uint16_t>(desc.data() + 620, 0xFFFF);
      ASSERT_OK(E().DoRestructure(db, 1, reinterpret_cast<OrvexTableDesc*>(desc.data()), nullptr, nullptr, nullptr, 0));
    } else {
      {
        Cursor shared(db, name);
        EXPECT_EQ(E().PackTable(db, shared.h, nullptr, nullptr, 1), ORVEX_ERR_NEEDEXCLUSIVE);
      }
      Cursor c(db, name, nullptr, ORVEX_OPEN_READWRITE, ORVEX_SHARE_EXCLUSIVE);
      ASSERT_TRUE(c.ok());
      ASSERT_OK(E().PackTable(db, c.h, nullptr, nullptr, 1));
      auto rec = c.NewRecord();
      ASSERT_OK(c.Next(rec));  // at the beginning after the pack
      EXPECT_EQ(IntOf(c, 1, rec), 0);
    }
    ASSERT_EQ(::stat(Path(name).c_str(), &after), 0);
    EXPECT_LT(after.st_size * 3, before.st_size);

    Cursor c(db, name, "ByText");
    ASSERT_TRUE(c.ok());
    EXPECT_EQ(+c.props.protectedFlag, 1);
    EXPECT_EQ(+c.props.indexCount, 2);
    EXPECT_EQ(c.Count(), 60u);
    std::vector<std::int32_t> nos = c.Ints(1);
    ASSERT_EQ(nos.size(), 60u);
    EXPECT_EQ(nos[0] % 26, 0);  // "aaa..." first in ByText
    hOrvexCursor list = 0;
    ASSERT_OK(E().OpenVchkList(db, name.c_str(), driver, &list));
    std::vector<std::uint8_t> v(1219);
    ASSERT_OK(E().GetNextRecord(list, 0, v.data(), nullptr));
    EXPECT_STREQ(reinterpret_cast<char*>(v.data() + 778), "&&&");
    E().CloseCursor(&list);
  }
}

TEST_F(EngineTest, ExclusiveOpenIsRefusedInThisProcessAndAnother) {
  ASSERT_OK(CreateTable(db, "Lock.db", {{"No", ORVEX_FT_INTEGER}}));
  {
    Cursor shared(db, "Lock");
    ASSERT_TRUE(shared.ok());
    Cursor excl(db, "Lock", nullptr, ORVEX_OPEN_READWRITE, ORVEX_SHARE_EXCLUSIVE);
    EXPECT_EQ(excl.result, ORVEX_ERR_EXCLREFUSED);
    EXPECT_EQ(E().DeleteTable(db, "Lock", nullptr), ORVEX_ERR_TABLEINUSE);
  }
  Cursor excl(db, "Lock", nullptr, ORVEX_OPEN_READWRITE, ORVEX_SHARE_EXCLUSIVE);
  ASSERT_TRUE(excl.ok());
  Cursor second(db, "Lock", nullptr, ORVEX_OPEN_READONLY);
  EXPECT_EQ(second.result, ORVEX_ERR_TABLEINUSE);
  EXPECT_NE(Text(second.result).find("Lock.db"), std::string::npos) << Text(second.result);

  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    hOrvexDb d = 0;
    hOrvexCursor c = 0;
    OrvexResult r = E().OpenDatabase(dir.c_str(), nullptr, &d);
    if (r == ORVEX_OK) r = E().OpenTable(d, "Lock", nullptr, nullptr, 0, 0, &c);
    ::_exit(r == ORVEX_ERR_TABLEINUSE ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(EngineTest, CursorsOnOneTableSeeEachOthersChanges) {
  ASSERT_OK(CreateTable(db, "Shared", {{"No", ORVEX_FT_INTEGER}, {"Text", ORVEX_FT_STRING, 10}}, {{"", {1}, true}}));
  Cursor a(db, "Shared"), b(db, "Shared");
  ASSERT_TRUE(a.ok() && b.ok());
  for (int n = 1; n <= 5; ++n) {
    auto rec = a.NewRecord();
    a.Put<std::int32_t>(rec, 1, n * 10);
    ASSERT_OK(a.Append(rec));
  }
  auto rb = b.NewRecord();
  ASSERT_OK(b.Next(rb));  // b reads ahead
  EXPECT_EQ(IntOf(b, 1, rb), 10);
  auto ra = a.NewRecord();
  a.Put<std::int32_t>(ra, 1, 15);
  ASSERT_OK(a.Append(ra));
  EXPECT_EQ(b.Count(), 6u);
  ASSERT_OK(b.Next(rb));
  EXPECT_EQ(IntOf(b, 1, rb), 15);

  // b changes the record a is on; a reads the change.
  b.PutStr(rb, 2, "changed");
  ASSERT_OK(E().ModifyRecord(b.h, rb.data(), 0));
  ASSERT_OK(a.Current(ra));
  EXPECT_EQ(a.Str(ra, 2), "changed");

  // a deletes it; b's record is gone, and b goes on from where it was.
  ASSERT_OK(E().DeleteRecord(a.h, nullptr));
  EXPECT_EQ(b.Current(rb), ORVEX_ERR_RECDELETED);
  EXPECT_EQ(E().ModifyRecord(b.h, rb.data(), 0), ORVEX_ERR_RECDELETED);
  ASSERT_OK(b.Next(rb));
  EXPECT_EQ(IntOf(b, 1, rb), 20);
  EXPECT_EQ(a.Ints(1), (std::vector<std::int32_t>{10, 20, 30, 40, 50}));
}

TEST_F(EngineTest, ChangesOfAnotherProcessAreSeen) {
  ASSERT_OK(CreateTable(db, "Two", {{"No", ORVEX_FT_INTEGER}, {"Text", ORVEX_FT_STRING, 10}}, {{"", {1}, true}}));
  Cursor c(db, "Two");
  ASSERT_TRUE(c.ok());
  for (int n = 1; n <= 3; ++n) {
    auto rec = c.NewRecord();
    c.Put<std::int32_t>(rec, 1, n);
    c.PutStr(rec, 2, "old");
    ASSERT_OK(c.Append(rec));
  }
  auto rec = c.NewRecord();
  ASSERT_OK(E().SetToBegin(c.h));
  ASSERT_OK(c.Next(rec));
  EXPECT_EQ(c.Count(), 3u);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {  // changes record 2 and adds record 4
    hOrvexDb d = 0;
    hOrvexCursor h = 0;
    std::vector<std::uint8_t> r(c.props.recordSize);
    std::int32_t two = 2, four = 4;
    bool ok = E().OpenDatabase(dir.c_str(), nullptr, &d) == ORVEX_OK &&
              E().OpenTable(d, "Two", nullptr, nullptr, 0, 0, &h) == ORVEX_OK &&
              E().InitRecord(h, r.data()) == ORVEX_OK && E().PutField(h, 1, r.data(), &two) == ORVEX_OK &&
              E().SetToKey(h, ORVEX_KEY_EXACT, 0, 0, r.data()) == ORVEX_OK &&
              E().GetNextRecord(h, 0, r.data(), nullptr) == ORVEX_OK &&
              E().PutField(h, 2, r.data(), "new") == ORVEX_OK && E().ModifyRecord(h, r.data(), 0) == ORVEX_OK &&
              E().PutField(h, 1, r.data(), &four) == ORVEX_OK && E().AppendRecord(h, r.data()) == ORVEX_OK;
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(c.Count(), 4u);
  ASSERT_OK(E().ForceReread(c.h));
  ASSERT_OK(c.Next(rec));
  EXPECT_EQ(c.Str(rec, 2), "new");
  EXPECT_EQ(c.Ints(1), (std::vector<std::int32_t>{1, 2, 3, 4}));
}

TEST_F(EngineTest, DatabasesListTheirTablesAndTablesGo) {
  ASSERT_OK(CreateTable(db, "GuestLst", {{"No", ORVEX_FT_INTEGER}}));
  ASSERT_OK(CreateTable(db, "Pictures.dbf", {{"No", ORVEX_FT_INTEGER}}));
  EXPECT_EQ(CreateTable(db, "GuestLst.db", {{"No", ORVEX_FT_INTEGER}}), ORVEX_ERR_FILEEXISTS);
  ASSERT_OK(CreateTable(db, "GuestLst.db", {{"No", ORVEX_FT_INTEGER}, {"More", ORVEX_FT_INTEGER}}, {}, {}, "", 0, 1));
  hOrvexCursor list = 0;
  ASSERT_OK(E().OpenTableList(db, &list));
  std::vector<std::string> seen;
  OrvexTableListRec rec{};
  while (E().GetNextRecord(list, 0, &rec, nullptr) == ORVEX_OK) seen.push_back(std::string(rec.name) + " " + rec.driverType);
  E().CloseCursor(&list);
  EXPECT_EQ(seen, (std::vector<std::string>{"GuestLst.db KALMURE", "Pictures.dbf ZENTOR"}));

  {
    Cursor c(db, "GuestLst");
    EXPECT_EQ(+c.props.fieldCount, 2);
    auto r = c.NewRecord();
    ASSERT_OK(c.Append(r));
    ASSERT_OK(E().EmptyTable(db, c.h, nullptr, nullptr));
    EXPECT_EQ(c.Count(), 0u);
  }
  // The second format's file is not a native table.
  hOrvexCursor c = 0;
  EXPECT_EQ(E().OpenTable(db, "Pictures.dbf", "KALMURE", nullptr, 0, 0, &c), ORVEX_ERR_NOTATABLE);
  ASSERT_OK(E().DeleteTable(db, "GuestLst", nullptr));
  EXPECT_EQ(E().DeleteTable(db, "GuestLst", nullptr), ORVEX_ERR_NOSUCHTABLE);
  EXPECT_NE(Text(ORVEX_ERR_NOSUCHTABLE).find("GuestLst.db"), std::string::npos);
}

TEST(EngineErrors, EveryCodeHasItsTextAndTextsFit) {
  const OrvexResult codes[] = {ORVEX_ERR_ENDOFBLOB, ORVEX_ERR_BLOBOFFSET, ORVEX_ERR_NOENTRIES,
                               ORVEX_ERR_NOSUCHTABLE, ORVEX_ERR_PASSWORD, ORVEX_ERR_PASSWORDTABLE,
                               ORVEX_ERR_PASSWORDFIELD, ORVEX_ERR_TABLEINUSE, ORVEX_ERR_EXCLREFUSED,
                               ORVEX_ERR_KEYVIOL, ORVEX_ERR_REQUIRED, ORVEX_ERR_OUTOFRANGE, ORVEX_ERR_RECDELETED,
                               ORVEX_ERR_INVALIDHANDLE, ORVEX_ERR_INVALIDPARAM, ORVEX_ERR_EOF, ORVEX_ERR_BOF,
                               ORVEX_ERR_NOTATABLE, ORVEX_ERR_FILENOTFOUND};
  std::vector<std::string> texts;
  for (OrvexResult code : codes) {
    std::string t = Text(code);
    EXPECT_FALSE(t.empty());
    EXPECT_EQ(std::count(texts.begin(), texts.end(), t), 0) << t;
    texts.push_back(t);
  }
  EXPECT_EQ(Text(0x7777), "Unknown engine error");

  // A failure about a file names it; a long path keeps its end within 127 bytes.
  fw::test::TempDir temp;
  std::string deep = temp.Path() + "/" + std::string(90, 'd');
  ASSERT_TRUE(std::filesystem::create_directories(deep));
  hOrvexDb d = 0;
  ASSERT_OK(E().OpenDatabase(deep.c_str(), nullptr, &d));
  hOrvexCursor c = 0;
  EXPECT_EQ(E().OpenTable(d, "Vendégek.db", nullptr, nullptr, 0, 0, &c), ORVEX_ERR_NOSUCHTABLE);
  std::string t = Text(ORVEX_ERR_NOSUCHTABLE);
  EXPECT_LE(t.size(), 127u);
  EXPECT_EQ(t.substr(0, 22), "Table does not exist: ");
  EXPECT_EQ(t.substr(t.size() - 12), "Vendégek.db");
  E().CloseDatabase(&d);
}
