// Damaged table files: the engine's own metadata holding NULLs, wrong types
// or absurd values, metadata that names columns the records lack, and files
// with garbage pages, cut short or with their header gone. Each is refused
// with "Table file is corrupt" or "Not a table of this format", wherever the
// damage is met, and nothing crashes (the sanitizer build runs these too).
#include <filesystem>
#include <fstream>
#include <functional>

#include <sqlite3.h>

#include "EngineTest.h"

using namespace enginetest;

namespace {

class DamageTest : public EngineTest {
public:
  void SetUp() override {
    EngineTest::SetUp();
    OrvexVchkDesc check = IntCheck(1, 1, 500, 7);
    check.required = 1;
    std::strcpy(check.picture, "#[#][#]");
    ASSERT_OK(CreateTable(db, "Good",
                          {{"No", ORVEX_FT_INTEGER, 0, 0, true}, {"Name", ORVEX_FT_STRING, 30}, {"Notes", ORVEX_FT_MEMO}},
                          {{"", {1}, true}, {"ByName", {2}, false, false, false, true}}, {check}));
    Cursor c(db, "Good");
    ASSERT_TRUE(c.ok()) << Text(c.result);
    for (std::int32_t n = 1; n <= 40; ++n) {
      auto rec = c.NewRecord();
      c.Put<std::int32_t>(rec, 1, n);
      c.PutStr(rec, 2, "Guest with a longish name " + std::to_string(n));
      ASSERT_OK(c.Append(rec));
    }
  }

  // Runs SQL on a copy of the good table through a plain connection; false
  // when SQLite refuses it.
  bool Damage(const std::string& name, const std::string& sql, const std::function<void(sqlite3_stmt*)>& bind = {}) {
    std::filesystem::copy_file(Path("Good.db"), Path(name), std::filesystem::copy_options::overwrite_existing);
    sqlite3* raw = nullptr;
    sqlite3_open(Path(name).c_str(), &raw);
    sqlite3_exec(raw, "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    bool ok = sqlite3_prepare_v2(raw, sql.c_str(), -1, &st, nullptr) == SQLITE_OK;
    if (ok && bind) bind(st);
    ok = ok && sqlite3_step(st) == SQLITE_DONE;
    sqlite3_finalize(st);
    sqlite3_close(raw);
    return ok;
  }
};

bool Refused(OrvexResult r) { return r == ORVEX_ERR_CORRUPT || r == ORVEX_ERR_NOTATABLE; }

// A disk that fills up on demand: SQLite's own files, whose writes answer
// SQLITE_FULL while `full` is set, as a write that meets ENOSPC does. It is
// the default for the connections opened while it lives (the engine's too,
// which shares this process's SQLite).
class FullDisk {
public:
  FullDisk() {
    real_ = sqlite3_vfs_find(nullptr);
    vfs_ = *real_;
    vfs_.zName = "full-disk";
    vfs_.szOsFile = static_cast<int>(sizeof(File)) + real_->szOsFile;
    vfs_.xOpen = Open;
    vfs_.pNext = nullptr;
    methods_ = {};
    methods_.iVersion = 3;
    methods_.xClose = [](sqlite3_file* f) {
      int rc = Real(f)->pMethods->xClose(Real(f));
      f->pMethods = nullptr;
      return rc;
    };
    methods_.xRead = [](sqlite3_file* f, void* b, int n, sqlite3_int64 at) { return Real(f)->pMethods->xRead(Real(f), b, n, at); };
    methods_.xWrite = [](sqlite3_file* f, const void* b, int n, sqlite3_int64 at) {
      return full ? SQLITE_FULL : Real(f)->pMethods->xWrite(Real(f), b, n, at);
    };
    methods_.xTruncate = [](sqlite3_file* f, sqlite3_int64 n) { return Real(f)->pMethods->xTruncate(Real(f), n); };
    methods_.xSync = [](sqlite3_file* f, int flags) { return Real(f)->pMethods->xSync(Real(f), flags); };
    methods_.xFileSize = [](sqlite3_file* f, sqlite3_int64* n) { return Real(f)->pMethods->xFileSize(Real(f), n); };
    methods_.xLock = [](sqlite3_file* f, int l) { return Real(f)->pMethods->xLock(Real(f), l); };
    methods_.xUnlock = [](sqlite3_file* f, int l) { return Real(f)->pMethods->xUnlock(Real(f), l); };
    methods_.xCheckReservedLock = [](sqlite3_file* f, int* out) { return Real(f)->pMethods->xCheckReservedLock(Real(f), out); };
    methods_.xFileControl = [](sqlite3_file* f, int op, void* arg) { return Real(f)->pMethods->xFileControl(Real(f), op, arg); };
    methods_.xSectorSize = [](sqlite3_file* f) { return Real(f)->pMethods->xSectorSize(Real(f)); };
    methods_.xDeviceCharacteristics = [](sqlite3_file* f) { return Real(f)->pMethods->xDeviceCharacteristics(Real(f)); };
    methods_.xShmMap = [](sqlite3_file* f, int pg, int size, int extend, void volatile** p) {
      return Real(f)->pMethods->xShmMap(Real(f), pg, size, extend, p);
    };
    methods_.xShmLock = [](sqlite3_file* f, int at, int n, int flags) { return Real(f)->pMethods->xShmLock(Real(f), at, n, flags); };
    methods_.xShmBarrier = [](sqlite3_file* f) { Real(f)->pMethods->xShmBarrier(Real(f)); };
    methods_.xShmUnmap = [](sqlite3_file* f, int del) { return Real(f)->pMethods->xShmUnmap(Real(f), del); };
    methods_.xFetch = [](sqlite3_file* f, sqlite3_int64 at, int n, void** p) { return Real(f)->pMethods->xFetch(Real(f), at, n, p); };
    methods_.xUnfetch = [](sqlite3_file* f, sqlite3_int64 at, void* p) { return Real(f)->pMethods->xUnfetch(Real(f), at, p); };
    sqlite3_vfs_register(&vfs_, 1);
  }
  ~FullDisk() {
    full = false;
    sqlite3_vfs_unregister(&vfs_);
    sqlite3_vfs_register(real_, 1);
  }
  FullDisk(const FullDisk&) = delete;
  FullDisk& operator=(const FullDisk&) = delete;

  static inline bool full = false;

private:
  struct File {
    sqlite3_file base;
    sqlite3_file* real;  // follows this header in the same block
  };
  static sqlite3_file* Real(sqlite3_file* f) { return reinterpret_cast<File*>(f)->real; }
  static int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
    auto* file = reinterpret_cast<File*>(f);
    file->real = reinterpret_cast<sqlite3_file*>(file + 1);
    int rc = real_->xOpen(real_, name, file->real, flags, outFlags);
    f->pMethods = rc == SQLITE_OK && file->real->pMethods ? &methods_ : nullptr;
    return rc;
  }

  static inline sqlite3_vfs* real_ = nullptr;
  static inline sqlite3_vfs vfs_{};
  static inline sqlite3_io_methods methods_{};
};

}  // namespace

TEST_F(DamageTest, MetadataWithNullsWrongTypesAndHugeValuesIsRefused) {
  // A damaged file need not keep the columns' constraints.
  {
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(Path("Good.db").c_str(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw,
                           "PRAGMA writable_schema=ON;"
                           "UPDATE sqlite_schema SET sql = replace(sql, 'NOT NULL', '') WHERE name LIKE 'orvex_%'",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(raw);
  }
  // Some values are sound in some columns: a number in a text column is
  // stored as its text, a check's bounds may be any integer or absent.
  struct Column {
    const char* table;
    const char* name;
    const char* rowKey;  // the rows to damage, one at a time
    std::vector<std::string> rows;
    std::vector<std::string> sound = {};
  };
  const std::vector<std::string> anyText = {"1.5", "'x'", "2^32 + 1", "65537", "-2^63"};
  const std::vector<Column> columns = {
      {"orvex_table", "key", "key", {"'format'", "'protected'", "'langdriver'"}},
      {"orvex_table", "value", "key", {"'format'", "'protected'", "'langdriver'"}},
      {"orvex_fields", "field_no", "field_no", {"1", "2", "3"}},
      {"orvex_fields", "name", "field_no", {"1", "2", "3"}},
      {"orvex_fields", "type", "field_no", {"1", "2", "3"}},
      {"orvex_fields", "size", "field_no", {"1", "2", "3"}},
      {"orvex_fields", "decimals", "field_no", {"1", "2", "3"}},
      {"orvex_fields", "required", "field_no", {"1", "2", "3"}},
      {"orvex_indexes", "index_no", "index_no", {"1", "2"}},
      {"orvex_indexes", "name", "index_no", {"1", "2"}, anyText},
      {"orvex_indexes", "fields", "index_no", {"1", "2"}},
      {"orvex_indexes", "is_primary", "index_no", {"1", "2"}},
      {"orvex_indexes", "is_unique", "index_no", {"1", "2"}},
      {"orvex_indexes", "descending", "index_no", {"1", "2"}},
      {"orvex_indexes", "case_insensitive", "index_no", {"1", "2"}},
      {"orvex_checks", "field_no", "field_no", {"1"}},
      {"orvex_checks", "required", "field_no", {"1"}},
      {"orvex_checks", "min_value", "field_no", {"1"}, {"NULL"}},
      {"orvex_checks", "max_value", "field_no", {"1"}, {"NULL", "65537"}},
      {"orvex_checks", "default_value", "field_no", {"1"}, {"NULL", "65537"}},
      {"orvex_checks", "picture", "field_no", {"1"}, anyText},
  };
  // Bound values, so that each keeps its type: NULL, a real, a blob, a
  // number where a text belongs or a text where a number does, numbers far
  // out of range, a text far too long.
  const std::vector<std::pair<const char*, std::function<void(sqlite3_stmt*)>>> values = {
      {"NULL", [](sqlite3_stmt* st) { sqlite3_bind_null(st, 1); }},
      {"1.5", [](sqlite3_stmt* st) { sqlite3_bind_double(st, 1, 1.5); }},
      {"a blob", [](sqlite3_stmt* st) { sqlite3_bind_blob(st, 1, "\x00\xFF", 2, SQLITE_STATIC); }},
      {"'x'", [](sqlite3_stmt* st) { sqlite3_bind_text(st, 1, "x", -1, SQLITE_STATIC); }},
      {"2^32 + 1", [](sqlite3_stmt* st) { sqlite3_bind_int64(st, 1, 4294967297LL); }},
      {"65537", [](sqlite3_stmt* st) { sqlite3_bind_int64(st, 1, 65537); }},
      {"-2^63", [](sqlite3_stmt* st) { sqlite3_bind_int64(st, 1, INT64_MIN); }},
      {"100,000 letters",
       [](sqlite3_stmt* st) {
         static const std::string longText(100000, 'x');
         sqlite3_bind_text(st, 1, longText.c_str(), static_cast<int>(longText.size()), SQLITE_STATIC);
       }},
  };
  int damaged = 0;
  for (const Column& col : columns) {
    for (const std::string& row : col.rows) {
      for (const auto& [what, bind] : values) {
        std::string sql = std::string("UPDATE ") + col.table + " SET " + col.name + " = ? WHERE " + col.rowKey +
                          " = " + row;
        if (!Damage("Bad.db", sql, bind)) continue;  // SQLite keeps an integer key an integer
        ++damaged;
        OrvexResult r = OpenAndScan("Bad.db");
        std::string where = std::string(col.table) + "." + col.name + " of " + row + " = " + what;
        if (std::find(col.sound.begin(), col.sound.end(), what) != col.sound.end())
          EXPECT_TRUE(r == ORVEX_OK || Refused(r)) << where << ": " << Text(r);
        else  // a language driver of another installation is not damage
          EXPECT_TRUE(Refused(r) || (r == ORVEX_ERR_UNKNOWNLD && row == "'langdriver'")) << where << ": " << Text(r);
      }
    }
  }
  EXPECT_GT(damaged, 150);
  // The message names the file.
  ASSERT_TRUE(Damage("Bad.db", "UPDATE orvex_table SET value = NULL WHERE key = 'format'"));
  Cursor t(db, "Bad.db");
  ASSERT_FALSE(t.ok());
  char text[ORVEX_ERROR_TEXT_SIZE];
  E().GetErrorText(t.result, text);
  EXPECT_NE(std::string(text).find("Bad.db"), std::string::npos) << text;
}

TEST_F(DamageTest, AFieldNamingNoColumnIsRefused) {
  ASSERT_TRUE(Damage("Renamed.db", "UPDATE orvex_fields SET name = 'Comment' WHERE name = 'Name'"));
  EXPECT_EQ(OpenAndScan("Renamed.db"), ORVEX_ERR_CORRUPT);
  ASSERT_TRUE(Damage("Renamed.db", "UPDATE orvex_fields SET name = 'Remark' WHERE name = 'Notes'"));
  EXPECT_EQ(OpenAndScan("Renamed.db"), ORVEX_ERR_CORRUPT);
}

TEST_F(DamageTest, DamagedFilesAreCorruptWhereverTheDamageIsMet) {
  {
    // A long memo: its pages after the first hang on a chain.
    Cursor c(db, "Good");
    auto rec = c.NewRecord();
    c.Put<std::int32_t>(rec, 1, 100);
    std::string memo(20000, 'm');
    ASSERT_OK(E().OpenBlob(c.h, rec.data(), 3, ORVEX_BLOB_READWRITE));
    ASSERT_OK(E().PutBlob(c.h, rec.data(), 3, 0, static_cast<std::uint32_t>(memo.size()), memo.data()));
    ASSERT_OK(c.Append(rec));
    E().FreeBlob(c.h, rec.data(), 3);
  }
  const std::string good = ReadFile("Good.db");
  const std::size_t page = 4096;
  ASSERT_EQ(good.size() % page, 0u);
  std::size_t chained = 0;
  {
    sqlite3* raw = nullptr;
    sqlite3_open(Path("Good.db").c_str(), &raw);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(raw, "SELECT pageno FROM dbstat WHERE name = 'records' AND pagetype = 'overflow' LIMIT 1", -1,
                       &st, nullptr);
    if (sqlite3_step(st) == SQLITE_ROW) chained = static_cast<std::size_t>(sqlite3_column_int(st, 0));
    sqlite3_finalize(st);
    sqlite3_close(raw);
  }
  ASSERT_GT(chained, 1u);
  auto garbled = [&](std::size_t pageNo) {
    std::string bytes = good;
    for (std::size_t i = 0; i < page; ++i) bytes[(pageNo - 1) * page + i] = static_cast<char>(i * 7 + 13);
    std::memcpy(&bytes[(pageNo - 1) * page], "\x7F\xFF\xFF\xFF", 4);  // the next page: far past the end
    return bytes;
  };
  auto header = [&](std::size_t at, char value) {
    std::string bytes = good;
    bytes[at] = value;
    return bytes;
  };
  std::string headless = good;
  std::fill(headless.begin(), headless.begin() + 100, '\0');
  struct Damaged {
    const char* what;
    std::string bytes;
  } files[] = {
      {"a page of garbage in a memo", garbled(chained)},
      {"a file cut short", good.substr(0, good.size() - 2 * page)},
      {"a zeroed header", headless},
      {"a header with a schema format of no version", header(47, '\x7F')},
      {"a header with a write version of no version", header(18, '\x7F')},
  };
  struct Operation {
    const char* what;
    std::function<OrvexResult(DamageTest&)> run;
  } operations[] = {
      {"open",
       [](DamageTest& t) {
         Cursor c(t.db, "Bad");
         return c.result;
       }},
      {"scan", [](DamageTest& t) { return t.OpenAndScan("Bad"); }},
      {"post",
       [](DamageTest& t) {
         Cursor c(t.db, "Bad");
         if (!c.ok()) return c.result;
         auto rec = c.NewRecord();
         c.Put<std::int32_t>(rec, 1, 99);
         c.PutStr(rec, 2, "A new guest");
         return c.Append(rec);
       }},
      {"pack",
       [](DamageTest& t) {
         OrvexTableDesc d{};
         std::strcpy(d.name, "Bad");
         d.packFlag = 1;
         return E().DoRestructure(t.db, 1, &d, nullptr, nullptr, nullptr, 0);
       }},
  };
  for (const Damaged& f : files) {
    for (const Operation& op : operations) {
      WriteFile("Bad.db", f.bytes);
      OrvexResult r = op.run(*this);
      // Opening and reading need not meet damage that lies elsewhere.
      if (r == ORVEX_OK && std::string(op.what) != "pack") continue;
      EXPECT_TRUE(Refused(r)) << f.what << ", " << op.what << ": " << Text(r);
      char text[ORVEX_ERROR_TEXT_SIZE];
      E().GetErrorText(r, text);
      EXPECT_NE(std::string(text).find("Bad.db"), std::string::npos) << f.what << ", " << op.what << ": " << text;
    }
  }

  // A disk that is really full still says so.
  WriteFile("Bad.db", good);
  FullDisk disk;
  {
    Cursor c(db, "Bad");
    ASSERT_TRUE(c.ok()) << Text(c.result);
    auto rec = c.NewRecord();
    c.Put<std::int32_t>(rec, 1, 99);
    disk.full = true;
    OrvexResult r = c.Append(rec);
    EXPECT_EQ(r, ORVEX_ERR_DISKFULL) << Text(r);
  }
  OrvexTableDesc d{};
  std::strcpy(d.name, "Bad");
  d.packFlag = 1;
  EXPECT_EQ(E().DoRestructure(db, 1, &d, nullptr, nullptr, nullptr, 0), ORVEX_ERR_DISKFULL);
}
